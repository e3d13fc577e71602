// Reading a settings document: the source's lines in one pass, from a file
// in chunks or from bytes in memory in place, keeping only the keys asked for.
#include "core/settings_file.h"
#include "core/settings_file_syntax.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

using namespace IniSyntax;

namespace {

// Files above this size are not read (nor replaced): no settings file of this
// program comes near it, and it bounds the time a damaged file can take.
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

const QByteArray kBom("\xEF\xBB\xBF");

}  // namespace

// One line of the source: text without its line end (only the first
// kMaxLineBytes when !whole), its offsets, and the offset after its end.
void IniDocument::takeLine(QByteArrayView text, bool whole, qint64 start, qint64 textEnd, qint64 end)
{
    anyLine_ = true;
    lastLineEnded_ = end > textEnd;
    if (text.isEmpty()) {  // the common case in a damaged file: nothing to classify
        lastLineBlank_ = true;
        return;
    }
    const Parsed p = whole ? Classify(text) : Parsed{};
    lastLineBlank_ = whole && Trimmed(text).isEmpty();
    const bool header = p.kind == Kind::Section || p.kind == Kind::BadSection
        || (!whole && Trimmed(text).startsWith('['));
    if (header) {
        firstOpen_ = -1;
        currentSection_ = -1;
        if (p.kind != Kind::Section)
            return;
        for (qsizetype s = 0; s < sections_.size(); ++s) {
            if (!SameName(p.name, sections_[s].name))
                continue;
            currentSection_ = int(s);
            if (!sections_[s].inSource) {
                sections_[s].inSource = true;
                sections_[s].insertAt = end;
                firstOpen_ = int(s);
            }
            break;
        }
        return;
    }
    if (p.kind != Kind::Key || currentSection_ < 0)
        return;
    if (firstOpen_ == currentSection_)
        sections_[size_t(firstOpen_)].insertAt = end;
    for (Key& k : keys_) {
        if (k.found || k.section != currentSection_ || !SameName(p.name, k.names.key))
            continue;
        k.found = true;
        k.textStart = start;
        k.textEnd = textEnd;
        // In memory the line stays where it is in data_; a file's is copied.
        k.line = data_.isEmpty() ? text.toByteArray()
                                 : QByteArray::fromRawData(data_.constData() + start, qsizetype(textEnd - start));
        break;
    }
}

// The source from offset on, block by block: nextBlock(&block) gives the next
// bytes (none at the end) or false on a read error.
template <typename NextBlock>
bool IniDocument::scan(qint64 offset, NextBlock nextBlock)
{
    QByteArray carry;        // the start of a line that goes on in the next chunk
    qint64 carryStart = -1;  // its offset, -1 when none
    qint64 carryLength = 0;  // its full length so far (carry keeps at most kMaxLineBytes)
    char carryLast = 0;
    for (;;) {
        QByteArrayView block;
        if (!nextBlock(&block) || offset + block.size() > kMaxFileSize)
            return false;
        const qint64 n = block.size();
        if (n == 0)
            break;
        const char* data = block.data();
        qint64 pos = 0;
        while (pos < n) {
            if (carryStart < 0 && newlineChosen_) {
                // A run of empty lines (a damaged file can hold millions) in one sweep.
                qint64 q = pos;
                while (q < n && (data[q] == '\n' || (data[q] == '\r' && q + 1 < n && data[q + 1] == '\n')))
                    q += data[q] == '\n' ? 1 : 2;
                if (q > pos) {
                    anyLine_ = lastLineBlank_ = lastLineEnded_ = true;
                    pos = q;
                    continue;
                }
            }
            const void* hit = std::memchr(data + pos, '\n', size_t(n - pos));
            if (!hit) {
                // The line goes on: keep what classification needs.
                if (carryStart < 0)
                    carryStart = offset + pos;
                const qint64 room = std::max<qint64>(0, kMaxLineBytes + 1 - carry.size());
                carry.append(data + pos, qsizetype(std::min(room, n - pos)));
                carryLength += n - pos;
                carryLast = data[n - 1];
                break;
            }
            const qint64 nl = static_cast<const char*>(hit) - data;
            if (!newlineChosen_) {
                const bool cr = nl > pos ? data[nl - 1] == '\r' : (carryLength > 0 && carryLast == '\r');
                newline_ = cr ? "\r\n" : "\n";
                newlineChosen_ = true;
            }
            if (carryStart < 0) {
                const qint64 len = (nl > pos && data[nl - 1] == '\r') ? nl - 1 - pos : nl - pos;
                takeLine(QByteArrayView(data + pos, len), true, offset + pos, offset + pos + len, offset + nl + 1);
            } else {
                const qsizetype room = qsizetype(std::max<qint64>(0, kMaxLineBytes + 1 - carry.size()));
                carry.append(data + pos, std::min<qsizetype>(room, qsizetype(nl - pos)));
                qint64 length = carryLength + (nl - pos);
                const char last = nl > pos ? data[nl - 1] : carryLast;
                if (length > 0 && last == '\r')
                    --length;
                const bool whole = length <= kMaxLineBytes;
                carry.truncate(qsizetype(std::min<qint64>(length, kMaxLineBytes)));
                takeLine(carry, whole, carryStart, carryStart + length, offset + nl + 1);
                carry.clear();
                carryStart = -1;
                carryLength = 0;
            }
            pos = nl + 1;
        }
        offset += n;
    }
    if (carryStart >= 0) {  // a last line without a line end
        const bool whole = carryLength <= kMaxLineBytes;
        carry.truncate(qsizetype(std::min<qint64>(carryLength, kMaxLineBytes)));
        takeLine(carry, whole, carryStart, carryStart + carryLength, carryStart + carryLength);
    }
    sourceSize_ = offset;
    return true;
}

bool IniDocument::scanFile(QIODevice& in)
{
    qint64 offset = 0;  // source offset of the next byte read
    if (in.peek(kBom.size()) == kBom) {
        in.skip(kBom.size());
        offset = kBom.size();
    }
    // A small source (the usual settings file) needs no large buffer.
    const qint64 chunkSize = std::clamp<qint64>(in.size() - in.pos(), 1, kChunk);
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    return scan(offset, [&](QByteArrayView* block) {
        const qint64 n = in.read(chunk.data(), chunkSize);
        *block = QByteArrayView(chunk.constData(), std::max<qint64>(n, 0));
        return n >= 0;
    });
}

IniDocument IniDocument::fromBytes(const QByteArray& data, const std::vector<IniKey>& keys)
{
    IniDocument doc(keys);
    doc.data_ = data;
    // Scanned in place, in blocks of the size a file is read in.
    qint64 pos = data.startsWith(kBom) ? kBom.size() : 0;
    doc.scan(pos, [&](QByteArrayView* block) {
        *block = QByteArrayView(data).sliced(pos, std::min<qint64>(kChunk, data.size() - pos));
        pos += block->size();
        return true;
    });
    return doc;
}

IniDocument IniDocument::load(const QString& path, const std::vector<IniKey>& keys)
{
    const QFileInfo info(path);
    if (!info.exists())
        return IniDocument(keys);
    IniDocument doc(keys);
    QFile file(path);
    if (info.isFile() && info.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly) && doc.scanFile(file)
        && file.error() == QFileDevice::NoError) {
        doc.sourcePath_ = path;
        return doc;
    }
    IniDocument unreadable(keys);
    unreadable.unreadable_ = true;
    unreadable.readError_ = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("cannot be read");
    return unreadable;
}

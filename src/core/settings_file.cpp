#include "core/settings_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Files above this size are not read (nor replaced): no settings file of this
// program comes near it, and it bounds the time a damaged file can take.
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

const QByteArray kBom("\xEF\xBB\xBF");

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

QByteArrayView Trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && IsBlank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && IsBlank(v.back()))
        v.chop(1);
    return v;
}

enum class Kind { Other, Section, BadSection, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArrayView name;    // section or key name
    QByteArrayView value;   // key value, trimmed and unquoted
};

Parsed Classify(QByteArrayView line)
{
    Parsed p;
    const QByteArrayView t = Trimmed(line);
    if (t.isEmpty() || t.front() == ';' || t.front() == '#')
        return p;
    if (t.front() == '[') {
        const qsizetype close = t.indexOf(']');
        if (close < 0) {
            p.kind = Kind::BadSection;
            return p;
        }
        p.kind = Kind::Section;
        p.name = Trimmed(t.sliced(1, close - 1));
        return p;
    }
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return p;
    p.name = Trimmed(t.first(eq));
    if (p.name.isEmpty())
        return p;
    p.kind = Kind::Key;
    QByteArrayView value = Trimmed(t.sliced(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.sliced(1, value.size() - 2);
    p.value = value;
    return p;
}

bool SameName(QByteArrayView a, const char* b)
{
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

QString DecodeValue(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// The value as written: a line feed becomes a blank (a value is one line),
// and a value that the reader would otherwise trim or unquote is put in quotes.
QByteArray EncodeValue(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QByteArray bytes = v.toUtf8();
    const bool edgeBlank = !bytes.isEmpty() && (IsBlank(bytes.front()) || IsBlank(bytes.back()));
    const bool quoted = bytes.size() >= 2 && bytes.front() == '"' && bytes.back() == '"';
    if (edgeBlank || quoted)
        bytes = '"' + bytes + '"';
    return bytes;
}


}  // namespace

bool ParseIniInteger(const QByteArray& text, int* value)
{
    const QByteArrayView t = Trimmed(text);
    bool ok = false;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        const QByteArrayView digits = t.sliced(2);
        if (digits.size() > 8)
            return false;
        for (char c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok)
            return false;
        *value = static_cast<int>(static_cast<quint32>(v));
        return true;
    }
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(v);
    return true;
}

IniDocument::IniDocument(const std::vector<IniKey>& keys)
{
    keys_.reserve(keys.size());
    sections_.reserve(keys.size());
    for (const IniKey& k : keys) {
        Key key;
        key.names = k;
        for (size_t s = 0; s < sections_.size() && key.section < 0; ++s)
            if (SameName(QByteArrayView(sections_[s].name), k.section))
                key.section = int(s);
        if (key.section < 0) {
            key.section = int(sections_.size());
            Section section;
            section.name = k.section;
            sections_.push_back(section);
        }
        keys_.push_back(key);
    }
}

int IniDocument::keyIndex(const char* section, const char* key) const
{
    for (size_t i = 0; i < keys_.size(); ++i)
        if (SameName(QByteArrayView(keys_[i].names.section), section)
            && SameName(QByteArrayView(keys_[i].names.key), key))
            return int(i);
    return -1;
}

// One line of the source: text without its line end (only the first
// kMaxLineBytes when !whole), its offsets, and the offset after its end.
void IniDocument::takeLine(QByteArrayView text, bool whole, qint64 start, qint64 textEnd, qint64 end)
{
    anyLine_ = true;
    lastLineEnded_ = end > textEnd;
    if (text.isEmpty()) {   // the common case in a damaged file: nothing to classify
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
        for (size_t s = 0; s < sections_.size(); ++s) {
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
        k.line = text.toByteArray();
        break;
    }
}

bool IniDocument::scan(QIODevice& in)
{
    qint64 offset = 0;   // source offset of the next byte read
    if (in.peek(kBom.size()) == kBom) {
        in.skip(kBom.size());
        offset = kBom.size();
    }
    // A small source (the usual settings file) needs no large buffer.
    const qint64 chunkSize = std::clamp<qint64>(in.size() - in.pos(), 1, kChunk);
    QByteArray chunk(chunkSize, Qt::Uninitialized);
    QByteArray carry;            // the start of a line that goes on in the next chunk
    qint64 carryStart = -1;      // its offset, -1 when none
    qint64 carryLength = 0;      // its full length so far (carry keeps at most kMaxLineBytes)
    char carryLast = 0;
    for (;;) {
        const qint64 n = in.read(chunk.data(), chunkSize);
        if (n < 0 || offset + n > kMaxFileSize)
            return false;
        if (n == 0)
            break;
        const char* data = chunk.constData();
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
                newline_ = cr ? QByteArray("\r\n") : QByteArray("\n");
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
    if (carryStart >= 0) {   // a last line without a line end
        const bool whole = carryLength <= kMaxLineBytes;
        carry.truncate(qsizetype(std::min<qint64>(carryLength, kMaxLineBytes)));
        takeLine(carry, whole, carryStart, carryStart + carryLength, carryStart + carryLength);
    }
    sourceSize_ = offset;
    return true;
}

IniDocument IniDocument::fromBytes(const QByteArray& data, const std::vector<IniKey>& keys)
{
    IniDocument doc(keys);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);   // no read-ahead copy of bytes in memory
    doc.scan(buffer);
    doc.data_ = data;
    return doc;
}

IniDocument IniDocument::load(const QString& path, const std::vector<IniKey>& keys)
{
    const QFileInfo info(path);
    if (!info.exists())
        return IniDocument(keys);
    IniDocument doc(keys);
    QFile file(path);
    if (info.isFile() && info.size() <= kMaxFileSize && file.open(QIODevice::ReadOnly) && doc.scan(file)
        && file.error() == QFileDevice::NoError) {
        doc.sourcePath_ = path;
        return doc;
    }
    IniDocument unreadable(keys);
    unreadable.unreadable_ = true;
    unreadable.readError_ =
        file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("cannot be read");
    return unreadable;
}

bool IniDocument::hasKey(const char* section, const char* key) const
{
    const int i = keyIndex(section, key);
    return i >= 0 && (keys_[size_t(i)].found || keys_[size_t(i)].added);
}

QString IniDocument::text(const char* section, const char* key, const QString& def) const
{
    if (!hasKey(section, key))
        return def;
    return DecodeValue(Classify(keys_[size_t(keyIndex(section, key))].line).value);
}

int IniDocument::integer(const char* section, const char* key, int def) const
{
    if (!hasKey(section, key))
        return def;
    int value = 0;
    if (!ParseIniInteger(Classify(keys_[size_t(keyIndex(section, key))].line).value.toByteArray(), &value))
        return def;
    return value;
}

void IniDocument::setText(const char* section, const char* key, const QString& value)
{
    const int i = keyIndex(section, key);
    Q_ASSERT(i >= 0);
    if (i < 0)
        return;
    Key& k = keys_[size_t(i)];
    const QByteArray encoded = EncodeValue(value);
    // One allocation for the new line: settings are written often (and
    // fuzzed), so this path avoids temporaries.
    auto keyLine = [&encoded](QByteArrayView name) {
        QByteArray line;
        line.reserve(name.size() + 1 + encoded.size());
        line.append(name).append('=').append(encoded);
        return line;
    };
    if (k.found || k.added) {
        // Keep the key as spelled in the file.
        k.line = keyLine(Classify(k.line).name);
        k.changed = k.found;
        return;
    }
    k.line = keyLine(QByteArrayView(key));
    k.added = true;
    Section& s = sections_[size_t(k.section)];
    if (!s.inSource && !s.appended) {
        s.appended = true;
        // A blank line separates it from a line that is not blank.
        bool addedAtEnd = false;
        for (const Section& other : sections_)
            addedAtEnd = addedAtEnd || (other.inSource && other.insertAt == sourceSize_ && !other.added.empty());
        s.blankBefore = !appendOrder_.empty() || addedAtEnd || (anyLine_ && !lastLineBlank_);
        appendOrder_.push_back(k.section);
    }
    s.added.push_back(i);
    inserted_ = true;
}

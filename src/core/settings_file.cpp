#include "core/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <limits>

namespace {

// Files above this size are not read (nor replaced): no settings file of this
// program comes near it, and it bounds the memory a damaged file can take.
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

bool IsReadOnly(const QFileInfo& info)
{
    // The permission bits are checked as well as access(): a file the user
    // made read-only stays untouched even for a user (root) who could write it.
    const auto writeBits = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !info.isWritable() || !(info.permissions() & writeBits);
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

IniDocument IniDocument::fromBytes(const QByteArray& input)
{
    IniDocument doc;
    QByteArrayView data(input);
    if (data.startsWith(kBom)) {
        doc.bom_ = true;
        data = data.sliced(kBom.size());
    }
    bool newlineChosen = false;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype nl = data.indexOf('\n', pos);
        Line line;
        if (nl < 0) {
            line.text = data.sliced(pos).toByteArray();
            pos = data.size();
        } else {
            qsizetype end = nl;
            if (end > pos && data[end - 1] == '\r')
                --end;
            line.text = data.sliced(pos, end - pos).toByteArray();
            line.eol = data.sliced(end, nl + 1 - end).toByteArray();
            pos = nl + 1;
            if (!newlineChosen) {
                doc.newline_ = line.eol;
                newlineChosen = true;
            }
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

IniDocument IniDocument::load(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    IniDocument doc;
    QFile file(path);
    if (!info.isFile() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        doc.unreadable_ = true;
        return doc;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        doc.unreadable_ = true;
        return doc;
    }
    return fromBytes(data);
}

int IniDocument::findKey(const char* section, const char* key) const
{
    bool inSection = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = Classify(lines_[i].text);
        switch (p.kind) {
        case Kind::Section: inSection = SameName(p.name, section); break;
        case Kind::BadSection: inSection = false; break;
        case Kind::Key:
            if (inSection && SameName(p.name, key))
                return int(i);
            break;
        case Kind::Other: break;
        }
    }
    return -1;
}

bool IniDocument::hasKey(const char* section, const char* key) const
{
    return findKey(section, key) >= 0;
}

QString IniDocument::text(const char* section, const char* key, const QString& def) const
{
    const int i = findKey(section, key);
    if (i < 0)
        return def;
    return DecodeValue(Classify(lines_[size_t(i)].text).value);
}

int IniDocument::integer(const char* section, const char* key, int def) const
{
    const int i = findKey(section, key);
    if (i < 0)
        return def;
    int value = 0;
    if (!ParseIniInteger(Classify(lines_[size_t(i)].text).value.toByteArray(), &value))
        return def;
    return value;
}

void IniDocument::setText(const char* section, const char* key, const QString& value)
{
    const QByteArray encoded = EncodeValue(value);
    const int found = findKey(section, key);
    if (found >= 0) {
        Line& line = lines_[size_t(found)];
        // Keep the key as spelled in the file, with its leading blanks.
        const qsizetype eq = line.text.indexOf('=');
        line.text = Trimmed(line.text.first(eq)).toByteArray() + '=' + encoded;
        return;
    }

    const QByteArray newLine = QByteArray(key) + '=' + encoded;
    // After the last key of the first section of that name.
    int insertAfter = -1;
    bool inSection = false;
    bool sectionSeen = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = Classify(lines_[i].text);
        if (p.kind == Kind::Section || p.kind == Kind::BadSection) {
            if (inSection)
                break;
            inSection = p.kind == Kind::Section && SameName(p.name, section);
            if (inSection) {
                sectionSeen = true;
                insertAfter = int(i);
            }
            continue;
        }
        // Comments after the last key usually introduce what follows.
        if (inSection && p.kind == Kind::Key)
            insertAfter = int(i);
    }
    if (!lines_.empty() && lines_.back().eol.isEmpty())
        lines_.back().eol = newline_;
    if (sectionSeen) {
        lines_.insert(lines_.begin() + insertAfter + 1, Line{newLine, newline_});
        return;
    }
    if (!lines_.empty() && !Trimmed(lines_.back().text).isEmpty())
        lines_.push_back(Line{QByteArray(), newline_});
    lines_.push_back(Line{'[' + QByteArray(section) + ']', newline_});
    lines_.push_back(Line{newLine, newline_});
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    if (bom_)
        out += kBom;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

bool IniDocument::save(const QString& path) const
{
    if (unreadable_)
        return false;
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || IsReadOnly(info)))
        return false;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size())
        return false;   // the temporary file is discarded, the old one kept
    return file.commit();
}

#include "core/settings_file.h"
#include "core/settings_file_syntax.h"

#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <limits>

using namespace IniSyntax;

namespace {

QString DecodeValue(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

// A line as built before it is stored, on the stack when short.
using LineBuffer = QVarLengthArray<char, 256>;

// The line "name=value" as written: a line feed in the value becomes a blank
// (a value is one line), and a value that the reader would otherwise trim or
// unquote is put in quotes.
LineBuffer KeyLine(QByteArrayView name, QByteArrayView utf8)
{
    const auto edge = [](char c) { return IsBlank(c) || c == '\n'; };
    const bool edgeBlank = !utf8.isEmpty() && (edge(utf8.front()) || edge(utf8.back()));
    const bool quoted = utf8.size() >= 2 && utf8.front() == '"' && utf8.back() == '"';
    LineBuffer line;
    line.append(name.data(), name.size());
    line.append('=');
    if (edgeBlank || quoted)
        line.append('"');
    const qsizetype valueStart = line.size();
    line.append(utf8.data(), utf8.size());
    // In UTF-8 this byte stands only for a line feed.
    std::replace(line.begin() + valueStart, line.end(), '\n', ' ');
    if (edgeBlank || quoted)
        line.append('"');
    return line;
}

}  // namespace

bool ParseIniInteger(QByteArrayView text, int* value)
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
    for (const IniKey& k : keys) {
        Key key;
        key.names = k;
        for (qsizetype s = 0; s < sections_.size() && key.section < 0; ++s)
            if (SameName(sections_[s].name, k.section))
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
    const auto k = std::find_if(keys_.cbegin(), keys_.cend(), [&](const Key& k) {
        return SameName(k.names.key, key) && SameName(k.names.section, section);
    });
    return k == keys_.cend() ? -1 : int(k - keys_.cbegin());
}

bool IniDocument::hasKey(const char* section, const char* key) const
{
    return present(section, key) != nullptr;
}

const IniDocument::Key* IniDocument::present(const char* section, const char* key) const
{
    const int i = keyIndex(section, key);
    if (i < 0 || !(keys_[i].found || keys_[i].added))
        return nullptr;
    return &keys_[i];
}

QByteArrayView IniDocument::lineOf(const Key& key) const
{
    return key.editAt < 0 ? QByteArrayView(key.line) : QByteArrayView(edits_).sliced(key.editAt, key.editSize);
}

QString IniDocument::text(const char* section, const char* key, const QString& def) const
{
    const Key* k = present(section, key);
    return k ? DecodeValue(Classify(lineOf(*k)).value) : def;
}

int IniDocument::integer(const char* section, const char* key, int def) const
{
    const Key* k = present(section, key);
    int value = 0;
    if (!k || !ParseIniInteger(Classify(lineOf(*k)).value, &value))
        return def;
    return value;
}

void IniDocument::setText(const char* section, const char* key, const QString& value)
{
    // Most values are short ASCII: taken over without a temporary string.
    LineBuffer ascii;
    for (const QChar c : value) {
        if (c.unicode() >= 0x80) {
            setValue(section, key, value.toUtf8());
            return;
        }
        ascii.append(char(c.unicode()));
    }
    setValue(section, key, QByteArrayView(ascii.data(), ascii.size()));
}

void IniDocument::setInteger(const char* section, const char* key, int value)
{
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    setValue(section, key, QByteArrayView(digits, end - digits));
}

void IniDocument::setValue(const char* section, const char* key, QByteArrayView utf8)
{
    const int i = keyIndex(section, key);
    Q_ASSERT(i >= 0);
    if (i < 0)
        return;
    Key& k = keys_[i];
    const bool present = k.found || k.added;
    // Keep the key as spelled in the file.
    const LineBuffer line = KeyLine(present ? Classify(lineOf(k)).name : QByteArrayView(key), utf8);
    // A line that stays the same is left alone: saving unchanged settings
    // stores nothing.
    if (present && QByteArrayView(line.data(), line.size()) == lineOf(k))
        return;
    // Every line set goes into one buffer, with room for the usual lines.
    if (edits_.isEmpty())
        edits_.reserve(keys_.size() * 32);
    k.editAt = edits_.size();
    k.editSize = line.size();
    edits_.append(line.data(), line.size());
    if (present) {
        k.changed = k.found;
        return;
    }
    k.added = true;
    Section& s = sections_[k.section];
    if (!s.inSource && !s.appended) {
        s.appended = true;
        // A blank line separates it from a line that is not blank.
        bool addedAtEnd = false;
        for (const Section& other : sections_)
            addedAtEnd = addedAtEnd || (other.inSource && other.insertAt == sourceSize_ && other.added > 0);
        s.blankBefore = !appendOrder_.empty() || addedAtEnd || (anyLine_ && !lastLineBlank_);
        appendOrder_.push_back(k.section);
    }
    ++s.added;
    added_.push_back(i);
    inserted_ = true;
}

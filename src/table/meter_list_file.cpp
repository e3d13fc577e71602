#include "table/meter_list_file.h"

#include "core/replacing_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace MeterListFile {

namespace {

const char* const kSingleByteCodec = "windows-1252";

// The first kMaxFieldChars characters of a field, never ending in half of a
// surrogate pair.
QString LimitField(QStringView field)
{
    if (field.size() <= kMaxFieldChars)
        return field.toString();
    qsizetype n = kMaxFieldChars;
    if (field.at(n - 1).isHighSurrogate())
        --n;
    return field.left(n).toString();
}

// Whether the line [begin, end) holds more than its row number: a leading
// number (digits and blanks) counts as the row number only when the line
// ends there or a separator follows it; anything else but separators and
// blanks after it is more.
bool HoldsMoreThanNumber(const QChar* begin, const QChar* end, QChar sep)
{
    const QChar* p = begin;
    while (p < end && ((*p >= u'0' && *p <= u'9') || p->isSpace()))
        ++p;
    if (p < end && *p != sep)
        return true;
    return std::any_of(p, end, [sep](QChar c) { return c != sep && !c.isSpace(); });
}

// The one of ',', ';' and tab that [begin, end) holds most often, when it
// holds none of `sep`; a null character otherwise.
QChar LikelySeparator(const QChar* begin, const QChar* end, QChar sep)
{
    if (std::find(begin, end, sep) != end)
        return {};
    QChar best;
    qsizetype bestCount = 0;
    for (const char16_t c : {u',', u';', u'\t'}) {
        const qsizetype n = std::count(begin, end, QChar(c));
        if (n > bestCount) {
            best = QChar(c);
            bestCount = n;
        }
    }
    return best;
}

}  // namespace

QByteArray SerialiseMeterList(const MeterTable& table, const QString& separator)
{
    QString text;
    const auto& rows = table.rows();
    qsizetype estimate = 0;
    for (size_t r = 1; r < rows.size(); ++r)
        for (const QString& c : rows[r])
            estimate += c.size() + separator.size();
    text.reserve(estimate + qsizetype(rows.size()) * 2);
    for (size_t r = 1; r < rows.size(); ++r) {
        for (const QString& c : rows[r]) {
            text += c;
            text += separator;
        }
        text += QLatin1String("\r\n");
    }
    return EncodeMeterListText(text);
}

QString DecodeMeterListBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder single(kSingleByteCodec);
    if (single.isValid())
        return single(bytes);
    return QString::fromLatin1(bytes);
}

QByteArray EncodeMeterListText(const QString& text)
{
    QStringEncoder single(kSingleByteCodec);
    if (single.isValid()) {
        QByteArray out = single(text);
        // Single-byte text whose bytes also form valid UTF-8 ("Ã¤" is C3 A4)
        // would read back as other characters: such text goes out as UTF-8.
        if (!single.hasError() && DecodeMeterListBytes(out) == text)
            return out;
    }
    return text.toUtf8();
}

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

ParsedMeterList ParseMeterList(const QString& text, const QString& separator, const ParseProgress& progress,
                               LastField lastField)
{
    ParsedMeterList result;
    // Only a one-character separator can equal a single character.
    const bool haveSeparator = separator.size() == 1;
    const QChar sep = haveSeparator ? separator.at(0) : QChar();
    const qsizetype n = text.size();
    const QChar* chars = text.constData();
    qsizetype lineStart = 0;
    while (lineStart < n) {
        if (progress && result.rows.size() % 4096 == 0 && !progress(lineStart, n))
            return result;
        // The line is [lineStart, lineEnd); the next starts after its break
        // (CR LF, a lone CR or a lone LF), the same lines as SplitLines.
        qsizetype lineEnd = lineStart;
        while (lineEnd < n && chars[lineEnd] != u'\r' && chars[lineEnd] != u'\n')
            ++lineEnd;
        qsizetype next = lineEnd + 1;
        if (lineEnd < n && chars[lineEnd] == u'\r' && next < n && chars[next] == u'\n')
            ++next;
        // Fields 1 to 10; field 1 (the old number) and fields 6 to 10 are dropped.
        QString fields[kMaxSeparators + 1];
        int fieldIndex = 0;
        qsizetype fieldStart = lineStart;
        if (haveSeparator) {
            for (qsizetype i = lineStart; i < lineEnd; ++i) {
                if (chars[i] != sep)
                    continue;
                if (fieldIndex >= 1 && fieldIndex < MeterTable::kColumns)
                    fields[fieldIndex] = LimitField(QStringView(chars + fieldStart, i - fieldStart));
                fieldStart = i + 1;
                if (++fieldIndex > kMaxSeparators) {
                    result.outcome = ImportOutcome::TooManyData;
                    result.rows.push_back(MeterTable::Row{});
                    return result;
                }
            }
        }
        if (lastField == LastField::Read && fieldIndex >= 1 && fieldIndex < MeterTable::kColumns)
            fields[fieldIndex] = LimitField(QStringView(chars + fieldStart, lineEnd - fieldStart));
        MeterTable::Row row;
        row[MeterTable::ColNumber] = QString::number(result.rows.size() + 1);
        for (int c = 1; c < MeterTable::kColumns; ++c)
            row[size_t(c)] = std::move(fields[c]);
        if (row[MeterTable::ColSerial].trimmed().isEmpty()
            && HoldsMoreThanNumber(chars + lineStart, chars + lineEnd, sep) && result.linesWithoutId++ == 0) {
            result.firstLineWithoutId = qsizetype(result.rows.size()) + 1;
            result.likelySeparator = LikelySeparator(chars + lineStart, chars + lineEnd, sep);
        }
        result.rows.push_back(std::move(row));
        lineStart = next;
    }
    if (progress)
        progress(n, n);
    return result;
}

bool HoldsKeys(const MeterTable& table)
{
    const auto& rows = table.rows();
    return std::any_of(rows.begin() + 1, rows.end(),
                       [](const MeterTable::Row& row) { return !row[MeterTable::ColKey].isEmpty(); });
}

bool WriteMeterListFile(const QString& path, const QByteArray& bytes, QString* error, bool privateFile)
{
    return WriteReplacingFile(path, bytes, privateFile ? ReplacingFile::Access::Private : ReplacingFile::Access::Usual,
                              error);
}

QString WithDefaultSuffix(const QString& path, const QString& suffix)
{
    if (path.isEmpty() || suffix.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(u'.'))
        return path;
    return path + u'.' + suffix;
}

}  // namespace MeterListFile

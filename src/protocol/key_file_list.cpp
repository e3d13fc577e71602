// Plain key lists: one meter a line, fields separated by ";", ",", tabs or
// blanks: an optional 3-letter manufacturer code, the meter ID, then the key,
// which may be written in groups split by blanks, hyphens or colons. Lines
// that do not start with a number (after the manufacturer code) are headers,
// comments or other text and are passed over.
#include "protocol/key_file_parts.h"

#include "table/meter_list_file.h"

#include <QRegularExpression>

namespace KeyFile::Detail {

namespace {

bool AllOf(const QString& text, bool (*test)(QChar))
{
    for (const QChar ch : text)
        if (!test(ch))
            return false;
    return !text.isEmpty();
}

bool IsAsciiLetter(QChar ch)
{
    return (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
}

bool IsDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// Hexadecimal digits, possibly with group marks between them.
bool IsKeyPart(QChar ch)
{
    return IsDigit(ch) || (ch >= u'A' && ch <= u'F') || (ch >= u'a' && ch <= u'f') || ch == u'-' || ch == u':';
}

}  // namespace

bool ReadKeyList(const QString& text, Collected* out)
{
    static const QRegularExpression fieldBreak(QStringLiteral("[;,\\t ]+"));
    bool anyMeter = false;
    const QStringList lines = MeterListFile::SplitLines(text);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QStringList fields = lines[n].split(fieldBreak, Qt::SkipEmptyParts);
        if (fields.size() > 1 && fields[0].size() == 3 && AllOf(fields[0], IsAsciiLetter) && IsDigit(fields[1][0]))
            fields.removeFirst();  // the manufacturer code
        if (fields.isEmpty() || !AllOf(fields[0], IsDigit))
            continue;
        anyMeter = true;
        Entry e;
        e.id = fields[0];
        e.where = QStringLiteral("line %1").arg(n + 1);
        // The key runs over the fields that follow as long as they look like
        // parts of it; what comes after (a note, a medium) is not read.
        for (qsizetype f = 1; f < fields.size() && AllOf(fields[f], IsKeyPart); ++f)
            e.key += fields[f];
        e.key.remove(QLatin1Char('-')).remove(QLatin1Char(':'));
        out->entries.push_back(std::move(e));
    }
    return anyMeter;
}

}  // namespace KeyFile::Detail

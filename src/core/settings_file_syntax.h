#pragma once
// The line syntax of the settings file (see settings_file.h), shared by
// reading and rewriting a document.
#include <QByteArrayView>

namespace IniSyntax {

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline QByteArrayView Trimmed(QByteArrayView v)
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
    QByteArrayView name;   // section or key name
    QByteArrayView value;  // key value, trimmed and unquoted
};

inline Parsed Classify(QByteArrayView line)
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

inline bool SameName(QByteArrayView a, const char* b)
{
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// Callers name keys with the same constants the document was made with, so
// the same pointer is the usual match and spares comparing the texts.
inline bool SameName(const char* a, const char* b)
{
    return a == b || SameName(QByteArrayView(a), b);
}

}  // namespace IniSyntax

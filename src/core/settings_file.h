#pragma once
// A sectioned key=value text file kept line by line, so that a save changes
// only the lines of the keys written and keeps everything else byte for byte
// (unknown sections and keys, comments, blank lines, damaged lines).
//
// Syntax read: "[name]" starts a section (a line starting with '[' but
// lacking ']' starts a section that matches no name); "key=value" inside a
// section; lines starting with ';' or '#' are comments. Names match without
// regard to case, blanks around names and values are ignored, and a value in
// double quotes loses them. Values are UTF-8, or Latin-1 when not valid UTF-8.
#include <QByteArray>
#include <QString>
#include <vector>

class IniDocument {
public:
    // Reads path. A missing file gives an empty document; a file that exists
    // but cannot be read entirely gives an empty document that refuses save().
    static IniDocument load(const QString& path);
    static IniDocument fromBytes(const QByteArray& data);

    bool hasKey(const char* section, const char* key) const;
    // The first value of key in a section of that name, or def.
    QString text(const char* section, const char* key, const QString& def) const;
    // The value as a 32-bit integer (decimal, or 0x/0X hexadecimal), or def
    // when missing or not a number.
    int integer(const char* section, const char* key, int def) const;

    // Replaces the first value of key, or adds the key at the end of the
    // first section of that name, or adds the section at the end of the file.
    void setText(const char* section, const char* key, const QString& value);

    QByteArray toBytes() const;
    // Writes the document to path through a file beside it that is moved into
    // place when complete. False (old file untouched) when the old file could
    // not be read, is read-only, is not a plain file, or writing fails.
    bool save(const QString& path) const;

private:
    struct Line {
        QByteArray text;   // without its line end
        QByteArray eol;    // "\n", "\r\n" or empty for a last line without one
    };
    // Index of the line holding key in a section named section, or -1.
    int findKey(const char* section, const char* key) const;

    std::vector<Line> lines_;
    QByteArray newline_ = "\n";
    bool bom_ = false;
    bool unreadable_ = false;
};

// Integer value text as the reader takes it: trimmed decimal with optional
// sign, or 0x/0X followed by up to 8 hexadecimal digits (taken as 32 bits).
bool ParseIniInteger(const QByteArray& text, int* value);

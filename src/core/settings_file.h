#pragma once
// A sectioned key=value text file, read in one pass and rewritten so that a
// save changes only the lines of the keys written and keeps everything else
// byte for byte (unknown sections and keys, comments, blank lines, damaged
// lines).
//
// Syntax read: "[name]" starts a section (a line starting with '[' but
// lacking ']' starts a section that matches no name); "key=value" inside a
// section; lines starting with ';' or '#' are comments. Names match without
// regard to case, blanks around names and values are ignored, and a value in
// double quotes loses them. Values are UTF-8, or Latin-1 when not valid UTF-8.
// A line longer than kMaxLineBytes is kept but never read as a key (it still
// ends the section before it when it starts with '[').
//
// Cost: the document remembers only the keys it was asked for (the first line
// of each and where a missing one would go), never the file's lines, so time
// is linear in the file's size and memory does not grow with it. Saving
// copies the file's bytes through again with the changed lines.
#include <QByteArray>
#include <QString>
#include <vector>

class QIODevice;

// The place of one setting.
struct IniKey {
    const char* section;
    const char* key;
};

class IniDocument {
public:
    static constexpr qsizetype kMaxLineBytes = 1 << 20;
    // Bytes read or copied at a time.
    static constexpr qint64 kChunk = 1 << 20;

    // Reads path once, remembering the keys given. A missing file gives an
    // empty document; a file that exists but cannot be read entirely (not a
    // plain file, too large, a read error) gives an empty document that
    // refuses save().
    static IniDocument load(const QString& path, const std::vector<IniKey>& keys);
    static IniDocument fromBytes(const QByteArray& data, const std::vector<IniKey>& keys = {});

    // Only the keys given when the document was read are known; any other
    // reads as missing.
    bool hasKey(const char* section, const char* key) const;
    // The first value of key in a section of that name, or def.
    QString text(const char* section, const char* key, const QString& def) const;
    // The value as a 32-bit integer (decimal, or 0x/0X hexadecimal), or def
    // when missing or not a number.
    int integer(const char* section, const char* key, int def) const;

    // Replaces the first value of key, or adds the key after the last key of
    // the first section of that name, or adds the section at the end of the
    // file. key must be one of the keys given when reading.
    void setText(const char* section, const char* key, const QString& value);

    QByteArray toBytes() const;
    // Writes the document to path through a file beside it that is moved into
    // place when complete. False (old file untouched) when the old file could
    // not be read, has changed size since, is read-only, is not a plain file,
    // or writing fails; *error then gets the reason, in the system's words
    // where the system gave one ("Is a directory", "No space left on device").
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Key {
        IniKey names;
        int section = -1;        // index into sections_
        bool found = false;      // present in the source
        bool changed = false;    // line replaced by setText
        bool added = false;      // added by setText (not in the source)
        qint64 textStart = 0;    // the source line's bytes, without its end
        qint64 textEnd = 0;
        QByteArray line;         // the line as it is now
    };
    struct Section {
        const char* name = nullptr;
        bool inSource = false;   // a "[name]" line exists in the source
        qint64 insertAt = 0;     // new keys go at this source offset
        std::vector<int> added;  // keys added there (or in the appended section)
        bool appended = false;   // added at the end of the file
        bool blankBefore = false; // appended after a line that is not blank
    };

    explicit IniDocument(const std::vector<IniKey>& keys);
    int keyIndex(const char* section, const char* key) const;
    bool scan(QIODevice& in);
    void takeLine(QByteArrayView text, bool whole, qint64 start, qint64 textEnd, qint64 end);
    bool writeTo(QIODevice& source, QIODevice& out) const;

    std::vector<Key> keys_;
    std::vector<Section> sections_;
    std::vector<int> appendOrder_;   // appended sections, in order

    // What the scan saw.
    QByteArray data_;                // the contents, for fromBytes()
    QString sourcePath_;             // the file, for load()
    qint64 sourceSize_ = 0;
    bool unreadable_ = false;
    QString readError_;              // why an unreadable file could not be read
    QByteArray newline_ = "\n";      // end of the first line that has one
    bool newlineChosen_ = false;
    bool anyLine_ = false;
    bool lastLineBlank_ = false;
    bool lastLineEnded_ = false;     // the last line has a line end
    int currentSection_ = -1;        // section index the scan is in, or -1
    int firstOpen_ = -1;             // section whose first occurrence is open
    bool inserted_ = false;          // setText added a line somewhere
};

// Integer value text as the reader takes it: trimmed decimal with optional
// sign, or 0x/0X followed by up to 8 hexadecimal digits (taken as 32 bits).
bool ParseIniInteger(const QByteArray& text, int* value);

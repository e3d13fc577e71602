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
#include <QVarLengthArray>
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
    // The same with the value's decimal text.
    void setInteger(const char* section, const char* key, int value);

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
        int section = -1;      // index into sections_
        bool found = false;    // present in the source
        bool changed = false;  // line replaced by setText
        bool added = false;    // added by setText (not in the source)
        qint64 textStart = 0;  // the source line's bytes, without its end
        qint64 textEnd = 0;
        QByteArray line;        // the line in the source, when found
        qsizetype editAt = -1;  // the line as set, in edits_, or -1 when not set
        qsizetype editSize = 0;
    };
    struct Section {
        const char* name = nullptr;
        bool inSource = false;     // a "[name]" line exists in the source
        qint64 insertAt = 0;       // new keys go at this source offset
        int added = 0;             // keys added there (or in the appended section)
        bool appended = false;     // added at the end of the file
        bool blankBefore = false;  // appended after a line that is not blank
    };

    // What is written at a source offset before copying resumes at skipTo: a
    // changed key's line, the lines added to a section, or (neither) the tail.
    struct Patch {
        qint64 at;
        qint64 skipTo;
        int order;    // added lines before a replaced line at the same offset
        int key;      // the changed key, or -1
        int section;  // the section whose added lines these are, or -1
    };
    // Room for the usual number of keys without allocating: documents are
    // made for every read and save (and by the thousand when fuzzed).
    static constexpr qsizetype kInlineKeys = 16;

    explicit IniDocument(const std::vector<IniKey>& keys);
    int keyIndex(const char* section, const char* key) const;
    const Key* present(const char* section, const char* key) const;  // null when missing
    QByteArrayView lineOf(const Key& key) const;                     // the line as it is now
    bool scanFile(QIODevice& in);
    template <typename NextBlock>
    bool scan(qint64 offset, NextBlock nextBlock);
    void takeLine(QByteArrayView text, bool whole, qint64 start, qint64 textEnd, qint64 end);
    void setValue(const char* section, const char* key, QByteArrayView utf8);
    QVarLengthArray<Patch, 2 * kInlineKeys> patches() const;
    template <typename Write>
    void writePatch(const Patch& patch, Write write) const;
    template <typename Write>
    void writeAdded(int section, Write write) const;
    bool writeTo(QIODevice& source, QIODevice& out) const;

    QVarLengthArray<Key, kInlineKeys> keys_;
    QVarLengthArray<Section, kInlineKeys> sections_;
    QVarLengthArray<int, kInlineKeys> added_;        // added keys, in the order they were set
    QVarLengthArray<int, kInlineKeys> appendOrder_;  // appended sections, in order
    QByteArray edits_;                               // the lines setText made, one after another

    // What the scan saw.
    QByteArray data_;     // the contents, for fromBytes()
    QString sourcePath_;  // the file, for load()
    qint64 sourceSize_ = 0;
    bool unreadable_ = false;
    QString readError_;              // why an unreadable file could not be read
    QByteArrayView newline_ = "\n";  // end of the first line that has one
    bool newlineChosen_ = false;
    bool anyLine_ = false;
    bool lastLineBlank_ = false;
    bool lastLineEnded_ = false;  // the last line has a line end
    int currentSection_ = -1;     // section index the scan is in, or -1
    int firstOpen_ = -1;          // section whose first occurrence is open
    bool inserted_ = false;       // setText added a line somewhere
};

// Integer value text as the reader takes it: trimmed decimal with optional
// sign, or 0x/0X followed by up to 8 hexadecimal digits (taken as 32 bits).
bool ParseIniInteger(QByteArrayView text, int* value);

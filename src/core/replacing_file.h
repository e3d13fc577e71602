#pragma once
// Writing a file that replaces another one safely. The new content goes into
// a temporary file in the target's folder, which takes the target's name
// (rename) only once it is complete and on disk, so a failed write leaves any
// old file exactly as it was.
//
// Permissions: every temporary file is created readable and writable by its
// owner only, before a single byte is written, and gets its final mode just
// before it takes the target's name. A Private file (one that holds meter
// keys) keeps the owner bits of the file it replaces and never any group or
// other bit. A Usual file keeps the permissions of the file it replaces, or
// gets the usual ones (0666 less the umask) when it is new.
//
// A target that is a symbolic link is replaced at the file the link leads
// to, so the link stays; a link to a file that does not exist yet makes that
// file. After the rename the folder is flushed to disk as well. Plain code;
// every call blocks on file I/O only.
#include <QByteArray>
#include <QString>

class ReplacingFile {
public:
    enum class Access { Usual, Private };

    ReplacingFile(const QString& target, Access access);
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file with its final permissions. False (see
    // errorString()) when the target is a folder or the file cannot be made.
    bool open();
    // Name of the temporary file, for writers that open a file by name (a
    // PDF printer); valid after open().
    QString temporaryPath() const { return temporary_; }
    // Appends bytes to the temporary file.
    bool write(const QByteArray& bytes);
    // Flushes the temporary file to disk, gives it its final mode and moves
    // it over the target, then flushes the folder. False when the folder
    // could not be flushed although the file has taken the name.
    bool commit();
    // The system's reason for the last failure.
    QString errorString() const { return error_; }

private:
    bool fail(int errorNumber);
    void discard();

    QString target_;
    Access access_;
    QString temporary_;
    int fd_ = -1;
    unsigned finalMode_ = 0;
    QString error_;
};

// Writes bytes to path as ReplacingFile does. False, with the reason in
// *error, when any step fails; the old file is then untouched.
bool WriteReplacingFile(const QString& path, const QByteArray& bytes, ReplacingFile::Access access,
                        QString* error = nullptr);

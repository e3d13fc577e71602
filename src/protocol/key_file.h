#pragma once
// Meter makers' key files: the AES-128 keys of a shipment of meters in one
// file. The kind is found from the content, never from the name:
//   - a zip archive (by its signature): every entry that is a KEM document;
//   - XML (by its first element): a KEM document, either an XML Encryption
//     document (EncryptedData) whose CipherValue is AES-128-CBC ciphertext
//     under the password, or its plain text (MetersInOrder or Devices);
//   - the meter list file of this program (see LooksLikeMeterList);
//   - otherwise a plain key list: one meter a line, an 8-digit meter ID and a
//     32-hex-digit key, optionally after a 3-letter manufacturer code.
// Plain code over bytes; decrypted text never leaves memory and is wiped
// once read. Thread-safe (no shared state).
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace KeyFile {

// No key file of a shipment comes near this; a file, and each zip entry as
// it inflates, is read up to here and refused beyond.
inline constexpr qint64 kMaxBytes = 64LL * 1024 * 1024;
// The password is the AES-128 key itself: its UTF-8 bytes, zero-padded.
inline constexpr int kMaxPasswordBytes = 16;

enum class Kind { KeyList, MeterList, Xml, Zip };

struct Meter {
    QString id;          // 8 digits
    QString key;         // 32 upper-case hexadecimal digits
    QString medium;      // a medium box name, or empty
    QString fileMedium;  // the consumption type as the file wrote it, or empty
    QString where;       // "line 4", "shipment.kem, line 12"
};

struct Skipped {
    QString where;
    QString reason;
};

enum class Status {
    Read,             // meters, skipped and conflicts hold the content
    NotKeyFile,       // nothing in it is a key file of a known kind
    NoKemEntry,       // a zip without a KEM document
    EncryptedEntry,   // a zip entry encrypted by the zip itself
    TooLarge,         // the file or an entry is over the limit
    PasswordNeeded,   // encrypted, and no password was given
    PasswordTooLong,  // over kMaxPasswordBytes
    WrongPassword,    // the decrypted text is not a key document
    ReadError,        // the file cannot be read
};

struct Result {
    Status status = Status::ReadError;
    QString message;  // for every status but Read: one line saying why
    bool encrypted = false;
    // Each meter once, in file order. A meter given twice with the same key
    // is kept once; one given with different keys is not here but in
    // conflicts, every occurrence, and in skipped.
    std::vector<Meter> meters;
    std::vector<Meter> conflicts;
    std::vector<Skipped> skipped;
};

struct Options {
    QByteArray password;                      // UTF-8; empty for none
    QString separator = QStringLiteral(";");  // of this program's meter list files
    qint64 maxBytes = kMaxBytes;
};

Kind DetectKind(const QByteArray& bytes, const QString& separator);

// Whether text is this program's own meter list file rather than a key list:
// its first line has at least three fields, the first a row number (or
// empty), the third not a key.
bool LooksLikeMeterList(const QString& text, const QString& separator);

Result ReadBytes(const QByteArray& bytes, const Options& options);
// A folder, device, pipe or socket is refused unread; the file is read up to
// options.maxBytes whatever size it claims.
Result ReadFile(const QString& path, const Options& options);

// The kind of a regular file from its first bytes; nullopt for anything
// that is not a regular file that can be read.
std::optional<Kind> DetectFileKind(const QString& path, const QString& separator);

// Overwrites the bytes (or characters) before they are released.
void Wipe(QByteArray& bytes);
void Wipe(QString& text);

}  // namespace KeyFile

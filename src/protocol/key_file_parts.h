#pragma once
// The readers of each kind of key file, behind KeyFile::ReadBytes. Each one
// collects the entries as the file wrote them; key_file.cpp checks them and
// settles the meters given more than once.
#include "protocol/key_file.h"

namespace KeyFile::Detail {

// One meter as the file wrote it.
struct Entry {
    QString id;
    QString key;   // hexadecimal digits as written; group marks already removed
    QString type;  // consumption type, or empty
    QString where;
};

struct Collected {
    std::vector<Entry> entries;
    std::vector<Skipped> skipped;
    bool encrypted = false;
};

// Status::Read, or a refusal with its line in *message.
using Refusal = std::pair<Status, QString>;
inline Refusal Accepted()
{
    return {Status::Read, {}};
}

// The first element of an XML document names a key document (an
// EncryptedData, MetersInOrder or Devices element); a document type
// declaration never does.
bool IsKemDocument(const QByteArray& head);
// A KEM document, encrypted or plain; `prefix` goes before every place named.
Refusal ReadKemDocument(const QByteArray& bytes, const QString& prefix, const QByteArray& password, Collected* out);
// Every KEM entry of a zip archive.
Refusal ReadZip(const QByteArray& bytes, const Options& options, Collected* out);
// A plain key list; false when no line of it looks like a meter.
bool ReadKeyList(const QString& text, Collected* out);

}  // namespace KeyFile::Detail

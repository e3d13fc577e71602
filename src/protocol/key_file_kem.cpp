// KEM documents. The encrypted form is an XML Encryption document whose
// CipherValue is the base64 text of AES-128-CBC ciphertext; the key is the
// password's UTF-8 bytes padded with zero bytes to 16, and the IV is the key
// itself (there is no IV block in front of the ciphertext). The padding is
// the XML Encryption kind: the last byte N (1 to 16) counts the pad bytes,
// the others may be anything, so a PKCS#7 check would refuse good files.
// The plain text comes in two shapes:
//   MetersInOrder/Meter: SerialNo (or MeterNo), ConsumptionType, EncKeys/DEK
//   Devices/Device: DeviceId/SerialNumber, ConsumptionTypeName,
//                   Keys/Key with Name (DEK) and Value
// Elements are matched by local name; a document type declaration is refused,
// so no entity is ever expanded and nothing is ever fetched.
#include "protocol/key_file_parts.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

namespace KeyFile::Detail {

namespace {

constexpr int kBlock = 16;

const QString kWrongPassword = QStringLiteral("wrong password, or not a key file of this kind");

// Moves to the first element; false at a document type declaration, an
// error or the end.
bool ToFirstElement(QXmlStreamReader& r)
{
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement: return true;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::Invalid: return false;
        default: break;
        }
    }
    return false;
}

bool IsShape(QStringView root)
{
    return root == u"MetersInOrder" || root == u"Devices";
}

QString Place(const QString& prefix, qint64 line)
{
    return prefix + QStringLiteral("line %1").arg(line);
}

// One Meter or Device element, the reader on its start; leaves it on its end.
Entry ReadRecord(QXmlStreamReader& r, const QString& prefix)
{
    Entry e;
    e.where = Place(prefix, r.lineNumber());
    QString serialNo, meterNo, keyName, keyValue;
    int depth = 1;
    while (depth > 0 && !r.atEnd()) {
        const QXmlStreamReader::TokenType t = r.readNext();
        if (t == QXmlStreamReader::EndElement) {
            if (r.name() == u"Key" && keyName.trimmed().compare(u"DEK", Qt::CaseInsensitive) == 0)
                e.key = keyValue.trimmed();
            --depth;
            continue;
        }
        if (t != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = r.name();
        QString* field = name == u"SerialNo" || name == u"SerialNumber"    ? &serialNo
            : name == u"MeterNo"                                           ? &meterNo
            : name == u"ConsumptionType" || name == u"ConsumptionTypeName" ? &e.type
            : name == u"DEK"                                               ? &e.key
            : name == u"Name"                                              ? &keyName
            : name == u"Value"                                             ? &keyValue
                                                                           : nullptr;
        if (name == u"Key")
            keyName.clear(), keyValue.clear();
        if (!field) {
            ++depth;
            continue;
        }
        *field = r.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
    }
    e.id = serialNo.isEmpty() ? meterNo : serialNo;
    KeyFile::Wipe(keyValue);
    return e;
}

// The records of a plain KEM document. False when it is not well formed or
// not one of the two shapes.
bool ReadShapes(const QByteArray& bytes, const QString& prefix, Collected* out)
{
    QXmlStreamReader r(bytes);
    if (!ToFirstElement(r) || !IsShape(r.name()))
        return false;
    const QString record = r.name() == u"MetersInOrder" ? QStringLiteral("Meter") : QStringLiteral("Device");
    std::vector<Entry> entries;
    while (r.readNextStartElement()) {
        if (r.name() == record)
            entries.push_back(ReadRecord(r, prefix));
        else
            r.skipCurrentElement();
    }
    while (!r.atEnd())
        r.readNext();
    if (r.hasError()) {
        for (Entry& e : entries)
            KeyFile::Wipe(e.key);
        return false;
    }
    for (Entry& e : entries)
        out->entries.push_back(std::move(e));
    return true;
}

// The base64 text of the first CipherValue, or empty.
QByteArray CipherText(const QByteArray& bytes)
{
    QXmlStreamReader r(bytes);
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::DTD)
            return {};
        if (r.isStartElement() && r.name() == u"CipherValue")
            return r.readElementText().toLatin1();
    }
    return {};
}

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// AES-128-CBC with the password as key and IV, padding check off; then the
// N-byte padding rule. False when the text cannot be the plain text.
bool Decrypt(const QByteArray& cipher, const QByteArray& password, QByteArray* plain)
{
    if (cipher.isEmpty() || cipher.size() % kBlock != 0)
        return false;
    unsigned char key[kBlock] = {};
    std::memcpy(key, password.constData(), size_t(password.size()));
    std::unique_ptr<EVP_CIPHER_CTX, CipherFree> ctx(EVP_CIPHER_CTX_new());
    plain->resize(cipher.size() + kBlock);
    int done = 0, last = 0;
    const bool ok = ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, key, key) == 1
        && EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1
        && EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plain->data()), &done,
                             reinterpret_cast<const unsigned char*>(cipher.constData()), int(cipher.size()))
            == 1
        && EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(plain->data()) + done, &last) == 1;
    OPENSSL_cleanse(key, sizeof key);
    const int length = done + last;
    const int pad = length > 0 ? uchar(plain->at(length - 1)) : 0;
    if (!ok || pad < 1 || pad > kBlock || pad > length) {
        KeyFile::Wipe(*plain);
        return false;
    }
    OPENSSL_cleanse(plain->data() + length - pad, size_t(plain->size() - length + pad));
    plain->truncate(length - pad);
    return true;
}

bool IsUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    const bool ok = !decoder.hasError();
    KeyFile::Wipe(text);
    return ok;
}

}  // namespace

bool IsKemDocument(const QByteArray& head)
{
    QXmlStreamReader r(head);
    return ToFirstElement(r) && (r.name() == u"EncryptedData" || IsShape(r.name()));
}

Refusal ReadKemDocument(const QByteArray& bytes, const QString& prefix, const QByteArray& password, Collected* out)
{
    QXmlStreamReader r(bytes);
    if (ToFirstElement(r) && IsShape(r.name())) {
        if (!ReadShapes(bytes, prefix, out))
            return {Status::NotKeyFile, QStringLiteral("not a key file: %1the XML is damaged").arg(prefix)};
        return Accepted();
    }
    out->encrypted = true;
    if (password.isEmpty())
        return {Status::PasswordNeeded, QStringLiteral("the key file is encrypted: a password is needed")};
    if (password.size() > kMaxPasswordBytes)
        return {Status::PasswordTooLong, QStringLiteral("the password is longer than %1 bytes").arg(kMaxPasswordBytes)};
    QByteArray base64 = CipherText(bytes);
    base64.replace(' ', QByteArray()).replace('\t', QByteArray()).replace('\r', QByteArray());
    base64.replace('\n', QByteArray());
    const auto decoded = QByteArray::fromBase64Encoding(
        base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {Status::NotKeyFile, QStringLiteral("not a key file: %1no readable CipherValue").arg(prefix)};
    QByteArray plain;
    bool read = Decrypt(decoded.decoded, password, &plain) && IsUtf8(plain) && ReadShapes(plain, prefix, out);
    KeyFile::Wipe(plain);
    return read ? Accepted() : Refusal{Status::WrongPassword, kWrongPassword};
}

}  // namespace KeyFile::Detail

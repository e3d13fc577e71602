#include "protocol/hex.h"

namespace {
const char kDigits[] = "0123456789ABCDEF";
}

QString HexDump(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += QLatin1Char(kDigits[b >> 4]);
        out += QLatin1Char(kDigits[b & 0x0F]);
        out += QLatin1Char(' ');
    }
    return out;
}

QString IdentifierText(const QByteArray& bytes, int offset)
{
    if (offset < 0 || bytes.size() < qsizetype(offset) + 4)
        return QString();
    QString out;
    out.reserve(8);
    for (int i = 3; i >= 0; --i) {
        const auto b = static_cast<unsigned char>(bytes[offset + i]);
        out += QLatin1Char(kDigits[b >> 4]);
        out += QLatin1Char(kDigits[b & 0x0F]);
    }
    return out;
}

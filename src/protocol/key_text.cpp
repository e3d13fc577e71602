#include "protocol/key_text.h"

#include <algorithm>

namespace {

constexpr int kKeyTextLength = 32;

// Digit value of a hexadecimal character of either case, or -1.
int HexDigit(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

bool IsUpperHex(QChar ch)
{
    const char16_t c = ch.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

void Log(const LogFn& log, const QString& line)
{
    if (log)
        log(line);
}

}  // namespace

std::int32_t HexTextValue(const QString& text, bool* ok, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (ok)
            *ok = false;
        if (error)
            *error = reason;
        return std::int32_t(0);
    };
    if (text.size() != 8)
        return fail(QStringLiteral("Hex value must have 8 digits"));

    std::uint32_t sum = 0;
    for (int i = 0; i < 8; ++i) {
        const int digit = HexDigit(text.at(i));
        if (digit < 0)
            return fail(QStringLiteral("'%1' is not a valid integer value").arg(text.at(i)));
        sum = (sum << 4) | std::uint32_t(digit);
    }
    if (ok)
        *ok = true;
    if (error)
        error->clear();
    // Two's-complement reading of the 32 bits (well defined since C++20).
    return static_cast<std::int32_t>(sum);
}

QByteArray KeyBytesFromText(const QString& text, const LogFn& log)
{
    if (text.size() != kKeyTextLength) {
        Log(log, QStringLiteral("Encryption key must be 16 bytes exactly (32 symbols), skipping..."));
        return {};
    }
    for (const QChar ch : text) {
        if (!IsUpperHex(ch)) {
            Log(log, QStringLiteral("Wrong HEX key, 0..F uppercase allowed only"));
            return {};
        }
    }
    QByteArray key;
    key.reserve(kKeyTextLength / 2);
    for (int k = 0; k < kKeyTextLength; k += 2) {
        bool ok = false;
        const std::int32_t value = HexTextValue(QStringLiteral("000000") + text.mid(k, 2), &ok);
        if (!ok)  // cannot happen after the character check; refuse rather than guess
            return {};
        key.append(char(value & 0xFF));
    }
    return key;
}

bool IsKeyText(const QString& text)
{
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
           });
}

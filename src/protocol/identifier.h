#pragma once
// Identifier encoding and the 16-byte command head.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

using LogFn = std::function<void(const QString&)>;

// The four packed-BCD bytes of an 8-digit identifier text, last digit pair
// first ("01020304" -> 04 03 02 01; "FFFFFFFF" -> FF FF FF FF). Characters
// after the eighth are ignored. When the text does not convert the result is
// empty and one line is logged: "Error in ZUDozad ID, exception " + reason,
// where the reason is "ID must have 8 digits" for a text shorter than eight
// characters, otherwise "'c' is not a valid integer value" naming the first
// bad character in the order d7, d8, d5, d6, d3, d4, d1, d2. `log` may be
// empty (nothing is logged then). Pure; never throws but for allocation.
QByteArray EncodeIdentifier(const QString& text, const LogFn& log);

// Whether text is an identifier a user may give: exactly 8 ASCII digits.
bool IsIdentifierText(const QString& text);

// The command frame head for `zelkId` and length byte `L`: 68 L 06 DA 46,
// the encoded ZELK ID, 00 1B 7A 00 00 00 00. Empty when the ZELK ID does
// not convert (the reason is logged by EncodeIdentifier).
QByteArray BuildTelegramHeader(const QString& zelkId, std::uint8_t L, const LogFn& log);

// Size of the command head; the body of a command starts at this offset.
inline constexpr int kTelegramHeaderSize = 16;

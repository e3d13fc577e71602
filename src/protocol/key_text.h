#pragma once
// AES-128 key text conversion. Keys are only carried, never used for ciphers.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

using LogFn = std::function<void(const QString&)>;

// 32 characters 0-9/A-F to 16 bytes, first pair first. Wrong length logs
// "Encryption key must be 16 bytes exactly (32 symbols), skipping...", a bad
// character logs "Wrong HEX key, 0..F uppercase allowed only"; both give empty.
// The length is checked first, so a text of the wrong length gets only the
// first line. `log` may be empty. Pure; never throws but for allocation.
QByteArray KeyBytesFromText(const QString& text, const LogFn& log);

// Whether text is a key as a user may write it: exactly 32 hexadecimal
// characters, either case (KeyBytesFromText takes its upper-case form).
bool IsKeyText(const QString& text);

// Eight hexadecimal characters (either case) to a signed 32-bit value
// ("FFFFFFFF" -> -1, "80000000" -> -2147483648). On a character that is
// neither a hex letter nor a digit, *ok is false and *error holds
// "'c' is not a valid integer value" naming the first such character; on a
// text that is not 8 characters, *ok is false and *error holds
// "Hex value must have 8 digits". The result is 0 on failure. `ok` and
// `error` may be null.
std::int32_t HexTextValue(const QString& text, bool* ok, QString* error = nullptr);

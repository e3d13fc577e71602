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
QByteArray KeyBytesFromText(const QString& text, const LogFn& log);

// Eight hexadecimal characters (either case) to a signed 32-bit value
// ("FFFFFFFF" -> -1). On a character that is neither a hex letter nor a
// digit, or a text that is not 8 characters, *ok is false, *error holds the
// conversion error text and the result is 0.
std::int32_t HexTextValue(const QString& text, bool* ok, QString* error = nullptr);

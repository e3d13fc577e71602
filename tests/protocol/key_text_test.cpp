// AES key text and eight-digit hexadecimal values.
#include "protocol/key_text.h"
#include "support/recording_sink.h"

#include <gtest/gtest.h>

namespace {

const QString kLengthLine = "Encryption key must be 16 bytes exactly (32 symbols), skipping...";
const QString kCharLine = "Wrong HEX key, 0..F uppercase allowed only";

struct Converted {
    QByteArray key;
    QStringList lines;
};

Converted Convert(const QString& text)
{
    Converted c;
    c.key = KeyBytesFromText(text, [&](const QString& line) { c.lines << line; });
    return c;
}

TEST(KeyBytesFromText, FirstPairFirstHighDigitFirst)
{
    const Converted c = Convert("000102030405060708090A0B0C0D3CFF");
    EXPECT_TRUE(c.lines.isEmpty());
    EXPECT_EQ(c.key,
              Bytes({0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x3C, 0xFF}));
    EXPECT_EQ(Convert("00000000000000000000000000000000").key, QByteArray(16, '\0'));
    EXPECT_EQ(Convert("FEDCBA9876543210FEDCBA9876543210").key,
              Bytes({0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}));
}

TEST(KeyBytesFromText, BadCharacterRefused)
{
    const QString good = "000102030405060708090A0B0C0D0E0F";
    for (const char* bad : {"a", ":", " ", "G", "f"}) {
        for (int pos : {0, 17, 31}) {
            QString text = good;
            text[pos] = QLatin1Char(bad[0]);
            const Converted c = Convert(text);
            EXPECT_TRUE(c.key.isEmpty()) << bad << pos;
            EXPECT_EQ(c.lines, QStringList{kCharLine}) << bad << pos;
        }
    }
    QString unicode = good;
    unicode[5] = QChar(0x0661);  // a digit to Unicode, not to a key
    EXPECT_EQ(Convert(unicode).lines, QStringList{kCharLine});
}

TEST(KeyBytesFromText, LengthCheckedFirst)
{
    for (const QString& text :
         {QString(), QString(31, 'A'), QString(33, 'A'), QString(31, 'g'), QString(33, ':'), QString(16, '0')}) {
        const Converted c = Convert(text);
        EXPECT_TRUE(c.key.isEmpty()) << text.size();
        EXPECT_EQ(c.lines, QStringList{kLengthLine}) << text.size();
    }
}

TEST(HexTextValue, SignedThirtyTwoBits)
{
    struct Case {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"FFFFFFFF", -1},  {"7FFFFFFF", 2147483647}, {"80000000", -2147483647 - 1},
        {"000000FF", 255}, {"0000000A", 10},         {"0000000a", 10},
        {"00000000", 0},   {"12345678", 0x12345678}, {"deadBEEF", std::int32_t(0xDEADBEEFu)},
        {"00000100", 256},
    };
    for (const Case& c : cases) {
        bool ok = false;
        QString error = "stale";
        EXPECT_EQ(HexTextValue(c.text, &ok, &error), c.value) << c.text;
        EXPECT_TRUE(ok) << c.text;
        EXPECT_TRUE(error.isEmpty()) << c.text;
    }
}

TEST(HexTextValue, Failures)
{
    bool ok = true;
    QString error;
    EXPECT_EQ(HexTextValue("0000000G", &ok, &error), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "'G' is not a valid integer value");

    ok = true;
    EXPECT_EQ(HexTextValue("-0000001", &ok, &error), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "'-' is not a valid integer value");

    for (const char* text : {"", "FF", "0000000", "000000000"}) {
        ok = true;
        error.clear();
        EXPECT_EQ(HexTextValue(text, &ok, &error), 0) << text;
        EXPECT_FALSE(ok) << text;
        EXPECT_EQ(error, "Hex value must have 8 digits") << text;
    }
    // Null out-parameters are allowed.
    EXPECT_EQ(HexTextValue("zzzzzzzz", nullptr), 0);
    EXPECT_EQ(HexTextValue("0000001F", nullptr, nullptr), 31);
}

}  // namespace

// Faults: a key check that refuses small letters, lets through 31 or 33
// characters, or a character just outside 0-9, A-F, a-f.
TEST(IsKeyText, ThirtyTwoHexDigitsEitherCase)
{
    const QString key = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    for (auto [text, ok] : {std::pair{key, true},
                            {key.toLower(), true},
                            {key.left(31), false},
                            {key + u'0', false},
                            {key.left(31) + u'G', false},
                            {key.left(31) + u'g', false},
                            {key.left(31) + u'@', false},
                            {key.left(31) + u'`', false},
                            {key.left(31) + u':', false}})
        EXPECT_EQ(IsKeyText(text), ok) << text.toStdString();
}

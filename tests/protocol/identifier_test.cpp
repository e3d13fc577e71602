// Identifier encoding and the command head.
#include "protocol/identifier.h"
#include "support/recording_sink.h"

#include <gtest/gtest.h>

namespace {

struct Encoded {
    QByteArray bytes;
    QStringList lines;
};

Encoded Encode(const QString& text)
{
    Encoded e;
    e.bytes = EncodeIdentifier(text, [&](const QString& line) { e.lines << line; });
    return e;
}

TEST(EncodeIdentifier, DigitPairsGoLastPairFirst)
{
    EXPECT_EQ(Encode("01020304").bytes, Bytes({0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Encode("87654321").bytes, Bytes({0x21, 0x43, 0x65, 0x87}));
    EXPECT_EQ(Encode("00000000").bytes, Bytes({0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Encode("99999999").bytes, Bytes({0x99, 0x99, 0x99, 0x99}));
    EXPECT_TRUE(Encode("12345678").lines.isEmpty());
}

TEST(EncodeIdentifier, EightUpperCaseFsAreTheEmptySlot)
{
    const Encoded e = Encode("FFFFFFFF");
    EXPECT_EQ(e.bytes, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(e.lines.isEmpty());
}

TEST(EncodeIdentifier, CharactersAfterTheEighthAreIgnored)
{
    EXPECT_EQ(Encode("123456789").bytes, Bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Encode("12345678xyz").bytes, Bytes({0x78, 0x56, 0x34, 0x12}));
    // Only the exact text maps to FF FF FF FF; nine Fs are converted digit by digit.
    const Encoded nineFs = Encode("FFFFFFFFF");
    EXPECT_TRUE(nineFs.bytes.isEmpty());
    EXPECT_EQ(nineFs.lines, QStringList{"Error in ZUDozad ID, exception 'F' is not a valid integer value"});
}

TEST(EncodeIdentifier, BadCharacterIsNamedInWireOrder)
{
    struct Case {
        const char* text;
        const char* named;
    } cases[] = {
        {"ffffffff", "f"}, {"A234567B", "B"},                     // last pair first: B before A
        {"A2345678", "A"}, {"1234567B", "B"}, {"12345X78", "X"},  // d6 comes after d7, d8
        {"1234X6Y8", "Y"},                                        // d7 before d5
        {"12 45678", " "}, {"-1234567", "-"}, {"1234567\xE9", "\xC3\xA9"},
    };
    for (const Case& c : cases) {
        const Encoded e = Encode(QString::fromLatin1(c.text));
        EXPECT_TRUE(e.bytes.isEmpty()) << c.text;
        EXPECT_EQ(e.lines,
                  QStringList{QString("Error in ZUDozad ID, exception '%1' is not a valid integer value")
                                  .arg(QString::fromUtf8(c.named))})
            << c.text;
    }
}

TEST(EncodeIdentifier, ShortTextNeedsEightDigits)
{
    for (const char* text : {"1234567", "", "1", "abcdefg"}) {
        const Encoded e = Encode(text);
        EXPECT_TRUE(e.bytes.isEmpty()) << text;
        EXPECT_EQ(e.lines, QStringList{"Error in ZUDozad ID, exception ID must have 8 digits"}) << text;
    }
}

TEST(EncodeIdentifier, NonAsciiDigitsAreRefused)
{
    // ARABIC-INDIC DIGIT ONE is a digit to Unicode but not to the receiver.
    QString text = "1234567";
    text += QChar(0x0661);
    EXPECT_TRUE(Encode(text).bytes.isEmpty());
    // A full-width zero likewise.
    text = "1234567";
    text += QChar(0xFF10);
    EXPECT_TRUE(Encode(text).bytes.isEmpty());
}

TEST(EncodeIdentifier, EmptyLoggerIsAllowed)
{
    EXPECT_TRUE(EncodeIdentifier("bad", LogFn()).isEmpty());
    EXPECT_EQ(EncodeIdentifier("01020304", LogFn()), Bytes({0x04, 0x03, 0x02, 0x01}));
}

TEST(BuildTelegramHeader, HeadForLength20)
{
    QStringList lines;
    const QByteArray head = BuildTelegramHeader("01020304", 20, [&](const QString& l) { lines << l; });
    EXPECT_EQ(head,
              Bytes({0x68, 0x14, 0x06, 0xDA, 0x46, 0x04, 0x03, 0x02, 0x01, 0x00, 0x1B, 0x7A, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(BuildTelegramHeader("FFFFFFFF", 0xFF, LogFn()),
              Bytes({0x68, 0xFF, 0x06, 0xDA, 0x46, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x1B, 0x7A, 0x00, 0x00, 0x00, 0x00}));
}

TEST(BuildTelegramHeader, BadZelkIdGivesNoHead)
{
    QStringList lines;
    EXPECT_TRUE(BuildTelegramHeader("0102030X", 20, [&](const QString& l) { lines << l; }).isEmpty());
    EXPECT_EQ(lines, QStringList{"Error in ZUDozad ID, exception 'X' is not a valid integer value"});
}

}  // namespace

// Faults: a user's ID check that lets through 7 or 9 digits, a letter, a
// character just outside 0-9, or the empty slot's FFFFFFFF.
TEST(IsIdentifierText, ExactlyEightAsciiDigits)
{
    for (auto [text, ok] : {std::pair{"01234567", true},
                            {"98765432", true},
                            {"1234567", false},
                            {"123456789", false},
                            {"1234567A", false},
                            {"1234567/", false},
                            {"1234567:", false},
                            {"FFFFFFFF", false}})
        EXPECT_EQ(IsIdentifierText(QString::fromLatin1(text)), ok) << text;
}

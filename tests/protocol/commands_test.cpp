// The twelve command telegrams, pinned byte for byte.
#include "protocol/commands.h"
#include "support/recording_sink.h"

#include <gtest/gtest.h>

namespace {

const QString kZelk = "01020304";

// The command head for ZELK ID 01020304 and length L, then `body`, then 0x16.
QByteArray Frame(int L, std::initializer_list<int> body)
{
    QByteArray f = Bytes({0x68, L, 0x06, 0xDA, 0x46, 0x04, 0x03, 0x02, 0x01, 0x00, 0x1B, 0x7A, 0x00, 0x00, 0x00, 0x00});
    f += Bytes(body);
    f += char(0x16);
    return f;
}

QString IdError(const QString& reason)
{
    return "Error in ZUDozad ID, exception " + reason;
}

QString NotInteger(char c)
{
    return IdError(QString("'%1' is not a valid integer value").arg(QLatin1Char(c)));
}

TEST(CmdAddDeleteMeter, AddAndDelete)
{
    RecordingSink sink;
    CmdAddDeleteMeter(sink, kZelk, "87654321", true);
    CmdAddDeleteMeter(sink, kZelk, "87654321", false);
    ASSERT_EQ(sink.sent.size(), 2);
    EXPECT_EQ(sink.sent[0], Bytes({0x68, 0x16, 0x06, 0xDA, 0x46, 0x04, 0x03, 0x02, 0x01, 0x00, 0x1B, 0x7A, 0x00,
                                   0x00, 0x00, 0x00, 0x0F, 0xFF, 0x01, 0x04, 0x21, 0x43, 0x65, 0x87, 0x16}));
    EXPECT_EQ(sink.sent[1], Bytes({0x68, 0x16, 0x06, 0xDA, 0x46, 0x04, 0x03, 0x02, 0x01, 0x00, 0x1B, 0x7A, 0x00,
                                   0x00, 0x00, 0x00, 0x0F, 0xFF, 0x81, 0x04, 0x21, 0x43, 0x65, 0x87, 0x16}));
    EXPECT_TRUE(sink.lines.isEmpty());

    RecordingSink empty;
    CmdAddDeleteMeter(empty, kZelk, "FFFFFFFF", true);
    EXPECT_EQ(empty.sent, QList<QByteArray>{Frame(22, {0x0F, 0xFF, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0xFF})});
}

TEST(CmdAddDeleteMeter, Refusals)
{
    struct Case {
        const char* zelk;
        const char* meter;
        const char* line;
    } cases[] = {
        {"", "87654321", "Not a valid ZELK-DUV ID set in the field"},
        {"", "", "Not a valid ZELK-DUV ID set in the field"},
        {"01020304", "", "Not a valid meter ID for programming..."},
        {"01020304", "8765432", "Not a valid meter ID for programming..."},
        {"01020304", "876543210", "Not a valid meter ID for programming..."},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        CmdAddDeleteMeter(sink, c.zelk, c.meter, true);
        EXPECT_TRUE(sink.sent.isEmpty()) << c.zelk << "/" << c.meter;
        EXPECT_EQ(sink.lines, QStringList{c.line}) << c.zelk << "/" << c.meter;
    }
}

// A frame must never go out shorter than its length byte says.
TEST(CmdAddDeleteMeter, BadIdentifierSendsNothing)
{
    RecordingSink shortZelk;
    CmdAddDeleteMeter(shortZelk, "0102030", "87654321", true);
    EXPECT_TRUE(shortZelk.sent.isEmpty());
    EXPECT_EQ(shortZelk.lines, QStringList{IdError("ID must have 8 digits")});

    RecordingSink letterZelk;
    CmdAddDeleteMeter(letterZelk, "0102030A", "87654321", true);
    EXPECT_TRUE(letterZelk.sent.isEmpty());
    EXPECT_EQ(letterZelk.lines, QStringList{NotInteger('A')});

    RecordingSink letterMeter;
    CmdAddDeleteMeter(letterMeter, kZelk, "8765432X", false);
    EXPECT_TRUE(letterMeter.sent.isEmpty());
    EXPECT_EQ(letterMeter.lines, QStringList{NotInteger('X')});

    // One line per failed identifier, the ZELK ID first.
    RecordingSink both;
    CmdAddDeleteMeter(both, "0102030A", "8765432X", true);
    EXPECT_TRUE(both.sent.isEmpty());
    EXPECT_EQ(both.lines, (QStringList{NotInteger('A'), NotInteger('X')}));
}

TEST(CmdSetReceiverId, NewIdFrame)
{
    RecordingSink sink;
    CmdSetReceiverId(sink, kZelk, "11223344");
    EXPECT_EQ(sink.sent, QList<QByteArray>{Frame(23, {0x07, 0x79, 0x44, 0x33, 0x22, 0x11, 0xDA, 0x46, 0x1B})});
    ASSERT_EQ(sink.sent.value(0).size(), 26);
    EXPECT_EQ(sink.sent[0][1], char(23));

    RecordingSink badNew;
    CmdSetReceiverId(badNew, kZelk, "1122334");
    EXPECT_TRUE(badNew.sent.isEmpty());
    EXPECT_EQ(badNew.lines, QStringList{IdError("ID must have 8 digits")});

    RecordingSink badCurrent;
    CmdSetReceiverId(badCurrent, "", "11223344");
    EXPECT_TRUE(badCurrent.sent.isEmpty());
    EXPECT_EQ(badCurrent.lines, QStringList{IdError("ID must have 8 digits")});
}

TEST(FixedBodies, FollowUpListAndReset)
{
    RecordingSink sink;
    CmdFollowUp(sink, kZelk);
    CmdGetMeterList(sink, kZelk);
    EXPECT_TRUE(CmdMasterReset(sink, kZelk));
    ASSERT_EQ(sink.sent.size(), 3);
    EXPECT_EQ(sink.sent[0], Frame(20, {0x0F, 0xFF, 0x22, 0x02, 0x01, 0x10}));
    EXPECT_EQ(sink.sent[1], Frame(22, {0x0F, 0xFF, 0x02, 0x04, 0x01, 0x10, 0x00, 0x00}));
    EXPECT_EQ(sink.sent[2], Frame(22, {0x0F, 0xFF, 0x82, 0x04, 0x01, 0x10, 0x00, 0x00}));
    EXPECT_TRUE(sink.lines.isEmpty());
}

TEST(FixedBodies, BadZelkIdSendsNothing)
{
    RecordingSink sink;
    CmdFollowUp(sink, "1234567");
    CmdGetMeterList(sink, "abcdefgh");
    EXPECT_FALSE(CmdMasterReset(sink, "1234567Z"));
    EXPECT_TRUE(sink.sent.isEmpty());
    EXPECT_EQ(sink.lines, (QStringList{IdError("ID must have 8 digits"), NotInteger('g'), NotInteger('Z')}));
}

TEST(CmdSetWirelessMode, ModeBytes)
{
    const QStringList modes = {"Mode T", "Mode S", "Mode C", "Mode T+C"};
    ASSERT_EQ(WirelessModeNames(), modes);
    const int bytes[] = {0x01, 0x03, 0x05, 0x00};
    for (int i = 0; i < modes.size(); ++i) {
        RecordingSink sink;
        EXPECT_TRUE(CmdSetWirelessMode(sink, kZelk, modes[i]));
        EXPECT_EQ(sink.sent, QList<QByteArray>{Frame(19, {0x0F, 0xFF, 0x20, 0x01, bytes[i]})}) << i;
    }
}

TEST(CmdSetWirelessMode, OtherTextsRefusedSilently)
{
    for (const char* mode : {"mode t+c", "", "Mode T ", "Mode X", "T"}) {
        RecordingSink sink;
        EXPECT_FALSE(CmdSetWirelessMode(sink, kZelk, mode)) << mode;
        EXPECT_TRUE(sink.sent.isEmpty()) << mode;
        EXPECT_TRUE(sink.lines.isEmpty()) << mode;
    }
    RecordingSink badZelk;
    EXPECT_FALSE(CmdSetWirelessMode(badZelk, "0102", "Mode T"));
    EXPECT_TRUE(badZelk.sent.isEmpty());
    EXPECT_EQ(badZelk.lines, QStringList{IdError("ID must have 8 digits")});
}

TEST(CmdClockAdjust, LowAndHighBytes)
{
    struct Case {
        const char* text;
        bool on;
        int low;
        int high;
    } cases[] = {
        {"256", true, 0x00, 0x81},    {"511", false, 0xFF, 0x01}, {"300", true, 0x2C, 0x81},
        {"999", false, 0xE7, 0x03},   {"0", false, 0x00, 0x00},   {"0", true, 0x00, 0x80},
        {"+5", false, 0x05, 0x00},    {"-2", false, 0xFE, 0x00},  {"-256", false, 0x00, 0xFF},
        {"65535", false, 0xFF, 0xFF},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        EXPECT_TRUE(CmdClockAdjust(sink, kZelk, c.text, c.on)) << c.text;
        EXPECT_EQ(sink.sent, QList<QByteArray>{Frame(20, {0x0F, 0xFF, 0x32, 0x02, c.low, c.high})}) << c.text;
    }
}

TEST(CmdClockAdjust, NotAnIntegerOrMinusOne)
{
    for (const char* text : {"-1", "abc", "", "-", "12a", " 12", "0x10", "1.5", "2147483648", "-2147483649"}) {
        RecordingSink sink;
        EXPECT_FALSE(CmdClockAdjust(sink, kZelk, text, true)) << text;
        EXPECT_TRUE(sink.sent.isEmpty()) << text;
        EXPECT_TRUE(sink.lines.isEmpty()) << text;
    }
    RecordingSink extremes;
    EXPECT_TRUE(CmdClockAdjust(extremes, kZelk, "2147483647", false));
    EXPECT_TRUE(CmdClockAdjust(extremes, kZelk, "-2147483648", false));
    EXPECT_EQ(extremes.sent.size(), 2);

    RecordingSink badZelk;
    EXPECT_FALSE(CmdClockAdjust(badZelk, "", "256", true));
    EXPECT_TRUE(badZelk.sent.isEmpty());
    EXPECT_EQ(badZelk.lines.size(), 1);
}

TEST(CmdSetMeterKey, KeyFrame)
{
    RecordingSink sink;
    const QByteArray key = Bytes(
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF});
    CmdSetMeterKey(sink, kZelk, "87654321", key);
    EXPECT_EQ(sink.sent,
              QList<QByteArray>{Frame(38, {0x0F, 0xFF, 0x0A, 0x14, 0x21, 0x43, 0x65, 0x87, 0x00, 0x11, 0x22, 0x33,
                                           0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF})});
    ASSERT_EQ(sink.sent.value(0).size(), 41);
    EXPECT_TRUE(sink.lines.isEmpty());
}

TEST(CmdSetMeterKey, KeyNotSixteenBytes)
{
    for (const QByteArray& key : {QByteArray(), QByteArray(15, 'k'), QByteArray(17, 'k')}) {
        RecordingSink sink;
        CmdSetMeterKey(sink, kZelk, "87654321", key);
        EXPECT_TRUE(sink.sent.isEmpty()) << key.size();
        EXPECT_EQ(sink.lines, QStringList{"Error in AES key for 87654321"}) << key.size();
    }
    RecordingSink badMeter;
    CmdSetMeterKey(badMeter, kZelk, "8765432", QByteArray(16, '\x01'));
    EXPECT_TRUE(badMeter.sent.isEmpty());
    EXPECT_EQ(badMeter.lines, QStringList{IdError("ID must have 8 digits")});
}

TEST(CmdSetMeterMedium, MediumFrame)
{
    RecordingSink sink;
    CmdSetMeterMedium(sink, kZelk, "87654321", 0x16);
    CmdSetMeterMedium(sink, kZelk, "87654321", 0x0F);
    CmdSetMeterMedium(sink, kZelk, "87654321", 0x1234);  // only the low byte travels
    ASSERT_EQ(sink.sent.size(), 3);
    EXPECT_EQ(sink.sent[0], Frame(23, {0x0F, 0xFF, 0x28, 0x05, 0x21, 0x43, 0x65, 0x87, 0x16}));
    EXPECT_EQ(sink.sent[1], Frame(23, {0x0F, 0xFF, 0x28, 0x05, 0x21, 0x43, 0x65, 0x87, 0x0F}));
    EXPECT_EQ(sink.sent[2], Frame(23, {0x0F, 0xFF, 0x28, 0x05, 0x21, 0x43, 0x65, 0x87, 0x34}));

    // Other meter-ID commands take the first eight characters of a longer text.
    RecordingSink nine;
    CmdSetMeterMedium(nine, kZelk, "876543219", 0x07);
    EXPECT_EQ(nine.sent, QList<QByteArray>{Frame(23, {0x0F, 0xFF, 0x28, 0x05, 0x21, 0x43, 0x65, 0x87, 0x07})});

    RecordingSink bad;
    CmdSetMeterMedium(bad, kZelk, "8765432", 0x07);
    EXPECT_TRUE(bad.sent.isEmpty());
    EXPECT_EQ(bad.lines, QStringList{IdError("ID must have 8 digits")});
}

TEST(CmdSetReceiverFlag, FlagNumbers)
{
    const QStringList names = {"REPEATER",   "HOP COUNT",  "ENCRPYT Own", "SHOW TIME",
                               "ONLY TOTAL", "SHOW DEBUG", "OUT 512Hz",   "SHOW LOGIN ID"};
    ASSERT_EQ(ReceiverFlagNames(), names);
    const int numbers[] = {0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B};
    for (int i = 0; i < names.size(); ++i) {
        RecordingSink sink;
        CmdSetReceiverFlag(sink, kZelk, names[i], i % 2 == 0);
        EXPECT_EQ(sink.sent,
                  QList<QByteArray>{Frame(22, {0x0F, 0xFF, 0x05, 0x04, numbers[i], i % 2 == 0 ? 1 : 0, 0x00, 0x00})})
            << i;
    }
}

TEST(CmdSetReceiverFlag, LoginIdAndUnknownNames)
{
    RecordingSink sink;
    CmdSetReceiverFlag(sink, kZelk, "SHOW LOGIN ID", true);
    CmdSetReceiverFlag(sink, kZelk, "", true);
    CmdSetReceiverFlag(sink, kZelk, "repeater", false);
    ASSERT_EQ(sink.sent.size(), 3);
    EXPECT_EQ(sink.sent[0], Frame(22, {0x0F, 0xFF, 0x05, 0x04, 0x0B, 0x01, 0x00, 0x00}));
    EXPECT_EQ(sink.sent[1], Frame(22, {0x0F, 0xFF, 0x05, 0x04, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(sink.sent[2], Frame(22, {0x0F, 0xFF, 0x05, 0x04, 0x00, 0x00, 0x00, 0x00}));
}

TEST(CmdReadStatus, MinuteThenHour)
{
    RecordingSink sink;
    CmdReadStatus(sink, kZelk, QTime(14, 7));
    CmdReadStatus(sink, kZelk, QTime(0, 0));
    CmdReadStatus(sink, kZelk, QTime(23, 59, 59));
    ASSERT_EQ(sink.sent.size(), 3);
    EXPECT_EQ(sink.sent[0], Frame(20, {0x04, 0x6D, 0x07, 0x0E, 0x01, 0x01}));
    EXPECT_EQ(sink.sent[1], Frame(20, {0x04, 0x6D, 0x00, 0x00, 0x01, 0x01}));
    EXPECT_EQ(sink.sent[2], Frame(20, {0x04, 0x6D, 0x3B, 0x17, 0x01, 0x01}));

    // Without a time the local clock is read: the bytes stay in range.
    RecordingSink now;
    CmdReadStatus(now, kZelk);
    ASSERT_EQ(now.sent.size(), 1);
    EXPECT_LE(std::uint8_t(now.sent[0][18]), 59);
    EXPECT_LE(std::uint8_t(now.sent[0][19]), 23);
}

TEST(CmdReadMeterKey, ReadKeyFrame)
{
    RecordingSink sink;
    CmdReadMeterKey(sink, kZelk, "87654321");
    EXPECT_EQ(sink.sent, QList<QByteArray>{Frame(22, {0x0F, 0xFF, 0x8A, 0x04, 0x21, 0x43, 0x65, 0x87})});

    RecordingSink bad;
    CmdReadMeterKey(bad, kZelk, "ABCDEFGH");
    EXPECT_TRUE(bad.sent.isEmpty());
    EXPECT_EQ(bad.lines, QStringList{NotInteger('G')});
}

}  // namespace

// Status, error, meter list and key read-back replies decoded from their bytes.
#include "protocol/reply_decoders.h"

#include "protocol/support/fake_reply_target.h"
#include "protocol/support/recording_sink.h"

#include <gtest/gtest.h>

namespace {

QByteArray ErrorReply(int code)
{
    return ReplyFrame(RawBytes({0x01, 0xFD, 0x17, code, 0x00, 0x00}));
}

// Status reply: 0F FF 06 04 <ids> xx xx <mode> <flag record head> <flags> xx xx xx
QByteArray StatusReply(int ids, int mode, int flags, bool flagHead = true)
{
    QByteArray body = RawBytes({0x0F, 0xFF, 0x06, 0x04, ids, 0x00, 0x00, mode});
    body += flagHead ? RawBytes({0x0F, 0xFF, 0x05, 0x04}) : RawBytes({0x0F, 0xFF, 0x05, 0x05});
    body += RawBytes({flags, 0x00, 0x00, 0x00});
    return ReplyFrame(body);  // 33 bytes
}

QStringList StatusLines(const QString& zelkId, const QString& ids, const QString& mode)
{
    return {QStringLiteral("ZELK-DUV ") + zelkId + QStringLiteral(" info: "),
            QStringLiteral("Currently used IDs: ") + ids, QStringLiteral("Current wireless mode: ") + mode,
            QStringLiteral("--------------------------------")};
}

// First meter-list telegram: 16 IDs and 16 media; slots not given hold
// 0xFF bytes and medium 0xFF.
QByteArray MeterListFrame(const QList<QByteArray>& ids, const QByteArray& media, int size = 105)
{
    QByteArray body = RawBytes({0x0F, 0xFF, 0x79, 0x40});
    for (int k = 0; k < 16; ++k)
        body += k < ids.size() ? ids[k] : QByteArray(4, char(0xFF));
    body += QByteArray(4, 0);
    for (int k = 0; k < 16; ++k)
        body += k < media.size() ? media[k] : char(0xFF);
    QByteArray frame = ReplyFrame(body);
    if (size < frame.size()) {
        frame.truncate(size - 1);
        frame.append(char(0x16));
    }
    return frame;
}

// Second telegram: for each row two unexamined bytes then the value, low byte first.
QByteArray ListTailFrame(const QList<std::uint32_t>& values, int size)
{
    QByteArray body;
    for (std::uint32_t v : values) {
        body += RawBytes({0xAA, 0xBB});
        for (int i = 0; i < 4; ++i)
            body.append(char((v >> (8 * i)) & 0xFF));
    }
    return ReplyFrameOfSize(size, body, 0);
}

void FillTable(MeterTable& table, const QStringList& serials)
{
    table.setRowCount(int(serials.size()) + 1);
    for (int r = 1; r <= serials.size(); ++r) {
        table.setCell(MeterTable::ColNumber, r, QString::number(r));
        table.setCell(MeterTable::ColSerial, r, serials[r - 1]);
        table.setCell(MeterTable::ColKey, r, QStringLiteral("old key"));
        table.setCell(MeterTable::ColNotes, r, QStringLiteral("old note"));
    }
}

}  // namespace

// ---- status and error replies ----

TEST(DecodeStatusOrError, ErrorCodesGiveCodeLineAndTheirExplanation)
{
    const struct {
        int code;
        const char* digits;
        const char* explanation;
    } cases[] = {
        {0x15, "15", "Error: ID already programmed"},
        {0x16, "16", "Software error, impossible to happen"},
        {0x17, "17", "ID not found!"},
        {0x18, "18", "Invalid ID/Wrong Flag"},
        {0x1A, "1A", nullptr},
        {0x00, "00", nullptr},
        {0xFF, "FF", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digits);
        FakeReplyTarget t;
        EXPECT_TRUE(DecodeStatusOrError(ErrorReply(c.code), t));
        QStringList expected{QStringLiteral("Error from ZELK-DUV, error code: 0x") + QLatin1String(c.digits)};
        if (c.explanation)
            expected << QLatin1String(c.explanation);
        EXPECT_EQ(t.lines, expected);
        EXPECT_TRUE(t.workingState.replyReceived);
    }
}

TEST(DecodeStatusOrError, StatusReplyWithFlags2C)
{
    FakeReplyTarget t;
    t.zelkId = QStringLiteral("01020304");
    EXPECT_TRUE(DecodeStatusOrError(StatusReply(5, 0x10, 0x2C), t));
    QStringList expected = StatusLines(QStringLiteral("01020304"), QStringLiteral("5"), QStringLiteral("T1"));
    expected << QStringLiteral("Repeating is ON") << QStringLiteral("HOP counter is ON")
             << QStringLiteral("Showing Time is ON");
    EXPECT_EQ(t.lines, expected);
    EXPECT_TRUE(t.workingState.replyReceived);
}

TEST(DecodeStatusOrError, StatusReplyVariants)
{
    // All reported flags, in table order; bits 0x01 and 0x02 are not reported.
    {
        FakeReplyTarget t;
        EXPECT_TRUE(DecodeStatusOrError(StatusReply(255, 0x50, 0xFF), t));
        QStringList expected = StatusLines(t.zelkId, QStringLiteral("255"), QStringLiteral("C"));
        expected << QStringLiteral("Repeating is ON") << QStringLiteral("HOP counter is ON")
                 << QStringLiteral("Encrypted communication") << QStringLiteral("Showing Time is ON")
                 << QStringLiteral("Shows only TOTAL") << QStringLiteral("Service info in status bar is ON");
        EXPECT_EQ(t.lines, expected);
    }
    // Flag byte 0x03: nothing after the hyphen line.
    {
        FakeReplyTarget t;
        EXPECT_TRUE(DecodeStatusOrError(StatusReply(0, 0x00, 0x03), t));
        EXPECT_EQ(t.lines, StatusLines(t.zelkId, QStringLiteral("0"), QStringLiteral("S2")));
    }
    // No flag record head: the report ends with the hyphen line.
    {
        FakeReplyTarget t;
        EXPECT_TRUE(DecodeStatusOrError(StatusReply(3, 0x30, 0xFC, false), t));
        EXPECT_EQ(t.lines, StatusLines(t.zelkId, QStringLiteral("3"), QStringLiteral("S1")));
    }
    // Mode codes: the table and one outside it (nothing after the blank).
    const struct {
        int code;
        const char* name;
    } modes[] = {{0x00, "S2"}, {0x10, "T1"}, {0x20, "T2"}, {0x30, "S1"},
                 {0x40, "R"},  {0x50, "C"},  {0x60, ""},   {0x11, ""}};
    for (const auto& m : modes) {
        FakeReplyTarget t;
        DecodeStatusOrError(StatusReply(1, m.code, 0), t);
        ASSERT_GE(t.lines.size(), 3);
        EXPECT_EQ(t.lines[2], QStringLiteral("Current wireless mode: ") + QLatin1String(m.name));
    }
    // The heading carries the box text as it is.
    {
        FakeReplyTarget t;
        t.zelkId = QStringLiteral("99887766");
        DecodeStatusOrError(StatusReply(1, 0x10, 0), t);
        ASSERT_FALSE(t.lines.isEmpty());
        EXPECT_EQ(t.lines[0], QStringLiteral("ZELK-DUV 99887766 info: "));
    }
}

TEST(DecodeStatusOrError, UnrecognisedFramesAreIgnored)
{
    // A 32-byte status reply is too short.
    {
        FakeReplyTarget t;
        QByteArray f = StatusReply(5, 0x10, 0x2C);
        f.remove(f.size() - 2, 1);
        ASSERT_EQ(f.size(), 32);
        EXPECT_FALSE(DecodeStatusOrError(f, t));
        EXPECT_TRUE(t.lines.isEmpty());
        EXPECT_FALSE(t.workingState.replyReceived);
    }
    // Another head leaves replyReceived as it was, true or false.
    for (bool before : {false, true}) {
        FakeReplyTarget t;
        t.workingState.replyReceived = before;
        EXPECT_FALSE(DecodeStatusOrError(ReplyFrameOfSize(40, RawBytes({0x0F, 0xFF, 0x07, 0x04})), t));
        EXPECT_TRUE(t.lines.isEmpty());
        EXPECT_EQ(t.workingState.replyReceived, before);
    }
    // Frames too short to hold a record head, even cut inside the error head.
    for (int size : {0, 1, 16, 18, 19}) {
        FakeReplyTarget t;
        QByteArray f = ErrorReply(0x15).left(size);
        EXPECT_FALSE(DecodeStatusOrError(f, t)) << size;
        EXPECT_TRUE(t.lines.isEmpty());
    }
    // Exactly 20 bytes still hold the error code.
    {
        FakeReplyTarget t;
        EXPECT_TRUE(DecodeStatusOrError(ErrorReply(0x17).left(20), t));
        EXPECT_EQ(t.lines.size(), 2);
    }
}

// ---- meter list ----

TEST(DecodeMeterList, SixteenSlotsReplaceTheTable)
{
    FakeReplyTarget t;
    FillTable(t.meterTable,
              {QStringLiteral("11111111"), QStringLiteral("22222222"), QStringLiteral("3"),  QStringLiteral("4"),
               QStringLiteral("5"),        QStringLiteral("6"),        QStringLiteral("7"),  QStringLiteral("8"),
               QStringLiteral("9"),        QStringLiteral("10"),       QStringLiteral("11"), QStringLiteral("12"),
               QStringLiteral("13"),       QStringLiteral("14"),       QStringLiteral("15"), QStringLiteral("16"),
               QStringLiteral("17"),       QStringLiteral("18"),       QStringLiteral("19"), QStringLiteral("20")});
    t.meterTable.setRowMarked(3, true);
    t.meterTable.setRowMarked(19, true);

    QByteArray media = RawBytes({0x07, 0x16, 0x03});
    const QByteArray frame = MeterListFrame(
        {RawBytes({0x04, 0x03, 0x02, 0x01}), RawBytes({0x21, 0x43, 0x65, 0x87}), RawBytes({0, 0, 0, 0})}, media);
    ASSERT_EQ(frame.size(), 105);
    EXPECT_TRUE(DecodeMeterList(frame, t));

    const MeterTable& m = t.meterTable;
    ASSERT_EQ(m.rowCount(), 17);
    EXPECT_EQ(m.cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(m.cell(1, 1), QStringLiteral("01020304"));
    EXPECT_EQ(m.cell(2, 1), QStringLiteral("Water"));
    EXPECT_EQ(m.cell(0, 2), QStringLiteral("2"));
    EXPECT_EQ(m.cell(1, 2), QStringLiteral("87654321"));
    EXPECT_EQ(m.cell(2, 2), QStringLiteral("Cold water"));
    EXPECT_EQ(m.cell(1, 3), QStringLiteral("00000000"));
    EXPECT_EQ(m.cell(2, 3), QStringLiteral("Gas"));
    for (int r = 1; r <= 16; ++r) {
        EXPECT_EQ(m.cell(0, r), QString::number(r));
        EXPECT_TRUE(m.cell(3, r).isEmpty()) << r;
        EXPECT_TRUE(m.cell(4, r).isEmpty()) << r;
        EXPECT_FALSE(m.rowMarked(r)) << r;
    }
    EXPECT_EQ(m.cell(1, 16), QStringLiteral("FFFFFFFF"));
    EXPECT_FALSE(m.rowMarked(19));
    EXPECT_TRUE(t.workingState.listTailPending);
    EXPECT_TRUE(t.workingState.replyReceived);
    EXPECT_TRUE(t.lines.isEmpty());
    // Filled from the receiver: nothing to save (Get all asks no question).
    EXPECT_FALSE(m.modified());
}

TEST(DecodeMeterList, WrongStopByteIsReportedAndDecodingGoesOn)
{
    FakeReplyTarget t;
    QByteArray frame = MeterListFrame({RawBytes({0x04, 0x03, 0x02, 0x01})}, RawBytes({0x07}));
    frame[frame.size() - 1] = char(0x17);
    EXPECT_TRUE(DecodeMeterList(frame, t));
    EXPECT_EQ(t.lines, QStringList{QStringLiteral("Wrong STOP byte")});
    EXPECT_EQ(t.meterTable.cell(1, 1), QStringLiteral("01020304"));
    EXPECT_EQ(t.meterTable.rowCount(), 17);
}

TEST(DecodeMeterList, HeadFailuresLeaveTheTable)
{
    const QByteArray good = MeterListFrame({RawBytes({0x04, 0x03, 0x02, 0x01})}, RawBytes({0x07}));
    QByteArray errorReply = good;
    errorReply.replace(16, 4, RawBytes({0x01, 0xFD, 0x17, 0x18}));
    // A list cut before the media of the last slot is not a list.
    QByteArray cut = good.left(103);

    for (const QByteArray& frame : {ErrorReply(0x18), errorReply, cut, good.left(20), QByteArray()}) {
        SCOPED_TRACE(frame.size());
        FakeReplyTarget t;
        FillTable(t.meterTable, {QStringLiteral("11111111"), QStringLiteral("22222222")});
        EXPECT_FALSE(DecodeMeterList(frame, t));
        ASSERT_FALSE(t.lines.isEmpty());
        EXPECT_EQ(t.lines.last(), QStringLiteral("Error in telegram with all devices - Error 0x18..."));
        EXPECT_EQ(t.meterTable.rowCount(), 3);
        EXPECT_EQ(t.meterTable.cell(1, 2), QStringLiteral("22222222"));
        EXPECT_EQ(t.meterTable.cell(4, 1), QStringLiteral("old note"));
        EXPECT_FALSE(t.workingState.listTailPending);
        EXPECT_FALSE(t.workingState.replyReceived);
    }
    // 104 bytes reach the last medium: decoded.
    FakeReplyTarget t;
    QByteArray shortest = good.left(104);
    EXPECT_TRUE(DecodeMeterList(shortest, t));
    EXPECT_EQ(t.meterTable.rowCount(), 17);
}

// ---- second meter-list telegram ----

TEST(DecodeListTail, ValuesGoIntoNotes)
{
    FakeReplyTarget t;
    FillTable(t.meterTable, QStringList(16, QStringLiteral("FFFFFFFF")));
    QList<std::uint32_t> values{10000, 0xFFFFFFFF, 0, 0x7FFFFFFF, 0x80000000};
    while (values.size() < 16)
        values << std::uint32_t(values.size());
    const QByteArray frame = ListTailFrame(values, 113);
    DecodeListTail(frame, t);
    EXPECT_TRUE(t.lines.isEmpty());
    EXPECT_TRUE(t.workingState.replyReceived);
    EXPECT_EQ(t.meterTable.cell(4, 1), QStringLiteral("10000"));
    EXPECT_EQ(t.meterTable.cell(4, 2), QStringLiteral("-1"));
    EXPECT_EQ(t.meterTable.cell(4, 3), QStringLiteral("0"));
    EXPECT_EQ(t.meterTable.cell(4, 4), QStringLiteral("2147483647"));
    EXPECT_EQ(t.meterTable.cell(4, 5), QStringLiteral("-2147483648"));
    EXPECT_EQ(t.meterTable.cell(4, 16), QStringLiteral("15"));
    // Only the Notes column is written.
    EXPECT_EQ(t.meterTable.cell(3, 1), QStringLiteral("old key"));
    EXPECT_EQ(t.meterTable.rowCount(), 17);
    // The values are the receiver's, no edit: the table's saved state stays.
    EXPECT_TRUE(t.meterTable.modified());
    t.meterTable.setModified(false);
    DecodeListTail(ListTailFrame(QList<std::uint32_t>(16, 7), 113), t);
    EXPECT_FALSE(t.meterTable.modified());
}

TEST(DecodeListTail, ShortTelegrams)
{
    QList<std::uint32_t> values;
    for (int r = 1; r <= 16; ++r)
        values << std::uint32_t(r * 100);
    // 99 bytes: nothing changes, replyReceived included.
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, QStringList(16, QStringLiteral("1")));
        DecodeListTail(ListTailFrame(values, 99), t);
        EXPECT_FALSE(t.workingState.replyReceived);
        for (int r = 1; r <= 16; ++r)
            EXPECT_EQ(t.meterTable.cell(4, r), QStringLiteral("old note"));
    }
    // 100 bytes hold the values of rows 1 to 14 (offsets up to 99); rows 15
    // and 16 have no complete value and keep their Notes.
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, QStringList(16, QStringLiteral("1")));
        DecodeListTail(ListTailFrame(values, 100), t);
        EXPECT_TRUE(t.workingState.replyReceived);
        for (int r = 1; r <= 13; ++r)
            EXPECT_EQ(t.meterTable.cell(4, r), QString::number(r * 100)) << r;
        // Row 14's last value byte is the end byte 0x16: 16 00 05 78.
        EXPECT_EQ(t.meterTable.cell(4, 14), QString::number(0x16000578));
        EXPECT_EQ(t.meterTable.cell(4, 15), QStringLiteral("old note"));
        EXPECT_EQ(t.meterTable.cell(4, 16), QStringLiteral("old note"));
    }
    // A table with more rows than the telegram holds values.
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, QStringList(40, QStringLiteral("1")));
        DecodeListTail(ListTailFrame(values, 113), t);
        EXPECT_EQ(t.meterTable.cell(4, 16), QStringLiteral("1600"));
        EXPECT_EQ(t.meterTable.cell(4, 17), QStringLiteral("old note"));
        EXPECT_EQ(t.meterTable.cell(4, 18), QStringLiteral("old note"));
        EXPECT_EQ(t.meterTable.cell(4, 40), QStringLiteral("old note"));
    }
    // Wrong end byte: logged, values still decoded.
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, {QStringLiteral("1")});
        QByteArray f = ListTailFrame(values, 113);
        f[f.size() - 1] = 0;
        DecodeListTail(f, t);
        EXPECT_EQ(t.lines, QStringList{QStringLiteral("Wrong STOP byte")});
        EXPECT_EQ(t.meterTable.cell(4, 1), QStringLiteral("100"));
    }
}

// ---- key read-back ----

TEST(DecodeKeyReadBack, KeyGoesToFieldAndMatchingRows)
{
    FakeReplyTarget t;
    FillTable(t.meterTable,
              {QStringLiteral("01020304"), QStringLiteral("87654321"), QStringLiteral("01020304"),
               QStringLiteral(" 01020304"), QStringLiteral("01020304 ")});
    t.meterId = QStringLiteral("01020304");
    QByteArray body = RawBytes({0x0F, 0xFF, 0x8A, 0x10});
    body += RawBytes({0xA0, 0x00, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x9F, 0xFE, 0x10, 0x0A, 0x5C, 0x3B});
    body += char(0x77);
    const QByteArray frame = ReplyFrame(body);
    ASSERT_EQ(frame.size(), 38);
    DecodeKeyReadBack(frame, t);

    const QString key = QStringLiteral("A0000123456789ABCDEF9FFE100A5C3B");
    EXPECT_EQ(t.keyField, key);
    EXPECT_EQ(t.meterTable.cell(3, 1), key);
    EXPECT_EQ(t.meterTable.cell(3, 3), key);
    EXPECT_EQ(t.meterTable.cell(3, 2), QStringLiteral("old key"));
    EXPECT_EQ(t.meterTable.cell(3, 4), QStringLiteral("old key"));
    EXPECT_EQ(t.meterTable.cell(3, 5), QStringLiteral("old key"));
    EXPECT_TRUE(t.workingState.replyReceived);
    EXPECT_TRUE(t.lines.isEmpty());
}

TEST(DecodeKeyReadBack, ShortFrameOrNoMatch)
{
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, {QStringLiteral("01020304")});
        t.meterId = QStringLiteral("01020304");
        DecodeKeyReadBack(ReplyFrameOfSize(37, {}, char(0x11)), t);
        EXPECT_EQ(t.keyWrites, 0);
        EXPECT_FALSE(t.workingState.replyReceived);
        EXPECT_EQ(t.meterTable.cell(3, 1), QStringLiteral("old key"));
    }
    {
        FakeReplyTarget t;
        FillTable(t.meterTable, {QStringLiteral("01020304")});
        t.meterId = QStringLiteral("11111111");
        DecodeKeyReadBack(ReplyFrameOfSize(60, {}, char(0x11)), t);
        EXPECT_EQ(t.keyField, QString(32, QLatin1Char('1')));
        EXPECT_EQ(t.meterTable.cell(3, 1), QStringLiteral("old key"));
        EXPECT_TRUE(t.workingState.replyReceived);
    }
}

// Reading notifications, filtering, logging and routing received frames.
#include "serial/receive_path.h"

#include "protocol/commands.h"
#include "protocol/support/fake_reply_target.h"
#include "protocol/support/recording_sink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <stdexcept>
#include <tuple>

namespace {

// The serial device's read side: hands out queued bytes, never more than asked.
struct FakeDevice {
    int read(char* area, int count)
    {
        requests << count;
        if (failWith)
            throw std::runtime_error(failWith);
        const int n = std::min<int>(count, int(pending.size()));
        memcpy(area, pending.constData(), size_t(n));
        pending.remove(0, n);
        return n;
    }
    QByteArray pending;
    QList<int> requests;
    const char* failWith = nullptr;
};

class ReceivePathTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "receive_path_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);  // lives for the whole program
    }
    void SetUp() override
    {
        path.setReader([this](char* area, int count) { return device.read(area, count); });
    }
    // One notification carrying bytes.
    void receive(const QByteArray& bytes)
    {
        device.pending += bytes;
        path.Comm1RxChar(nullptr, int(device.pending.size()));
    }
    void endHoldOff() { path.Timer_noDecodeTimer(); }

    FakeReplyTarget target;
    WorkingState& state = target.workingState;
    RecordingSink sink;
    FakeDevice device;
    ReceivePath path{state, target, sink};
};

const QByteArray kErrorReply = ReplyFrame(RawBytes({0x01, 0xFD, 0x17, 0x15, 0x00}));  // 22 bytes
const QString kErrorLine = QStringLiteral("Error from ZELK-DUV, error code: 0x15");

// The log form of a frame: two upper-case hex digits and a blank per byte.
QString HexDumpOf(const QByteArray& bytes)
{
    QString out;
    for (char c : bytes)
        out += QString::asprintf("%02X ", unsigned(std::uint8_t(c)));
    return out;
}

QByteArray FromSender(const QByteArray& body, const char* sender)
{
    return ReplyFrame(body, QByteArray(sender, 4));
}

QByteArray MeterList()
{
    QByteArray body = RawBytes({0x0F, 0xFF, 0x79, 0x40});
    body += RawBytes({0x04, 0x03, 0x02, 0x01});
    body += QByteArray(60, char(0xFF)) + QByteArray(4, 0) + QByteArray(1, 0x07) + QByteArray(15, char(0xFF));
    return ReplyFrame(body);
}

}  // namespace

TEST_F(ReceivePathTest, TimerIsTheOneShotHoldOff)
{
    QTimer& t = path.noDecodeTimer();
    EXPECT_EQ(t.objectName(), QStringLiteral("Timer_noDecode"));
    EXPECT_EQ(t.interval(), 1000);
    EXPECT_TRUE(t.isSingleShot());
    EXPECT_FALSE(t.isActive());
}

TEST_F(ReceivePathTest, SenderMustBeTheCurrentReceiver)
{
    target.zelkId = QStringLiteral("01020305");
    receive(kErrorReply);
    EXPECT_TRUE(target.lines.isEmpty());
    EXPECT_FALSE(state.replyLatched);
    EXPECT_FALSE(path.noDecodeTimer().isActive());

    target.zelkId = QStringLiteral("01020304");
    receive(kErrorReply);
    ASSERT_EQ(target.lines.size(), 3);
    EXPECT_EQ(target.lines[0], HexDumpOf(kErrorReply));
    EXPECT_TRUE(target.lines[0].endsWith(QStringLiteral("15 00 16 ")));
    EXPECT_EQ(target.lines[1], kErrorLine);
    EXPECT_TRUE(state.replyLatched);
    EXPECT_TRUE(path.noDecodeTimer().isActive());
    EXPECT_TRUE(state.replyReceived);
}

TEST_F(ReceivePathTest, ComparisonIsExact)
{
    // Sender bytes 0x0A 0x0B 0x0C 0x0D read as "0D0C0B0A": lower case in the box does not match.
    target.zelkId = QStringLiteral("0d0c0b0a");
    path.DispatchFrame(FromSender(RawBytes({0x01, 0xFD, 0x17, 0x15, 0x00}), "\x0A\x0B\x0C\x0D"));
    EXPECT_TRUE(target.lines.isEmpty());
    target.zelkId = QStringLiteral("0D0C0B0A");
    path.DispatchFrame(FromSender(RawBytes({0x01, 0xFD, 0x17, 0x15, 0x00}), "\x0A\x0B\x0C\x0D"));
    EXPECT_EQ(target.lines.size(), 3);
}

TEST_F(ReceivePathTest, HoldOffDropsFramesSilentlyUntilTheTimerEnds)
{
    receive(kErrorReply);
    const int logged = int(target.lines.size());
    receive(kErrorReply);
    EXPECT_EQ(target.lines.size(), logged);
    endHoldOff();
    EXPECT_FALSE(state.replyLatched);
    EXPECT_FALSE(path.noDecodeTimer().isActive());
    EXPECT_TRUE(sink.sent.isEmpty());
    receive(kErrorReply);
    EXPECT_EQ(target.lines.size(), 2 * logged);
}

TEST_F(ReceivePathTest, ShortFramesAndRoutingByLastCommand)
{
    // 21 bytes: only the hex line.
    const QByteArray f21 = ReplyFrame(RawBytes({0x01, 0xFD, 0x17, 0x15}));
    ASSERT_EQ(f21.size(), 21);
    path.DispatchFrame(f21);
    EXPECT_EQ(target.lines, QStringList{HexDumpOf(f21)});
    EXPECT_FALSE(state.replyReceived);
    endHoldOff();

    // 22 bytes: the status and error decoder.
    target.lines.clear();
    path.DispatchFrame(kErrorReply);
    EXPECT_EQ(target.lines.value(1), kErrorLine);
    EXPECT_EQ(target.keyLines, 0);
    endHoldOff();

    // lastCommand 6: the key decoder, even for an error-looking reply.
    target.lines.clear();
    state.replyReceived = false;
    state.lastCommand = 6;
    const QByteArray keyReply = ReplyFrameOfSize(38, RawBytes({0x01, 0xFD, 0x17, 0x15, 0xAB}), char(0xCD));
    path.DispatchFrame(keyReply);
    EXPECT_EQ(target.lines, QStringList{HexDumpOf(keyReply)});
    EXPECT_EQ(target.keyLines, 1);  // a saved log showing it is kept private
    EXPECT_EQ(target.keyField, QStringLiteral("AB") + QStringLiteral("CD").repeated(15));
    EXPECT_TRUE(state.replyReceived);
    endHoldOff();

    // lastCommand 6 and 22 bytes: the key decoder ignores it.
    target.lines.clear();
    state.replyReceived = false;
    path.DispatchFrame(kErrorReply);
    EXPECT_EQ(target.lines, QStringList{HexDumpOf(kErrorReply)});
    EXPECT_FALSE(state.replyReceived);
    endHoldOff();

    // Frames shorter than 9 bytes carry no sender: dropped before the latch.
    target.lines.clear();
    path.DispatchFrame(RawBytes({0x68, 0x05, 0x06, 0xDA, 0x46, 0x04, 0x03, 0x16}));
    EXPECT_TRUE(target.lines.isEmpty());
    EXPECT_FALSE(state.replyLatched);
}

TEST_F(ReceivePathTest, MeterListThenFollowUpThenTail)
{
    state.meterListPending = true;
    state.lastCommand = 2;
    receive(MeterList());
    EXPECT_FALSE(state.meterListPending);
    EXPECT_TRUE(state.listTailPending);
    EXPECT_EQ(target.meterTable.rowCount(), 17);
    EXPECT_EQ(target.meterTable.cell(2, 1), QStringLiteral("Water"));

    endHoldOff();
    RecordingSink expected;
    CmdFollowUp(expected, QStringLiteral("01020304"));
    ASSERT_EQ(sink.sent.size(), 1);
    EXPECT_EQ(sink.sent[0], expected.sent.value(0));
    EXPECT_EQ(state.lastCommand, 2);

    // The next accepted frame goes to the tail decoder whatever it holds.
    target.lines.clear();
    // It even looks like an error reply: row 1's value is 17 15 00 00.
    QByteArray tail = RawBytes({0x01, 0xFD, 0x17, 0x15, 0x00, 0x00});
    for (int r = 2; r <= 16; ++r)
        tail += RawBytes({0x00, 0x00, 0x10, 0x27, 0x00, 0x00});
    receive(ReplyFrame(tail));
    EXPECT_FALSE(state.listTailPending);
    EXPECT_EQ(target.lines, QStringList{HexDumpOf(ReplyFrame(tail))});  // no error lines
    EXPECT_EQ(target.meterTable.cell(4, 1), QStringLiteral("5399"));
    EXPECT_EQ(target.meterTable.cell(4, 16), QStringLiteral("10000"));

    // No follow-up once the tail has come.
    endHoldOff();
    EXPECT_EQ(sink.sent.size(), 1);
}

TEST_F(ReceivePathTest, MeterListThatDoesNotDecode)
{
    state.meterListPending = true;
    receive(ReplyFrame(RawBytes({0x01, 0xFD, 0x17, 0x18, 0x00})));
    ASSERT_EQ(target.lines.size(), 3);
    EXPECT_EQ(target.lines[1], QStringLiteral("Error in telegram with all devices - Error 0x18..."));
    EXPECT_EQ(target.lines[2], QStringLiteral("Error decoding radio telegram..."));
    EXPECT_FALSE(state.meterListPending);
    EXPECT_FALSE(state.listTailPending);
    endHoldOff();
    EXPECT_TRUE(sink.sent.isEmpty());
}

TEST_F(ReceivePathTest, FollowUpSentOnceWhenTheTimerFires)
{
    state.meterListPending = true;
    receive(MeterList());
    ASSERT_TRUE(path.noDecodeTimer().isActive());
    QElapsedTimer clock;
    clock.start();
    while (sink.sent.isEmpty() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(sink.sent.size(), 1);
    EXPECT_FALSE(state.replyLatched);
    // The timer does not fire again by itself.
    clock.restart();
    while (clock.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(sink.sent.size(), 1);
    EXPECT_FALSE(path.noDecodeTimer().isActive());
}

TEST_F(ReceivePathTest, TwoFramesInOneReadAndAWrongEndByte)
{
    state.replyReceived = true;
    receive(kErrorReply + kErrorReply);
    EXPECT_EQ(target.lines.size(), 3);  // second one held off, silently
    EXPECT_FALSE(state.replyReceived);  // bytes followed the first frame
    EXPECT_EQ(state.rxCount, 0);
    endHoldOff();

    target.lines.clear();
    QByteArray broken = kErrorReply;
    broken[broken.size() - 1] = 0x00;
    receive(broken);
    EXPECT_TRUE(target.lines.isEmpty());
    receive(kErrorReply);
    EXPECT_EQ(target.lines.value(1), kErrorLine);
}

TEST_F(ReceivePathTest, LargeNotificationIsReadInPieces)
{
    // 2000 bytes: noise, a frame across the 1024-byte boundary, noise, a frame.
    QByteArray bytes(1010, char(0x55));
    bytes += kErrorReply;
    bytes += QByteArray(2000 - 1010 - 2 * kErrorReply.size(), char(0x55));
    bytes += kErrorReply;
    ASSERT_EQ(bytes.size(), 2000);
    receive(bytes);
    for (int n : device.requests)
        EXPECT_LE(n, ReceivePath::kReadArea);
    EXPECT_GE(device.requests.size(), 2);
    EXPECT_TRUE(device.pending.isEmpty());
    EXPECT_EQ(target.lines.size(), 3);  // first accepted, second held off
    EXPECT_EQ(state.rxCount, 0);
}

TEST_F(ReceivePathTest, NoiseOverflow)
{
    receive(QByteArray(1000, char(0x55)));
    EXPECT_EQ(state.rxCount, 1000);
    receive(QByteArray(25, char(0x55)));
    EXPECT_EQ(state.rxCount, 0);
    EXPECT_TRUE(state.rxBuffer.isEmpty());
    EXPECT_TRUE(target.lines.isEmpty());
    receive(kErrorReply);
    EXPECT_EQ(target.lines.size(), 3);
}

TEST_F(ReceivePathTest, ReadFailureIsLoggedAndEmptiesTheBuffer)
{
    receive(QByteArray(3, 0) + kErrorReply.left(10));
    EXPECT_EQ(state.frameStart, 4);
    device.failWith = "Read error (5), Input/output error";
    receive(kErrorReply.mid(10));
    EXPECT_EQ(target.lines, QStringList{QStringLiteral("Exception receiving - Read error (5), Input/output error")});
    EXPECT_EQ(state.rxCount, 0);
    EXPECT_TRUE(state.rxBuffer.isEmpty());
    EXPECT_EQ(state.frameStart, 0);
    device.failWith = nullptr;
    device.pending.clear();
    receive(kErrorReply);
    EXPECT_EQ(target.lines.value(2), kErrorLine);
}

namespace {
// A window whose ID box fails to be read once.
class FailingTarget : public FakeReplyTarget {
public:
    QString currentZelkId() const override
    {
        if (failures-- > 0)
            throw std::runtime_error("box gone");
        return FakeReplyTarget::currentZelkId();
    }
    mutable int failures = 1;
};
}  // namespace

TEST(ReceivePathFailure, DispatchFailureIsLoggedAndTheRestDropped)
{
    FailingTarget target;
    RecordingSink sink;
    QByteArray pending = kErrorReply + kErrorReply.left(5);
    ReceivePath path(target.workingState, target, sink);
    path.setReader([&](char* area, int count) {
        const int n = std::min<int>(count, int(pending.size()));
        memcpy(area, pending.constData(), size_t(n));
        pending.remove(0, n);
        return n;
    });
    path.Comm1RxChar(nullptr, int(pending.size()));
    EXPECT_EQ(target.lines, QStringList{QStringLiteral("Exception receiving - box gone")});
    EXPECT_EQ(target.workingState.rxCount, 0);
    EXPECT_EQ(target.workingState.frameStart, 0);
    pending = kErrorReply;
    path.Comm1RxChar(nullptr, int(pending.size()));
    EXPECT_EQ(target.lines.value(2), kErrorLine);
}

TEST_F(ReceivePathTest, SilenceGapIsTheResponseTimeoutAtLeastOneSecond)
{
    // Fails if the gap ignores the response timeout or falls below the floor.
    const struct {
        int timeoutMs;
        int gapMs;
    } cases[] = {{300, 1000}, {1000, 1000}, {2500, 2500}, {0, 1000}};
    for (const auto& c : cases)
        EXPECT_EQ(ReceivePath::SilenceGapMs(c.timeoutMs), c.gapMs) << c.timeoutMs;
    path.setResponseTimeout([] { return 2500; });
    receive(RawBytes({0x68, 0xF0}));
    EXPECT_EQ(path.silenceTimer().interval(), 2500);
    EXPECT_EQ(path.noDecodeTimer().timerType(), Qt::PreciseTimer);
}

TEST_F(ReceivePathTest, StrayStartByteIsGivenUpWhenTheLineFallsSilentButNotBetweenPieces)
{
    // 68 F0 announces 240 bytes that never come: the reply behind it is taken
    // by its content at once; fails when it waits for the silence. Then a
    // lone stray start is given up when the line falls silent, and a reply in
    // eleven pieces 120 ms apart (longer than the 1 s gap in all) is
    // assembled: fails if the silence is not measured from the latest piece.
    receive(RawBytes({0x68, 0xF0}) + kErrorReply);
    EXPECT_EQ(target.lines.count(kErrorLine), 1);
    endHoldOff();
    receive(RawBytes({0x68, 0xF0}));
    path.onLineSilent();
    EXPECT_EQ(state.frameStart, 0);
    for (int piece = 0; piece < 11; ++piece) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 120)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(target.lines.count(kErrorLine), 1) << piece;
        receive(kErrorReply.mid(piece * 2, 2));
    }
    EXPECT_EQ(target.lines.count(kErrorLine), 2);
    EXPECT_FALSE(path.silenceTimer().isActive());
}

TEST_F(ReceivePathTest, BytesWaitingUnannouncedAreTakenBeforeAStartIsGivenUp)
{
    // The rest of the frame is there but its notification is still on its
    // way when the silence timer fires. Fails if the start is dropped regardless.
    receive(kErrorReply.left(10));
    device.pending += kErrorReply.mid(10);
    path.onLineSilent();
    EXPECT_EQ(target.lines.value(0), HexDumpOf(kErrorReply));
}

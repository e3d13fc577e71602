// The retry timer: when it sends the last command again, what it logs, and
// how operations share it. Ticks are either awaited on the real timer (300 ms
// response timeout) or called directly where only the tick's logic matters.
#include "core/command_codes.h"
#include "protocol/hex.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

const QString kAttempt = QStringLiteral("Communicating RF-ZELK again, attempt ");

bool TimerIdle(OpsRig& rig)
{
    return !rig.ops.retryTimer().timer().isActive();
}

QString NoReply(int n)
{
    return QStringLiteral("No reply from ZELK 01020304 after %1 attempt%2 - check the ZELK ID, speed and parity")
        .arg(n)
        .arg(n == 1 ? "" : "s");
}

TEST(RetryTimer, RetriesZeroEndsAtTheFirstTickWithTheNoReplyLine)
{
    OpsRig rig;
    rig.host.retryTimes = 0;
    rig.host.medium = QStringLiteral("Gas");
    rig.ops.BitBtn19Click();
    ASSERT_EQ(rig.link.telegrams.size(), 1);
    const int linesBefore = int(rig.link.lines.size());
    ASSERT_TRUE(SpinUntil([&] { return rig.state.retryCount == 1; }, 3000));
    SpinFor(50);
    EXPECT_TRUE(TimerIdle(rig));
    EXPECT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_EQ(rig.link.lines.mid(linesBefore), QStringList{NoReply(1)});
}

TEST(RetryTimer, RetriesTwoWithSilenceSendsThreeTimesWithAttemptLines)
{
    OpsRig rig;
    rig.host.retryTimes = 2;
    rig.host.medium = QStringLiteral("Water");
    rig.ops.BitBtn19Click();
    ASSERT_TRUE(SpinUntil([&] { return rig.state.retryCount == 3; }, 5000));
    SpinFor(50);
    EXPECT_TRUE(TimerIdle(rig));
    ASSERT_EQ(rig.link.telegrams.size(), 3);
    EXPECT_EQ(rig.link.telegrams[0], rig.link.telegrams[2]);
    const QString sent = QStringLiteral("Sent: ") + HexDump(rig.link.telegrams[0]);
    EXPECT_EQ(rig.link.lines, (QStringList{sent, kAttempt + "1", sent, kAttempt + "2", sent, NoReply(3)}));
}

TEST(RetryTimer, ReplyBeforeTheFirstTickLogsOneEmptyLineOnly)
{
    OpsRig rig;
    rig.host.retryTimes = 3;
    rig.ops.BitBtn52Click();
    rig.state.replyReceived = true;  // as the status decoder does
    const int linesBefore = int(rig.link.lines.size());
    ASSERT_TRUE(SpinUntil([&] { return rig.link.lines.size() > linesBefore; }, 3000));
    SpinFor(400);
    EXPECT_EQ(rig.link.lines.mid(linesBefore), QStringList{QString()});
    EXPECT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_TRUE(TimerIdle(rig));
    EXPECT_EQ(rig.state.retryCount, 0);
}

// Fails when a code is not sent again, sends another telegram, or misnumbers the attempt.
struct ResendCase {
    std::uint8_t code;
    QString FakeHost::*field;
    QString value;
    QByteArray body;
};
class RetryResend : public ::testing::TestWithParam<ResendCase> {};
TEST_P(RetryResend, SendsTheLastCommandAgainAfterItsAttemptLine)
{
    const ResendCase& c = GetParam();
    OpsRig rig;
    rig.host.retryTimes = 3;
    if (c.field)
        rig.host.*c.field = c.value;
    rig.link.open = true;
    rig.state.lastCommand = c.code;
    rig.state.retryCount = 1;
    rig.ops.Timer_readZUDozadTimer();
    const QByteArray frame = ExpectedFrame(rig.host.zelk, c.body);
    EXPECT_EQ(rig.link.telegrams, QList<QByteArray>{frame});
    EXPECT_EQ(rig.link.lines, (QStringList{kAttempt + "2", QStringLiteral("Sent: ") + HexDump(frame)}));
    EXPECT_TRUE(rig.ops.retryTimer().timer().isActive());
}
INSTANTIATE_TEST_SUITE_P(
    EveryResendingCode, RetryResend,
    ::testing::Values(ResendCase{1, &FakeHost::newId, "11223344", Hex("07 79") + Bcd("11223344") + Hex("DA 46 1B")},
                      ResendCase{2, nullptr, "", Hex("0F FF 01 04") + Bcd("87654321")},
                      ResendCase{5, &FakeHost::key, QString(32, u'A'),
                                 Hex("0F FF 0A 14") + Bcd("87654321") + QByteArray(16, '\xAA')},
                      ResendCase{8, &FakeHost::medium, "Gas", Hex("0F FF 28 05") + Bcd("87654321") + Hex("03")},
                      ResendCase{9, &FakeHost::mode, "Mode S", Hex("0F FF 20 01 03")},
                      ResendCase{10, nullptr, "", Hex("04 6D 2D 0D 01 01")},
                      ResendCase{11, nullptr, "", Hex("0F FF 02 04 01 10 00 00")}));

TEST(RetryTimer, IntervalIsOneSecondUntilAnOperationWritesIt)
{
    OpsRig rig;
    rig.host.timeoutMs = 450;
    rig.ops.BitBtn42Click();  // started with the interval it has
    EXPECT_EQ(rig.ops.retryTimer().timer().interval(), 1000);
    EXPECT_TRUE(rig.ops.retryTimer().timer().isActive());
    rig.ops.retryTimer().timer().stop();
    rig.ops.BitBtn19Click();  // writes the response timeout
    EXPECT_EQ(rig.ops.retryTimer().timer().interval(), 450);
    rig.ops.retryTimer().timer().stop();
    rig.ops.BitBtn42Click();  // keeps what was written last
    EXPECT_EQ(rig.ops.retryTimer().timer().interval(), 450);
}

TEST(RetryTimer, EachSendAgainReadsTheFieldsAfresh)
{
    OpsRig rig;
    rig.host.retryTimes = 1;
    rig.host.medium = QStringLiteral("Water");
    rig.ops.BitBtn19Click();
    rig.host.medium = QStringLiteral("Gas");
    rig.host.meter = QStringLiteral("11223344");
    rig.ops.Timer_readZUDozadTimer();
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    EXPECT_EQ(rig.link.telegrams[1], ExpectedFrame(rig.host.zelk, Hex("0F FF 28 05") + Bcd("11223344") + Hex("03")));
}

TEST(RetryTimer, SendAgainOfTheMeterListSetsItsFlags)
{
    OpsRig rig;
    rig.host.retryTimes = 1;
    rig.ops.BitBtn51Click();
    rig.state.meterListPending = false;
    rig.state.listTailPending = true;
    rig.setIds({"11111111"});
    rig.ops.Timer_readZUDozadTimer();
    EXPECT_TRUE(rig.state.meterListPending);
    EXPECT_FALSE(rig.state.listTailPending);
    EXPECT_EQ(rig.link.telegrams.size(), 2);
    // The send-again does not empty the table again.
    EXPECT_EQ(rig.table.cell(MeterTable::ColSerial, 1), QStringLiteral("11111111"));
    EXPECT_TRUE(rig.ops.retryTimer().timer().isActive());
}

TEST(RetryTimer, CodesWithoutSendAgainLogTheAttemptAndStop)
{
    struct C {
        std::function<void(DeviceOperations&)> run;
        std::uint8_t code;
    };
    const std::vector<C> cases = {
        {[](DeviceOperations& o) { o.BitBtn43Click(); }, CommandCode::DeleteMeter},
        {[](DeviceOperations& o) { o.Butt_readAESClick(); }, CommandCode::ReadMeterKey},
        {[](DeviceOperations& o) { o.BitBtn44Click(); }, CommandCode::SetReceiverFlag},
        {[](DeviceOperations& o) { o.BitBtn23Click(); }, CommandCode::MasterReset},
        {[](DeviceOperations& o) { o.BitBtn24Click(); }, CommandCode::ClockAdjust},
    };
    for (const C& c : cases) {
        OpsRig rig;
        rig.host.retryTimes = 3;
        c.run(rig.ops);
        ASSERT_EQ(rig.state.lastCommand, c.code);
        const int lines = int(rig.link.lines.size());
        rig.ops.Timer_readZUDozadTimer();
        EXPECT_EQ(rig.link.lines.mid(lines), QStringList{kAttempt + "1"}) << int(c.code);
        EXPECT_EQ(rig.link.telegrams.size(), 1);
        EXPECT_TRUE(TimerIdle(rig));
    }
}

TEST(RetryTimer, AnOperationTakesOverAnArmedTimer)
{
    OpsRig rig;
    rig.host.retryTimes = 2;
    rig.host.medium = QStringLiteral("Water");
    rig.ops.BitBtn19Click();      // arms the timer
    rig.state.retryCount = 1;     // as if one attempt was made
    rig.ops.Butt_readAESClick();  // code 6, does not arm it itself
    EXPECT_TRUE(rig.ops.retryTimer().timer().isActive());
    ASSERT_TRUE(SpinUntil([&] { return TimerIdle(rig); }, 3000));
    // The tick worked on the new command: attempt counted from 0, nothing sent again.
    EXPECT_EQ(rig.link.lines.last(), kAttempt + "1");
    EXPECT_EQ(rig.link.telegrams.size(), 2);
    EXPECT_EQ(rig.link.telegrams[1].at(18), char(0x8A));

    // The key operation taken over is sent again with the key steps.
    OpsRig key;
    key.host.retryTimes = 1;
    key.host.key = QStringLiteral("000102030405060708090A0B0C0D0E0F");
    key.ops.BitBtn52Click();
    key.ops.Butt_setAESClick();
    key.ops.Timer_readZUDozadTimer();
    ASSERT_EQ(key.link.telegrams.size(), 3);
    EXPECT_EQ(key.link.telegrams[2], key.link.telegrams[1]);
    EXPECT_EQ(key.link.telegrams[2].at(18), char(0x0A));
}

TEST(RetryTimer, SecondStatusButtonAfterRetriesUsedUpIsNotSentAgain)
{
    OpsRig rig;
    rig.host.retryTimes = 1;
    rig.ops.BitBtn52Click();
    ASSERT_TRUE(SpinUntil([&] { return rig.state.retryCount == 2; }, 3000));
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    rig.ops.BitBtn53Click();
    EXPECT_EQ(rig.link.telegrams.size(), 3);
    ASSERT_TRUE(SpinUntil([&] { return rig.state.retryCount == 3; }, 3000));
    SpinFor(50);
    EXPECT_EQ(rig.link.telegrams.size(), 3);
    EXPECT_EQ(rig.linesMatching(kAttempt), QStringList{kAttempt + "1"});
    EXPECT_TRUE(TimerIdle(rig));
}

TEST(RetryTimer, WrongModeRetriesLogAttemptsButSendNothing)
{
    OpsRig rig;
    rig.host.retryTimes = 2;
    rig.ops.Button8Click();
    rig.ops.Timer_readZUDozadTimer();
    rig.ops.Timer_readZUDozadTimer();
    rig.ops.Timer_readZUDozadTimer();
    EXPECT_TRUE(rig.link.telegrams.isEmpty());
    EXPECT_EQ(rig.link.lines,
              (QStringList{QStringLiteral("Wrong wireless mode, not programmed"), kAttempt + "1", kAttempt + "2"}));
}

// Fails when an unanswered sending ends without the no-reply line, or one gets it that sent nothing,
// has no send-again of its own, or counts the sendings of an earlier exchange.
TEST(RetryTimer, NoReplyLineEndsOnlyAnUnansweredSending)
{
    using Op = void (DeviceOperations::*)();
    const std::vector<std::tuple<Op, QString, QString>> cases = {
        {&DeviceOperations::BitBtn52Click, "", NoReply(2)},  // status
        {&DeviceOperations::BitBtn53Click, "", NoReply(1)},  // second status button, retries used up
        {&DeviceOperations::BitBtn51Click, "", NoReply(2)},  // list
        {&DeviceOperations::Button8Click, "Mode T", NoReply(2)},
        {&DeviceOperations::Button8Click, "", kAttempt + "1"},        // mode refused: nothing sent
        {&DeviceOperations::Butt_readAESClick, "", kAttempt + "1"}};  // takes the timer over
    for (const auto& [op, mode, last] : cases) {
        OpsRig rig;
        rig.host.mode = mode;
        rig.ops.BitBtn52Click();  // an earlier exchange, unanswered: two sendings
        rig.ops.Timer_readZUDozadTimer();
        rig.ops.Timer_readZUDozadTimer();
        (rig.ops.*op)();
        rig.ops.Timer_readZUDozadTimer();
        rig.ops.Timer_readZUDozadTimer();
        EXPECT_EQ(rig.link.lines.last(), last);
    }
}

}  // namespace

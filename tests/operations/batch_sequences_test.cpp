// The paced sequences over the meter table: which rows go out, in which
// order, what the progress bar and the buttons show, and how a sequence ends.
// Steps are driven by calling the tick slots directly, except where the
// pacing by the real timer is the point.
#include "core/command_codes.h"
#include "operations/line_guard.h"
#include "protocol/hex.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace {

const QString kSkip = QStringLiteral("FFFFFFFF");
const QString kKey1 = QStringLiteral("00112233445566778899AABBCCDDEEFF");
const QString kKey2 = QStringLiteral("FFEEDDCCBBAA99887766554433221100");

QByteArray AddFrame(const QString& zelk, const QString& id, bool add)
{
    return ExpectedFrame(zelk, Hex(add ? "0F FF 01 04" : "0F FF 81 04") + Bcd(id));
}

// Ticks the armed sequence timer by hand until the sequence ends (bounded).
void RunToEnd(OpsRig& rig)
{
    for (int i = 0; i < 100 && rig.ops.batch().running(); ++i) {
        if (rig.ops.batch().timer(BatchSequences::Kind::AddAll).isActive())
            rig.ops.Timer_activateQORAllTimer();
        else if (rig.ops.batch().timer(BatchSequences::Kind::DeleteAll).isActive())
            rig.ops.Timer_deleteAllTimer();
        else
            rig.ops.batch().Timer_setAESAllTimer();
    }
}

TEST(AddAll, SkipsEmptySlotsAndClosesThePortOneIntervalAfterTheLast)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", kSkip, "33333333", kSkip, "55555555"});
    rig.ops.BitBtn42Click();
    EXPECT_EQ(rig.state.lastCommand, CommandCode::AddMeter);
    EXPECT_TRUE(rig.host.batchRunning);
    EXPECT_EQ(rig.link.telegrams.size(), 1);
    // Real pacing: the sequence runs by itself and ends with the port released.
    ASSERT_TRUE(SpinUntil([&] { return !rig.ops.batch().running(); }, 5000));
    ASSERT_EQ(rig.link.telegrams.size(), 3);
    EXPECT_EQ(rig.link.telegrams[0], AddFrame(rig.host.zelk, "11111111", true));
    EXPECT_EQ(rig.link.telegrams[1], AddFrame(rig.host.zelk, "33333333", true));
    EXPECT_EQ(rig.link.telegrams[2], AddFrame(rig.host.zelk, "55555555", true));
    EXPECT_EQ(rig.link.releaseCalls, 1);
    EXPECT_FALSE(rig.link.open);
    EXPECT_FALSE(rig.host.batchRunning);
    EXPECT_EQ(rig.host.meter, QStringLiteral("55555555"));
    EXPECT_FALSE(rig.ops.retryTimer().timer().isActive());  // sequences never use the retry timer
}

TEST(AddAll, EveryRowAnEmptySlotSendsNothingAndEndsAtOnce)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({kSkip, kSkip, kSkip});
    rig.ops.BitBtn42Click();
    EXPECT_TRUE(rig.link.telegrams.isEmpty());
    EXPECT_FALSE(rig.ops.batch().running());
    EXPECT_FALSE(rig.host.batchRunning);
    EXPECT_EQ(rig.host.batchUiCalls, 2);
    EXPECT_EQ(rig.link.releaseCalls, 1);
}

TEST(AddAll, OneEmptyRowGetsTheBuildersMessageAndTheNextStepEnds)
{
    OpsRig rig;
    rig.host.all = true;
    rig.host.meter = QStringLiteral("99999999");
    rig.ops.BitBtn42Click();  // the table has its one empty data row
    EXPECT_TRUE(rig.link.telegrams.isEmpty());
    EXPECT_TRUE(rig.link.lines.contains(QStringLiteral("Not a valid meter ID for programming...")));
    EXPECT_EQ(rig.host.meter, QString());
    EXPECT_TRUE(rig.ops.batch().running());
    rig.ops.Timer_activateQORAllTimer();
    EXPECT_FALSE(rig.ops.batch().running());
    EXPECT_EQ(rig.link.releaseCalls, 1);
    EXPECT_FALSE(rig.host.batchRunning);
}

TEST(AddAll, LowerCaseEmptySlotIsNotSkipped)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"ffffffff", "22222222"});
    rig.ops.BitBtn42Click();
    // Handed to the builder, which refuses the text; no FF FF FF FF frame goes out.
    EXPECT_EQ(rig.host.meterIdsWritten.value(0), QStringLiteral("ffffffff"));
    EXPECT_TRUE(rig.link.telegrams.isEmpty());
    EXPECT_TRUE(rig.ops.batch().running());
    rig.ops.Timer_activateQORAllTimer();
    ASSERT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_EQ(rig.link.telegrams[0], AddFrame(rig.host.zelk, "22222222", true));
}

TEST(DeleteAll, AnsweredNoSendsNothingAndLeavesTheButtons)
{
    OpsRig rig;
    rig.host.all = true;
    rig.host.confirmAnswer = false;
    rig.setIds({"11111111", "22222222"});
    rig.state.replyReceived = true;
    rig.ops.BitBtn43Click();
    EXPECT_EQ(rig.host.confirmCount, 1);
    EXPECT_TRUE(rig.link.telegrams.isEmpty());
    EXPECT_EQ(rig.host.batchUiCalls, 0);
    EXPECT_EQ(rig.state.lastCommand, CommandCode::DeleteMeter);
    EXPECT_FALSE(rig.state.replyReceived);
    EXPECT_FALSE(rig.ops.batch().running());
}

TEST(DeleteAll, SendsEveryRowInOrder)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", kSkip});
    rig.ops.BitBtn43Click();
    RunToEnd(rig);
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    EXPECT_EQ(rig.link.telegrams[0], AddFrame(rig.host.zelk, "11111111", false));
    EXPECT_EQ(rig.link.telegrams[1], AddFrame(rig.host.zelk, "22222222", false));
    EXPECT_EQ(rig.link.releaseCalls, 1);
}

TEST(Sequences, ProgressBarEndsAtThreeForAddAndFourForDelete)
{
    for (bool add : {true, false}) {
        OpsRig rig;
        rig.host.all = true;
        rig.setIds({"11111111", "22222222", "33333333", "44444444"});
        rig.host.progress = 77;
        add ? rig.ops.BitBtn42Click() : rig.ops.BitBtn43Click();
        EXPECT_EQ(rig.host.progressMax, 6);
        RunToEnd(rig);
        EXPECT_EQ(rig.host.progress, add ? 3 : 4) << add;
        EXPECT_EQ(rig.link.telegrams.size(), 4);
    }
}

TEST(Sequences, StopAfterTwoOfFiveKeepsThePortOpen)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", "33333333", "44444444", "55555555"});
    rig.ops.BitBtn42Click();
    rig.ops.Timer_activateQORAllTimer();
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    rig.ops.BitBtn52Click();  // a retry timer armed meanwhile is left alone
    rig.ops.Butt_stopClick();
    EXPECT_FALSE(rig.ops.batch().running());
    EXPECT_FALSE(rig.host.batchRunning);
    EXPECT_TRUE(rig.link.open);
    EXPECT_EQ(rig.link.releaseCalls, 0);
    EXPECT_EQ(rig.state.batchRow, 2);
    EXPECT_TRUE(rig.ops.retryTimer().timer().isActive());
    rig.ops.retryTimer().timer().stop();
    SpinFor(400);
    EXPECT_EQ(rig.link.telegrams.size(), 3);
}

TEST(Sequences, EachStepDrainsAndLogsWaitingInputAndResetsRetryCount)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222"});
    rig.ops.BitBtn42Click();
    rig.link.waitingInput = Hex("68 03 01 02 03 16");
    rig.state.retryCount = 7;
    rig.ops.Timer_activateQORAllTimer();
    EXPECT_TRUE(rig.link.lines.contains(QStringLiteral("68 03 01 02 03 16 ")));
    EXPECT_EQ(rig.state.retryCount, 0);
    // Nothing waiting: no line for it.
    const int before = int(rig.link.lines.size());
    rig.ops.Timer_activateQORAllTimer();
    EXPECT_EQ(rig.link.lines.size(), before);
}

// A sequence still running when another exchange takes the line: its steps
// send nothing, read none of the taker's replies and leave the port open,
// each refusal saying why; once released, the line is the window's again.
TEST(Sequences, LineTakenMidwaySendsReadsAndClosesNothing)
{
    OpsRig rig;
    LineGuard guard(rig.link);
    DeviceOperations ops{rig.host, guard, rig.state, rig.table};
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", "33333333"});
    ops.BitBtn42Click();
    QByteArray taken;
    guard.take([&](const QByteArray& bytes) { taken += bytes; });
    const QByteArray reply = Hex("68 03 01 02 03 16");
    rig.link.waitingInput = reply;
    for (int i = 0; i < 10 && ops.batch().running(); ++i)
        ops.Timer_activateQORAllTimer();
    EXPECT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_EQ(rig.linesMatching(LineGuard::busyText()).size(), 2);
    EXPECT_EQ(rig.link.waitingInput, reply);
    EXPECT_TRUE(rig.link.open);
    EXPECT_EQ(rig.link.releaseCalls, 0);
    guard.deliver(reply);
    EXPECT_EQ(taken, reply);
    guard.release();
    ops.BitBtn52Click();
    EXPECT_EQ(rig.link.telegrams.size(), 2);
}

TEST(Sequences, PortLostInTheMiddleRunsToTheEndWithMessages)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", "33333333"});
    rig.ops.BitBtn42Click();
    rig.link.open = false;  // unplugged
    RunToEnd(rig);
    EXPECT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_EQ(rig.linesMatching("No valid physical connection... ").size(), 3);
    EXPECT_EQ(rig.linesMatching("Not sent: ").size(), 2);
    EXPECT_FALSE(rig.host.batchRunning);
}

TEST(Sequences, TableEditedWhileRunningIsReadAfreshAtEachStep)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", "33333333", "44444444"});
    rig.ops.BitBtn42Click();
    rig.table.setCell(MeterTable::ColSerial, 2, QStringLiteral("22220000"));
    rig.ops.Timer_activateQORAllTimer();
    rig.table.setRowCount(3);  // rows 3 and 4 removed
    rig.ops.Timer_activateQORAllTimer();
    EXPECT_FALSE(rig.ops.batch().running());
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    EXPECT_EQ(rig.link.telegrams[1], AddFrame(rig.host.zelk, "22220000", true));
    EXPECT_EQ(rig.link.releaseCalls, 1);
}

TEST(Sequences, SecondDeleteAllStartTakesOverWithoutInterleaving)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222", "33333333"});
    rig.ops.BitBtn42Click();              // add-all running, row 1 sent
    rig.ops.Timer_activateQORAllTimer();  // row 2
    rig.ops.TableDeleteAllRoute();        // Ctrl+F
    EXPECT_EQ(rig.host.confirmCount, 1);
    EXPECT_FALSE(rig.ops.batch().timer(BatchSequences::Kind::AddAll).isActive());
    EXPECT_TRUE(rig.ops.batch().timer(BatchSequences::Kind::DeleteAll).isActive());
    rig.ops.TableDeleteAllRoute();  // and again: starts over at row 1
    RunToEnd(rig);
    QList<QByteArray> expected = {
        AddFrame(rig.host.zelk, "11111111", true),  AddFrame(rig.host.zelk, "22222222", true),
        AddFrame(rig.host.zelk, "11111111", false), AddFrame(rig.host.zelk, "11111111", false),
        AddFrame(rig.host.zelk, "22222222", false), AddFrame(rig.host.zelk, "33333333", false)};
    EXPECT_EQ(rig.link.telegrams, expected);
    EXPECT_EQ(rig.link.releaseCalls, 1);
    EXPECT_TRUE(rig.host.all);
}

TEST(Sequences, PortReleasedDuringTheQuestionIsOpenedAgain)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111"});
    rig.link.open = true;
    rig.host.duringConfirm = [&] { rig.link.ReleasePort(); };  // a sequence ended meanwhile
    rig.ops.BitBtn43Click();
    ASSERT_EQ(rig.link.telegrams.size(), 1);
    EXPECT_TRUE(rig.linesMatching("Not sent: ").isEmpty());

    // When it cannot be opened again, nothing starts.
    OpsRig lost;
    lost.host.all = true;
    lost.setIds({"11111111"});
    lost.host.duringConfirm = [&] {
        lost.link.ReleasePort();
        lost.link.openFails = true;
    };
    lost.ops.BitBtn43Click();
    EXPECT_TRUE(lost.link.telegrams.isEmpty());
    EXPECT_EQ(lost.link.lines.last(), QStringLiteral("No channel for communication..."));
    EXPECT_EQ(lost.host.batchUiCalls, 0);
}

TEST(KeyAll, SendsEachRowsOwnKeyAndGoesOnAfterABadKey)
{
    OpsRig rig;
    rig.host.all = true;
    rig.host.meter = QStringLiteral("99999999");
    rig.host.key = kKey2;
    rig.setIds({"11111111", kSkip, "33333333", "4444444", "55555555"});
    rig.table.setCell(MeterTable::ColKey, 1, kKey1);
    rig.table.setCell(MeterTable::ColKey, 3, kKey1.left(31));
    rig.table.setCell(MeterTable::ColKey, 4, kKey1);
    rig.table.setCell(MeterTable::ColKey, 5, kKey2);
    rig.ops.Butt_setAESClick();
    EXPECT_EQ(rig.state.lastCommand, CommandCode::SetMeterKey);
    EXPECT_TRUE(rig.host.batchRunning);
    RunToEnd(rig);
    ASSERT_EQ(rig.link.telegrams.size(), 2);
    EXPECT_EQ(
        rig.link.telegrams[0],
        ExpectedFrame(rig.host.zelk, Hex("0F FF 0A 14") + Bcd("11111111") + QByteArray::fromHex(kKey1.toLatin1())));
    EXPECT_EQ(
        rig.link.telegrams[1],
        ExpectedFrame(rig.host.zelk, Hex("0F FF 0A 14") + Bcd("55555555") + QByteArray::fromHex(kKey2.toLatin1())));
    EXPECT_TRUE(rig.link.lines.contains(QStringLiteral("Error in AES key for 33333333")));
    EXPECT_TRUE(
        rig.link.lines.contains(QStringLiteral("Encryption key must be 16 bytes exactly (32 symbols), skipping...")));
    EXPECT_EQ(rig.host.meter, QStringLiteral("99999999"));  // the fields are not touched
    EXPECT_EQ(rig.table.cell(MeterTable::ColKey, 3), kKey1.left(31));
    EXPECT_EQ(rig.link.releaseCalls, 1);
    EXPECT_FALSE(rig.host.batchRunning);
}

TEST(KeyAll, StopProgrammingStopsItToo)
{
    OpsRig rig;
    rig.host.all = true;
    rig.setIds({"11111111", "22222222"});
    rig.table.setCell(MeterTable::ColKey, 1, kKey1);
    rig.table.setCell(MeterTable::ColKey, 2, kKey1);
    rig.ops.Butt_setAESClick();
    EXPECT_TRUE(rig.ops.batch().running());
    rig.ops.Butt_stopClick();
    EXPECT_FALSE(rig.ops.batch().running());
    SpinFor(400);
    EXPECT_EQ(rig.link.telegrams.size(), 1);
}

}  // namespace

// The receive path on a real pseudo-terminal against the receiver simulator:
// the serial device's notification feeds ReceivePath, commands go out
// through the device, replies end in the table, the log and the key field.
#include "serial/receive_path.h"
#include "serial/vacomm.h"

#include "protocol/commands.h"
#include "protocol/support/fake_reply_target.h"
#include "support/sim_process.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTime>
#include <functional>

namespace {

// Writes telegrams straight to the device and logs them as the program does.
class PortSink : public CommandSink {
public:
    PortSink(TVaComm& comm, FakeReplyTarget& target) : comm_(comm), target_(target) {}
    void logLine(const QString& line) override { target_.logLine(line); }
    void TransmitTelegram(const QByteArray& telegram) override
    {
        comm_.SendBytes(telegram.constData(), int(telegram.size()));
        QString hex;
        for (char c : telegram)
            hex += QString::asprintf("%02X ", unsigned(std::uint8_t(c)));
        target_.logLine(QStringLiteral("Sent: ") + hex);
        sent << telegram;
    }
    QList<QByteArray> sent;

private:
    TVaComm& comm_;
    FakeReplyTarget& target_;
};

// Keeps events flowing until the predicate holds or 10 s pass.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class ReceiveE2eTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "receive_e2e_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
    }
    // Starts the simulator with extra arguments and opens its terminal.
    void open(const QStringList& simArgs)
    {
        ASSERT_TRUE(sim.start(simArgs)) << sim.errorString().toStdString();
        comm.SetDeviceName(sim.ptyPath());
        comm.OpenPort();
        ASSERT_TRUE(comm.IsOpen());
        path.setReader([this](char* area, int count) { return comm.ReadBytes(area, count); });
        QObject::connect(&comm, &TVaComm::OnRxChar, &path, &ReceivePath::Comm1RxChar);
    }
    void TearDown() override
    {
        comm.ClosePort();
        sim.stop();
    }
    bool logHas(const QString& line) const { return target.lines.contains(line); }

    SimProcess sim;
    TVaComm comm;
    FakeReplyTarget target;
    WorkingState& state = target.workingState;
    PortSink sink{comm, target};
    ReceivePath path{state, target, sink};
};

}  // namespace

TEST_F(ReceiveE2eTest, GetAllMetersFillsTheTableThenTheNotes)
{
    open({QStringLiteral("--preload"), QStringLiteral("01020304:07,87654321:16")});
    target.meterTable.setRowCount(30);
    target.meterTable.setCell(MeterTable::ColKey, 5, QStringLiteral("old"));
    state.meterListPending = true;
    CmdGetMeterList(sink, target.zelkId);

    ASSERT_TRUE(WaitFor([&] { return state.listTailPending; }));
    EXPECT_FALSE(state.meterListPending);
    const MeterTable& m = target.meterTable;
    ASSERT_EQ(m.rowCount(), 17);
    EXPECT_EQ(m.cell(1, 1), QStringLiteral("01020304"));
    EXPECT_EQ(m.cell(2, 1), QStringLiteral("Water"));
    EXPECT_EQ(m.cell(1, 2), QStringLiteral("87654321"));
    EXPECT_EQ(m.cell(2, 2), QStringLiteral("Cold water"));
    for (int r = 3; r <= 16; ++r)
        EXPECT_EQ(m.cell(1, r), QStringLiteral("FFFFFFFF"));
    EXPECT_TRUE(m.cell(3, 5).isEmpty());
    EXPECT_TRUE(m.cell(4, 1).isEmpty());

    // The hold-off timer asks for the second telegram; its values fill Notes.
    ASSERT_TRUE(WaitFor([&] { return !m.cell(4, 16).isEmpty(); }));
    EXPECT_EQ(m.cell(4, 1), QStringLiteral("10000"));
    EXPECT_EQ(m.cell(4, 2), QStringLiteral("20000"));
    for (int r = 3; r <= 16; ++r)
        EXPECT_EQ(m.cell(4, r), QStringLiteral("-1")) << r;
    EXPECT_FALSE(state.listTailPending);
    ASSERT_EQ(sink.sent.size(), 2);
    ASSERT_TRUE(sim.waitForFrames(2, 5000));
    EXPECT_EQ(sim.receivedFrames().value(1), sink.sent[1]);
    // No further follow-up after the tail.
    Settle(1300);
    EXPECT_EQ(sink.sent.size(), 2);
}

// The simulator's line modes: plain, a reply in pieces, noise before it, the
// reply twice in one write.
class ReadStatusE2eTest : public ReceiveE2eTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ReadStatusE2eTest, ReadStatusWritesTheReport)
{
    QStringList args = QString::fromLatin1(GetParam()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args << QStringLiteral("--preload") << QStringLiteral("11111111:07,22222222:03,33333333:16");
    open(args);
    state.lastCommand = 12;
    CmdReadStatus(sink, target.zelkId, QTime::currentTime());
    const QString heading = QStringLiteral("ZELK-DUV 01020304 info: ");
    ASSERT_TRUE(WaitFor([&] { return target.lines.contains(heading); }));
    Settle(200);
    // A reply followed by more bytes in the same read leaves replyReceived
    // false, so only the single-reply modes can check it.
    if (QString::fromLatin1(GetParam()) != QStringLiteral("--double")) {
        EXPECT_TRUE(state.replyReceived);
    }
    const qsizetype at = target.lines.indexOf(heading);
    ASSERT_GE(at, 0);
    EXPECT_EQ(target.lines.value(at + 1), QStringLiteral("Currently used IDs: 3"));
    EXPECT_EQ(target.lines.value(at + 2), QStringLiteral("Current wireless mode: T1"));
    EXPECT_EQ(target.lines.value(at + 3), QString(32, QLatin1Char('-')));
    // Written once, even when the reply came twice.
    EXPECT_EQ(target.lines.count(heading), 1);
}

INSTANTIATE_TEST_SUITE_P(LineModes, ReadStatusE2eTest, ::testing::Values("", "--split 3:40", "--noise 9", "--double"));

TEST_F(ReceiveE2eTest, StrayStartByteBeforeTheReplyDelaysItLessThanASecond)
{
    // Fails when the assembler waits for the frame that 68 F0 announced.
    open({QStringLiteral("--noise-hex"), QStringLiteral("68 F0")});
    state.lastCommand = 12;
    CmdReadStatus(sink, target.zelkId, QTime::currentTime());
    ASSERT_TRUE(sim.waitForFrames(1, 5000));
    EXPECT_TRUE(WaitFor([&] { return target.lines.contains(QStringLiteral("ZELK-DUV 01020304 info: ")); }, 1000));
}

TEST_F(ReceiveE2eTest, WrongEndBytesAreNeverDecoded)
{
    open({QStringLiteral("--bad-end")});
    state.lastCommand = 12;
    CmdReadStatus(sink, target.zelkId, QTime::currentTime());
    ASSERT_TRUE(sim.waitForFrames(1, 5000));
    Settle(300);
    EXPECT_FALSE(state.replyReceived);
    EXPECT_EQ(target.lines.size(), 1);  // the "Sent: " line only
}

TEST_F(ReceiveE2eTest, KeyReadFillsTheKeyField)
{
    const QString key = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    open({QStringLiteral("--preload"), QStringLiteral("87654321:07:") + key});
    target.meterTable.setRowCount(4);
    target.meterTable.setCell(MeterTable::ColSerial, 1, QStringLiteral("87654321"));
    target.meterTable.setCell(MeterTable::ColSerial, 3, QStringLiteral("87654321"));
    target.meterTable.setCell(MeterTable::ColSerial, 2, QStringLiteral("01020304"));
    target.meterId = QStringLiteral("87654321");
    state.lastCommand = 6;
    CmdReadMeterKey(sink, target.zelkId, target.meterId);
    ASSERT_TRUE(WaitFor([&] { return target.keyWrites > 0; }));
    EXPECT_EQ(target.keyField, key);
    EXPECT_EQ(target.meterTable.cell(3, 1), key);
    EXPECT_EQ(target.meterTable.cell(3, 3), key);
    EXPECT_TRUE(target.meterTable.cell(3, 2).isEmpty());
    EXPECT_TRUE(state.replyReceived);
}

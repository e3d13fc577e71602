// The operations over a real serial connection to the receiver simulator: the
// frames the simulator receives, the log lines of the whole exchange (sent
// telegram, accepted reply, decoded text) and the state fields afterwards.
#include "core/activity_log.h"
#include "core/command_codes.h"
#include "operations/connection_link.h"
#include "protocol/hex.h"
#include "protocol/reply_target.h"
#include "serial/connection.h"
#include "serial/receive_path.h"
#include "serial/vacomm.h"
#include "support/fakes.h"
#include "support/sim_process.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The window as the connection and the reply decoders see it, over FakeHost's fields.
class SimWindow : public ConnectionView, public ReplyTarget {
public:
    SimWindow(FakeHost& host, ActivityLog& log, WorkingState& state, MeterTable& table, const QString& port)
        : host_(host), log_(log), state_(state), table_(table), port_(port)
    {}
    QString portNameText() const override { return port_; }
    QString speedText() const override { return QStringLiteral("9600"); }
    QString parityText() const override { return QStringLiteral("None"); }
    bool rtsTicked() const override { return false; }
    bool englishChecked() const override { return true; }
    void setStatusText(const QString&) override {}
    void setConnectCaption(const QString&) override {}
    void setPortListsEnabled(bool) override {}

    void logLine(const QString& line) override { log_.append(line); }
    QString currentZelkId() const override { return host_.zelk; }
    QString meterIdField() const override { return host_.meter; }
    void setKeyField(const QString& text) override { host_.key = text; }
    MeterTable& table() override { return table_; }
    WorkingState& state() override { return state_; }

private:
    FakeHost& host_;
    ActivityLog& log_;
    WorkingState& state_;
    MeterTable& table_;
    QString port_;
};

class SimOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureTestApp();
        host.retryTimes = 0;
        host.timeoutMs = 300;
        StartSim({"--preload", "11111111:07:000102030405060708090A0B0C0D0E0F"});
    }
    // (Re)starts the simulator and wires a fresh connection, receive path and operations to it.
    void StartSim(const QStringList& args)
    {
        ops.reset();
        rx.reset();
        link.reset();
        connection.reset();
        sim.stop();
        ASSERT_TRUE(sim.start(args)) << sim.errorString().toStdString();
        window = std::make_unique<SimWindow>(host, log, state, table, sim.ptyPath());
        connection = std::make_unique<Connection>(comm, *window, log, state);
        link = std::make_unique<ConnectionLink>(*connection);
        rx = std::make_unique<ReceivePath>(state, *window, *connection);
        rx->setReader([this](char* area, int count) { return comm.ReadBytes(area, count); });
        QObject::connect(&comm, &TVaComm::OnRxChar, rx.get(), &ReceivePath::Comm1RxChar);
        ops = std::make_unique<DeviceOperations>(host, *link, state, table);
    }
    void TearDown() override
    {
        ops.reset();
        if (connection && connection->connected())
            connection->ReleasePort();
    }
    bool WaitReply()
    {
        return SpinUntil([&] { return state.replyReceived; }, 3000);
    }
    QByteArray Sent(int i) const { return sim.receivedFrames().value(i); }

    SimProcess sim;
    FakeHost host;
    ActivityLog log;
    WorkingState state;
    MeterTable table;
    TVaComm comm;
    std::unique_ptr<SimWindow> window;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ConnectionLink> link;
    std::unique_ptr<ReceivePath> rx;
    std::unique_ptr<DeviceOperations> ops;
};

TEST_F(SimOperations, AddMeterIsReceivedAndAnswered)
{
    host.meter = QStringLiteral("87654321");
    ops->BitBtn42Click();
    ASSERT_TRUE(sim.waitForFrames(1, 3000));
    EXPECT_EQ(Sent(0), ExpectedFrame(host.zelk, Hex("0F FF 01 04") + Bcd("87654321")));
    ASSERT_TRUE(WaitReply()) << log.lines().join('\n').toStdString();
    EXPECT_EQ(state.lastCommand, CommandCode::AddMeter);
    EXPECT_TRUE(state.connected);
    EXPECT_TRUE(log.lines().contains(QStringLiteral("Sent: ") + HexDump(Sent(0))));
    EXPECT_TRUE(sim.waitForState([](const SimProcess::StateMap& m) { return m.value("used") == "2"; }, 3000));
    // The tick after the reply: one empty line, nothing sent again.
    ASSERT_TRUE(SpinUntil([&] { return !ops->retryTimer().timer().isActive(); }, 3000));
    EXPECT_EQ(log.lastLine(), QString());
    EXPECT_EQ(sim.receivedFrames().size(), 1);
}

TEST_F(SimOperations, ReadKeyFillsTheKeyField)
{
    host.meter = QStringLiteral("11111111");
    table.setRowCount(2);
    table.setCell(MeterTable::ColSerial, 1, host.meter);
    ops->Butt_readAESClick();
    ASSERT_TRUE(sim.waitForFrames(1, 3000));
    EXPECT_EQ(Sent(0), ExpectedFrame(host.zelk, Hex("0F FF 8A 04") + Bcd("11111111")));
    ASSERT_TRUE(SpinUntil([&] { return !host.key.isEmpty(); }, 3000)) << log.lines().join('\n').toStdString();
    EXPECT_EQ(host.key, QStringLiteral("000102030405060708090A0B0C0D0E0F"));
    EXPECT_EQ(table.cell(MeterTable::ColKey, 1), host.key);
    EXPECT_EQ(state.lastCommand, CommandCode::ReadMeterKey);
}

TEST_F(SimOperations, SetMediumAndWirelessModeChangeTheReceiver)
{
    host.meter = QStringLiteral("11111111");
    host.medium = QStringLiteral("Gas");
    ops->BitBtn19Click();
    ASSERT_TRUE(sim.waitForFrames(1, 3000));
    EXPECT_EQ(Sent(0), ExpectedFrame(host.zelk, Hex("0F FF 28 05") + Bcd("11111111") + Hex("03")));
    ASSERT_TRUE(WaitReply());
    EXPECT_TRUE(sim.waitForState(
        [](const SimProcess::StateMap& m) { return m.value("slot1").startsWith("11111111,03"); }, 3000));

    SpinFor(1100);  // the receive path's hold-off after an accepted reply
    host.mode = QStringLiteral("Mode C");
    ops->Button8Click();
    ASSERT_TRUE(sim.waitForFrames(2, 3000));
    EXPECT_EQ(Sent(1), ExpectedFrame(host.zelk, Hex("0F FF 20 01 05")));
    EXPECT_TRUE(sim.waitForState("mode", "05", 3000));
    EXPECT_EQ(state.lastCommand, CommandCode::SetWirelessMode);
}

TEST_F(SimOperations, GetAllMetersFillsTheTableFromBothTelegrams)
{
    table.setRowCount(4);
    table.setCell(MeterTable::ColSerial, 3, QStringLiteral("99999999"));
    ops->BitBtn51Click();
    ASSERT_TRUE(sim.waitForFrames(1, 3000));
    EXPECT_EQ(Sent(0), ExpectedFrame(host.zelk, Hex("0F FF 02 04 01 10 00 00")));
    ASSERT_TRUE(SpinUntil([&] { return table.cell(MeterTable::ColNotes, 1) == QStringLiteral("10000"); }, 4000))
        << log.lines().join('\n').toStdString();
    ASSERT_EQ(table.rowCount(), 17);
    for (int r = 1; r <= 16; ++r)  // slot 1 holds the preloaded meter, the others are empty
        EXPECT_EQ(QStringList(table.rows()[size_t(r)].begin(), table.rows()[size_t(r)].end()),
                  (QStringList{QString::number(r), r == 1 ? "11111111" : "FFFFFFFF", r == 1 ? "Water" : "Unknown",
                               QString(), r == 1 ? "10000" : "-1"}));
    EXPECT_FALSE(state.listTailPending);
}

TEST_F(SimOperations, GetAllSoonAfterAStatusFillsTheTableAndTheNextStatusIsShown)
{
    // Fails when the status reply's hold-off drops the list (the table stays
    // empty) or when a list request left pending takes the next status reply.
    const QString heading = QStringLiteral("ZELK-DUV 01020304 info: ");
    ops->BitBtn52Click();
    SpinFor(300);
    ops->BitBtn51Click();
    ASSERT_TRUE(SpinUntil([&] { return !table.cell(MeterTable::ColNotes, 16).isEmpty(); }, 4000))
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(table.cell(MeterTable::ColSerial, 1), QStringLiteral("11111111"));
    EXPECT_EQ(table.cell(MeterTable::ColNotes, 1), QStringLiteral("10000"));
    ops->BitBtn52Click();
    ASSERT_TRUE(SpinUntil([&] { return log.lines().count(heading) == 2; }, 3000))
        << log.lines().join('\n').toStdString();
    EXPECT_FALSE(log.lines().contains(QStringLiteral("Error decoding radio telegram...")));
}

TEST_F(SimOperations, AddAllSendsEveryRowAndReleasesThePort)
{
    host.all = true;
    table.setRowCount(4);
    table.setCell(MeterTable::ColSerial, 1, QStringLiteral("22222222"));
    table.setCell(MeterTable::ColSerial, 2, QStringLiteral("FFFFFFFF"));
    table.setCell(MeterTable::ColSerial, 3, QStringLiteral("33333333"));
    ops->BitBtn42Click();
    ASSERT_TRUE(SpinUntil([&] { return !ops->batch().running(); }, 5000));
    ASSERT_TRUE(sim.waitForFrames(2, 3000));
    EXPECT_EQ(Sent(0), ExpectedFrame(host.zelk, Hex("0F FF 01 04") + Bcd("22222222")));
    EXPECT_EQ(Sent(1), ExpectedFrame(host.zelk, Hex("0F FF 01 04") + Bcd("33333333")));
    EXPECT_FALSE(connection->connected());
    EXPECT_FALSE(host.batchRunning);
    EXPECT_TRUE(sim.waitForState("used", "3", 3000));
}

TEST_F(SimOperations, ReceiverGoneInTheMiddleOfASequenceEndsItWithMessages)
{
    host.all = true;
    table.setRowCount(5);
    for (int r = 1; r <= 4; ++r)
        table.setCell(MeterTable::ColSerial, r, QStringLiteral("2222222%1").arg(r));
    ops->BitBtn42Click();
    ASSERT_TRUE(sim.waitForFrames(1, 3000));
    sim.stop();  // the far end disappears
    ASSERT_TRUE(SpinUntil([&] { return !ops->batch().running(); }, 5000));
    EXPECT_FALSE(host.batchRunning);
    EXPECT_FALSE(connection->connected());
    EXPECT_TRUE(log.lines().contains(QStringLiteral("No valid physical connection... ")))
        << log.lines().join('\n').toStdString();
}

TEST_F(SimOperations, RetriesTwoWithASilentReceiverSendsThreeTimes)
{
    StartSim({"--silent"});
    host.retryTimes = 2;
    host.meter = QStringLiteral("11111111");
    host.medium = QStringLiteral("Water");
    ops->BitBtn19Click();
    ASSERT_TRUE(SpinUntil([&] { return state.retryCount == 3; }, 5000));
    ASSERT_TRUE(sim.waitForFrames(3, 3000));
    SpinFor(400);
    EXPECT_EQ(sim.receivedFrames().size(), 3);
    EXPECT_EQ(Sent(2), Sent(0));
    QStringList attempts;
    for (const QString& l : log.lines())
        if (l.startsWith("Communicating RF-ZELK again, attempt "))
            attempts << l.right(1);
    EXPECT_EQ(attempts, (QStringList{"1", "2"}));
}

// Every operation answered with a status or error reply: the frame the
// receiver got, and the reply recognised (replyReceived set by the decoder).
struct SimCase {
    const char* name;
    std::function<void(FakeHost&)> prepare;
    std::function<void(DeviceOperations&)> run;
    QByteArray body;
    std::uint8_t code;
};

class SimEachOperation : public SimOperations, public ::testing::WithParamInterface<SimCase> {};

TEST_P(SimEachOperation, ReceiverGetsTheFrameAndItsReplyIsRecognised)
{
    const SimCase& c = GetParam();
    host.meter = QStringLiteral("11111111");
    if (c.prepare)
        c.prepare(host);
    c.run(*ops);
    ASSERT_TRUE(sim.waitForFrames(1, 3000)) << log.lines().join('\n').toStdString();
    EXPECT_EQ(Sent(0).toHex(' '), ExpectedFrame(host.zelk, c.body).toHex(' '));
    EXPECT_TRUE(log.lines().contains(QStringLiteral("Sent: ") + HexDump(Sent(0))));
    EXPECT_TRUE(WaitReply()) << log.lines().join('\n').toStdString();
    EXPECT_EQ(state.lastCommand, c.code);
    EXPECT_EQ(sim.receivedFrames().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, SimEachOperation,
    ::testing::Values(
        SimCase{"DeleteMeter", nullptr, [](DeviceOperations& o) { o.BitBtn43Click(); },
                Hex("0F FF 81 04") + Bcd("11111111"), CommandCode::DeleteMeter},
        SimCase{"SetKey", [](FakeHost& h) { h.key = QStringLiteral("FFEEDDCCBBAA99887766554433221100"); },
                [](DeviceOperations& o) { o.Butt_setAESClick(); },
                Hex("0F FF 0A 14") + Bcd("11111111") + Hex("FF EE DD CC BB AA 99 88 77 66 55 44 33 22 11 00"),
                CommandCode::SetMeterKey},
        SimCase{"ReadStatus", nullptr, [](DeviceOperations& o) { o.BitBtn52Click(); }, Hex("04 6D 2D 0D 01 01"),
                CommandCode::ReadStatus},
        SimCase{"ReadStatusSecondButton", nullptr, [](DeviceOperations& o) { o.BitBtn53Click(); },
                Hex("04 6D 2D 0D 01 01"), CommandCode::ReadStatus},
        SimCase{"SetNewId", [](FakeHost& h) { h.newId = QStringLiteral("55667788"); },
                [](DeviceOperations& o) { o.Button6Click(); }, Hex("07 79") + Bcd("55667788") + Hex("DA 46 1B"),
                CommandCode::SetReceiverId},
        SimCase{"MasterReset", nullptr, [](DeviceOperations& o) { o.BitBtn23Click(); }, Hex("0F FF 82 04 01 10 00 00"),
                CommandCode::MasterReset},
        SimCase{"ClockAdjust", [](FakeHost& h) { h.clock = QStringLiteral("511"); },
                [](DeviceOperations& o) { o.BitBtn24Click(); }, Hex("0F FF 32 02 FF 01"), CommandCode::ClockAdjust},
        SimCase{"SetFlag",
                [](FakeHost& h) {
                    h.flag = QStringLiteral("REPEATER");
                    h.flagSwitch = true;
                },
                [](DeviceOperations& o) { o.BitBtn44Click(); }, Hex("0F FF 05 04 03 01 00 00"),
                CommandCode::SetReceiverFlag}),
    [](const ::testing::TestParamInfo<SimCase>& i) { return std::string(i.param.name); });

}  // namespace

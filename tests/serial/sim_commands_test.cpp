// The simulator's handling of every command frame, over a real pseudo-terminal.
#include "sim_test_helpers.h"

using namespace simtest;

namespace {

const char* const kAdd87654321 = "68 16 06 DA 46 04 03 02 01 00 1B 7A 00 00 00 00 0F FF 01 04 21 43 65 87 16";
const char* const kNoKey = "00000000000000000000000000000000";
const char* const kEmptySlot = "FFFFFFFF,FF,FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";

class SimCommands : public SimFixture {};

TEST_F(SimCommands, AddAndDeleteMeterKeepTheSlotListAndAnswer)
{
    startSim();
    const QByteArray add = hex(kAdd87654321);
    Status st = askStatus(add);
    ASSERT_TRUE(st.valid);
    EXPECT_EQ(st.used, 1);
    EXPECT_EQ(sim.state().value("slot1"), QString("87654321,0F,") + kNoKey);

    EXPECT_EQ(askError(add), 0x15) << "an ID already in the list";

    QByteArray del = add;
    del[18] = char(0x81);
    st = askStatus(del);
    ASSERT_TRUE(st.valid);
    EXPECT_EQ(st.used, 0);
    EXPECT_EQ(sim.state().value("slot1"), kEmptySlot);
    EXPECT_EQ(askError(del), 0x17) << "deleting an ID that is not there";

    // The record holds the frames exactly as they were written.
    ASSERT_TRUE(sim.waitForFrames(4, 5000));
    const QList<QByteArray> frames = sim.receivedFrames();
    ASSERT_EQ(frames.size(), 4);
    EXPECT_EQ(frames[0], add);
    EXPECT_EQ(frames[2], del);
    EXPECT_EQ(sim.state().value("frames"), "4");
}

TEST_F(SimCommands, AddRefusesInvalidIdsAndAFullList)
{
    QStringList preload;
    for (int k = 1; k <= 16; ++k)
        preload << QString("%1:07").arg(10000000 + k);
    startSim({"--preload", preload.join(',')});
    EXPECT_EQ(sim.state().value("used"), "16");

    EXPECT_EQ(askError(command("0F FF 01 04 FF FF FF FF")), 0x18) << "the empty-slot marker";
    EXPECT_EQ(askError(command("0F FF 01 04 1A 00 00 00")), 0x18) << "not BCD";
    EXPECT_EQ(askError(command("0F FF 01 04 21 43 65 87")), 0x18) << "list full";
    EXPECT_EQ(askError(command("0F FF 01 04 01 00 00 10")), 0x15) << "10000001 is already there";

    // A deleted slot is reused by the next add.
    EXPECT_TRUE(askStatus(command("0F FF 81 04 05 00 00 10")).valid);
    EXPECT_EQ(askStatus(command("0F FF 01 04 21 43 65 87")).used, 16);
    EXPECT_EQ(sim.state().value("slot5"), QString("87654321,0F,") + kNoKey);
}

TEST_F(SimCommands, MeterListComesInTwoTelegramsTheSecondOnlyOnRequest)
{
    startSim({"--preload", "01020304:07,87654321:16"});
    const QByteArray list = ask(command("0F FF 02 04 01 10 00 00"));
    expectAnswerHead(list);
    ASSERT_GE(list.size(), 104);
    EXPECT_EQ(hexOf(list.mid(16, 4)), "0F FF 79 40");
    EXPECT_EQ(hexOf(list.mid(20, 8)), "04 03 02 01 21 43 65 87");
    EXPECT_EQ(list.mid(28, 56), QByteArray(56, char(0xFF))) << "14 empty slots";
    EXPECT_EQ(quint8(list[88]), 0x07);
    EXPECT_EQ(quint8(list[89]), 0x16);
    EXPECT_EQ(list.mid(90, 14), QByteArray(14, char(0xFF)));

    // Without the follow-up the next answer is the status, not the second telegram.
    EXPECT_TRUE(askStatus(statusRequest()).valid);

    const QByteArray values = ask(command("0F FF 22 02 01 10"));
    expectAnswerHead(values);
    ASSERT_GE(values.size(), 100);
    ASSERT_GE(values.size(), 18 + 6 * 15 + 4 + 1) << "a complete value for each of the 16 slots";
    EXPECT_EQ(hexOf(values.mid(18, 4)), "10 27 00 00") << "slot 1: 10000";
    EXPECT_EQ(hexOf(values.mid(24, 4)), "20 4E 00 00") << "slot 2: 20000";
    for (int k = 2; k < 16; ++k)
        EXPECT_EQ(values.mid(18 + 6 * k, 4), QByteArray(4, char(0xFF))) << "empty slot " << k + 1;
}

TEST_F(SimCommands, WirelessModeIsReportedAsTheStatusModeCode)
{
    startSim();
    EXPECT_EQ(askStatus(statusRequest()).modeCode, 0x10) << "mode T at start";
    const struct {
        const char* byte;
        int code;
    } modes[] = {{"03", 0x30}, {"05", 0x50}, {"00", 0x00}, {"02", 0x20}, {"04", 0x40}, {"01", 0x10}};
    for (const auto& m : modes) {
        const QByteArray body = QByteArray("0F FF 20 01 ") + m.byte;
        EXPECT_EQ(askStatus(command(body.constData())).modeCode, m.code) << m.byte;
        EXPECT_EQ(sim.state().value("mode"), m.byte);
    }
    EXPECT_EQ(askError(command("0F FF 20 01 06")), 0x18);
    EXPECT_EQ(askStatus(statusRequest()).modeCode, 0x10) << "a refused mode changes nothing";
}

TEST_F(SimCommands, FlagNumbersSetAndClearTheirBits)
{
    startSim();
    const struct {
        const char* data;
        int flagByte;
    } steps[] = {{"03 01", 0x04}, {"04 01", 0x0C}, {"06 01", 0x2C}, {"04 00", 0x24},
                 {"08 01", 0xA4}, {"08 00", 0x24}, {"0B 01", 0x24}, {"09 01", 0x24}};
    for (const auto& s : steps) {
        const QByteArray body = QByteArray("0F FF 05 04 ") + s.data + " 00 00";
        EXPECT_EQ(askStatus(command(body.constData())).flags, s.flagByte) << s.data;
    }
    EXPECT_EQ(sim.state().value("flags"), "24");
    EXPECT_EQ(sim.state().value("flagword"), "0524") << "flags 9 and 11 lie above the flag byte";
    EXPECT_EQ(askError(command("0F FF 05 04 00 01 00 00")), 0x18) << "flag number of an unknown name";
    EXPECT_EQ(askError(command("0F FF 05 04 0A 01 00 00")), 0x18) << "there is no flag 10";
    EXPECT_EQ(askError(command("0F FF 05 04 02 01 00 00")), 0x18);
    EXPECT_EQ(askStatus(statusRequest()).flags, 0x24);
}

TEST_F(SimCommands, ClockAdjustmentKeepsValueAndSwitch)
{
    startSim();
    EXPECT_TRUE(askStatus(command("0F FF 32 02 00 81")).valid);
    EXPECT_EQ(sim.state().value("clock"), "256");
    EXPECT_EQ(sim.state().value("clockon"), "1");
    EXPECT_TRUE(askStatus(command("0F FF 32 02 E7 03")).valid);
    EXPECT_EQ(sim.state().value("clock"), "999");
    EXPECT_EQ(sim.state().value("clockon"), "0");
}

TEST_F(SimCommands, KeyAndMediumAreStoredAndTheKeyReadsBack)
{
    startSim({"--preload", "87654321:07"});
    const char* key = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF";
    EXPECT_TRUE(askStatus(command((QByteArray("0F FF 0A 14 21 43 65 87 ") + key).constData())).valid);
    EXPECT_EQ(sim.state().value("slot1"), "87654321,07,00112233445566778899AABBCCDDEEFF");

    const QByteArray back = ask(command("0F FF 8A 04 21 43 65 87"));
    expectAnswerHead(back);
    ASSERT_GE(back.size(), 38);
    EXPECT_EQ(back.mid(20, 16), hex(key));

    EXPECT_EQ(askStatus(command("0F FF 28 05 21 43 65 87 16")).used, 1);
    EXPECT_EQ(sim.state().value("slot1").section(',', 1, 1), "16");

    // Unknown meters, and IDs that are not BCD.
    EXPECT_EQ(askError(command((QByteArray("0F FF 0A 14 01 00 00 00 ") + key).constData())), 0x17);
    EXPECT_EQ(askError(command("0F FF 8A 04 01 00 00 00")), 0x17);
    EXPECT_EQ(askError(command("0F FF 28 05 01 00 00 00 07")), 0x17);
    EXPECT_EQ(askError(command("0F FF 8A 04 FF FF FF FF")), 0x18);
    EXPECT_EQ(sim.state().value("slot1"), "87654321,16,00112233445566778899AABBCCDDEEFF");
}

TEST_F(SimCommands, MasterResetEmptiesSlotsFlagsAndMode)
{
    startSim({"--preload", "01020304:07,87654321:16"});
    askStatus(command("0F FF 05 04 03 01 00 00"));
    askStatus(command("0F FF 20 01 05"));
    askStatus(command("0F FF 32 02 2C 81"));
    const Status st = askStatus(command("0F FF 82 04 01 10 00 00"));
    ASSERT_TRUE(st.valid);
    EXPECT_EQ(st.used, 0);
    EXPECT_EQ(st.flags, 0);
    EXPECT_EQ(st.modeCode, 0x10);
    const auto state = sim.state();
    for (int k = 1; k <= 16; ++k)
        EXPECT_EQ(state.value(QString("slot%1").arg(k)), kEmptySlot);
    EXPECT_EQ(state.value("id"), "01020304");
}

TEST_F(SimCommands, NewIdAnswersFromTheOldIdThenTakesTheNewOne)
{
    startSim();
    const QByteArray answer = ask(command("07 79 44 33 22 11 DA 46 1B"));
    expectAnswerHead(answer, "04 03 02 01");
    EXPECT_TRUE(statusOf(answer).valid);
    EXPECT_EQ(sim.state().value("id"), "11223344");

    // The old ID is now another receiver's: ignored. The first answer that
    // comes is the one for the new ID.
    ASSERT_TRUE(line.write(statusRequest("04 03 02 01")));
    const QByteArray next = ask(statusRequest("44 33 22 11"));
    expectAnswerHead(next, "44 33 22 11");
    EXPECT_TRUE(statusOf(next).valid);

    const QByteArray refused = ask(command("07 79 44 33 22 1F DA 46 1B", "44 33 22 11"));
    expectAnswerHead(refused, "44 33 22 11");
    EXPECT_EQ(errorOf(refused), 0x18);
    EXPECT_EQ(sim.state().value("id"), "11223344");
}

TEST_F(SimCommands, StatusRequestReportsSlotsInUseAndIsRecorded)
{
    startSim({"--id", "55667788", "--preload", "01020304:07,87654321:16"});
    const QByteArray answer = ask(statusRequest("88 77 66 55"));
    expectAnswerHead(answer, "88 77 66 55");
    EXPECT_GT(answer.size(), 32);
    const Status st = statusOf(answer);
    EXPECT_EQ(st.used, 2);
    EXPECT_EQ(st.flags, 0);
    EXPECT_EQ(sim.state().value("statustime"), "14:07");
}

}  // namespace

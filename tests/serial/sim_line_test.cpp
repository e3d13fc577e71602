// The simulator's line: frame assembly, frames it must not answer, the answer
// modes of its command line, its link, record and state files, and its exit.
#include "sim_test_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

using namespace simtest;

namespace {

class SimLineTest : public SimFixture {
protected:
    // The answer the simulator gives to a status request with no options.
    static QByteArray plainStatusAnswer()
    {
        SimProcess s;
        SimLine l;
        if (!s.start() || !l.open(s.ptyPath()) || !l.write(statusRequest()))
            return {};
        return l.readFrame(5000);
    }
};

TEST_F(SimLineTest, FramesItMustNotAnswerGetNothingAndAreLogged)
{
    startSim();
    const QByteArray bad[] = {
        statusRequest("05 03 02 01"),           // another receiver
        command("0F FF 01 04 21 43 65"),        // length byte short of the ID
        command("0F FF 01 05 21 43 65 87 00"),  // wrong record length
        command("0F FF 33 01 00"),              // unknown record code
        command("03 6D 07 0E 01 01"),           // unknown data record
        command("0F FF 02 04 01 10 00 01"),     // list request with other data
        command("0F FF 05 04 03 02 00 00"),     // flag neither set nor clear
        command("07 79 44 33 22 11 DA 46 1C"),  // new ID with a wrong device type
        hex("68 03 06 DA 46 16"),               // too short for a command
    };
    QByteArray withHeadError = statusRequest();
    withHeadError[10] = char(0x1C);
    for (const QByteArray& f : bad)
        ASSERT_TRUE(line.write(f));
    ASSERT_TRUE(line.write(withHeadError));

    // Nothing was answered: the first answer is the one to this request.
    QByteArray skipped;
    const QByteArray answer = ask(statusRequest(), &skipped);
    EXPECT_TRUE(statusOf(answer).valid);
    EXPECT_TRUE(skipped.isEmpty()) << hexOf(skipped).constData();

    ASSERT_TRUE(sim.waitForFrames(11, 5000));
    EXPECT_EQ(sim.receivedFrames().size(), 11);
    EXPECT_EQ(sim.receivedFrames().constFirst(), bad[0]);
    const QString log = sim.stderrText();
    EXPECT_EQ(log.count("malformed frame"), 9) << log.toStdString();
    EXPECT_TRUE(log.contains("unknown record code 33")) << log.toStdString();
    EXPECT_TRUE(log.contains("ZELK ID 01020305 ignored")) << log.toStdString();
    EXPECT_EQ(sim.state().value("used"), "0");
}

TEST_F(SimLineTest, AssemblyResynchronisesOnTheNextStartByte)
{
    startSim();
    // Junk, a frame with a wrong end byte, then a good frame, in pieces.
    QByteArray broken = statusRequest();
    broken[broken.size() - 1] = char(0x17);
    const QByteArray good = command("0F FF 01 04 21 43 65 87");
    const QByteArray stream = hex("00 16 FF") + broken + good;
    ASSERT_TRUE(line.write(stream.left(5)));
    ASSERT_TRUE(line.write(stream.mid(5, 30)));
    const QByteArray answer = ask(stream.mid(35));
    EXPECT_EQ(statusOf(answer).used, 1) << "the add after the broken frame was handled";

    const QList<QByteArray> frames = sim.receivedFrames();
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0], good);
    QByteArray dropped;
    for (const QByteArray& run : sim.discardedBytes())
        dropped += run;
    EXPECT_EQ(dropped, hex("00 16 FF") + broken);
}

TEST_F(SimLineTest, AnIncompleteFrameIsGivenUpAfterAPause)
{
    startSim();
    const QByteArray partial = statusRequest().left(12);
    ASSERT_TRUE(line.write(partial));
    // The pty may hand the bytes over in more than one read, each given up on its own.
    ASSERT_TRUE(sim.waitForState(
        [&](const SimProcess::StateMap&) { return sim.discardedBytes().join().size() >= partial.size(); }, 5000));
    EXPECT_EQ(sim.discardedBytes().join(), partial);
    EXPECT_TRUE(askStatus(statusRequest()).valid);
}

TEST_F(SimLineTest, SilentRecordsButAnswersNothing)
{
    startSim({"--silent"});
    ASSERT_TRUE(line.write(hex("68 16 06 DA 46 04 03 02 01 00 1B 7A 00 00 00 00 0F FF 01 04 21 43 65 87 16")));
    ASSERT_TRUE(sim.waitForState("used", "1", 5000));
    EXPECT_TRUE(line.readUntilQuiet(300).isEmpty());
}

TEST_F(SimLineTest, BadEndChangesOnlyTheEndByte)
{
    const QByteArray plain = plainStatusAnswer();
    ASSERT_FALSE(plain.isEmpty());
    startSim({"--bad-end"});
    const QByteArray answer = ask(statusRequest());
    ASSERT_EQ(answer.size(), plain.size());
    EXPECT_EQ(quint8(answer[answer.size() - 1]), 0x17);
    EXPECT_EQ(answer.chopped(1), plain.chopped(1));
}

TEST_F(SimLineTest, DoubleSplitNoiseAndDelayDeliverTheSameFrame)
{
    const QByteArray plain = plainStatusAnswer();
    ASSERT_FALSE(plain.isEmpty());
    const struct {
        QStringList args;
        int copies;
        int noise;
    } cases[] = {
        {{"--double"}, 2, 0},
        {{"--split", "4:30"}, 1, 0},
        {{"--noise", "12"}, 1, 12},
        {{"--noise", "5", "--double", "--split", "3:10"}, 2, 5},
        {{"--noise-hex", "01 02 03"}, 1, 3},
        {{"--delay", "50"}, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        startSim(c.args);
        ASSERT_TRUE(line.write(statusRequest()));
        for (int copy = 0; copy < c.copies; ++copy) {
            QByteArray skipped;
            EXPECT_EQ(line.readFrame(5000, &skipped), plain);
            EXPECT_EQ(skipped.size(), c.noise);
            EXPECT_FALSE(skipped.contains(char(0x68)));
        }
        EXPECT_TRUE(line.readUntilQuiet(200).isEmpty()) << "no further copy";
        sim.stop();
        line.close();
    }
}

TEST_F(SimLineTest, ChunkWritesPiecesOfNBytesWithTheGapBetween)
{
    // Fails when --chunk or --gap is ignored: the first quiet moment would
    // then come after the whole answer.
    const QByteArray plain = plainStatusAnswer();
    startSim({"--chunk", "7", "--gap", "600"});
    ASSERT_TRUE(line.write(statusRequest()));
    QByteArray first;
    for (int wait = 0; first.isEmpty() && wait < 20; ++wait)
        first = line.readUntilQuiet(250);
    EXPECT_EQ(first, plain.left(7));
    EXPECT_EQ(first + line.readUntilQuiet(1500, 8000), plain);
}

TEST_F(SimLineTest, LinkIsMadeReplacedAndRemoved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("ttyZELK");
    ASSERT_EQ(::symlink("/nonexistent/stale", link.toLocal8Bit().constData()), 0);
    startSim({"--link", link});
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.ptyPath());
    SimLine viaLink;
    ASSERT_TRUE(viaLink.open(link));
    ASSERT_TRUE(viaLink.write(statusRequest()));
    EXPECT_TRUE(statusOf(viaLink.readFrame(5000)).valid);
    sim.stop();
    EXPECT_EQ(sim.exitCode(), 0) << "SIGTERM is a clean stop";
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    // A file that is not a link is never replaced.
    QFile plain(link);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("keep");
    plain.close();
    EXPECT_FALSE(sim.start({"--link", link}));
    QFile again(link);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "keep");
}

TEST_F(SimLineTest, RecordAndStateFileFormats)
{
    startSim({"--preload", "87654321:16:000102030405060708090A0B0C0D0E0F"});
    EXPECT_TRUE(askStatus(statusRequest()).valid);
    QFile record(sim.recordPath());
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    EXPECT_EQ(record.readAll(), "68 14 06 DA 46 04 03 02 01 00 1B 7A 00 00 00 00 04 6D 07 0E 01 01 16 \n");

    const auto state = sim.state();
    EXPECT_EQ(state.value("id"), "01020304");
    EXPECT_EQ(state.value("mode"), "01");
    EXPECT_EQ(state.value("flags"), "00");
    EXPECT_EQ(state.value("clock"), "0");
    EXPECT_EQ(state.value("clockon"), "0");
    EXPECT_EQ(state.value("slot1"), "87654321,16,000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(state.value("slot16"), "FFFFFFFF,FF,FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_FALSE(QFile::exists(sim.statePath() + ".tmp"));
}

TEST_F(SimLineTest, SavedStateStartsTheNextRun)
{
    startSim();
    askStatus(command("0F FF 01 04 21 43 65 87"));
    askStatus(command("0F FF 28 05 21 43 65 87 07"));
    askStatus(command("0F FF 05 04 06 01 00 00"));
    askStatus(command("0F FF 20 01 03"));
    QTemporaryDir dir;
    const QString saved = dir.filePath("saved.txt");
    ASSERT_TRUE(QFile::copy(sim.statePath(), saved));
    const auto before = sim.state();
    sim.stop();

    startSim({"--slots", saved});
    const auto after = sim.state();
    for (const char* key : {"slot1", "slot2", "flags", "mode", "clock"})
        EXPECT_EQ(after.value(key), before.value(key)) << key;
    EXPECT_EQ(askStatus(statusRequest()).modeCode, 0x30);
}

TEST_F(SimLineTest, BadCommandLinesAreRefused)
{
    const QStringList bad[] = {{"--id", "1234567"},
                               {"--id", "0102030A"},
                               {"--split", "3"},
                               {"--noise", "-1"},
                               {"--noise-hex", "6"},
                               {"--noise-hex", "6G"},
                               {"--chunk", "0"},
                               {"--gap", "-5"},
                               {"--preload", "87654321"},
                               {"--preload", "87654321:07:00"},
                               {"--slots", "/nonexistent/slots"},
                               {"--bogus"}};
    for (const QStringList& args : bad) {
        EXPECT_FALSE(sim.start(args)) << args.join(' ').toStdString();
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
    }
}

}  // namespace

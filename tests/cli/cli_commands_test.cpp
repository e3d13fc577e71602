// zelk-cli end to end against the receiver simulator: text and JSON output
// and the exit code of each command, the port failures, silence, a receiver
// that loses a meter, an error reply, Ctrl+C, and the help texts.
#include "serial/vacomm.h"
#include "support/sim_process.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct CliCase {
    const char* name;       // also what fails when the case fails
    QStringList simArgs;    // extra simulator options
    QStringList args;       // "{file}" stands for a meter list file of three meters
    int exit;
    const char* out;        // expected in standard output
    const char* err = "";   // expected in standard error
    bool holdPort = false;  // a second opener holds the port
    int sigintAfterFrames = 0;
};

const QStringList kPreload = {"--preload", "11111111:07:000102030405060708090A0B0C0D0E0F"};
const char* kFile = "1;22222222;Water;00112233445566778899AABBCCDDEEFF;;\r\n"
                    "2;33333333;Gas;;;\r\n3;44444444;;FFEEDDCCBBAA99887766554433221100;;\r\n";

const CliCase kCases[] = {
    {"StatusPrintsTheStatusReport", kPreload, {"status"}, 0, "Currently used IDs: 1\nCurrent wireless mode: T1\n"},
    {"StatusJson", kPreload, {"status", "--json"}, 0, R"({"flags":[],"mode":"T1","used_ids":1,"zelk_id":"01020304"})"},
    {"ListWritesTheExportCsvWithCrLf", kPreload, {"list"}, 0, "1;11111111;Water;;10000;\r\n2;FFFFFFFF;Unknown;;-1;\r\n"},
    {"ListJsonValuesFromTheTail", kPreload, {"--json", "list"}, 0, R"({"id":"11111111","medium":"Water","slot":1,"value":10000})"},
    {"AddPrintsTheAnswer", kPreload, {"add", "22222222"}, 0, "Currently used IDs: 2"},
    {"AddAnsweredWithError15ExitsOne", kPreload, {"add", "11111111"}, 1,
     "Error from ZELK-DUV, error code: 0x15\nError: ID already programmed", "error 0x15"},
    {"AddError15Json", kPreload, {"add", "11111111", "--json"}, 1, R"("code":1,"error":"receiver answered with error 0x15)"},
    {"ReadKeyInCapitals", kPreload, {"read-key", "11111111"}, 0, "000102030405060708090A0B0C0D0E0F\n"},
    {"SetKeyAcceptsSmallLetters", kPreload, {"set-key", "11111111", "ffeeddccbbaa99887766554433221100", "--json"}, 0,
     R"("command":"set-key","id":"11111111")"},
    {"ProgramKeysVerifyJson", {}, {"program", "{file}", "--keys", "--media", "--verify", "--json"}, 0,
     R"({"key_mismatch":[],"medium_mismatch":[],"missing":[],"programmed":["22222222","33333333","44444444"]})"},
    {"LostMeterFailsVerification", {"--forget", "33333333"}, {"program", "{file}", "--verify"}, 1,
     "33333333 is missing from the receiver's list", "verification failed: 33333333"},
    {"PortsListsComNames", {}, {"ports"}, 0, "COM1\nCOM2\n"},
    {"PortsJson", {}, {"ports", "--json"}, 0, R"({"ports":["COM1","COM2",)"},
    {"ListToFile", kPreload, {"list", "-o", "{dir}/out.csv"}, 0, "Meter list written to"},
    {"DeleteAnswered", kPreload, {"delete", "11111111"}, 0, "Currently used IDs: 0"},
    {"SetMediumByAnyCaseName", kPreload, {"set-medium", "11111111", "cold WATER", "--json"}, 0, R"("command":"set-medium")"},
    {"ProgramText", {}, {"program", "{file}"}, 0, "22222222: added\n33333333: added\n44444444: added\n3 of 3 meters programmed\n"},
    {"ClearText", kPreload, {"clear", "--yes"}, 0, "11111111: deleted\n1 of 1 meter IDs deleted"},
    {"ClearJson", kPreload, {"clear", "-y", "--json"}, 0, R"({"deleted":["11111111"]})"},
    {"SetIdJson", {}, {"set-id", "05060708", "--json"}, 0, R"({"command":"set-id","id":"05060708","status":)"},
    {"ModeTPlusC", {}, {"mode", "t+c"}, 0, "Current wireless mode: S2"},
    {"ClockJson", {}, {"clock", "300", "off", "--json"}, 0, R"("command":"clock")"},
    {"FlagOn", {}, {"flag", "repeater", "on"}, 0, "Repeating is ON"},
    {"ResetText", kPreload, {"reset", "--yes"}, 0, "Currently used IDs: 0"},
    {"ZelkIdOption", {"--id", "11223344"}, {"status", "-z", "11223344", "--json"}, 0, R"("zelk_id":"11223344")"},
    {"SilenceExitsFour", {"--silent"}, {"status", "--retry", "1"}, 4, "", "no reply from receiver 01020304"},
    {"MissingPortExitsThree", {}, {"status", "-p", "/dev/zelk-no-such-port"}, 3, "", "does not exist"},
    {"BusyPortExitsThree", {}, {"status"}, 3, "", "is in use by another program", true},
    {"BadMeterIdIsUsage", {}, {"add", "1234567"}, 2, "", "meter ID must be 8 digits"},
    {"BadKeyIsUsage", {}, {"set-key", "11111111", "0011"}, 2, "", "key must be 32 hex digits"},
    {"ClearWithoutYesIsUsage", {}, {"clear"}, 2, "", "clear needs --yes"},
    {"UnknownOptionIsUsage", {}, {"status", "--colour"}, 2, "", "colour"},
    {"RetryOutOfRangeIsUsage", {}, {"status", "--retry", "10"}, 2, "", "--retry must be 0 to 9"},
    {"CtrlCStopsAfterTheExchangeInFlight", {"--delay", "150"}, {"program", "{file}"}, 130, "22222222: added",
     "interrupted", false, 1},
};

class Cli : public ::testing::TestWithParam<CliCase> {};

TEST_P(Cli, ExitCodeAndOutput) {
    const CliCase& c = GetParam();
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "cli_test";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    SimProcess sim;
    ASSERT_TRUE(sim.start(c.simArgs)) << sim.errorString().toStdString();
    QTemporaryDir dir;
    // The defaults come from the settings file: the port and the speed.
    QFile ini(dir.filePath("zelk-duv.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    const QByteArray settings = "[Com port]\r\nName=" + sim.ptyPath().toUtf8() + "\r\nSpeed=9600\r\n[Mbus]\r\nTimeout=300\r\n";
    ini.write(settings);
    ini.close();
    QFile file(dir.filePath("meters.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kFile);
    file.close();

    TVaComm holder;
    if (c.holdPort) {
        holder.SetDeviceName(sim.ptyPath());
        holder.OpenPort();
    }
    QStringList args = c.args;
    args.replaceInStrings("{file}", file.fileName());
    args.replaceInStrings("{dir}", dir.path());
    QProcess cli;
    cli.start(ZELK_CLI_PATH, QStringList{"--settings", ini.fileName()} + args);
    ASSERT_TRUE(cli.waitForStarted());
    if (c.sigintAfterFrames) {
        ASSERT_TRUE(sim.waitForFrames(c.sigintAfterFrames, 5000));
        ::kill(cli.processId(), SIGINT);
    }
    ASSERT_TRUE(cli.waitForFinished(30000));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), settings) << "the settings file is never written";
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), c.exit) << err.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.out))) << out.toStdString();
    EXPECT_TRUE(err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    if (c.exit == 2 || c.exit == 3) {
        EXPECT_TRUE(sim.receivedFrames().isEmpty()) << "nothing may be sent";
    }
    if (c.sigintAfterFrames) {
        EXPECT_EQ(sim.receivedFrames().size(), c.sigintAfterFrames) << "stops after the exchange in flight";
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, Cli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliHelp, HelpListsOptionsAndCommandsAndHelpCommandShowsItsUsage) {
    QProcess cli;
    cli.start(ZELK_CLI_PATH, {"--help"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    const QString help = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_EQ(cli.exitCode(), 0);
    for (const char* part : {"Usage: ", "Options:", "--zelk-id <id>", "Commands:", "  program FILE", "  reset --yes"})
        EXPECT_TRUE(help.contains(part)) << part;
    cli.start(ZELK_CLI_PATH, {"help", "set-medium"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_TRUE(cli.readAllStandardOutput().startsWith("Usage: zelk-cli [options] set-medium ID NAME\n"));
}

}  // namespace

// zelk-cli end to end against the receiver simulator: text and JSON output
// and the exit code of each command, the port failures, silence, a receiver
// that loses a meter, an error reply, Ctrl+C, refused files, program run
// twice, --exact and --dry-run (in the simulator's state), and the help texts.
#include "serial/vacomm.h"
#include "support/cli_sim_setup.h"
#include "support/sim_process.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

struct CliCase {
    const char* name;          // also what fails when the case fails
    QStringList simArgs = {};  // extra simulator options
    QStringList args;          // "{file}" stands for a meter list file of three meters
    int exit = 0;
    const char* out = "";   // expected in standard output
    const char* err = "";   // expected in standard error
    bool holdPort = false;  // a second opener holds the port
    int sigintAfterFrames = 0;
    const char* once = nullptr;   // appears exactly once in both streams together
    int runs = 1;                 // the same command again, with the same outcome
    const char* state = nullptr;  // text of the simulator's final state ("slot1=..."); "!text": not in it
    bool readsOnly = false;       // every frame sent only reads (list, values, key)
    const char* file = nullptr;   // what {file} holds; nullptr: the three meters
    const char* settings = "";    // more lines of the settings file
    QStringList before = {};      // a command run first (list -o for a round trip)
};

const QStringList kPreload = {"--preload", "11111111:07:000102030405060708090A0B0C0D0E0F"};
const char* kFull =  // every slot taken
    "10000001:07,10000002:07,10000003:07,10000004:07,10000005:07,10000006:07,"
    "10000007:07,10000008:07,10000009:07,10000010:07,10000011:07,10000012:07,"
    "10000013:07,10000014:07,10000015:07,10000016:07";
const char* kFile = "1;22222222;Water;00112233445566778899AABBCCDDEEFF;;\r\n"
                    "2;33333333;Gas;;;\r\n3;44444444;;FFEEDDCCBBAA99887766554433221100;;\r\n";

const CliCase kCases[] = {
    {"StatusPrintsTheStatusReport", kPreload, {"status"}, 0, "Currently used IDs: 1\nCurrent wireless mode: T1\n"},
    {"StatusJson",
     kPreload,
     {"status", "--json"},
     0,
     R"({"command":"status","flags":[],"mode":"T1","ok":true,"used_ids":1,"zelk_id":"01020304"})"},
    {"ListWritesTheExportCsvWithCrLf",
     kPreload,
     {"list"},
     0,
     "1;11111111;Water;;10000;\r\n2;FFFFFFFF;Unknown;;-1;\r\n"},
    {"ListJsonValuesFromTheTail",
     kPreload,
     {"--json", "list"},
     0,
     R"({"empty":false,"id":"11111111","medium":"Water","slot":1,"value":10000})"},
    {"AddPrintsTheAnswer", kPreload, {"add", "22222222"}, 0, "Currently used IDs: 2"},
    {"AddError15ExplainedOnceOnStandardError",
     kPreload,
     {"add", "11111111"},
     1,
     "",
     "receiver answered with error 0x15: Error: ID already programmed",
     false,
     0,
     "ID already programmed"},
    {"AddError15Json",
     kPreload,
     {"add", "11111111", "--json"},
     1,
     R"("error":{"code":1,"receiver_code":21,"text":"receiver answered with error 0x15)"},
    {"ReadKeyInCapitals", kPreload, {"read-key", "11111111"}, 0, "000102030405060708090A0B0C0D0E0F\n"},
    {"SetKeyAcceptsSmallLetters",
     kPreload,
     {"set-key", "11111111", "ffeeddccbbaa99887766554433221100", "--json"},
     0,
     R"("command":"set-key","flags":[],"meter_id":"11111111")"},
    {"ProgramKeysVerifyJson",
     {},
     {"program", "{file}", "--keys", "--media", "--verify", "--json"},
     0,
     R"("key_mismatch":[],"medium_mismatch":[],"missing":[],"ok":true,"programmed":["22222222","33333333","44444444"])"},
    {"LostMeterFailsVerification",
     {"--forget", "33333333"},
     {"program", "{file}", "--verify"},
     1,
     "33333333 is missing from the receiver's list",
     "verification found 1 difference(s)"},
    {"PortsAllAddsComNames", {}, {"ports", "--all"}, 0, "COM20"},
    {"PortsJson", {}, {"ports", "--all", "--json"}, 0, R"("device":"/dev/ttyS19","name":"COM20")"},
    {"ListToFile", kPreload, {"list", "-o", "{dir}/out.csv"}, 0, "Meter list written to"},
    {"DeleteAnswered", kPreload, {"delete", "11111111"}, 0, "Currently used IDs: 0"},
    {"SetMediumByAnyCaseName",
     kPreload,
     {"set-medium", "11111111", "cold WATER", "--json"},
     0,
     R"("command":"set-medium")"},
    {"ProgramText",
     {},
     {"program", "{file}"},
     0,
     "22222222: added\n33333333: added\n44444444: added\n3 of 3 meters programmed\n"},
    {"ClearText", kPreload, {"clear", "--yes"}, 0, "11111111: deleted\n1 of 1 meter IDs deleted"},
    {"ClearJson", kPreload, {"clear", "-y", "--json"}, 0, R"("deleted":["11111111"],"errors":[])"},
    {"SetIdJsonNamesOldAndNewId",
     {},
     {"set-id", "05060708", "--json"},
     0,
     R"("new_zelk_id":"05060708","ok":true,"used_ids":0,"zelk_id":"01020304")"},
    {"ModeTPlusC", {}, {"mode", "t+c"}, 0, "Current wireless mode: S2"},
    {"ClockJson", {}, {"clock", "300", "off", "--json"}, 0, R"("command":"clock")"},
    {"FlagOn", {}, {"flag", "repeater", "on"}, 0, "Repeating is ON"},
    {"ResetText", kPreload, {"reset", "--yes"}, 0, "Currently used IDs: 0"},
    {"ZelkIdOption", {"--id", "11223344"}, {"status", "-z", "11223344", "--json"}, 0, R"("zelk_id":"11223344")"},
    {"SilenceExitsFourAndAnnouncesTheRetryOnStandardError",
     {"--silent"},
     {"status", "--retry", "1"},
     4,
     "",
     "Communicating RF-ZELK again, attempt 1",
     false,
     0,
     "no reply from receiver 01020304"},
    {"SilenceJsonKeepsStandardErrorToOneLine",
     {"--silent"},
     {"status", "--retry", "1", "--json"},
     4,
     R"("error":{"code":4,)",
     "",
     false,
     0,
     "zelk-cli:"},
    {"MissingPortExitsThree", {}, {"status", "-p", "/dev/zelk-no-such-port"}, 3, "", "does not exist"},
    {"BusyPortExitsThree", {}, {"status"}, 3, "", "is in use by another program", true},
    {"BadMeterIdIsUsage", {}, {"add", "1234567"}, 2, "", "meter ID must be 8 digits"},
    {"BadKeyIsUsage", {}, {"set-key", "11111111", "0011"}, 2, "", "key must be 32 hex digits"},
    {"ClearWithoutYesIsUsage", {}, {"clear"}, 2, "", "clear needs --yes"},
    {"UnknownOptionIsUsage", {}, {"status", "--colour"}, 2, "", "colour"},
    {"RetryOutOfRangeIsUsage", {}, {"status", "--retry", "10"}, 2, "", "--retry must be 0 to 9"},
    {"CtrlCStopsAfterTheExchangeInFlight",
     {"--delay", "150"},
     {"program", "{file}", "--keys"},
     130,
     "22222222: added",
     "interrupted",
     false,
     1},
    {"CtrlCEndsAWaitForAReplyAtOnce",
     {"--silent"},
     {"status", "--retry", "5", "--timeout", "3000"},
     130,
     "",
     "interrupted",
     false,
     1},
    {"PartialListPrintsTheRowsAndExitsFour",
     {"--mute", "22", kPreload[0], kPreload[1]},
     {"list"},
     4,
     "1;11111111;Water;;;\r\n",
     "not the values"},
    {"PartialListJsonIsIncomplete", {"--mute", "22"}, {"list", "--json"}, 4, R"("complete":false)"},
    {"UnwritableOutputAfterExchangesExitsOne", kPreload, {"list", "-o", "{dir}/none/out.csv"}, 1, "", "cannot write"},
    {"ProgramRefusesANamedPipeUnread", {}, {"program", "{fifo}"}, 2, "", "is a named pipe"},
    {"ProgramRefusesAFolder", {}, {"program", "{dir}"}, 2, "", "is a folder"},
    {"ProgramRefusesADevice", {}, {"program", "/dev/zero"}, 2, "", "is a device"},
    {"ProgramRefusesAFileOver64MiB", {}, {"program", "{big}"}, 2, "", "larger than"},
    {"VersionOption", {}, {"--version"}, 0, "zelk-cli 1."},
    {"DataBitsOptionIsGone", {}, {"status", "--data-bits", "8"}, 2, "", "data-bits"},
    {"VerboseNamesTheLineSettingsUsed", {}, {"status", "-v"}, 0, "", "9600 bit/s, parity Even, 8 data bits"},
    {"ExactNeedsYes", {}, {"program", "{file}", "--exact"}, 2, "", "needs --yes"},
    {"DryRunCannotVerify", {}, {"program", "{file}", "--dry-run", "--verify"}, 2, "", "nothing to --verify"},
    {"ProgramOptionsOnOtherCommandsAreUsage", {}, {"status", "--dry-run"}, 2, "", "apply to program only"},
    {"AllOnOtherCommandsIsUsage", {}, {"status", "--all"}, 2, "", "--all applies to ports only"},
    {"DryRunPlansAKeyTheReceiverWillNotShow",
     {"--refuse", "8A", "--preload", "22222222:07:00112233445566778899AABBCCDDEEFF"},
     {"program", "{file}", "--keys", "--dry-run"},
     0,
     "22222222: set key\n"},
    {"VerifyFailsOnAKeyTheReceiverWillNotShow",
     {"--refuse", "8A"},
     {"program", "{file}", "--keys", "--verify"},
     1,
     "22222222 has key not read, file has",
     "22222222: read-key: error 0x18"},
    {"SecondRunOfTheSameFileFindsEveryMeterHeld",
     {},
     {"program", "{file}", "--keys", "--media", "--verify"},
     0,
     "22222222: already held, key set\n",
     "",
     false,
     0,
     nullptr,
     2,
     "\nframes=22\n"},  // 11 + 11: one list read for the adds, which shows both media right
    {"RefusedAddSkipsTheKeyAndGoesOn",
     {"--preload", kFull},
     {"program", "{file}", "--keys"},
     1,
     "22222222: add failed\n33333333: add failed\n",
     "22222222: add: error 0x18",
     false,
     0,
     nullptr,
     1,
     "\nframes=3\n"},  // no list read for a refusal other than 0x15
    {"SilenceStopsTheRun",
     {"--silent"},
     {"program", "{file}", "--keys", "--retry", "0"},
     4,
     "",
     "no reply",
     false,
     0,
     nullptr,
     1,
     "\nframes=1\n"},
    {"ExactDeletesWhatTheFileDoesNotList",
     {"--preload", "55555555:07,33333333:03"},
     {"program", "{file}", "--exact", "--yes"},
     0,
     "55555555: deleted\n22222222: added\n33333333: already held\n",
     "",
     false,
     0,
     nullptr,
     1,
     "!55555555"},
    {"ExactRefusesAFileThatListsNoMeter",
     {},
     {"program", "{dir}/none.csv", "--exact", "--yes"},
     2,
     "",
     "lists no meter"},
    {"ExactRefusesToDeleteMoreMetersThanTheFileLists",
     {"--preload", "55555555:07,66666666:07,77777777:07,88888888:07"},
     {"program", "{file}", "--exact", "--yes", "--json"},
     1,
     R"("deleted":[])",
     "would delete 4 meters, more than the 3",
     false,
     0,
     nullptr,
     1,
     "slot1=55555555",
     true},
    {"ForceDeletesMoreMetersThanTheFileLists",
     {"--preload", "55555555:07,66666666:07,77777777:07,88888888:07"},
     {"program", "{file}", "--exact", "--yes", "--force"},
     0,
     "88888888: deleted\n22222222: added\n",
     "",
     false,
     0,
     nullptr,
     1,
     "!55555555"},
    {"DryRunShowsDeletesBeyondTheFileCount",
     {"--preload", "55555555:07,66666666:07,77777777:07,88888888:07"},
     {"program", "{file}", "--exact", "--dry-run"},
     0,
     "88888888: delete\n"},
    {"ForceWithoutExactIsUsage", {}, {"program", "{file}", "--force"}, 2, "", "--force applies to program --exact"},
    {"DryRunPlansAndSendsNoChange",
     {"--preload", "55555555:07,22222222:07:00112233445566778899AABBCCDDEEFF,33333333:03"},
     {"program", "{file}", "--keys", "--media", "--exact", "--dry-run"},
     0,
     "55555555: delete\n22222222: as asked\n33333333: as asked\n44444444: add, set key\n"
     "3 change(s) planned; nothing was sent\n",
     "",
     false,
     0,
     nullptr,
     1,
     "\nframes=3\n",
     true},  // the held key only
    // A misread file never passes for a file of empty rows: with --exact it
    // would delete every meter held.
    {.name = "CommaFileIsRefusedNamingItsSeparator",
     .simArgs = kPreload,
     .args = {"program", "{file}", "--exact", "--yes"},
     .exit = 2,
     .err = "line 1: no meter ID: the line holds no ';' but ','; the file seems to use ',' as separator (give it "
            "with --separator ',')",
     .file = "1,44444444,Water,,,\r\n"},
    {.name = "TabFileIsRefusedNamingTheTab",
     .args = {"program", "{file}"},
     .exit = 2,
     .err = "--separator $'\\t'",
     .file = "1;22222222;Water;;;\r\n2\t33333333\tGas\t\t\t\r\n"},
    {.name = "LineWithDataButNoIdIsRefused",
     .args = {"program", "{file}"},
     .exit = 2,
     .err = "line 2: no meter ID in the second field",
     .file = "1;22222222;Water;;;\r\n2;;Gas;;;\r\n"},
    {.name = "LastFieldWithoutSeparatorIsRead",
     .args = {"program", "{file}", "--media"},
     .out = "22222222: added\n33333333: added, medium set\n",
     .file = "1;22222222\r\n2;33333333;gas\r\n"},
    {.name = "WindowExportEmptyRowIsSkipped",
     .args = {"program", "{file}"},
     .out = "1 of 1 meters programmed",
     .file = "1;22222222;Water;;;\r\n2;;;;;\r\n"},
    {.name = "FileWithoutAMeterIsRefusedEvenForExact",
     .simArgs = kPreload,
     .args = {"program", "{file}", "--exact", "--yes"},
     .exit = 2,
     .err = "lists no meter ID",
     .file = "1;;;;;\r\n2;FFFFFFFF;Unknown;;-1;\r\n"},
    {.name = "EmptySeparatorFromSettingsIsRefused",
     .args = {"program", "{file}"},
     .exit = 2,
     .err = "is empty; a meter list needs one character",
     .settings = "[Misc]\r\nExportSeparator=\r\n"},
    {.name = "LongSeparatorFromSettingsIsRefused",
     .args = {"list"},
     .exit = 2,
     .err = "is \";;\"; a meter list needs one character",
     .settings = "[Misc]\r\nExportSeparator=;;\r\n"},
    {.name = "EmptySeparatorOptionIsRefused",
     .args = {"program", "{file}", "--separator="},
     .exit = 2,
     .err = "--separator must be one character"},
    {.name = "ListedMediaProgramBack",
     .simArgs = {"--preload", "11111111:0F,22222222:04,33333333:08"},
     .args = {"program", "{dir}/out.csv", "--media", "--verify"},
     .out = "3 of 3 meters programmed (3 already held), verified",
     .before = {"list", "-o", "{dir}/out.csv"}},
    {.name = "SetMediumTakesAListNameInAnyCase",
     .simArgs = kPreload,
     .args = {"set-medium", "11111111", "heat (RT)", "--json"},
     .out = R"x("medium":"Heat (rt)")x",
     .state = "slot1=11111111,04,"},
};

class Cli : public ::testing::TestWithParam<CliCase> {};

TEST_P(Cli, ExitCodeAndOutput)
{
    const CliCase& c = GetParam();
    EnsureCliTestApp();
    SimProcess sim;
    ASSERT_TRUE(sim.start(c.simArgs)) << sim.errorString().toStdString();
    QTemporaryDir dir;
    // The defaults come from the settings file: the port and the speed.
    const QByteArray settings = SimSettings(sim.ptyPath(), c.settings);
    QFile ini(dir.filePath("zelk-duv.ini"));
    ASSERT_TRUE(WriteWholeFile(ini.fileName(), settings));
    QFile file(dir.filePath("meters.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.file ? c.file : kFile);
    file.close();
    QFile none(dir.filePath("none.csv"));  // rows, but no meter ID in any
    ASSERT_TRUE(none.open(QIODevice::WriteOnly) && none.write("1;;;;;\r\n2;FFFFFFFF;;;;\r\n") > 0);
    none.close();

    TVaComm holder;
    if (c.holdPort) {
        holder.SetDeviceName(sim.ptyPath());
        holder.OpenPort();
    }
    ASSERT_EQ(::mkfifo(dir.filePath("fifo").toLocal8Bit().constData(), 0600), 0);
    QFile big(dir.filePath("big.csv"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize((64 << 20) + 1));
    QStringList args = c.args;
    args.replaceInStrings("{file}", file.fileName());
    args.replaceInStrings("{fifo}", dir.filePath("fifo"));
    args.replaceInStrings("{big}", big.fileName());
    args.replaceInStrings("{dir}", dir.path());
    if (!c.before.isEmpty()) {
        QProcess before;
        before.start(ZELK_CLI_PATH,
                     QStringList{"--settings", ini.fileName()}
                         + QStringList(c.before).replaceInStrings("{dir}", dir.path()));
        ASSERT_TRUE(before.waitForFinished(30000));
    }
    for (int run = 1; run < c.runs; ++run) {  // the same command before, with the same exit code
        QProcess before;
        before.start(ZELK_CLI_PATH, QStringList{"--settings", ini.fileName()} + args);
        ASSERT_TRUE(before.waitForFinished(30000));
        EXPECT_EQ(before.exitCode(), c.exit) << "run " << run;
    }
    QProcess cli;
    cli.start(ZELK_CLI_PATH, QStringList{"--settings", ini.fileName()} + args);
    ASSERT_TRUE(cli.waitForStarted());
    if (c.sigintAfterFrames) {
        ASSERT_TRUE(sim.waitForFrames(c.sigintAfterFrames, 5000));
        ::kill(cli.processId(), SIGINT);
    }
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), c.exit) << err.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.out))) << out.toStdString();
    EXPECT_TRUE(err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    if (c.once) {
        EXPECT_EQ((out + err).count(QString::fromUtf8(c.once)), 1) << out.toStdString() << err.toStdString();
    }
    if (args.contains("--json")) {
        const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8());
        EXPECT_TRUE(doc.isObject() && out.count('\n') == 1) << "one JSON document: " << out.toStdString();
        EXPECT_EQ(doc.object().value("ok").toBool(), c.exit == 0);
        EXPECT_EQ(err.count('\n'), c.exit == 0 ? 0 : 1) << "one line on standard error: " << err.toStdString();
    }
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), settings) << "the settings file is never written";
    if (c.exit == 2 || c.exit == 3) {
        EXPECT_TRUE(sim.receivedFrames().isEmpty()) << "nothing may be sent";
    }
    if (c.sigintAfterFrames) {
        EXPECT_EQ(sim.receivedFrames().size(), c.sigintAfterFrames) << "stops after the exchange in flight";
    }
    if (c.state) {
        QFile state(sim.statePath());
        ASSERT_TRUE(state.open(QIODevice::ReadOnly));
        const QByteArray text = state.readAll(), want = c.state;
        EXPECT_EQ(text.contains(want.mid(want.startsWith('!'))), !want.startsWith('!')) << text.data();
    }
    for (const QByteArray& frame : c.readsOnly ? sim.receivedFrames() : QList<QByteArray>()) {
        const int code = frame.size() > 18 ? quint8(frame[18]) : -1;
        EXPECT_TRUE(code == 0x02 || code == 0x22 || code == 0x8A) << "a change was sent: " << frame.toHex(' ').data();
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, Cli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliHelp, HelpListsOptionsAndCommandsAndHelpCommandShowsItsUsage)
{
    QProcess cli;
    cli.start(ZELK_CLI_PATH, {"--help"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    const QString help = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_EQ(cli.exitCode(), 0);
    for (const char* part : {"Usage: zelk-cli [options] command", "Options:", "--zelk-id <id>",
                             "Commands:", "  program FILE", "  reset --yes"})
        EXPECT_TRUE(help.contains(part)) << part;
    EXPECT_TRUE(help.simplified().contains("send no change. Ctrl+C stops it at once (exit 130)."));
    cli.start(ZELK_CLI_PATH, {"help", "set-medium"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_TRUE(cli.readAllStandardOutput().startsWith("Usage: zelk-cli [options] set-medium ID NAME\n"));
    cli.start(ZELK_CLI_PATH, {"--settings", "/tmp/elsewhere.ini", "--help"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    const QString named = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_TRUE(named.contains("$XDG_CONFIG_HOME/zelk-duv/zelk-duv.ini"));
    EXPECT_TRUE(named.endsWith("Settings file in use for you: /tmp/elsewhere.ini\n")) << named.toStdString();
    cli.start(SimProcess::program(), {"--version"});
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_TRUE(cli.readAllStandardOutput().startsWith("zelk-sim 1."));
}

}  // namespace

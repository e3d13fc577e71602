// zelk-cli with meter makers' key files: keys as CSV and JSON, where the
// password may come from, refusals with exit 2 and nothing sent, and program
// from a key file against the simulator.
#include "support/cli_sim_setup.h"
#include "support/sim_process.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFixtures = ZELK_SOURCE_DIR "/tests/protocol/keyfiles/";

struct KeysCase {
    const char* name;
    QStringList args;  // "{f}" stands for the fixtures folder, "{dir}" for a scratch folder
    const char* env;   // ZELK_KEY_PASSWORD, or nullptr for none
    int exit;
    const char* out;
    const char* err = "";
    const char* state = nullptr;  // in the simulator's final state
};

const KeysCase kCases[] = {
    {"KeysPrintsTheTableCsvAndNamesWhatItSkipped",
     {"keys", "{f}meters.kem"},
     "Shipment-2024",
     0,
     "1;10000001;Heat meter;000102030405060708090A0B0C0D0E0F;;\r\n"
     "2;10000002;Hot water;101112131415161718191A1B1C1D1E1F;;\r\n"
     "3;10000003;;202122232425262728292A2B2C2D2E2F;Steam pipe;\r\n",
     "meters.kem, line 9: skipped: meter ID is not 8 digits: 1000005"},
    {"KeysJsonNamesMetersAndSkipped",
     {"keys", "--json", "{f}shipment.zip"},
     "Shipment-2024",
     0,
     R"({"id":"10000002","key":"101112131415161718191A1B1C1D1E1F","medium":"Hot water"})",
     ""},
    {"PasswordFileFirstLineWinsOverTheEnvironment",
     {"keys", "{f}devices.kem", "--password-file", "{dir}/password"},
     "wrong",
     0,
     "1;20000001;Cold water;A0A1A2A3A4A5A6A7A8A9AAABACADAEAF;;\r\n"},
    {"WrongPasswordExits2", {"keys", "--json", "{f}meters.kem"}, "Shipment-2025", 2, R"("code":2)", "wrong password"},
    {"NoPasswordAndNoTerminalExits2", {"keys", "{f}meters.kem"}, nullptr, 2, "", "ZELK_KEY_PASSWORD"},
    {"PasswordOf17BytesExits2", {"keys", "{f}devices.kem"}, "Wärme/Kälte-245", 2, "", "longer than 16 bytes"},
    {"NotAKeyFileExits2", {"keys", "{dir}/password"}, nullptr, 2, "", "not a key file"},
    {"OutputFileIsPrivate",
     {"keys", "{f}devices.kem", "-o", "{dir}/keys.csv"},
     "Wärme/Kälte-24",
     0,
     "Keys of 2 meters written to"},
    {"PasswordFileOnlyForKeysAndProgram",
     {"status", "--password-file", "{dir}/password"},
     nullptr,
     2,
     "",
     "applies to"},
    {"ProgramFromAKemFileSetsKeysAndMedia",
     {"program", "{f}meters.kem", "--keys", "--media"},
     "Shipment-2024",
     0,
     "10000001: added, key set, medium set\n",
     "",
     "slot1=10000001,04,000102030405060708090A0B0C0D0E0F"},
    {"ProgramFromAZippedKemWithWrongPasswordSendsNothing",
     {"program", "{f}shipment.zip", "--keys"},
     "bad",
     2,
     "",
     "wrong password"},
    {"ProgramFromAKemFileWithoutAMeterSendsNothing",
     {"program", "{dir}/none.kem", "--keys"},
     nullptr,
     2,
     "",
     "lists no meter ID"},
    {"ProgramFromAPlainKeyListSetsTheKeys",
     {"program", "{dir}/list.txt", "--keys"},
     nullptr,
     0,
     "30000001: added, key set\n",
     "",
     "slot1=30000001,0F,0F0E0D0C0B0A09080706050403020100"},
};

class CliKeys : public ::testing::TestWithParam<KeysCase> {};

TEST_P(CliKeys, ExitCodeOutputAndWhatWasSent)
{
    const KeysCase& c = GetParam();
    EnsureCliTestApp();
    SimProcess sim;
    ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.filePath("zelk-duv.ini"), SimSettings(sim.ptyPath())));
    ASSERT_TRUE(WriteWholeFile(dir.filePath("password"), "Wärme/Kälte-24\r\nnot this line\n"));
    ASSERT_TRUE(WriteWholeFile(dir.filePath("none.kem"),
                               "<MetersInOrder><Meter><SerialNo>123</SerialNo></Meter></MetersInOrder>\n"));
    ASSERT_TRUE(WriteWholeFile(dir.filePath("list.txt"), "ID;Key\n30000001;0F0E0D0C0B0A0908 0706050403020100\n"));
    QStringList args = c.args;
    args.replaceInStrings("{f}", kFixtures).replaceInStrings("{dir}", dir.path());
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("ZELK_KEY_PASSWORD");
    if (c.env)
        env.insert("ZELK_KEY_PASSWORD", QString::fromUtf8(c.env));
    cli.setProcessEnvironment(env);
    cli.start(ZELK_CLI_PATH, QStringList{"--settings", dir.filePath("zelk-duv.ini")} + args);
    ASSERT_TRUE(cli.waitForFinished(30000));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_EQ(cli.exitCode(), c.exit) << err.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.out))) << out.toStdString();
    EXPECT_TRUE(err.contains(QString::fromUtf8(c.err))) << err.toStdString();
    if (args.contains("--json")) {
        const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8());
        EXPECT_TRUE(doc.isObject() && out.count('\n') == 1) << out.toStdString();
        EXPECT_EQ(doc.object().value("ok").toBool(), c.exit == 0);
    }
    if (c.exit == 2) {
        EXPECT_TRUE(sim.receivedFrames().isEmpty()) << "nothing may be sent";
    }
    if (args.contains("-o")) {
        const QFile::Permissions p = QFile(dir.filePath("keys.csv")).permissions();
        EXPECT_TRUE(p.testFlag(QFile::ReadOwner));
        EXPECT_FALSE(p & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    }
    if (c.state) {
        QFile state(sim.statePath());
        ASSERT_TRUE(state.open(QIODevice::ReadOnly));
        const QByteArray text = state.readAll();
        EXPECT_TRUE(text.contains(c.state)) << text.data();
    }
}

INSTANTIATE_TEST_SUITE_P(KeyFiles, CliKeys, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// zelk-cli's documentation against the program: each example of docs/zelk-cli.md
// prints exactly the documented fields; completion and manual pages.
#include "cli/cli_commands_table.h"
#include "support/sim_process.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Example = std::pair<QStringList, QJsonObject>;  // the arguments after "zelk-cli", the document

// Each fenced block that starts with "$ zelk-cli": the command, then its document.
std::vector<Example> Examples()
{
    QFile md(ZELK_SOURCE_DIR "/docs/zelk-cli.md");
    EXPECT_TRUE(md.open(QIODevice::ReadOnly));
    std::vector<Example> examples;
    const QStringList blocks = QString::fromUtf8(md.readAll()).split("```");
    for (int i = 1; i < blocks.size(); i += 2) {
        const QString block = blocks[i].trimmed();
        if (!block.startsWith("$ zelk-cli "))
            continue;
        const qsizetype eol = block.indexOf('\n');
        QJsonParseError e;
        const QJsonDocument doc = QJsonDocument::fromJson(block.mid(eol).toUtf8(), &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << block.toStdString();
        examples.push_back({block.left(eol).mid(11).split(' ', Qt::SkipEmptyParts), doc.object()});
    }
    return examples;
}

// "meters[].slot", "error.code", ...: the fields of a document, nested.
void Paths(const QJsonValue& v, const QString& at, QSet<QString>* out)
{
    if (!at.isEmpty())
        out->insert(at);
    const QString prefix = at.isEmpty() ? QString() : at + '.';
    const QJsonObject object = v.toObject();
    for (auto it = object.begin(); it != object.end(); ++it)
        Paths(it.value(), prefix + it.key(), out);
    for (const QJsonValue& item : v.toArray())
        Paths(item, at + "[]", out);
}

QString RunCli(const QStringList& args)
{
    QProcess p;
    p.start(ZELK_CLI_PATH, args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(CliDocs, EveryExamplePrintsExactlyTheDocumentedFields)
{
    QTemporaryDir dir;
    QFile csv(dir.filePath("meters.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("1;22222222;Water;00112233445566778899AABBCCDDEEFF;;\r\n2;11111111;Water;;;\r\n");
    csv.close();
    QFile ini(dir.filePath("zelk-duv.ini"));  // empty: the window's defaults
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    QSet<QString> documented;
    for (const auto& [exampleArgs, exampleDoc] : Examples()) {
        SimProcess sim;
        ASSERT_TRUE(sim.start({"--preload", "11111111:07:000102030405060708090A0B0C0D0E0F"}));
        QStringList args = exampleArgs;
        args.replaceInStrings(QRegularExpression("^meters.csv$"), csv.fileName());
        const QString out = RunCli(QStringList{"--settings", ini.fileName(), "-p", sim.ptyPath(), "-b", "9600"} + args);
        QSet<QString> printed, expected;
        Paths(QJsonDocument::fromJson(out.toUtf8()).object(), {}, &printed);
        Paths(exampleDoc, {}, &expected);
        EXPECT_EQ(printed, expected) << args.join(' ').toStdString() << "\nprinted: " << out.toStdString();
        documented.insert(exampleDoc.value("command").toString());
    }
    for (const CliCommand& c : CliCommands())
        EXPECT_TRUE(documented.contains(c.name)) << "no example for " << c.name.toStdString();
}

TEST(CliDocs, CompletionOffersEveryCommandAndOption)
{
    const QString help = RunCli({"--help"});
    QStringList words;
    for (auto it =
             QRegularExpression("^  (?:-[a-z], )?(--[a-z-]+)", QRegularExpression::MultilineOption).globalMatch(help);
         it.hasNext();)
        words << it.next().captured(1);
    ASSERT_GT(words.size(), 15);
    for (const CliCommand& c : CliCommands())
        words << c.name;
    QProcess bash;
    const QStringList script{"-c",
                             "source \"$0\"; for w in \"$@\"; do COMP_WORDS=(zelk-cli \"$w\"); COMP_CWORD=1; "
                             "_zelk_cli; [[ \" ${COMPREPLY[*]} \" == *\" $w \"* ]] || echo \"missing $w\"; done",
                             ZELK_SOURCE_DIR "/packaging/zelk-cli.bash-completion"};
    bash.start("bash", script + words);
    ASSERT_TRUE(bash.waitForFinished(10000));
    EXPECT_EQ(bash.readAllStandardOutput() + bash.readAllStandardError(), "");
}

// Fault: "--port=/dev/..." split at the "=" (bash's word break), so the
// value is completed as a command and the command after it is not found.
TEST(CliDocs, CompletionTakesOptionEqualsValue)
{
    const struct {
        const char* words;  // after "zelk-cli"; the last is completed
        const char* offered;
    } cases[] = {
        {"--parity = E", "Even"},
        {"--parity =", "None Even Odd Mark Space"},
        {"--port = /dev/x mo", "mode"},
        {"--port = /dev/x mode T", "T T+C"},
        {"mode --port = /dev/x T", "T T+C"},
    };
    for (const auto& c : cases) {
        QProcess bash;
        bash.start("bash",
                   {"-c",
                    "source \"$0\"; read -ra COMP_WORDS <<< \"zelk-cli $1\"; "
                    "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _zelk_cli; echo -n \"${COMPREPLY[*]}\"",
                    ZELK_SOURCE_DIR "/packaging/zelk-cli.bash-completion", c.words});
        ASSERT_TRUE(bash.waitForFinished(10000));
        EXPECT_EQ(bash.readAllStandardOutput(), c.offered) << c.words;
    }
}

TEST(CliDocs, ManualPagesRenderWithin80ColumnsUnhyphenatedWithExitTexts)
{
    qputenv("MANWIDTH", "80");
    qputenv("LANG", "C.UTF-8");
    for (const char* page : {"zelk-cli", "zelk-sim"}) {
        QProcess man;
        man.start("man", {"-l", QString(ZELK_MAN_DIR "/%1.1.gz").arg(page)});
        if (!man.waitForFinished(10000) || man.exitCode() != 0)
            GTEST_SKIP() << "man cannot render the page: " << man.readAllStandardError().toStdString();
        const QString text = QString::fromUtf8(man.readAllStandardOutput());
        for (const QString& line : text.split('\n'))
            EXPECT_LE(line.size(), 80) << page << ": " << line.toStdString();
        EXPECT_FALSE(text.contains(QChar(0x2010))) << page << " hyphenates a word";
        if (QString(page) == "zelk-cli") {
            EXPECT_TRUE(text.contains(QRegularExpression("\n       2 +usage error"))) << text.toStdString();
            EXPECT_TRUE(text.contains("JSON DOCUMENTS"));
            EXPECT_FALSE(text.contains("in use for you"));
        }
    }
}

}  // namespace

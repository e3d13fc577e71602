#include "cli/cli_options.h"

#include "cli/cli_commands_table.h"
#include "cli/cli_help.h"
#include "core/settings.h"
#include "protocol/commands.h"
#include "protocol/identifier.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"
#include "serial/line_settings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

// "a, b or c".
QString Choices(const QStringList& names)
{
    return names.size() < 2
        ? names.join(QString())
        : names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + names.last();
}

struct Opt {
    QCommandLineOption port{
        {"p", "port"},
        "Serial port: a name of the window's port list (COM1, /dev/serial/by-id/...) or a device path.",
        "name"};
    QCommandLineOption baud{{"b", "baud"}, "Line speed: " + Choices(LineSpeedTexts()) + ".", "n"};
    QCommandLineOption parity{"parity", "Parity: " + Choices(ParityTexts()) + ".", "p"};
    QCommandLineOption zelkId{{"z", "zelk-id"}, "ZELK ID of the receiver, 8 digits.", "id"};
    QCommandLineOption retry{"retry", "How often a command is sent again when no reply comes, 0 to 9.", "n"};
    QCommandLineOption timeout{"timeout", "Milliseconds of silence before a command is sent again, 300 to 30000.",
                               "ms"};
    QCommandLineOption separator{"separator", "Field separator of meter list files, one character.", "c"};
    QCommandLineOption json{"json", "Print one JSON document on standard output instead of text."};
    QCommandLineOption verbose{{"v", "verbose"},
                               "Print the line settings used and every frame sent and received on standard error."};
    QCommandLineOption yes{{"y", "yes"}, "Confirm clear, reset and program --exact."};
    QCommandLineOption settings{"settings", "Read the defaults from this settings file instead of the window's.",
                                "file"};
    QCommandLineOption output{
        {"o", "output"}, "list, keys: write the meter list to this file instead of standard output.", "file"};
    QCommandLineOption passwordFile{
        "password-file", "keys, program: read an encrypted key file's password from the first line of this file.",
        "file"};
    QCommandLineOption keys{"keys", "program: also set each row's AES-128 key where the row has one."};
    QCommandLineOption media{"media", "program: also set each row's medium."};
    QCommandLineOption verify{"verify", "program: read the list (and the keys) back and compare."};
    QCommandLineOption exact{"exact", "program: also delete the meters the file does not list (needs --yes)."};
    QCommandLineOption dryRun{"dry-run",
                              "program: read the receiver and print the plan; send no change. Ctrl+C stops it at "
                              "once (exit 130)."};
    QCommandLineOption force{"force", "program --exact: delete even more meters than the file lists."};
    QCommandLineOption all{"all", "ports: also list the window's names COM1 to COM20."};
    QCommandLineOption help{{"h", "help"}, "Show this help (help COMMAND for one command)."};
    QCommandLineOption version{"version", "Show the version."};
};

// The entry of `names` equal to `text` without regard to case, also with
// `prefix` in front; empty when none.
QString Canonical(const QStringList& names, const QString& text, const QString& prefix = {})
{
    for (const QString& n : names)
        if (n.compare(text, Qt::CaseInsensitive) == 0 || n.compare(prefix + text, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

// Each step returns the usage error, or an empty text when all is well.
using Problem = QString;

QString WindowSettingsPath(const QString& besideDir)
{
    return SettingsLocationFor(besideDir + QStringLiteral("/zelk-duv")).filePath;
}

// The settings file, the window's defaults under it, each option over both.
Problem ApplyDefaults(const QCommandLineParser& parser, const Opt& o, const QString& besideDir, CliOptions& opt)
{
    if (parser.isSet(o.settings)) {
        opt.settingsPath = parser.value(o.settings);
        if (!QFileInfo(opt.settingsPath).isFile())
            return QStringLiteral("settings file not found: ") + opt.settingsPath;
    } else {
        opt.settingsPath = WindowSettingsPath(besideDir);
    }
    const AppSettings s = ReadSettings(opt.settingsPath, QDir::homePath() + QLatin1Char('/'));
    auto value = [&parser](const QCommandLineOption& option, const QString& fallback) {
        return parser.isSet(option) ? parser.value(option) : fallback;
    };
    opt.port = value(o.port, s.comName);
    opt.baud = value(o.baud, s.speed);
    opt.parity = value(o.parity, s.parity);
    opt.rts = s.rts;
    opt.zelkId = value(o.zelkId, s.secondary);
    opt.separator = value(o.separator, s.exportSeparator);
    opt.english = s.language != 2;
    opt.retry = s.retry;
    opt.timeoutMs = s.timeout;
    opt.json = parser.isSet(o.json);
    opt.verbose = parser.isSet(o.verbose);
    opt.yes = parser.isSet(o.yes);
    opt.outFile = parser.value(o.output);
    opt.passwordFile = parser.value(o.passwordFile);
    opt.keys = parser.isSet(o.keys);
    opt.media = parser.isSet(o.media);
    opt.verify = parser.isSet(o.verify);
    opt.exact = parser.isSet(o.exact);
    opt.dryRun = parser.isSet(o.dryRun);
    opt.force = parser.isSet(o.force);
    opt.all = parser.isSet(o.all);
    return {};
}

// Line options given on the command line must be values the window offers.
Problem CheckLineOptions(const QCommandLineParser& parser, const Opt& o, CliOptions& opt)
{
    if (parser.isSet(o.baud) && !LineSpeedTexts().contains(opt.baud))
        return QStringLiteral("--baud must be one of ") + LineSpeedTexts().join(QStringLiteral(", "));
    if (parser.isSet(o.parity)) {
        opt.parity = Canonical(ParityTexts(), opt.parity);
        if (opt.parity.isEmpty())
            return QStringLiteral("--parity must be ") + Choices(ParityTexts());
    }
    if (parser.isSet(o.separator) && opt.separator.size() != 1)
        return QStringLiteral("--separator must be one character");
    // A meter list read or written with an empty or longer separator has no
    // fields at all: the settings file's one is checked where it is used.
    const bool usesSeparator = opt.command == QLatin1String("program") || opt.command == QLatin1String("list");
    if (usesSeparator && opt.separator.size() != 1)
        return QStringLiteral("the separator of %1 is %2; a meter list needs one character: give it with --separator")
            .arg(opt.settingsPath,
                 opt.separator.isEmpty() ? QStringLiteral("empty")
                                         : QLatin1Char('"') + opt.separator + QLatin1Char('"'));
    bool ok = true;
    if (parser.isSet(o.retry)) {
        opt.retry = parser.value(o.retry).toInt(&ok);
        if (!ok || opt.retry < kRetryMin || opt.retry > kRetryMax)
            return QStringLiteral("--retry must be 0 to 9");
    }
    if (parser.isSet(o.timeout)) {
        opt.timeoutMs = parser.value(o.timeout).toInt(&ok);
        if (!ok || opt.timeoutMs < kTimeoutMin || opt.timeoutMs > kTimeoutMax)
            return QStringLiteral("--timeout must be 300 to 30000 milliseconds");
    }
    return {};
}

// Options that belong to one command, and the confirmations.
Problem CheckCommandOptions(const QCommandLineParser& parser, const Opt& o, const CliCommand& cmd,
                            const CliOptions& opt)
{
    const QString& c = opt.command;
    const bool program = c == QLatin1String("program");
    if (cmd.usesReceiver && !IsIdentifierText(opt.zelkId))
        return QStringLiteral("ZELK ID must be 8 digits: ") + opt.zelkId;
    if (parser.isSet(o.output) && c != QLatin1String("list") && c != QLatin1String("keys"))
        return QStringLiteral("-o/--output applies to list and keys only");
    if (parser.isSet(o.passwordFile) && c != QLatin1String("keys") && !program)
        return QStringLiteral("--password-file applies to keys and program only");
    if ((opt.keys || opt.media || opt.verify || opt.exact || opt.dryRun) && !program)
        return QStringLiteral("--keys, --media, --verify, --exact and --dry-run apply to program only");
    if (opt.all && c != QLatin1String("ports"))
        return QStringLiteral("--all applies to ports only");
    if (opt.dryRun && opt.verify)
        return QStringLiteral("--dry-run changes nothing, so there is nothing to --verify");
    if ((c == QLatin1String("clear") || c == QLatin1String("reset")) && !opt.yes)
        return c + QStringLiteral(" needs --yes");
    if (opt.exact && !opt.dryRun && !opt.yes)
        return QStringLiteral("program --exact deletes meters: it needs --yes");
    if (opt.force && !opt.exact)
        return QStringLiteral("--force applies to program --exact only");
    return {};
}

// The command's own arguments, normalised in place.
Problem CheckArguments(const CliCommand& cmd, QStringList& pos)
{
    const QString& c = cmd.name;
    bool ok = true;
    if (cmd.meterIdArg && !IsIdentifierText(pos.value(0)))
        return QStringLiteral("meter ID must be 8 digits: ") + pos.value(0);
    if (c == QLatin1String("set-key")) {
        if (!IsKeyText(pos.value(1)))
            return QStringLiteral("key must be 32 hex digits: ") + pos.value(1);
        pos[1] = pos[1].toUpper();
    } else if (c == QLatin1String("set-medium")) {
        pos[1] = MediumTableName(pos.value(1));
        if (pos[1].isEmpty())
            return QStringLiteral("medium must be one of: ") + MediumBoxNames().join(QStringLiteral(", "))
                + QStringLiteral(", or a name the receiver's list shows");
    } else if (c == QLatin1String("set-id")) {
        if (!IsIdentifierText(pos.value(0)))
            return QStringLiteral("new ZELK ID must be 8 digits: ") + pos.value(0);
    } else if (c == QLatin1String("mode")) {
        pos[0] = Canonical(WirelessModeNames(), pos.value(0), QStringLiteral("Mode "));
        if (pos[0].isEmpty())
            return QStringLiteral("mode must be T, S, C or T+C");
    } else if (c == QLatin1String("clock")) {
        const int v = pos.value(0).toInt(&ok);
        if (!ok || v < 0 || v > 511)
            return QStringLiteral("clock adjustment must be 0 to 511");
        pos[0] = QString::number(v);
        if (pos.size() > 1 && pos[1] != QLatin1String("on") && pos[1] != QLatin1String("off"))
            return QStringLiteral("clock switch must be on or off");
    } else if (c == QLatin1String("flag")) {
        pos[0] = Canonical(ReceiverFlagNames(), QString(pos.value(0)).replace(QLatin1Char('-'), QLatin1Char(' ')));
        if (pos[0].isEmpty())
            return QStringLiteral("flag must be one of: ") + ReceiverFlagNames().join(QStringLiteral(", "));
        if (pos[1] != QLatin1String("on") && pos[1] != QLatin1String("off"))
            return QStringLiteral("flag state must be on or off");
    }
    return {};
}

void SetUpParser(QCommandLineParser& parser, const Opt& o)
{
    parser.setApplicationDescription(
        WrapText(
            QStringLiteral("Drives a ZELK radio receiver over a serial port, from a terminal or a script: reads its "
                           "status and meter list, programs meters from a meter list file and verifies what it holds."),
            0)
            .trimmed());
    parser.addOptions({o.port,    o.baud,   o.parity,   o.zelkId, o.retry,        o.timeout, o.separator, o.json,
                       o.verbose, o.yes,    o.settings, o.output, o.passwordFile, o.keys,    o.media,     o.verify,
                       o.exact,   o.dryRun, o.force,    o.all,    o.help,         o.version});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("command [arguments]"));
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments, const QString& settingsBesideDir)
{
    ParsedCommandLine r;
    auto usage = [&r](const QString& message) {
        r.outcome = ParsedCommandLine::UsageError;
        r.text = message;
        return r;
    };
    auto shown = [&r](const QString& text) {
        r.outcome = ParsedCommandLine::HelpShown;
        r.text = text;
        return r;
    };

    Opt o;
    QCommandLineParser parser;
    SetUpParser(parser, o);
    QStringList argv = arguments;
    if (!argv.isEmpty())
        argv[0] = QStringLiteral("zelk-cli");  // the usage line names the program, not its path
    const bool parsed = parser.parse(argv);
    QStringList pos = parser.positionalArguments();
    r.options.command = pos.value(0);  // named in a usage error's JSON document
    if (!parsed)
        return usage(parser.errorText());
    if (parser.isSet(o.version))
        return shown(VersionText());
    const bool helpCommand = pos.value(0) == QLatin1String("help");
    if (parser.isSet(o.help) || (helpCommand && pos.size() < 2))
        return shown(HelpText(
            parser, parser.isSet(o.settings) ? parser.value(o.settings) : WindowSettingsPath(settingsBesideDir)));
    if (helpCommand) {
        const CliCommand* c = FindCliCommand(pos.at(1));
        return c ? shown(CommandHelp(*c)) : usage(QStringLiteral("unknown command: ") + pos.at(1));
    }
    if (pos.isEmpty())
        return usage(QStringLiteral("no command given (zelk-cli --help lists them)"));

    CliOptions& opt = r.options;
    pos.removeFirst();
    const CliCommand* cmd = FindCliCommand(opt.command);
    if (!cmd)
        return usage(QStringLiteral("unknown command: ") + opt.command);
    if (pos.size() < cmd->minArgs || pos.size() > cmd->maxArgs)
        return usage(QStringLiteral("wrong number of arguments; usage: zelk-cli ") + cmd->synopsis);
    Problem problem = ApplyDefaults(parser, o, settingsBesideDir, opt);
    if (problem.isEmpty())
        problem = CheckLineOptions(parser, o, opt);
    if (problem.isEmpty())
        problem = CheckCommandOptions(parser, o, *cmd, opt);
    if (problem.isEmpty())
        problem = CheckArguments(*cmd, pos);
    if (!problem.isEmpty())
        return usage(problem);
    opt.args = pos;
    r.outcome = ParsedCommandLine::Run;
    return r;
}

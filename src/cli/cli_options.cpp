#include "cli/cli_options.h"

#include "cli/cli_commands_table.h"
#include "core/settings.h"
#include "protocol/commands.h"
#include "protocol/medium.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QStringList kSpeeds = {QStringLiteral("300"),   QStringLiteral("600"),   QStringLiteral("1200"),
                             QStringLiteral("2400"),  QStringLiteral("4800"),  QStringLiteral("9600"),
                             QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600"),
                             QStringLiteral("115200")};
const QStringList kParities = {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd"),
                               QStringLiteral("Mark"), QStringLiteral("Space")};

struct Opt {
    QCommandLineOption port{{"p", "port"}, "Serial port: a name of the window's port list (COM1, /dev/serial/by-id/...) or a device path.", "name"};
    QCommandLineOption baud{{"b", "baud"}, "Line speed: 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200.", "n"};
    QCommandLineOption parity{"parity", "Parity: None, Even, Odd, Mark or Space.", "p"};
    QCommandLineOption dataBits{"data-bits", "Data bits, 7 or 8 (stored only, as in the window).", "n"};
    QCommandLineOption zelkId{{"z", "zelk-id"}, "ZELK ID of the receiver, 8 digits.", "id"};
    QCommandLineOption retry{"retry", "How often a command is sent again when no reply comes, 0 to 9.", "n"};
    QCommandLineOption timeout{"timeout", "Milliseconds of silence before a command is sent again, 300 to 30000.", "ms"};
    QCommandLineOption separator{"separator", "Field separator of meter list files, one character.", "c"};
    QCommandLineOption json{"json", "Print one JSON document on standard output instead of text."};
    QCommandLineOption verbose{{"v", "verbose"}, "Print every frame sent and received on standard error."};
    QCommandLineOption yes{{"y", "yes"}, "Confirm clear and reset."};
    QCommandLineOption settings{"settings", "Read the defaults from this settings file instead of the window's.", "file"};
    QCommandLineOption output{{"o", "output"}, "list: write the meter list to this file instead of standard output.", "file"};
    QCommandLineOption keys{"keys", "program: also set each row's AES-128 key where the row has one."};
    QCommandLineOption media{"media", "program: also set each row's medium."};
    QCommandLineOption verify{"verify", "program: read the list (and the keys) back and compare."};
    QCommandLineOption help{{"h", "help"}, "Show this help (help COMMAND for one command)."};
};

bool IsDigits(const QString& s, int n)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return s.size() == n && digits.match(s).hasMatch();
}

// The entry of `names` equal to `text` without regard to case, also with
// `prefix` in front; empty when none.
QString Canonical(const QStringList& names, const QString& text, const QString& prefix = {})
{
    for (const QString& n : names)
        if (n.compare(text, Qt::CaseInsensitive) == 0 || n.compare(prefix + text, Qt::CaseInsensitive) == 0)
            return n;
    return {};
}

// `text` broken into lines of at most 79 characters, each after `indent`.
QString Wrap(const QString& text, int indent)
{
    QString out;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > 79) {
            out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return out + QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
}

QString HelpText(QCommandLineParser& parser)
{
    QString text = parser.helpText();
    text += QStringLiteral("\nCommands:\n");
    for (const CliCommand& c : CliCommands())
        text += QStringLiteral("  ") + c.synopsis + QLatin1Char('\n') + Wrap(c.summary, 6);
    text += QStringLiteral(
        "\nExit status:\n"
        "  0    done (and verified, with --verify)\n"
        "  1    the receiver answered with an error, or verification found a difference\n"
        "  2    usage error; nothing was sent\n"
        "  3    the serial port cannot be opened (missing, in use, no permission)\n"
        "  4    no reply after the retries\n"
        "  130  interrupted by Ctrl+C\n"
        "\nOptions not given are read from the window's settings file, then from the\n"
        "window's defaults. The settings file is never written.\n");
    return text;
}

QString CommandHelp(const CliCommand& c)
{
    return QStringLiteral("Usage: zelk-cli [options] %1\n\n%2\n%3\nRun zelk-cli --help for the options.\n")
        .arg(c.synopsis, Wrap(c.summary, 0), Wrap(c.details, 0));
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

    Opt o;
    QCommandLineParser parser;
    parser.setApplicationDescription(Wrap(QStringLiteral(
        "Drives a ZELK radio receiver over a serial port, from a terminal or a script: reads its "
        "status and meter list, programs meters from a meter list file and verifies what it holds."), 0).trimmed());
    parser.addOptions({o.port, o.baud, o.parity, o.dataBits, o.zelkId, o.retry, o.timeout, o.separator,
                       o.json, o.verbose, o.yes, o.settings, o.output, o.keys, o.media, o.verify, o.help});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see Commands)."),
                                 QStringLiteral("command [arguments]"));
    QStringList argv = arguments;
    if (!argv.isEmpty())
        argv[0] = QStringLiteral("zelk-cli");  // the usage line names the program, not its path
    if (!parser.parse(argv))
        return usage(parser.errorText());

    QStringList pos = parser.positionalArguments();
    if (parser.isSet(o.help) || (!pos.isEmpty() && pos.first() == QLatin1String("help"))) {
        r.outcome = ParsedCommandLine::HelpShown;
        if (pos.size() >= 2 && pos.first() == QLatin1String("help")) {
            const CliCommand* c = FindCliCommand(pos.at(1));
            if (!c)
                return usage(QStringLiteral("unknown command: ") + pos.at(1));
            r.text = CommandHelp(*c);
        } else {
            r.text = HelpText(parser);
        }
        return r;
    }
    if (pos.isEmpty())
        return usage(QStringLiteral("no command given (zelk-cli --help lists them)"));

    CliOptions& opt = r.options;
    opt.command = pos.takeFirst();
    const CliCommand* cmd = FindCliCommand(opt.command);
    if (!cmd)
        return usage(QStringLiteral("unknown command: ") + opt.command);
    if (pos.size() < cmd->minArgs || pos.size() > cmd->maxArgs)
        return usage(QStringLiteral("wrong number of arguments; usage: zelk-cli ") + cmd->synopsis);

    // Defaults: the settings file (the window's, or --settings), then the
    // window's own defaults.
    QString settingsPath;
    if (parser.isSet(o.settings)) {
        settingsPath = parser.value(o.settings);
        if (!QFileInfo(settingsPath).isFile())
            return usage(QStringLiteral("settings file not found: ") + settingsPath);
    } else {
        settingsPath = LocateSettings(settingsBesideDir + QStringLiteral("/zelk-duv"),
                                      qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath())
                           .filePath;
    }
    const AppSettings s = ReadSettings(settingsPath, QDir::homePath() + QLatin1Char('/'));
    auto value = [&parser](const QCommandLineOption& option, const QString& fallback) {
        return parser.isSet(option) ? parser.value(option) : fallback;
    };
    opt.port = value(o.port, s.comName);
    opt.baud = value(o.baud, s.speed);
    opt.parity = value(o.parity, s.parity);
    opt.dataBits = value(o.dataBits, s.dataBits);
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
    opt.keys = parser.isSet(o.keys);
    opt.media = parser.isSet(o.media);
    opt.verify = parser.isSet(o.verify);

    // Line options given on the command line must be values the window offers.
    if (parser.isSet(o.baud) && !kSpeeds.contains(opt.baud))
        return usage(QStringLiteral("--baud must be one of ") + kSpeeds.join(QStringLiteral(", ")));
    if (parser.isSet(o.parity)) {
        opt.parity = Canonical(kParities, opt.parity);
        if (opt.parity.isEmpty())
            return usage(QStringLiteral("--parity must be None, Even, Odd, Mark or Space"));
    }
    if (parser.isSet(o.dataBits) && opt.dataBits != QLatin1String("7") && opt.dataBits != QLatin1String("8"))
        return usage(QStringLiteral("--data-bits must be 7 or 8"));
    if (parser.isSet(o.separator) && opt.separator.size() != 1)
        return usage(QStringLiteral("--separator must be one character"));
    bool ok = true;
    if (parser.isSet(o.retry)) {
        opt.retry = parser.value(o.retry).toInt(&ok);
        if (!ok || opt.retry < kRetryMin || opt.retry > kRetryMax)
            return usage(QStringLiteral("--retry must be 0 to 9"));
    }
    if (parser.isSet(o.timeout)) {
        opt.timeoutMs = parser.value(o.timeout).toInt(&ok);
        if (!ok || opt.timeoutMs < kTimeoutMin || opt.timeoutMs > kTimeoutMax)
            return usage(QStringLiteral("--timeout must be 300 to 30000 milliseconds"));
    }
    if (cmd->usesReceiver && !IsDigits(opt.zelkId, 8))
        return usage(QStringLiteral("ZELK ID must be 8 digits: ") + opt.zelkId);
    if (parser.isSet(o.output) && opt.command != QLatin1String("list"))
        return usage(QStringLiteral("-o/--output applies to list only"));
    if ((opt.keys || opt.media || opt.verify) && opt.command != QLatin1String("program"))
        return usage(QStringLiteral("--keys, --media and --verify apply to program only"));

    // The command's own arguments.
    const QString& c = opt.command;
    if (c == QLatin1String("clear") || c == QLatin1String("reset")) {
        if (!opt.yes)
            return usage(c + QStringLiteral(" needs --yes"));
    }
    if (cmd->meterIdArg && !IsDigits(pos.value(0), 8))
        return usage(QStringLiteral("meter ID must be 8 digits: ") + pos.value(0));
    if (c == QLatin1String("set-key")) {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{32}$"));
        if (!hex.match(pos.value(1)).hasMatch())
            return usage(QStringLiteral("key must be 32 hex digits: ") + pos.value(1));
        pos[1] = pos[1].toUpper();
    } else if (c == QLatin1String("set-medium")) {
        pos[1] = Canonical(MediumBoxNames(), pos.value(1));
        if (pos[1].isEmpty())
            return usage(QStringLiteral("medium must be one of: ") + MediumBoxNames().join(QStringLiteral(", ")));
    } else if (c == QLatin1String("set-id")) {
        if (!IsDigits(pos.value(0), 8))
            return usage(QStringLiteral("new ZELK ID must be 8 digits: ") + pos.value(0));
    } else if (c == QLatin1String("mode")) {
        pos[0] = Canonical(WirelessModeNames(), pos.value(0), QStringLiteral("Mode "));
        if (pos[0].isEmpty())
            return usage(QStringLiteral("mode must be T, S, C or T+C"));
    } else if (c == QLatin1String("clock")) {
        const int v = pos.value(0).toInt(&ok);
        if (!ok || v < 0 || v > 511)
            return usage(QStringLiteral("clock adjustment must be 0 to 511"));
        pos[0] = QString::number(v);
        if (pos.size() > 1 && pos[1] != QLatin1String("on") && pos[1] != QLatin1String("off"))
            return usage(QStringLiteral("clock switch must be on or off"));
    } else if (c == QLatin1String("flag")) {
        pos[0] = Canonical(ReceiverFlagNames(), QString(pos.value(0)).replace(QLatin1Char('-'), QLatin1Char(' ')));
        if (pos[0].isEmpty())
            return usage(QStringLiteral("flag must be one of: ") + ReceiverFlagNames().join(QStringLiteral(", ")));
        if (pos[1] != QLatin1String("on") && pos[1] != QLatin1String("off"))
            return usage(QStringLiteral("flag state must be on or off"));
    }
    opt.args = pos;
    r.outcome = ParsedCommandLine::Run;
    return r;
}

#include "cli/cli_help.h"

#include "cli/cli_commands_table.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#ifndef ZELK_VERSION
#define ZELK_VERSION "unknown"
#endif

QString WrapText(const QString& text, int indent)
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

QString HelpText(const QCommandLineParser& parser, const QString& settingsInUse)
{
    // The parser names the program by the path it was started with.
    QString text = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                             QStringLiteral("Usage: zelk-cli"));
    text += QStringLiteral("\nCommands:\n");
    for (const CliCommand& c : CliCommands())
        text += QStringLiteral("  ") + c.synopsis + QLatin1Char('\n') + WrapText(c.summary, 6);
    text += QStringLiteral("\nExit status:\n"
                           "  0    done (and verified, with --verify); with --dry-run, the plan was made\n"
                           "  1    a failure after exchanges began: an error reply, a difference found\n"
                           "       by --verify, a refused command, an output file that cannot be written\n"
                           "  2    usage error or refused input file; nothing was sent\n"
                           "  3    the serial port cannot be opened (missing, in use, no permission)\n"
                           "  4    no reply after the retries (list: the values did not come)\n"
                           "  130  interrupted by Ctrl+C\n"
                           "\nFiles:\n"
                           "  $XDG_CONFIG_HOME/zelk-duv/zelk-duv.ini\n"
                           "      The settings file of an installed zelk-duv and zelk-cli,\n"
                           "      ~/.config/zelk-duv/zelk-duv.ini when XDG_CONFIG_HOME is not set.\n"
                           "      Options not given are read from it, then from the window's defaults;\n"
                           "      it is never written. --settings FILE reads another file.\n"
                           "  zelk-duv.ini beside the program\n"
                           "      The settings file of a copy that is not installed, when it exists or\n"
                           "      its folder can be written.\n"
                           "\nOutput and JSON documents: man zelk-cli, or zelk-cli.md in the documentation.\n");
    text += QStringLiteral("Settings file in use for you: ") + settingsInUse + QLatin1Char('\n');
    return text;
}

QString CommandHelp(const CliCommand& c)
{
    return QStringLiteral("Usage: zelk-cli [options] %1\n\n%2\n%3\nRun zelk-cli --help for the options.\n")
        .arg(c.synopsis, WrapText(c.summary, 0), WrapText(c.details, 0));
}

QString VersionText()
{
    return QStringLiteral("zelk-cli " ZELK_VERSION "\n");
}

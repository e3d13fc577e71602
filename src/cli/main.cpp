// zelk-cli: the receiver from a terminal and from scripts. Argument handling
// and output only; the exchanges run in the request engine over the same
// serial device, builders and decoders as the window.
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelk-cli"));

    const ParsedCommandLine parsed = ParseCommandLine(QCoreApplication::arguments(),
                                                      QCoreApplication::applicationDirPath());
    if (parsed.outcome == ParsedCommandLine::HelpShown) {
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return Exit::Done;
    }
    if (parsed.outcome == ParsedCommandLine::UsageError) {
        // --json may itself be what could not be parsed; it still asks for JSON.
        CliOutput out(QCoreApplication::arguments().contains(QStringLiteral("--json")), false, parsed.options.command);
        return out.fail(Exit::Usage, parsed.text);
    }
    CliOutput out(parsed.options.json, parsed.options.verbose, parsed.options.command);
    InstallInterruptHandler();
    return RunCommand(parsed.options, out);
}

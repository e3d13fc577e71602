#pragma once
// The commands of zelk-cli: names, argument counts and help texts. The same
// table feeds --help, help COMMAND and the argument checks.
#include <QString>
#include <vector>

struct CliCommand {
    QString name;
    QString synopsis;  // after "zelk-cli [options] "
    QString summary;   // one line
    QString details;   // a paragraph for help COMMAND
    int minArgs = 0;
    int maxArgs = 0;
    bool meterIdArg = false;   // the first argument is a meter ID
    bool usesReceiver = true;  // talks to the receiver (needs a ZELK ID and the port)
};

const std::vector<CliCommand>& CliCommands();
const CliCommand* FindCliCommand(const QString& name);

#pragma once
// The texts zelk-cli prints for --help, help COMMAND and --version. The
// manual page is made from the --help text, so its headings and items keep
// the layout cmake/manpage.cmake reads.
#include <QString>

class QCommandLineParser;
struct CliCommand;

// `text` broken into lines of at most 79 characters, each after `indent`.
QString WrapText(const QString& text, int indent);
// The whole help: the parser's options, the commands, the exit status and
// the settings files, ending with the file in use for this user.
QString HelpText(const QCommandLineParser& parser, const QString& settingsInUse);
QString CommandHelp(const CliCommand& command);
QString VersionText();

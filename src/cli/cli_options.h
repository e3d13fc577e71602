#pragma once
// The command line of zelk-cli: options, the command and its arguments, with
// the defaults taken from the window's settings file. Checking happens here,
// before any port is touched, so a usage error never opens the port.
#include <QString>
#include <QStringList>

// Exit codes of the program.
namespace Exit {
inline constexpr int Done = 0;
inline constexpr int Failed = 1;  // after exchanges: an error reply, a difference, a file not written
inline constexpr int Usage = 2;   // nothing was sent: usage error, refused input file
inline constexpr int Port = 3;    // the port cannot be opened
inline constexpr int NoReply = 4;
inline constexpr int Interrupted = 130;
}  // namespace Exit

struct CliOptions {
    // Line and receiver, each from its option, else the settings file, else
    // the window's defaults.
    QString port;
    QString baud;
    QString parity;
    bool rts = false;
    QString zelkId;
    int retry = 1;
    int timeoutMs = 500;
    QString separator;
    bool english = true;
    QString settingsPath;  // the settings file the defaults came from

    bool json = false;
    bool verbose = false;
    bool yes = false;
    QString outFile;       // list and keys -o
    QString passwordFile;  // keys and program: the key file's password, first line
    bool keys = false;     // program
    bool media = false;
    bool verify = false;
    bool exact = false;   // program: delete what the file does not list
    bool dryRun = false;  // program: read and plan, send no change
    bool force = false;   // program --exact: delete more meters than the file lists
    bool all = false;     // ports: also the window's COM names

    QString command;
    QStringList args;  // the command's arguments, checked and normalised
};

struct ParsedCommandLine {
    enum Outcome { Run, HelpShown, UsageError };  // HelpShown: --help, help COMMAND or --version
    Outcome outcome = UsageError;
    CliOptions options;
    QString text;  // the help text, or the one-line usage error
};

// Parses argv (program name first). `settingsBesideDir` is the folder the
// window's program lives in (for the default settings file). Checks in
// steps: help and version, the options, the defaults from the settings file,
// then the command's own arguments.
ParsedCommandLine ParseCommandLine(const QStringList& arguments, const QString& settingsBesideDir);

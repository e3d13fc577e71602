#pragma once
// Running one command of zelk-cli: checks that need files, opens the port,
// runs the exchanges and writes the result. Each function returns the exit
// code.
#include "cli/cli_options.h"
#include "table/meter_table.h"

#include <QString>
#include <vector>

class CliOutput;
class RequestEngine;

int RunCommand(const CliOptions& options, CliOutput& out);

// Ctrl+C: the first one asks the running command to stop after the exchange
// in flight; a second one ends the program at once.
void InstallInterruptHandler();
bool InterruptRequested();

// One meter of a meter list file that program works through.
struct ProgramRow {
    int line = 0;
    QString id;
    QString medium;  // a name of the medium box, or empty
    QString key;     // 32 upper-case hex digits, or empty
};

// Reads and checks a meter list file for program: rows without an ID or
// with FFFFFFFF are skipped; an ID that is not 8 digits, a key that is not 32
// hex digits (with --keys), a medium that is not a box name (with --media),
// a meter ID given twice or a line with too many fields is an error, named
// with its line in *error.
bool LoadProgramFile(const CliOptions& options, std::vector<ProgramRow>* rows, QString* error);

int RunProgram(const CliOptions& options, const std::vector<ProgramRow>& rows, RequestEngine& engine,
               CliOutput& out);
int RunClear(const CliOptions& options, RequestEngine& engine, CliOutput& out);

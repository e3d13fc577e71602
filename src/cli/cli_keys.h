#pragma once
// Key files of meter makers in zelk-cli: the keys command, and program's
// input when its file is a key file. The password comes from
// --password-file (its first line), else ZELK_KEY_PASSWORD, else a prompt
// without echo when standard input is a terminal; never from the command
// line, where every user could read it.
#include "cli/cli_options.h"
#include "cli/cli_program_plan.h"

#include <vector>

class CliOutput;

// keys FILE [-o OUT]: the meters of a key file as the table's CSV.
int RunKeys(const CliOptions& options, CliOutput& out);

// program's rows: from a key file when FILE is one, else from the meter list
// reader (LoadProgramFile). False with the reason in *error.
bool LoadProgramInput(const CliOptions& options, CliOutput& out, std::vector<ProgramRow>* rows, QString* error);

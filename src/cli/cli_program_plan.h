#pragma once
// program's input: the meters of a meter list file (the plan made of them
// is the engine's, operations/provision_plan.h).
#include "cli/cli_options.h"
#include "operations/provision_plan.h"

#include <QString>
#include <vector>

// Reads and checks a meter list file for program with the window's reader
// (a device, named pipe, folder or oversized file is refused unread), the
// text after a line's last separator taken as its last field: empty rows
// (3;;;;;) and rows with FFFFFFFF are skipped; a line that holds more but no
// meter ID, an ID that is not 8 digits, a key that is not 32 hex digits
// (with --keys), a medium that is not a medium name (with --media), a meter
// ID given twice, a line with too many fields or a file without a meter ID
// is an error, named with the file (and line) in *error.
bool LoadProgramFile(const CliOptions& options, std::vector<ProgramRow>* rows, QString* error);

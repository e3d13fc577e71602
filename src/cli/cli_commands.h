#pragma once
// Running one command of zelk-cli: checks that need files, opens the port,
// runs the exchanges and writes the result. Each function returns the exit
// code.
#include "cli/cli_options.h"
#include "cli/cli_program_plan.h"

#include <vector>

class CliOutput;
class RequestEngine;

int RunCommand(const CliOptions& options, CliOutput& out);

// Ctrl+C: the first one ends a command that waits for a reply at once (the
// engine is aborted), while program and clear stop after the exchange in
// flight; a second one ends the program at once.
void InstallInterruptHandler();
bool InterruptRequested();
// The descriptor that becomes readable on Ctrl+C (-1 before the handler).
int InterruptWakeDescriptor();

int RunProgram(const CliOptions& options, const std::vector<ProgramRow>& rows, RequestEngine& engine, CliOutput& out);
int RunClear(const CliOptions& options, RequestEngine& engine, CliOutput& out);

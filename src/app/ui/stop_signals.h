#pragma once
// Ends the program gracefully on SIGTERM, SIGHUP and SIGINT (log-out,
// shutdown, kill, Ctrl+C in a terminal): the main window is closed the way
// File > Exit closes it after the answer Yes, so the settings are written and
// the port is closed, and no question is asked (nobody could answer it).
class QWidget;

// Installs the signal handlers; the close runs later on the GUI thread. Any
// open modal dialog is rejected first. Call once, after the main window
// exists. Returns false when the handlers could not be installed.
bool CloseOnStopSignals(QWidget* mainWindow);

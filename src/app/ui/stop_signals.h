#pragma once
// Ends the program gracefully on SIGTERM, SIGHUP and SIGINT (log-out,
// shutdown, kill, Ctrl+C in a terminal): the main window is closed the way
// File > Exit closes it after the answer Yes, so the settings are written and
// the port is closed, and no question is asked and no box waits (nobody could
// answer it). The first signal gives the three their default action back,
// so that a second one ends the program while the close hangs.
#include <functional>

class QWidget;

// Installs the signal handlers; closeWindow runs later on the GUI thread,
// once, after any open modal dialog has been rejected, and the event loop is
// then ended. closeWindow must close mainWindow without showing a box. Call
// once, after the main window exists. Returns false when the handlers could
// not be installed.
bool CloseOnStopSignals(QWidget* mainWindow, std::function<void()> closeWindow);

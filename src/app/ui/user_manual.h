#pragma once
// Help > User Manual: finds the manual and opens it with the desktop's
// document viewer. GUI thread; never waits for the opener or the viewer.
#include <QString>

// "UsrManQOR.pdf" for English, "UsrManQOR_IT.pdf" for Italian.
QString UserManualFileName(bool english);

// The manual of a program in exeDir: beside it (a copy run from its own
// folder), else in the documentation folder of the installation it sits in
// (<exeDir>/../share/doc/zelk-duv), else in docDir. Empty when none exists.
QString FindUserManual(const QString& exeDir, const QString& docDir, bool english);
// Where the manual of a program in exeDir belongs when none is found: the
// installation's documentation folder when it exists, else beside the program.
QString ExpectedUserManual(const QString& exeDir, bool english);

// Finds the manual and starts `opener` on it without waiting, its output
// sent nowhere; the opener keeps running when the program exits. The
// opener's (xdg-open's) own statuses for "no program could show it" (3, 4),
// an opener that cannot be started, or a missing manual give an information
// box naming the manual's path, so that it can be opened by hand; any other
// status, which may be the viewer's own, gives none. The process's current
// folder is left as it is. Returns whether a manual was found.
bool OpenUserManual(bool english, const QString& opener = QStringLiteral("xdg-open"));

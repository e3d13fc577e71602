#pragma once
// Help > User Manual: finds the manual and opens it with the desktop's
// document viewer. GUI thread; does not wait for the viewer.
#include <QString>
#include <QUrl>

#include <functional>

// "UsrManQOR.pdf" for English, "UsrManQOR_IT.pdf" for Italian.
QString UserManualFileName(bool english);

// The manual of a program in exeDir: beside it (a copy run from its own
// folder), else in the documentation folder of the installation it sits in
// (<exeDir>/../share/doc/zelk-duv), else in docDir. Empty when none exists.
QString FindUserManual(const QString& exeDir, const QString& docDir, bool english);

// Makes the executable's folder the current directory, finds the manual and
// asks the desktop to open it. A missing manual gives no message; a manual
// that no viewer opens gives a message box naming its path, so that it can be
// opened by hand. Returns whether a manual was found.
using DocumentOpener = std::function<bool(const QUrl&)>;
bool OpenUserManual(bool english, const DocumentOpener& open = {});

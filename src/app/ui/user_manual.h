#pragma once
// Help > User Manual: opens the manual beside the executable with the
// desktop's document viewer. GUI thread; does not wait for the viewer.
#include <QString>

// "UsrManQOR.pdf" for English, "UsrManQOR_IT.pdf" for Italian.
QString UserManualFileName(bool english);

// Makes the executable's folder the current directory and asks the desktop
// to open the manual from there. A missing manual or viewer gives no message.
// Returns whether the desktop was asked to open it.
bool OpenUserManual(bool english);

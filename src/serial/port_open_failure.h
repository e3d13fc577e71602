#pragma once
// Why a serial port could not be opened, from the error number of the open
// (or of its exclusive lock), and the line the window logs for it in the
// language of the "English" menu item's check mark.
#include <QString>

enum class PortOpenFailure {
    Busy,     // another program holds the port (EBUSY, the lock refused)
    Missing,  // no such device (ENOENT, ENODEV, ENXIO)
    Denied,   // no permission (EACCES, EPERM)
    Other,    // any other error: its system text is shown
};

PortOpenFailure PortOpenFailureFromError(int errorCode);

// "The selected serial port (NAME) is in use by another program!" for a busy
// port, "... does not exist!", "... cannot be opened: permission denied (the
// user must be in the dialout group)", or "... cannot be opened: " and the
// system's error text; the Italian forms when `english` is false.
QString PortOpenFailureMessage(int errorCode, const QString& portName, bool english);

#pragma once
// The serial ports zelk-cli ports lists: the devices present, by-id names
// first, each with the reason it cannot be opened now as far as that is seen
// without opening it (opening raises DTR and restarts some boards).
#include <QString>
#include <vector>

struct PortEntry {
    QString name;     // what -p takes
    QString device;   // the device node it opens
    QString problem;  // empty when nothing is seen against it, else "busy", "no permission", "unknown", ...
};

// The ports present (PresentPortList); with `all`, then COM1 to COM20.
std::vector<PortEntry> PresentPorts(const QString& devDir, const QString& sysTtyDir, bool all);
// A short word for why a device cannot be opened.
QString PortProblem(int error, const QString& reason);

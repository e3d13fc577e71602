#pragma once
// The serial ports zelk-cli ports lists: the devices present, by-id names
// first, each with the reason it cannot be opened now.
#include <QString>
#include <vector>

struct PortEntry {
    QString name;     // what -p takes
    QString device;   // the device node it opens
    QString problem;  // empty when it can be opened now, else "busy", "no permission", ...
};

// The by-id names under devDir/serial/by-id, then the USB and ACM devices and
// the serial ports the kernel found hardware for (sysTtyDir/<name>/type not
// 0) that no by-id name stands for; with `all`, then COM1 to COM20.
std::vector<PortEntry> PresentPorts(const QString& devDir, const QString& sysTtyDir, bool all);
// A short word for why a device cannot be opened.
QString PortProblem(int error, const QString& reason);

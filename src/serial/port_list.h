#pragma once
// The serial ports present on this machine, for the window's "COM name" list
// and zelk-cli ports, and whether one looks usable, judged without opening
// it: opening a serial device raises DTR, which restarts some USB boards and
// the receiver behind them. Plain code; reads folders and /proc only.
#include <QString>
#include <QStringList>

#include <vector>

// ttyUSB2 before ttyUSB10: shorter names first, then by text.
void SortPortNamesNaturally(QStringList& names);

// The full paths of the files under dir matching one of patterns (every
// file without patterns), sorted naturally or, for long names such as the
// by-id links, by text. Empty when dir does not exist.
QStringList PortPathsIn(const QString& dir, const QStringList& patterns, bool natural = true);

struct PresentPort {
    QString name;    // what -p takes
    QString device;  // the device node it opens
};

// The by-id names under devDir/serial/by-id, then the USB and ACM devices and
// the serial ports the kernel found hardware for (sysTtyDir/<name>/type not
// 0) that no by-id name stands for.
std::vector<PresentPort> PresentPortList(const QString& devDir, const QString& sysTtyDir);

// Whether the kernel shows the serial port `name` (ttyS1) without hardware
// behind it (sysTtyDir/<name>/type is 0).
bool TtyWithoutHardware(const QString& sysTtyDir, const QString& name);

// Why device cannot be opened now, as an errno value, without opening it: 0
// when nothing is seen against it, ENOENT when it is missing, EACCES when
// this user may not read and write it (access()), EBUSY when a program of
// this family holds it (the advisory lock an open port takes, as the kernel
// lists it in locksFile). -1 when the locks cannot be read. A program that
// holds a port without that lock cannot be seen.
int PortRefusalWithoutOpening(const QString& device, const QString& locksFile = QStringLiteral("/proc/locks"));

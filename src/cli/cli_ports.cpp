#include "cli/cli_ports.h"

#include "serial/vacomm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>

namespace {

// ttyUSB2 before ttyUSB10: shorter names first, then by text.
QStringList NaturalEntries(const QDir& dir, const QString& pattern)
{
    QStringList names = dir.entryList({pattern}, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
    return names;
}

// A ttyS node exists for every possible port; the kernel marks the ones
// without hardware with type 0.
bool HasHardware(const QString& sysTtyDir, const QString& name)
{
    QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
    return type.open(QIODevice::ReadOnly) && type.readAll().trimmed() != "0";
}

PortEntry Probe(const QString& name, const QString& device)
{
    QString reason;
    int error = 0;
    PortEntry e{name, device, {}};
    if (!ProbeDevice(device, &reason, &error))
        e.problem = PortProblem(error, reason);
    return e;
}

}  // namespace

QString PortProblem(int error, const QString& reason)
{
    switch (error) {
    case EBUSY: return QStringLiteral("busy");
    case EACCES:
    case EPERM: return QStringLiteral("no permission");
    case ENOENT:
    case ENODEV:
    case ENXIO: return QStringLiteral("not present");
    default: return reason;
    }
}

std::vector<PortEntry> PresentPorts(const QString& devDir, const QString& sysTtyDir, bool all)
{
    std::vector<PortEntry> ports;
    QSet<QString> named;  // devices a by-id name stands for
    const QDir byId(devDir + QStringLiteral("/serial/by-id"));
    for (const QString& n : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = QFileInfo(byId.filePath(n)).canonicalFilePath();
        named.insert(device);
        ports.push_back(Probe(byId.filePath(n), device));
    }
    const QDir dev(devDir);
    QStringList devices = NaturalEntries(dev, QStringLiteral("ttyUSB*"));
    devices += NaturalEntries(dev, QStringLiteral("ttyACM*"));
    for (const QString& n : NaturalEntries(dev, QStringLiteral("ttyS*")))
        if (HasHardware(sysTtyDir, n))
            devices << n;
    for (const QString& n : devices) {
        const QString path = dev.filePath(n);
        if (!named.contains(QFileInfo(path).canonicalFilePath()))
            ports.push_back(Probe(path, path));
    }
    for (int i = 1; all && i <= 20; ++i) {
        const QString com = QStringLiteral("COM%1").arg(i);
        ports.push_back(Probe(com, DevicePathForPortName(com)));
    }
    return ports;
}

#include "cli/cli_ports.h"

#include "core/system_error.h"
#include "serial/port_list.h"
#include "serial/vacomm.h"

#include <QFileInfo>

#include <cerrno>

namespace {

// Judged without opening the device (see PortRefusalWithoutOpening).
PortEntry Judge(const QString& name, const QString& device)
{
    const int error = PortRefusalWithoutOpening(device);
    PortEntry e{name, device, {}};
    if (error < 0)
        e.problem = QStringLiteral("unknown");
    else if (error > 0)
        e.problem = PortProblem(error, SystemErrorText(error));
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
    for (const PresentPort& p : PresentPortList(devDir, sysTtyDir))
        ports.push_back(Judge(p.name, p.device));
    for (int i = 1; all && i <= 20; ++i) {
        const QString com = QStringLiteral("COM%1").arg(i), device = DevicePathForPortName(com);
        ports.push_back(Judge(com, device));
        if (TtyWithoutHardware(sysTtyDir, QFileInfo(device).fileName()))
            ports.back().problem = PortProblem(ENODEV, {});
    }
    return ports;
}

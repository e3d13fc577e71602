#include "serial/port_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The kernel's type of a serial port ("0" for none), empty when not shown.
QByteArray TtyType(const QString& sysTtyDir, const QString& name)
{
    QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
    return type.open(QIODevice::ReadOnly) ? type.readAll().trimmed() : QByteArray();
}

// A ttyS node exists for every possible port; the kernel marks the ones
// without hardware with type 0.
bool HasHardware(const QString& sysTtyDir, const QString& name)
{
    const QByteArray type = TtyType(sysTtyDir, name);
    return !type.isEmpty() && type != "0";
}

// Whether locksFile lists a lock on the file with this device and inode:
// "1: FLOCK  ADVISORY  WRITE 1234 00:05:321 0 EOF", the numbers of the
// device in hexadecimal. A process waiting for a lock holds nothing; its
// line ("1: -> FLOCK ...") has one field more, so no numbers stand there.
bool LockListed(const QByteArray& locks, const struct stat& st)
{
    const QByteArray key = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' + QByteArray::number(st.st_ino);
    for (const QByteArray& line : locks.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && fields[5] == key)
            return true;
    }
    return false;
}

}  // namespace

void SortPortNamesNaturally(QStringList& names)
{
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
}

QStringList PortPathsIn(const QString& dir, const QStringList& patterns, bool natural)
{
    const QDir d(dir);
    if (!d.exists())
        return {};
    QStringList names = d.entryList(patterns, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (natural)
        SortPortNamesNaturally(names);
    QStringList paths;
    for (const QString& n : names)
        paths << d.absoluteFilePath(n);
    return paths;
}

std::vector<PresentPort> PresentPortList(const QString& devDir, const QString& sysTtyDir)
{
    std::vector<PresentPort> ports;
    QSet<QString> named;  // devices a by-id name stands for
    for (const QString& link : PortPathsIn(devDir + QStringLiteral("/serial/by-id"), {}, false)) {
        const QString device = QFileInfo(link).canonicalFilePath();
        named.insert(device);
        ports.push_back({link, device});
    }
    QStringList devices = PortPathsIn(devDir, {QStringLiteral("ttyUSB*")});
    devices += PortPathsIn(devDir, {QStringLiteral("ttyACM*")});
    for (const QString& path : PortPathsIn(devDir, {QStringLiteral("ttyS*")}))
        if (HasHardware(sysTtyDir, QFileInfo(path).fileName()))
            devices << path;
    for (const QString& path : devices)
        if (!named.contains(QFileInfo(path).canonicalFilePath()))
            ports.push_back({path, path});
    return ports;
}

bool TtyWithoutHardware(const QString& sysTtyDir, const QString& name)
{
    return TtyType(sysTtyDir, name) == "0";
}

int PortRefusalWithoutOpening(const QString& device, const QString& locksFile)
{
    const QByteArray native = QFile::encodeName(device);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return errno;
    if (::access(native.constData(), R_OK | W_OK) != 0)
        return errno;
    QFile locks(locksFile);
    if (!locks.open(QIODevice::ReadOnly))
        return -1;
    return LockListed(locks.readAll(), st) ? EBUSY : 0;
}

// Port names and device paths: what the "COM name" list offers and which
// device node a name opens.
#include "serial/vacomm.h"

#include "core/system_error.h"
#include "serial/port_list.h"

#include <QDir>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString DevicePathForPortName(const QString& name)
{
    if (name.contains(QLatin1Char('/')))
        return name;
    static const QRegularExpression comName(QStringLiteral("^COM([0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = comName.match(name);
    if (m.hasMatch()) {
        bool ok = false;
        const int n = m.captured(1).toInt(&ok);
        if (ok && n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + name;
}

QStringList PortNameList(const QString& devDir)
{
    QStringList list;
    for (int i = 1; i <= 20; ++i)
        list << QStringLiteral("COM%1").arg(i);
    list << PortPathsIn(devDir + QStringLiteral("/serial/by-id"), {}, false);
    list << PortPathsIn(devDir, {QStringLiteral("ttyUSB*")});
    list << PortPathsIn(devDir, {QStringLiteral("ttyACM*")});
    return list;
}

bool ProbeDevice(const QString& path, QString* reason, int* errorCode)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (reason)
            *reason = SystemErrorText(err);
        if (errorCode)
            *errorCode = err;
        return false;
    }
    // The same advisory lock an open device holds: it refuses while another
    // opener (any process, any user) has the port.
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!free && reason)
        *reason = SystemErrorText(EBUSY);
    if (!free && errorCode)
        *errorCode = EBUSY;
    ::close(fd);
    return free;
}

QString PortPermissionHint(int errorCode, const QString& portName, bool english)
{
    if (errorCode != EACCES && errorCode != EPERM)
        return QString();
    if (english)
        return QStringLiteral("Access to the serial port (") + portName
            + QStringLiteral(") was refused: your user needs serial-port permission "
                             "(membership of the dialout group; log in again after joining it).");
    return QStringLiteral("Accesso alla porta seriale (") + portName
        + QStringLiteral(") negato: l'utente deve appartenere al gruppo dialout "
                         "(rientrare nella sessione dopo l'aggiunta).");
}

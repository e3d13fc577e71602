#include "pty_pair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace serialtest {

PtyPair::PtyPair()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = QString::fromLocal8Bit(::ptsname(master_));
    // Non-blocking master: a test never hangs on the other end of the line.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PtyPair::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

QByteArray PtyPair::read(int count, int boundMs)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < count && t.elapsed() < boundMs) {
        char buf[4096];
        const ssize_t n = ::read(master_, buf,
                                 sizeof buf < size_t(count - got.size()) ? sizeof buf : size_t(count - got.size()));
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, 20);
    }
    return got;
}

QByteArray PtyPair::drain()
{
    QByteArray got;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(master_, buf, sizeof buf)) > 0)
        got.append(buf, n);
    return got;
}

void EnsureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "serial_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

bool WaitFor(const std::function<bool()>& done, int boundMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void Settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

bool WaitBusy(const std::function<bool()>& done, int boundMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QThread::msleep(1);
    }
    return true;
}

bool SettingsOfOpenDevice(const QString& path, termios* out)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& entry : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(entry)).symLinkTarget() == path)
            return ::tcgetattr(entry.toInt(), out) == 0;
    }
    return false;
}

}  // namespace serialtest

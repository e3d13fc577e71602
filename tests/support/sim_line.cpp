#include "support/sim_line.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

SimLine::~SimLine()
{
    close();
}

bool SimLine::open(const QString& path)
{
    close();
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    buf_.clear();
    return true;
}

void SimLine::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SimLine::write(const QByteArray& bytes)
{
    if (fd_ < 0)
        return false;
    QDeadlineTimer deadline(2000);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (w > 0) {
            done += w;
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (deadline.hasExpired())
            return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 20);
    }
    return true;
}

bool SimLine::fill(int timeoutMs)
{
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (r <= 0 || !(p.revents & POLLIN))
        return false;
    char tmp[4096];
    bool got = false;
    for (;;) {
        const ssize_t n = ::read(fd_, tmp, sizeof tmp);
        if (n <= 0)
            break;
        buf_.append(tmp, n);
        got = true;
    }
    return got;
}

QByteArray SimLine::readUntilQuiet(int quietMs, int totalMs)
{
    QDeadlineTimer deadline(totalMs);
    while (!deadline.hasExpired() && fill(quietMs)) {
    }
    QByteArray out = buf_;
    buf_.clear();
    return out;
}

QByteArray SimLine::readFrame(int timeoutMs, QByteArray* skipped)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype start = buf_.indexOf(char(0x68));
        if (start >= 0 && buf_.size() >= start + 2) {
            const qsizetype total = static_cast<quint8>(buf_[start + 1]) + 3;
            if (buf_.size() >= start + total) {
                if (skipped)
                    *skipped += buf_.left(start);
                const QByteArray frame = buf_.mid(start, total);
                buf_.remove(0, start + total);
                return frame;
            }
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !fill(static_cast<int>(left)))
            return {};
    }
}

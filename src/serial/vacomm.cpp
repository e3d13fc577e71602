// The serial device on a POSIX terminal: opening, closing and transfers.
#include "serial/vacomm_session.h"

#include "core/system_error.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

EVaCommError::EVaCommError(const QString& message) : message_(message), utf8_(message.toUtf8()) {}

QString VaCommErrorText(int code)
{
    return SystemErrorText(code);
}

void RaiseVaCommError(const char* format, int code)
{
    throw EVaCommError(QString::fromLatin1(format).arg(code).arg(VaCommErrorText(code)));
}

namespace {

// Unix98 pseudo-terminal slaves (majors 136 to 143): the kernel forces them to
// 8 data bits without parity whatever is asked.
bool IsPseudoTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
}

}  // namespace

TVaComm::TVaComm(QObject* parent) : QObject(parent) {}

TVaComm::~TVaComm()
{
    ClosePort();
}

bool TVaComm::IsOpen() const
{
    return session_ != nullptr;
}

void TVaComm::OpenPort()
{
    RequireClosed();
    const QString path = DevicePath();
    const QByteArray native = QFile::encodeName(path);

    // Non-blocking: the open must not wait for a carrier, and the descriptor
    // stays non-blocking so that reads and writes never hang.
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if (code == ENOENT || code == ENODEV || code == ENXIO)
            throw EVaCommError(QStringLiteral("Specified device not found (%1).").arg(path));
        throw EVaCommError(QStringLiteral("Can't open specified device %1").arg(path)
                           + QStringLiteral(" (Error %1, %2)").arg(code).arg(VaCommErrorText(code)));
    }
    auto session = std::make_shared<Session>();
    session->fd = fd;
    session->path = path;
    session->pseudoTerminal = IsPseudoTerminal(fd);

    // Exclusive use. TIOCEXCL keeps out later openers without privileges; the
    // advisory lock also keeps out other instances of this program run as root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = (errno == EWOULDBLOCK) ? EBUSY : errno;
        throw EVaCommError(QStringLiteral("Can't open specified device %1").arg(path)
                           + QStringLiteral(" (Error %1, %2)").arg(code).arg(VaCommErrorText(code)));
    }
    ::ioctl(fd, TIOCEXCL);

    session_ = session;
    try {
        ApplyLineSettings();

        session->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (session->wakeFd < 0)
            RaiseVaCommError(" Error setting EventMask (%1), %2", errno);
        session->epollFd = ::epoll_create1(EPOLL_CLOEXEC);
        if (session->epollFd < 0)
            RaiseVaCommError(" Error setting EventMask (%1), %2", errno);
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLET;
        ev.data.fd = fd;
        if (::epoll_ctl(session->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0)
            RaiseVaCommError(" Error setting EventMask (%1), %2", errno);
        ev.events = EPOLLIN;
        ev.data.fd = session->wakeFd;
        if (::epoll_ctl(session->epollFd, EPOLL_CTL_ADD, session->wakeFd, &ev) != 0)
            RaiseVaCommError(" Error setting EventMask (%1), %2", errno);
        try {
            session->thread = std::thread(RunVaCommEventThread, this, session);
        } catch (const std::system_error& e) {
            RaiseVaCommError(" Error setting EventMask (%1), %2", e.code().value());
        }
    } catch (...) {
        ::ioctl(fd, TIOCNXCL);
        session_.reset();  // the session's destructor closes the descriptors
        throw;
    }
}

void TVaComm::ClosePort() noexcept
{
    closeError_.clear();
    if (!session_)
        return;
    // From here on the device counts as closed; notifications still queued
    // for this opening are dropped when they arrive.
    std::shared_ptr<Session> s = std::move(session_);
    session_.reset();
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->stopping = true;
    }
    s->changed.notify_all();  // ends a wait for the owning thread
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t w = ::write(s->wakeFd, &one, sizeof one);  // ends the line wait
    if (s->thread.joinable())
        s->thread.join();

    // Unsent output would make the close wait for the line to drain (up to
    // 30 s on a stalled line): discard it first.
    // The port is released whatever fails; the first failure is kept so the
    // caller can report it.
    auto note = [this](const char* format, int code) {
        if (closeError_.isEmpty())
            closeError_ = QString::fromLatin1(format).arg(code).arg(VaCommErrorText(code));
    };
    if (::tcflush(s->fd, TCOFLUSH) != 0)
        note("Error clearing buffers (%1), %2", errno);
    ::ioctl(s->fd, TIOCNXCL);                   // fails exactly when the flush did (the line hung up)
    if (::close(s->fd) != 0 && errno != EINTR)  // also releases the advisory lock
        note("Error closing port (%1), %2", errno);
    s->fd = -1;
    ::close(s->epollFd);
    s->epollFd = -1;
    ::close(s->wakeFd);
    s->wakeFd = -1;
}

QString TVaComm::TakeCloseError()
{
    return std::exchange(closeError_, QString());
}

bool TVaComm::SendText(const QByteArray& text)
{
    return SendBytes(text.constData(), int(text.size())) == text.size();
}

int TVaComm::SendBytes(const char* bytes, int count)
{
    if (!session_ || count <= 0)
        return 0;
    const int fd = session_->fd;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(buffers_.ReadTimeout);
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd, bytes + written, size_t(count - written));
        if (n > 0) {
            written += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            RaiseVaCommError("Write error (%1), %2", errno);
        // The output queue is full: wait for room, within the bound.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, int(left.count())) < 0 && errno != EINTR)
            RaiseVaCommError("Write error (%1), %2", errno);
    }
    return written;
}

int TVaComm::ReadBytes(char* area, int count)
{
    if (!session_ || count <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(session_->fd, area, size_t(count));
        if (n >= 0)
            return int(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        RaiseVaCommError("Read error (%1), %2", errno);
    }
}

int TVaComm::BytesWaiting()
{
    if (!session_)
        return 0;
    int n = 0;
    if (::ioctl(session_->fd, TIOCINQ, &n) != 0)
        RaiseVaCommError("Error retrieving statistics (%1), %2", errno);
    return n;
}

QByteArray TVaComm::ReadAvailable()
{
    const int n = BytesWaiting();
    if (n <= 0)
        return {};
    QByteArray data(n, '\0');
    data.resize(ReadBytes(data.data(), n));
    return data;
}

void TVaComm::PurgeAll()
{
    if (!session_)
        return;
    if (::tcflush(session_->fd, TCIOFLUSH) != 0)
        RaiseVaCommError("Error clearing buffers (%1), %2", errno);
}

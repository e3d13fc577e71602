// The serial device on a POSIX terminal: opening, line settings, transfers.
#include "serial/vacomm_session.h"

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

namespace {

QString ErrorText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Message with "(%d), %s" filled from an errno value.
[[noreturn]] void Raise(const char* format, int code)
{
    throw EVaCommError(QString::fromLatin1(format).arg(code).arg(ErrorText(code)));
}

const QString kPortOpen = QStringLiteral("Can't perform this operation while port is open");

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

bool SpeedFor(int bps, speed_t* out)
{
    switch (bps) {
    case 110: *out = B110; return true;
    case 300: *out = B300; return true;
    case 600: *out = B600; return true;
    case 1200: *out = B1200; return true;
    case 2400: *out = B2400; return true;
    case 4800: *out = B4800; return true;
    case 9600: *out = B9600; return true;
    case 19200: *out = B19200; return true;
    case 38400: *out = B38400; return true;
    case 57600: *out = B57600; return true;
    case 115200: *out = B115200; return true;
    case 230400: *out = B230400; return true;
    case 460800: *out = B460800; return true;
    case 921600: *out = B921600; return true;
    default: return false;
    }
}

// Sets or clears one modem line. Pseudo-terminals have no modem lines and
// answer ENOTTY (some drivers EINVAL): that is no reason to refuse the port.
void SetModemLine(int fd, int line, bool active)
{
    if (::ioctl(fd, active ? TIOCMBIS : TIOCMBIC, &line) != 0 && errno != ENOTTY && errno != EINVAL)
        Raise("Error writing dcb (%1), %2", errno);
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

void TVaComm::RequireClosed() const
{
    if (IsOpen())
        throw EVaCommError(kPortOpen);
}

void TVaComm::SetDeviceName(const QString& name)
{
    if (name == deviceName_)
        return;
    RequireClosed();
    deviceName_ = name;
}

void TVaComm::SetPortNum(int num)
{
    if (num == portNum_)
        return;
    RequireClosed();
    portNum_ = num;
}

void TVaComm::SetBuffers(const TVaBuffers& buffers)
{
    if (buffers == buffers_)
        return;
    RequireClosed();
    buffers_ = buffers;
}

QString TVaComm::DevicePath() const
{
    QString name = deviceName_;
    const int at = name.indexOf(QStringLiteral("%d"));
    if (at >= 0)
        name.replace(at, 2, QString::number(portNum_));
    return DevicePathForPortName(name);
}

// Stores a line setting and applies it at once when open; a failed apply
// restores the previous value before the error passes on.
template <typename T>
static void ChangeLineSetting(TVaComm* comm, T& member, const T& value, bool open,
                              void (TVaComm::*apply)())
{
    if (member == value)
        return;
    const T previous = member;
    member = value;
    if (!open)
        return;
    try {
        (comm->*apply)();
    } catch (...) {
        member = previous;
        throw;
    }
}

void TVaComm::SetBaudrate(TVaBaudrate rate) { ChangeLineSetting(this, baudrate_, rate, IsOpen(), &TVaComm::ApplyLineSettings); }
void TVaComm::SetParity(TVaParity parity) { ChangeLineSetting(this, parity_, parity, IsOpen(), &TVaComm::ApplyLineSettings); }
void TVaComm::SetDatabits(TVaDatabits bits) { ChangeLineSetting(this, databits_, bits, IsOpen(), &TVaComm::ApplyLineSettings); }
void TVaComm::SetStopbits(TVaStopbits bits) { ChangeLineSetting(this, stopbits_, bits, IsOpen(), &TVaComm::ApplyLineSettings); }
void TVaComm::SetFlowControl(const TVaFlowControl& flow) { ChangeLineSetting(this, flowControl_, flow, IsOpen(), &TVaComm::ApplyLineSettings); }
void TVaComm::SetEventChars(const TVaEventChars& chars) { ChangeLineSetting(this, eventChars_, chars, IsOpen(), &TVaComm::ApplyLineSettings); }

void TVaComm::SetUserBaudrate(int bitsPerSecond)
{
    const int previousUser = userBaudrate_;
    const TVaBaudrate previousRate = baudrate_;
    if (previousUser == bitsPerSecond && previousRate == brUser)
        return;
    userBaudrate_ = bitsPerSecond;
    baudrate_ = brUser;
    if (!IsOpen())
        return;
    try {
        ApplyLineSettings();
    } catch (...) {
        userBaudrate_ = previousUser;
        baudrate_ = previousRate;
        throw;
    }
}

int TVaComm::BitsPerSecond(TVaBaudrate rate) const
{
    static const int rates[] = {0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200,
                                38400, 56000, 57600, 115200, 128000, 256000};
    if (rate == brUser)
        return userBaudrate_;
    if (rate < brUser || rate > br256000)
        return 0;
    return rates[rate];
}

void TVaComm::ApplyLineSettings()
{
    const int fd = session_->fd;
    termios t {};
    if (::tcgetattr(fd, &t) != 0)
        Raise("Error writing dcb (%1), %2", errno);

    // Raw 8-bit transfer: no translation, no echo, no signals.
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);

    speed_t speed = B0;
    if (!SpeedFor(BitsPerSecond(baudrate_), &speed))
        Raise("Error writing dcb (%1), %2", EINVAL);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);

    switch (databits_) {
    case db5: t.c_cflag |= CS5; break;
    case db6: t.c_cflag |= CS6; break;
    case db7: t.c_cflag |= CS7; break;
    case db8: t.c_cflag |= CS8; break;
    default: Raise("Error writing dcb (%1), %2", EINVAL);  // 4 data bits: no such line here
    }
    switch (parity_) {
    case paNone: break;
    case paOdd: t.c_cflag |= PARENB | PARODD; break;
    case paEven: t.c_cflag |= PARENB; break;
    case paMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case paSpace: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (stopbits_ != sb1)
        t.c_cflag |= CSTOPB;  // 1.5 stop bits exist only as 2 here

    if (flowControl_.OutCtsFlow || flowControl_.ControlRts == rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (flowControl_.XonXoffOut)
        t.c_iflag |= IXON;
    if (flowControl_.XonXoffIn)
        t.c_iflag |= IXOFF;
    if (session_->pseudoTerminal) {
        // A pseudo-terminal carries bytes, not bits: the kernel keeps it at 8
        // data bits without parity and the C library reports a request for
        // anything else as failed. Ask for what it can do.
        t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR);
        t.c_cflag |= CS8;
    }
    t.c_cc[VSTART] = cc_t(eventChars_.XonChar);
    t.c_cc[VSTOP] = cc_t(eventChars_.XoffChar);

    // A read returns at once: VMIN 1 on a non-blocking descriptor gives EAGAIN
    // for "no data", so a read of 0 bytes can only mean the line hung up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        Raise("Error writing dcb (%1), %2", errno);

    // tcsetattr succeeds when any part of the change took: read back and compare.
    termios back {};
    if (::tcgetattr(fd, &back) != 0)
        Raise("Error writing dcb (%1), %2", errno);
    const tcflag_t cflagMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    const tcflag_t iflagMask = IXON | IXOFF | IXANY | INPCK | ISTRIP | INLCR | IGNCR | ICRNL;
    const tcflag_t lflagMask = ICANON | ECHO | ISIG | IEXTEN;
    const bool same = ::cfgetispeed(&back) == speed && ::cfgetospeed(&back) == speed
        && (back.c_cflag & cflagMask) == (t.c_cflag & cflagMask)
        && (back.c_iflag & iflagMask) == (t.c_iflag & iflagMask)
        && (back.c_oflag & OPOST) == (t.c_oflag & OPOST)
        && (back.c_lflag & lflagMask) == (t.c_lflag & lflagMask)
        && back.c_cc[VMIN] == t.c_cc[VMIN] && back.c_cc[VTIME] == t.c_cc[VTIME];
    if (!same)
        Raise("Error writing dcb (%1), %2", EINVAL);

    if (flowControl_.ControlDtr != dtrHandshake)
        SetModemLine(fd, TIOCM_DTR, flowControl_.ControlDtr == dtrEnabled);
    if (flowControl_.ControlRts != rtsHandshake)
        SetModemLine(fd, TIOCM_RTS, flowControl_.ControlRts == rtsEnabled);
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
                           + QStringLiteral(" (Error %1, %2)").arg(code).arg(ErrorText(code)));
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
                           + QStringLiteral(" (Error %1, %2)").arg(code).arg(ErrorText(code)));
    }
    ::ioctl(fd, TIOCEXCL);

    session_ = session;
    try {
        ApplyLineSettings();

        session->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (session->wakeFd < 0)
            Raise(" Error setting EventMask (%1), %2", errno);
        session->epollFd = ::epoll_create1(EPOLL_CLOEXEC);
        if (session->epollFd < 0)
            Raise(" Error setting EventMask (%1), %2", errno);
        epoll_event ev {};
        ev.events = EPOLLIN | EPOLLET;
        ev.data.fd = fd;
        if (::epoll_ctl(session->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0)
            Raise(" Error setting EventMask (%1), %2", errno);
        ev.events = EPOLLIN;
        ev.data.fd = session->wakeFd;
        if (::epoll_ctl(session->epollFd, EPOLL_CTL_ADD, session->wakeFd, &ev) != 0)
            Raise(" Error setting EventMask (%1), %2", errno);
        try {
            session->thread = std::thread(RunVaCommEventThread, this, session);
        } catch (const std::system_error& e) {
            Raise(" Error setting EventMask (%1), %2", e.code().value());
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
            closeError_ = QString::fromLatin1(format).arg(code).arg(ErrorText(code));
    };
    if (::tcflush(s->fd, TCOFLUSH) != 0)
        note("Error clearing buffers (%1), %2", errno);
    ::ioctl(s->fd, TIOCNXCL);  // fails exactly when the flush did (the line hung up)
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
            Raise("Write error (%1), %2", errno);
        // The output queue is full: wait for room, within the bound.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd p {fd, POLLOUT, 0};
        if (::poll(&p, 1, int(left.count())) < 0 && errno != EINTR)
            Raise("Write error (%1), %2", errno);
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
        Raise("Read error (%1), %2", errno);
    }
}

int TVaComm::BytesWaiting()
{
    if (!session_)
        return 0;
    int n = 0;
    if (::ioctl(session_->fd, TIOCINQ, &n) != 0)
        Raise("Error retrieving statistics (%1), %2", errno);
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
        Raise("Error clearing buffers (%1), %2", errno);
}

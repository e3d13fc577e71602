// The serial device's settings: the device name, the line settings and how
// they reach an open terminal (termios and the modem lines).
#include "serial/vacomm_session.h"

#include <cerrno>

#include <sys/ioctl.h>
#include <termios.h>

namespace {

const QString kPortOpen = QStringLiteral("Can't perform this operation while port is open");

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
        RaiseVaCommError("Error writing dcb (%1), %2", errno);
}

}  // namespace

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
static void ChangeLineSetting(TVaComm* comm, T& member, const T& value, bool open, void (TVaComm::*apply)())
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

void TVaComm::SetBaudrate(TVaBaudrate rate)
{
    ChangeLineSetting(this, baudrate_, rate, IsOpen(), &TVaComm::ApplyLineSettings);
}
void TVaComm::SetParity(TVaParity parity)
{
    ChangeLineSetting(this, parity_, parity, IsOpen(), &TVaComm::ApplyLineSettings);
}
void TVaComm::SetDatabits(TVaDatabits bits)
{
    ChangeLineSetting(this, databits_, bits, IsOpen(), &TVaComm::ApplyLineSettings);
}
void TVaComm::SetStopbits(TVaStopbits bits)
{
    ChangeLineSetting(this, stopbits_, bits, IsOpen(), &TVaComm::ApplyLineSettings);
}
void TVaComm::SetFlowControl(const TVaFlowControl& flow)
{
    ChangeLineSetting(this, flowControl_, flow, IsOpen(), &TVaComm::ApplyLineSettings);
}

void TVaComm::SetRtsLine(bool active)
{
    const TVaControlRts wanted = active ? rtsEnabled : rtsDisabled;
    if (flowControl_.ControlRts == wanted)
        return;
    if (flowControl_.ControlRts == rtsHandshake) {
        // Leaving hardware handshake changes the line settings as well.
        TVaFlowControl flow = flowControl_;
        flow.ControlRts = wanted;
        SetFlowControl(flow);
        return;
    }
    if (IsOpen())
        SetModemLine(session_->fd, TIOCM_RTS, active);
    flowControl_.ControlRts = wanted;
}

int TVaComm::BitsPerSecond(TVaBaudrate rate) const
{
    static const int rates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    if (rate <= brUser || rate > br256000)
        return 0;
    return rates[rate];
}

namespace {

// What tcsetattr must have kept of the settings asked for: it succeeds when
// any part of a change took.
bool KeptLineSettings(const termios& asked, const termios& back, speed_t speed)
{
    const tcflag_t cflagMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    const tcflag_t iflagMask = IXON | IXOFF | IXANY | INPCK | ISTRIP | INLCR | IGNCR | ICRNL;
    const tcflag_t lflagMask = ICANON | ECHO | ISIG | IEXTEN;
    return ::cfgetispeed(&back) == speed && ::cfgetospeed(&back) == speed
        && (back.c_cflag & cflagMask) == (asked.c_cflag & cflagMask)
        && (back.c_iflag & iflagMask) == (asked.c_iflag & iflagMask)
        && (back.c_oflag & OPOST) == (asked.c_oflag & OPOST)
        && (back.c_lflag & lflagMask) == (asked.c_lflag & lflagMask) && back.c_cc[VMIN] == asked.c_cc[VMIN]
        && back.c_cc[VTIME] == asked.c_cc[VTIME];
}

}  // namespace

void TVaComm::ComposeLineSettings(termios& t, speed_t* speed) const
{
    // Raw 8-bit transfer: no translation, no echo, no signals.
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);

    if (!SpeedFor(BitsPerSecond(baudrate_), speed))
        RaiseVaCommError("Error writing dcb (%1), %2", EINVAL);
    ::cfsetispeed(&t, *speed);
    ::cfsetospeed(&t, *speed);

    switch (databits_) {
    case db5: t.c_cflag |= CS5; break;
    case db6: t.c_cflag |= CS6; break;
    case db7: t.c_cflag |= CS7; break;
    case db8: t.c_cflag |= CS8; break;
    default: RaiseVaCommError("Error writing dcb (%1), %2", EINVAL);  // 4 data bits: no such line here
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
}

void TVaComm::ApplyLineSettings()
{
    const int fd = session_->fd;
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        RaiseVaCommError("Error writing dcb (%1), %2", errno);
    speed_t speed = B0;
    ComposeLineSettings(t, &speed);
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        RaiseVaCommError("Error writing dcb (%1), %2", errno);

    termios back{};
    if (::tcgetattr(fd, &back) != 0)
        RaiseVaCommError("Error writing dcb (%1), %2", errno);
    if (!KeptLineSettings(t, back, speed))
        RaiseVaCommError("Error writing dcb (%1), %2", EINVAL);

    if (flowControl_.ControlDtr != dtrHandshake)
        SetModemLine(fd, TIOCM_DTR, flowControl_.ControlDtr == dtrEnabled);
    if (flowControl_.ControlRts != rtsHandshake)
        SetModemLine(fd, TIOCM_RTS, flowControl_.ControlRts == rtsEnabled);
}

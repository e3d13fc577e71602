#pragma once
// The serial port device: one POSIX terminal device opened exclusively, its
// line settings, direct (unqueued) writes bounded in time, reads that return at
// once, and the receive notification `OnRxChar` delivered on the thread that
// owns the object (the GUI thread).
//
// Threads: every method is called on the owning thread. While the port is
// open one background event thread waits for line events; it hands each one
// to the owning thread and blocks until it has been handled, so at most one
// `OnRxChar` is outstanding and no handler ever runs off the owning thread.
//
// Errors: every device error is thrown as EVaCommError; the object stays
// usable afterwards and a failed OpenPort leaves it closed.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <termios.h>

// The exception thrown for every device error. message() is the text shown to
// the user ("Write error (5), Input/output error").
class EVaCommError : public std::exception {
public:
    explicit EVaCommError(const QString& message);
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

enum TVaBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

// Flow control and modem-line settings. Every member off by default: no flow
// control, DTR and RTS held inactive.
struct TVaFlowControl {
    bool OutCtsFlow = false;        // hardware flow control (CTS/RTS pair)
    bool OutDsrFlow = false;        // not available on this platform; ignored
    bool XonXoffOut = false;        // honour XON/XOFF received from the other side
    bool XonXoffIn = false;         // send XON/XOFF when the input queue fills
    bool DsrSensitivity = false;    // not available on this platform; ignored
    bool TxContinueOnXoff = false;  // not available on this platform; ignored
    TVaControlDtr ControlDtr = dtrDisabled;
    TVaControlRts ControlRts = rtsDisabled;
    bool operator==(const TVaFlowControl&) const = default;
};

// Special characters of the line.
struct TVaEventChars {
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0x00;
    char EventChar = 0x00;
    char EofChar = 0x00;
    bool operator==(const TVaEventChars&) const = default;
};

// Queue sizes (advisory here: the kernel sizes its own queues) and the
// transfer bound: a write that has not completed after ReadTimeout
// milliseconds returns with what went out.
struct TVaBuffers {
    int ReadSize = 4096;
    int WriteSize = 2048;
    int ReadTimeout = 1000;   // ms; the bound of one write
    int WriteTimeout = 1000;  // ms
    int XonLimit = 1024;
    int XoffLimit = 1024;
    bool operator==(const TVaBuffers&) const = default;
};

// Device path for a port name: a name containing "/" as it stands
// (/dev/ttyUSB0, /dev/pts/3); "COMn" (n >= 1) gives /dev/ttyS(n-1); any other
// name "/dev/" + name.
QString DevicePathForPortName(const QString& name);

// The entries of the "COM name" list: COM1 to COM20, then the serial devices
// present under devDir: by-id links (devDir/serial/by-id/*, full paths), then
// devDir/ttyUSB* and devDir/ttyACM* (full paths), each group sorted.
QStringList PortNameList(const QString& devDir = QStringLiteral("/dev"));

// Opens `path` for reading and writing with the same exclusive lock the device
// takes and closes it again at once. True when it could be opened; otherwise
// false with the reason in *reason and the errno value in *errorCode (when
// given). Never blocks.
bool ProbeDevice(const QString& path, QString* reason = nullptr, int* errorCode = nullptr);

// The extra line logged when a port was refused for lack of permission
// (EACCES, EPERM): how to get serial-port permission, in the chosen
// language. Empty for every other error.
QString PortPermissionHint(int errorCode, const QString& portName, bool english);

class TVaComm : public QObject {
    Q_OBJECT
public:
    explicit TVaComm(QObject* parent = nullptr);
    ~TVaComm() override;  // closes the port

    // --- settings -------------------------------------------------------
    // DeviceName may hold one "%d", replaced by PortNum when opening; the
    // result goes through DevicePathForPortName. Changing either while open
    // throws "Can't perform this operation while port is open".
    QString DeviceName() const { return deviceName_; }
    void SetDeviceName(const QString& name);
    int PortNum() const { return portNum_; }
    void SetPortNum(int num);
    // The device path OpenPort uses with the current settings.
    QString DevicePath() const;

    // Line settings: applied at once when the port is open (a value equal to
    // the current one is not applied again); a failure throws
    // "Error writing dcb (%d), %s".
    TVaBaudrate Baudrate() const { return baudrate_; }
    void SetBaudrate(TVaBaudrate rate);
    TVaParity Parity() const { return parity_; }
    void SetParity(TVaParity parity);
    TVaDatabits Databits() const { return databits_; }
    void SetDatabits(TVaDatabits bits);
    TVaStopbits Stopbits() const { return stopbits_; }
    void SetStopbits(TVaStopbits bits);
    TVaFlowControl FlowControl() const { return flowControl_; }
    void SetFlowControl(const TVaFlowControl& flow);
    // Holds RTS active (true) or inactive: makes FlowControl().ControlRts
    // rtsEnabled or rtsDisabled. While open only the modem line is changed,
    // at once, the line settings stay as they are; a failure keeps the
    // previous value and throws "Error writing dcb (%d), %s".
    void SetRtsLine(bool active);
    TVaEventChars EventChars() const { return eventChars_; }
    // Changing Buffers while open throws "Can't perform this operation while
    // port is open".
    TVaBuffers Buffers() const { return buffers_; }
    void SetBuffers(const TVaBuffers& buffers);

    // Bits per second of a rate (0 for brUser: no user rate is kept).
    int BitsPerSecond(TVaBaudrate rate) const;

    // --- operations -----------------------------------------------------
    bool IsOpen() const;
    // Opens the device exclusively and applies every setting; starts the
    // event thread. Throws EVaCommError; closed again after a failure.
    void OpenPort();
    // Stops the event thread (waits for it to end; never deadlocks, even when
    // the thread waits for this thread) and releases the device. Discards
    // unsent output first so that closing never waits for the line to drain.
    // Nothing happens when not open. Never throws: a step that fails is
    // recorded for TakeCloseError().
    void ClosePort() noexcept;
    // The first error of the last ClosePort ("Error closing port (5),
    // Input/output error"), empty when it went well; cleared by the call.
    QString TakeCloseError();
    // Writes every byte; true when all went out within the transfer bound.
    bool SendText(const QByteArray& text);
    // Writes count bytes; blocks at most Buffers().ReadTimeout ms. Returns the
    // number written (fewer on time-out, 0 when not open). Throws
    // "Write error (%d), %s".
    int SendBytes(const char* bytes, int count);
    // Reads up to count waiting bytes into area without waiting; returns the
    // number read (0 when none or not open). Throws "Read error (%d), %s".
    int ReadBytes(char* area, int count);
    // Every byte waiting in the input queue; empty when none or not open.
    QByteArray ReadAvailable();
    // Bytes in the driver's input queue (0 when not open). Throws
    // "Error retrieving statistics (%d), %s".
    int BytesWaiting();
    // Discards both driver queues. Nothing when not open. Throws
    // "Error clearing buffers (%d), %s".
    void PurgeAll();

signals:
    // Bytes have arrived; count is BytesWaiting at delivery. Delivered on the
    // owning thread; the next one comes only after this one returned.
    void OnRxChar(QObject* sender, int count);
    // The device went away while open (hang-up, unplugged adapter). The port
    // has already been closed when this is delivered (owning thread, once per
    // opening).
    void portLost(const QString& reason);

protected:
    bool event(QEvent* e) override;

public:
    // One opening of the device (internal to the device's own units).
    struct Session;

private:
    // The termios settings for the line settings kept here; *speed gets the
    // speed code. Throws "Error writing dcb" for a speed or data bits the
    // line cannot have.
    void ComposeLineSettings(termios& t, speed_t* speed) const;
    void ApplyLineSettings();
    void RequireClosed() const;
    void HandleRx(const std::shared_ptr<Session>& session);
    void HandleLost(const std::shared_ptr<Session>& session, const QString& reason);

    QString deviceName_ = QStringLiteral("COM%d");
    int portNum_ = 0;
    TVaBaudrate baudrate_ = br1200;
    TVaParity parity_ = paNone;
    TVaDatabits databits_ = db8;
    TVaStopbits stopbits_ = sb1;
    TVaFlowControl flowControl_;
    TVaEventChars eventChars_;
    TVaBuffers buffers_;

    // What went wrong in the last ClosePort; empty when nothing did.
    QString closeError_;

    // The open device with its event thread; null when closed.
    std::shared_ptr<Session> session_;
};

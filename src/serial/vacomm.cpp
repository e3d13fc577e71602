// Temporary placeholder implementation; replaced by the termios device.
#include "serial/vacomm.h"

#include <QEvent>

EVaCommError::EVaCommError(const QString& message) : message_(message), utf8_(message.toUtf8()) {}

QString DevicePathForPortName(const QString& name) { return name; }
QStringList PortNameList(const QString&) { return {}; }
bool ProbeDevice(const QString&, QString*) { return false; }

struct TVaComm::Session {};

TVaComm::TVaComm(QObject* parent) : QObject(parent) {}
TVaComm::~TVaComm() { ClosePort(); }
void TVaComm::SetDeviceName(const QString& name) { deviceName_ = name; }
void TVaComm::SetPortNum(int num) { portNum_ = num; }
QString TVaComm::DevicePath() const { return deviceName_; }
void TVaComm::SetBaudrate(TVaBaudrate rate) { baudrate_ = rate; }
void TVaComm::SetUserBaudrate(int bps) { userBaudrate_ = bps; baudrate_ = brUser; }
void TVaComm::SetParity(TVaParity p) { parity_ = p; }
void TVaComm::SetDatabits(TVaDatabits b) { databits_ = b; }
void TVaComm::SetStopbits(TVaStopbits b) { stopbits_ = b; }
void TVaComm::SetFlowControl(const TVaFlowControl& f) { flowControl_ = f; }
void TVaComm::SetEventChars(const TVaEventChars& c) { eventChars_ = c; }
void TVaComm::SetBuffers(const TVaBuffers& b) { buffers_ = b; }
int TVaComm::BitsPerSecond(TVaBaudrate) const { return 0; }
bool TVaComm::IsOpen() const { return false; }
void TVaComm::OpenPort() { throw EVaCommError(QStringLiteral("Specified device not found (%1).").arg(DevicePath())); }
void TVaComm::ClosePort() noexcept {}
bool TVaComm::SendText(const QByteArray&) { return false; }
int TVaComm::SendBytes(const char*, int) { return 0; }
int TVaComm::ReadBytes(char*, int) { return 0; }
QByteArray TVaComm::ReadAvailable() { return {}; }
int TVaComm::BytesWaiting() { return 0; }
void TVaComm::PurgeAll() {}
bool TVaComm::event(QEvent* e) { return QObject::event(e); }
void TVaComm::ApplyLineSettings() {}
void TVaComm::RequireClosed() const {}
void TVaComm::HandleRx(const std::shared_ptr<Session>&) {}
void TVaComm::HandleLost(const std::shared_ptr<Session>&, const QString&) {}

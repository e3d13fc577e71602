// Temporary placeholder implementation; replaced by the real connection logic.
#include "serial/connection.h"

#include "app/activity_log.h"
#include "app/working_state.h"
#include "protocol/hex.h"
#include "serial/vacomm.h"

Connection::Connection(TVaComm& comm, ConnectionView& view, ActivityLog& log, WorkingState& state,
                       QObject* parent)
    : QObject(parent), comm_(comm), view_(view), log_(log), state_(state) {}
void Connection::ToggleConnection() {}
bool Connection::EnsurePortOpen() { return false; }
void Connection::ReleasePort() {}
QByteArray Connection::ReadIfConnected() { return {}; }
void Connection::logLine(const QString& line) { log_.append(line); }
void Connection::TransmitTelegram(const QByteArray& telegram) { log_.append(QStringLiteral("Not sent: ") + HexDump(telegram)); }
bool Connection::connected() const { return state_.connected; }
void Connection::onPortLost(const QString&) {}

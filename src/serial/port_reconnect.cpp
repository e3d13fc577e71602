#include "serial/port_reconnect.h"

#include "core/activity_log.h"
#include "serial/connection.h"
#include "serial/vacomm.h"

#include <cerrno>

PortReconnect::PortReconnect(Connection& connection, ConnectionView& view, ActivityLog& log, QObject* parent)
    : QObject(parent), connection_(connection), view_(view), log_(log)
{
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleStepMs);
    connect(&settle_, &QTimer::timeout, this, &PortReconnect::trySettling);
    connect(&connection_, &Connection::lostByDevice, this, &PortReconnect::onLost);
    connect(&connection_, &Connection::connectionChanged, this, &PortReconnect::onConnectionChanged);
    connect(&watcher_, &PortWatcher::returned, this, &PortReconnect::onReturned);
    connect(&watcher_, &PortWatcher::touched, this, &PortReconnect::onTouched);
}

void PortReconnect::cancel()
{
    watcher_.stop();
    settle_.stop();
    refused_ = false;
}

void PortReconnect::onLost()
{
    cancel();
    name_ = view_.portNameText();
    const QString path = DevicePathForPortName(name_);
    // A pseudo-terminal never comes back: its number is handed to the next
    // program that asks for one. (A link to one, as the simulator makes, can.)
    if (!path.startsWith(QLatin1String("/dev/pts/")))
        watcher_.watch(path);
}

void PortReconnect::onConnectionChanged(bool connected)
{
    // Connected by the user (or by a command) rather than by this wait.
    if (connected && !reopening_)
        cancel();
}

void PortReconnect::onReturned()
{
    refused_ = false;
    tries_ = 0;
    trySettling();
}

void PortReconnect::onTouched()
{
    // A node reported refused is tried again, quietly, when something about
    // it changes (its permissions are set, its other user lets go).
    if (refused_ && !settle_.isActive() && ProbeDevice(watcher_.path()))
        reopen();
}

void PortReconnect::trySettling()
{
    if (view_.portNameText() != name_) {
        cancel();  // another port was chosen meanwhile
        return;
    }
    int error = 0;
    if (ProbeDevice(watcher_.path(), nullptr, &error)) {
        reopen();
        return;
    }
    if (error == ENOENT)
        return;  // gone again; the watcher reports its next return
    if (++tries_ < kSettleTries) {
        settle_.start();
        return;
    }
    // Still refused: said once, as the connect button says it; the wait goes on.
    if (!reopen())
        refused_ = true;
}

bool PortReconnect::reopen()
{
    reopening_ = true;
    const bool open = connection_.EnsurePortOpen();
    reopening_ = false;
    if (open) {
        cancel();
        log_.append(QStringLiteral("Serial port back - reconnected to ") + name_);
    }
    return open;
}

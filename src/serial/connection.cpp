// Connection management and transmit on top of the serial device.
#include "serial/connection.h"

#include "core/activity_log.h"
#include "core/working_state.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "serial/line_settings.h"
#include "serial/port_open_failure.h"
#include "serial/vacomm.h"

#include <QTimer>

namespace {

const QString kConnectCaption = QStringLiteral("Connect to port");
const QString kDisconnectCaption = QStringLiteral("Disconnect");

// No flow control, DTR inactive, RTS as the "RTS" box says.
TVaFlowControl FlowForRts(bool rtsTicked)
{
    TVaFlowControl flow;
    flow.ControlRts = rtsTicked ? rtsEnabled : rtsDisabled;
    return flow;
}

}  // namespace

Connection::Connection(TVaComm& comm, ConnectionView& view, ActivityLog& log, WorkingState& state, QObject* parent)
    : QObject(parent), comm_(comm), view_(view), log_(log), state_(state)
{
    connect(&comm_, &TVaComm::portLost, this, &Connection::onPortLost);
}

bool Connection::connected() const
{
    return state_.connected;
}

void Connection::logLine(const QString& line)
{
    log_.append(line);
}

void Connection::showClosed()
{
    const bool was = state_.connected;
    view_.setStatusText(view_.portNameText() + QStringLiteral(" is closed"));
    state_.connected = false;
    view_.setPortListsEnabled(true);
    view_.setConnectCaption(kConnectCaption);
    if (was)
        emit connectionChanged(false);
}

void Connection::ToggleConnection()
{
    if (state_.connected) {
        try {
            // The device waits for its event thread to end before it lets go
            // of the descriptor, so no pause is needed before the next open.
            comm_.ClosePort();
            showClosed();
            reportCloseError();
        } catch (...) {
            log_.append(QStringLiteral("Unknown Exception closing serial port, please restart..."));
        }
        return;
    }

    const QString name = view_.portNameText();
    const QString closedText = name + QStringLiteral(" is closed");
    // The device may still be open without the flag (never by this class);
    // release it so that the settings below can be changed.
    comm_.ClosePort();
    reportCloseError();
    comm_.SetDeviceName(DevicePathForPortName(name));

    int probeError = 0;
    if (!ProbeDevice(comm_.DevicePath(), nullptr, &probeError)) {
        view_.setStatusText(closedText);
        state_.connected = false;
        log_.append(PortOpenFailureMessage(probeError, name, view_.englishChecked()));
        const QString hint = PortPermissionHint(probeError, name, view_.englishChecked());
        if (!hint.isEmpty())
            log_.append(hint);
        return;
    }

    comm_.SetBaudrate(RateFromText(view_.speedText()));
    comm_.SetParity(ParityFromText(view_.parityText()));
    comm_.SetStopbits(sb1);
    // The receiver always runs 8 data bits; the "Data bits" list is only kept
    // with the settings.
    comm_.SetDatabits(db8);
    comm_.SetFlowControl(FlowForRts(view_.rtsTicked()));

    try {
        comm_.OpenPort();
    } catch (...) {
        log_.append(QStringLiteral("Unknown Exception on opening serial port..."));
        view_.setStatusText(closedText);
        return;
    }
    const QString status = name + QStringLiteral(" - ") + view_.speedText() + QStringLiteral(",8,")
        + view_.parityText();
    view_.setStatusText(status);
    state_.connected = true;
    log_.append(status);
    view_.setPortListsEnabled(false);
    view_.setConnectCaption(kDisconnectCaption);
    emit connectionChanged(true);
}

void Connection::FollowRtsBox()
{
    if (!state_.connected)
        return;  // applied at the next connect
    try {
        comm_.SetRtsLine(view_.rtsTicked());
    } catch (const EVaCommError& e) {
        log_.append(QStringLiteral("Can not set the RTS line - ") + e.message());
    }
}

bool Connection::EnsurePortOpen()
{
    try {
        if (!state_.connected)
            ToggleConnection();
        if (!state_.connected)
            return false;
        comm_.PurgeAll();
        return true;
    } catch (const std::exception& e) {
        // Keep the device, the flag and the window in step: a port this
        // program cannot use is shown closed.
        comm_.ClosePort();
        if (state_.connected)
            showClosed();
        state_.connected = false;
        const QString message = dynamic_cast<const EVaCommError*>(&e) ? static_cast<const EVaCommError&>(e).message()
                                                                      : QString::fromLocal8Bit(e.what());
        log_.append(QStringLiteral("Exception opening serial port - ") + message);
        return false;
    }
}

void Connection::ReleasePort()
{
    try {
        comm_.PurgeAll();
    } catch (const EVaCommError& e) {
        // The port is closed all the same; the error is reported with the
        // close, as the one line of this release.
        pendingCloseError_ = e.message();
    }
    if (state_.connected) {
        ToggleConnection();
    } else if (!pendingCloseError_.isEmpty()) {
        log_.append(QStringLiteral("Exception closing serial port - ") + pendingCloseError_);
        pendingCloseError_.clear();
    }
}

void Connection::reportCloseError()
{
    const QString deviceError = comm_.TakeCloseError();
    const QString error = pendingCloseError_.isEmpty() ? deviceError : pendingCloseError_;
    pendingCloseError_.clear();
    if (!error.isEmpty())
        log_.append(QStringLiteral("Exception closing serial port - ") + error);
}

void Connection::TransmitTelegram(const QByteArray& telegram)
{
    bool sent = false;
    QString failure;
    try {
        comm_.PurgeAll();
        if (state_.connected)
            sent = comm_.SendText(telegram);
    } catch (const EVaCommError& e) {
        failure = e.message();
        log_.append(QStringLiteral("Can not write to serial COM port - ") + failure);
    }
    // Only a telegram that went out in full is logged as sent.
    log_.append((sent ? QStringLiteral("Sent: ") : QStringLiteral("Not sent: ")) + HexDump(telegram),
                CarriesMeterKey(telegram) ? ActivityLog::Content::Key : ActivityLog::Content::Plain);
    // A line that refuses a write has gone away (an adapter pulled out).
    if (!failure.isEmpty())
        loseLater(failure);
}

QByteArray Connection::ReadIfConnected()
{
    if (!state_.connected) {
        log_.append(QStringLiteral("No valid physical connection... "));
        return {};
    }
    try {
        return comm_.ReadAvailable();
    } catch (const EVaCommError& e) {
        // A read error must not escape into the event loop (timer handler);
        // the line it happened on has gone away.
        log_.append(QStringLiteral("Exception receiving - ") + e.message());
        loseLater(e.message());
        return {};
    }
}

int Connection::ReadBytes(char* area, int count)
{
    try {
        return comm_.ReadBytes(area, count);
    } catch (const EVaCommError& e) {
        loseLater(e.message());
        throw;
    }
}

void Connection::loseLater(const QString& reason)
{
    // After the handler that met the error has finished, so that what it was
    // doing (a sequence step, a retry) is stopped in a consistent state.
    QTimer::singleShot(0, this, [this, reason] { onPortLost(reason); });
}

void Connection::onPortLost(const QString& reason)
{
    if (!state_.connected)
        return;
    // On a hang-up the device has closed itself already: closing again would
    // clear that close's error before it is reported.
    if (comm_.IsOpen())
        comm_.ClosePort();  // after a read or write error
    showClosed();
    reportCloseError();
    log_.append(QStringLiteral("Serial port lost - ") + reason);
    emit lostByDevice();
}

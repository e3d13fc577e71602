#pragma once
// Connection management and transmit: opens and closes the serial port with
// the settings of the "Communication settings" group, shows the state on the
// connect button and the status bar, and offers the line operations every
// command uses. Runs on the GUI thread only.
#include "protocol/command_sink.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class ActivityLog;
class TVaComm;
struct WorkingState;

// What the connection reads from and writes to the window.
class ConnectionView {
public:
    virtual ~ConnectionView() = default;
    virtual QString portNameText() const = 0;                 // "COM name" list text
    virtual QString speedText() const = 0;                    // "Speed" list text
    virtual QString parityText() const = 0;                   // "Parity" list text
    virtual bool rtsTicked() const = 0;                       // "RTS" tick box
    virtual bool englishChecked() const = 0;                  // check mark of Language > English
    virtual void setStatusText(const QString& text) = 0;      // status bar, first panel
    virtual void setConnectCaption(const QString& text) = 0;  // connect button
    virtual void setPortListsEnabled(bool enabled) = 0;       // the four lists
};

class Connection : public QObject, public CommandSink {
    Q_OBJECT
public:
    Connection(TVaComm& comm, ConnectionView& view, ActivityLog& log, WorkingState& state, QObject* parent = nullptr);

    // Connect when disconnected, disconnect when connected (the connect button).
    void ToggleConnection();
    // The "RTS" box changed: while connected the line follows it at once (a
    // failure is logged); otherwise it is applied at the next connect.
    void FollowRtsBox();
    // Opens the port when closed; true when open (both queues discarded).
    bool EnsurePortOpen();
    // Discards the queues and closes the port if open (end of a sequence).
    void ReleasePort();
    // Every byte waiting at the port; logs "No valid physical connection... "
    // and gives empty when not connected.
    QByteArray ReadIfConnected();
    // Reads up to count waiting bytes for the receive path (TVaComm::ReadBytes);
    // a read error is rethrown and the port counts as lost.
    int ReadBytes(char* area, int count);

    // CommandSink: writes the telegram when connected and logs "Sent: ..."
    // (or "Not sent: ..." when it did not go out in full).
    void logLine(const QString& line) override;
    void TransmitTelegram(const QByteArray& telegram) override;

    bool connected() const;

signals:
    // The connection state changed (opened, closed, or lost).
    void connectionChanged(bool connected);
    // The device went away while connected (hang-up, read or write error);
    // follows connectionChanged(false) and the lost line.
    void lostByDevice();

private:
    // The device went away: released, shown closed, the close's error (if
    // any) and the lost line logged, connectionChanged(false), lostByDevice().
    void onPortLost(const QString& reason);
    // A read or write error: the port is lost once the running handler ends.
    void loseLater(const QString& reason);
    // Status text "<name> is closed", lists enabled, caption "Connect to port",
    // `connected` false; emits connectionChanged(false) when it was true.
    void showClosed();
    // Logs "Exception closing serial port - " with the error kept for this
    // close (a failed purge before it, else the device's own), if any.
    void reportCloseError();

    TVaComm& comm_;
    ConnectionView& view_;
    ActivityLog& log_;
    WorkingState& state_;
    QString pendingCloseError_;  // a failed purge of ReleasePort, until reported
};

#pragma once
// Reopens a port that the device lost (adapter pulled out, receiver power
// cycled) once its name is back, with the settings shown in the window, and
// logs "Serial port back - reconnected to NAME". Only a loss starts the wait;
// the user's own connect, a change of the port name, or cancel() (the window
// closing) ends it, and nothing is reopened after that.
// A pseudo-terminal named directly (/dev/pts/N) is not waited for.
//
// The wait is a PortWatcher: no timer runs and no CPU is used until the name
// changes. When the name is back but the node refuses to open (permissions
// still being set up), the open is retried briefly; a port that still cannot
// be opened is reported once, with the message of a manual connect, and the
// wait goes on. GUI thread only; never shows a window.
#include "serial/port_watcher.h"

#include <QObject>
#include <QString>
#include <QTimer>

class ActivityLog;
class Connection;
class ConnectionView;

class PortReconnect : public QObject {
    Q_OBJECT
public:
    // Retries while a returned node refuses to open: every kSettleStepMs,
    // kSettleTries times in all, well inside the two seconds a returning
    // adapter may take to be reopened.
    static constexpr int kSettleStepMs = 100;
    static constexpr int kSettleTries = 12;

    PortReconnect(Connection& connection, ConnectionView& view, ActivityLog& log, QObject* parent = nullptr);

    // True while waiting for the lost port's name to return.
    bool waiting() const { return watcher_.isWatching(); }
    const PortWatcher& watcher() const { return watcher_; }

public slots:
    // Ends the wait; nothing is reopened afterwards.
    void cancel();

private:
    void onLost();
    void onConnectionChanged(bool connected);
    void onReturned();
    void onTouched();
    // One attempt while the returned node settles.
    void trySettling();
    // Opens as the connect button would; true when connected.
    bool reopen();

    Connection& connection_;
    ConnectionView& view_;
    ActivityLog& log_;
    PortWatcher watcher_;
    QTimer settle_;
    QString name_;  // the port name as the user chose it
    int tries_ = 0;
    bool refused_ = false;  // the returned node was reported as refused
    bool reopening_ = false;
};

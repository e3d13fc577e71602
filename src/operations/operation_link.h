#pragma once
// The serial line as the device operations use it. The window adapts the
// real Connection to it (ConnectionLink); tests use a recorder or a real
// connection to the simulator. All calls run on the GUI thread; none blocks
// for more than one bounded port open or write.
#include "protocol/command_sink.h"

#include <QByteArray>

class OperationLink {
public:
    virtual ~OperationLink() = default;
    // Opens the port when closed; true when open (both queues discarded). On
    // failure the link has already logged its own message.
    virtual bool EnsurePortOpen() = 0;
    // Discards the queues and closes the port if it is open.
    virtual void ReleasePort() = 0;
    // Every byte waiting at the port. Not connected: logs
    // "No valid physical connection... " and gives empty.
    virtual QByteArray ReadIfConnected() = 0;
    // Where the command builders write telegrams and log lines; the
    // operations' own log lines go through sink().logLine() as well.
    virtual CommandSink& sink() = 0;
};

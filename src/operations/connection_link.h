#pragma once
// OperationLink over the program's Connection (header only: the adapter just
// forwards).
#include "operations/operation_link.h"
#include "serial/connection.h"

class ConnectionLink final : public OperationLink {
public:
    explicit ConnectionLink(Connection& connection) : connection_(connection) {}
    bool EnsurePortOpen() override { return connection_.EnsurePortOpen(); }
    void ReleasePort() override { connection_.ReleasePort(); }
    QByteArray ReadIfConnected() override { return connection_.ReadIfConnected(); }
    CommandSink& sink() override { return connection_; }

private:
    Connection& connection_;
};

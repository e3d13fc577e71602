#pragma once
// One run's link to the receiver: the serial device, the connection that
// opens it with the chosen line settings, and the request engine on top.
// The port is opened by open() and released when the session ends.
#include "cli/cli_options.h"
#include "core/activity_log.h"
#include "core/working_state.h"
#include "operations/connection_link.h"
#include "operations/request_engine.h"
#include "serial/connection.h"
#include "serial/vacomm.h"

#include <QJsonObject>

#include <memory>

class CliOutput;

class CliSession final : public ConnectionView {
public:
    CliSession(const CliOptions& options, CliOutput& out);
    ~CliSession() override;

    // Opens the port (with -v after a line naming the port, speed, parity and
    // receiver used). Exit::Done, or Exit::Port after one line on standard
    // error saying why (missing, in use, no permission with the hint).
    int open();
    RequestEngine& engine() { return *engine_; }

    // ConnectionView: the line settings of the options; nothing is shown.
    QString portNameText() const override { return options_.port; }
    QString speedText() const override { return options_.baud; }
    QString parityText() const override { return options_.parity; }
    bool rtsTicked() const override { return options_.rts; }
    bool englishChecked() const override { return options_.english; }
    void setStatusText(const QString&) override {}
    void setConnectCaption(const QString&) override {}
    void setPortListsEnabled(bool) override {}

private:
    const CliOptions& options_;
    CliOutput& out_;
    TVaComm comm_;
    ActivityLog log_;
    WorkingState state_;
    Connection connection_;
    ConnectionLink link_;
    std::unique_ptr<RequestEngine> engine_;
};

// The exit code and message for a result that is not the expected answer:
// an error reply (Exit::Failed), silence (Exit::NoReply), Ctrl+C, or a
// command the builders refused (Exit::Usage while nothing has been sent,
// else Exit::Failed). Exit::Done for an answer.
struct ResultFailure {
    int exitCode = 0;
    QString message;
};
// Two upper-case hex digits of an error code.
QString ErrorCodeHex(int code);
ResultFailure FailureOf(const RequestResult& r, const CliOptions& options, int telegramsSent);
// The "error" fields of a failed result beyond code and text: receiver_code.
QJsonObject ErrorFields(const RequestResult& r);

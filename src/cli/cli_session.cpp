#include "cli/cli_session.h"

#include "cli/cli_output.h"

#include <cerrno>

namespace {
bool IsFrameLine(const QString& line)
{
    return line.startsWith(QLatin1String("Sent: ")) || line.startsWith(QLatin1String("Not sent: "));
}
}  // namespace

QString ErrorCodeHex(int code)
{
    return QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
}

CliSession::CliSession(const CliOptions& options, CliOutput& out)
    : options_(options), out_(out), connection_(comm_, *this, log_, state_), link_(connection_)
{
    engine_ = std::make_unique<RequestEngine>(link_, options.zelkId, options.retry, options.timeoutMs);
    QObject::connect(engine_.get(), &RequestEngine::logLine,
                     [this](const QString& line, bool frame) { out_.log(line, frame); });
    // The connection's own lines: the sent telegrams are frames; the opening
    // line ("<port> - 9600,8,Even") only with -v; anything else (a write
    // failure, a lost port) is a warning.
    QObject::connect(&log_, &ActivityLog::lineAppended, [this](const QString& line) {
        if (IsFrameLine(line) || line.startsWith(options_.port + QStringLiteral(" - ")))
            out_.log(line, true);
        else
            out_.warn(line);
    });
    QObject::connect(&comm_, &TVaComm::OnRxChar, engine_.get(),
                     [this] { engine_->receive(connection_.ReadIfConnected()); });
}

CliSession::~CliSession()
{
    if (connection_.connected())
        connection_.ReleasePort();
}

int CliSession::open()
{
    const QString& name = options_.port;
    const QString path = DevicePathForPortName(name);
    QString reason;
    int error = 0;
    if (!ProbeDevice(path, &reason, &error)) {
        QString message;
        switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            message = QStringLiteral("port %1 does not exist (%2)").arg(name, path);
            break;
        case EBUSY:
            message = QStringLiteral("port %1 is in use by another program (the window or another zelk-cli "
                                     "holds it)").arg(name);
            break;
        default:
            message = QStringLiteral("cannot open port %1 (%2): %3").arg(name, path, reason);
            break;
        }
        const QString hint = PortPermissionHint(error, name, options_.english);
        if (!hint.isEmpty())
            message += QLatin1Char('\n') + hint;
        return out_.fail(Exit::Port, message);
    }
    // Messages of a failed open reach standard error through the log.
    if (!connection_.EnsurePortOpen())
        return out_.fail(Exit::Port, QStringLiteral("cannot open port ") + name);
    return Exit::Done;
}

ResultFailure FailureOf(const RequestResult& r, const QString& zelkId, const QString& port)
{
    switch (r.kind) {
    case RequestResult::Error:
        return {Exit::ReceiverError,
                QStringLiteral("receiver answered with error 0x") + ErrorCodeHex(r.errorCode)
                    + (r.errorText.isEmpty() ? QString() : QStringLiteral(": ") + r.errorText)};
    case RequestResult::NoReply:
        return {Exit::NoReply, QStringLiteral("no reply from receiver %1 on %2 after %3 attempt(s)")
                                   .arg(zelkId, port)
                                   .arg(r.attempts)};
    case RequestResult::NotSent:
        return {Exit::Usage, QStringLiteral("command not sent")};
    default:
        return {};
    }
}

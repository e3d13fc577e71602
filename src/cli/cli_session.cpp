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
    QObject::connect(engine_.get(), &RequestEngine::logLine, [this](const QString& line, bool) { out_.log(line); });
    QObject::connect(engine_.get(), &RequestEngine::notice, [this](const QString& line) { out_.notice(line); });
    // The connection's own lines: the sent telegrams and the opening line
    // ("<port> - 9600,8,Even") belong to the log; anything else (a write
    // failure, a lost port) is a notice.
    QObject::connect(&log_, &ActivityLog::lineAppended, [this](const QString& line) {
        if (IsFrameLine(line) || line.startsWith(options_.port + QStringLiteral(" - ")))
            out_.log(line);
        else
            out_.notice(line);
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
        case ENXIO: message = QStringLiteral("port %1 does not exist (%2)").arg(name, path); break;
        case EBUSY:
            message = QStringLiteral("port %1 is in use by another program (the window or another zelk-cli "
                                     "holds it)")
                          .arg(name);
            break;
        default: message = QStringLiteral("cannot open port %1 (%2): %3").arg(name, path, reason); break;
        }
        const QString hint = PortPermissionHint(error, name, options_.english);
        if (!hint.isEmpty())
            message += QStringLiteral(". ") + hint;
        return out_.fail(Exit::Port, message);
    }
    if (out_.verbose())
        out_.log(QStringLiteral("Using port %1 (%2), %3 bit/s, parity %4, 8 data bits, RTS %5, receiver %6, "
                                "retry %7, timeout %8 ms; settings file %9")
                     .arg(name, path, options_.baud, options_.parity,
                          options_.rts ? QStringLiteral("on") : QStringLiteral("off"), options_.zelkId)
                     .arg(options_.retry)
                     .arg(options_.timeoutMs)
                     .arg(options_.settingsPath));
    // Messages of a failed open reach standard error through the log.
    if (!connection_.EnsurePortOpen())
        return out_.fail(Exit::Port, QStringLiteral("cannot open port ") + name);
    return Exit::Done;
}

ResultFailure FailureOf(const RequestResult& r, const CliOptions& o, int telegramsSent)
{
    switch (r.kind) {
    case RequestResult::Error:
        return {Exit::Failed,
                QStringLiteral("receiver answered with error 0x") + ErrorCodeHex(r.errorCode)
                    + (r.errorText.isEmpty() ? QString() : QStringLiteral(": ") + r.errorText)};
    case RequestResult::NoReply:
        return {Exit::NoReply,
                QStringLiteral("no reply from receiver %1 on %2 after %3 attempt(s) "
                               "(options not given come from %4)")
                    .arg(o.zelkId, o.port)
                    .arg(r.attempts)
                    .arg(o.settingsPath)};
    case RequestResult::NotSent:
        return {telegramsSent > 0 ? Exit::Failed : Exit::Usage, QStringLiteral("command not sent")};
    case RequestResult::Interrupted: return {Exit::Interrupted, QStringLiteral("interrupted")};
    default: return {};
    }
}

QJsonObject ErrorFields(const RequestResult& r)
{
    if (r.kind != RequestResult::Error)
        return {};
    return {{QStringLiteral("receiver_code"), r.errorCode}};
}

#include "operations/retry_timer.h"

#include "core/command_codes.h"
#include "core/working_state.h"
#include "operations/medium_send.h"
#include "protocol/commands.h"

#include <utility>

RetryTimer::RetryTimer(const OperationContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx)
{
    // A child (as well as a member) so the window finds it by name; the member
    // is destroyed first and leaves the parent's child list on its own.
    timer_.setParent(this);
    timer_.setObjectName(QStringLiteral("Timer_readZUDozad"));
    timer_.setSingleShot(true);
    timer_.setInterval(kInitialIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &RetryTimer::Timer_readZUDozadTimer);
}

void RetryTimer::startWithCurrentInterval()
{
    attempts_ = std::exchange(sink_.sent, 0);
    arm(false);
}

void RetryTimer::startWithResponseTimeout()
{
    attempts_ = std::exchange(sink_.sent, 0);
    arm(true);
}

void RetryTimer::arm(bool writeInterval)
{
    const int interval = ctx_.host.responseTimeout();
    // A different interval starts the period again (QTimer restarts an active
    // timer on setInterval); the same one leaves the pending tick alone.
    if (writeInterval && interval != timer_.interval())
        timer_.setInterval(interval);
    // An armed timer keeps its pending tick.
    if (!timer_.isActive())
        timer_.start();
}

namespace {

// The commands whose operation arms the timer and which it sends again: the
// ones that end with the no-reply line when every sending went unanswered.
bool EndsWithNoReplyLine(std::uint8_t code)
{
    switch (code) {
    case CommandCode::SetReceiverId:
    case CommandCode::AddMeter:
    case CommandCode::SetMeterMedium:
    case CommandCode::SetWirelessMode:
    case CommandCode::ReadStatus:
    case CommandCode::GetMeterList: return true;
    default: return false;
    }
}

}  // namespace

void RetryTimer::Timer_readZUDozadTimer()
{
    timer_.stop();
    WorkingState& st = ctx_.state;
    if (st.replyReceived) {
        ctx_.log(QString());
        return;
    }
    ++st.retryCount;
    if (ctx_.host.retries() < st.retryCount) {
        // Silence after the last sending. Nothing said when nothing went out
        // (a refused input has said why already).
        if (attempts_ > 0 && EndsWithNoReplyLine(st.lastCommand))
            ctx_.log(NoReplyNotice(ctx_.host.zelkId(), attempts_));
        return;
    }
    ctx_.log(RetryNotice(st.retryCount));
    sink_.sent = 0;
    const bool again = sendAgain();
    attempts_ += std::exchange(sink_.sent, 0);
    if (again)
        arm(true);
}

bool RetryTimer::sendAgain()
{
    WorkingState& st = ctx_.state;
    CommandSink& sink = sink_;
    OperationHost& host = ctx_.host;
    switch (st.lastCommand) {
    case CommandCode::SetReceiverId: CmdSetReceiverId(sink, host.zelkId(), host.newZelkId()); break;
    case CommandCode::AddMeter: CmdAddDeleteMeter(sink, host.zelkId(), host.meterId(), true); break;
    case CommandCode::SetMeterKey:
        if (keySteps_)
            keySteps_->RunKeySteps();
        break;
    case CommandCode::SetMeterMedium: SendMeterMedium(sink, host.zelkId(), host.meterId(), host.mediumText()); break;
    case CommandCode::SetWirelessMode: (void)CmdSetWirelessMode(sink, host.zelkId(), host.wirelessModeText()); break;
    case CommandCode::ReadStatus: CmdReadStatus(sink, host.zelkId(), host.localTime()); break;
    case CommandCode::GetMeterList:
        st.meterListPending = true;
        st.listTailPending = false;
        CmdGetMeterList(sink, host.zelkId());
        break;
    default:
        // Codes without a send-again action: the attempt line is all.
        return false;
    }
    return true;
}

QString RetryNotice(int attempt)
{
    return QStringLiteral("Communicating RF-ZELK again, attempt ") + QString::number(attempt);
}

QString NoReplyNotice(const QString& zelkId, int attempts)
{
    return QStringLiteral("No reply from ZELK %1 after %2 %3 - check the ZELK ID, speed and parity")
        .arg(zelkId)
        .arg(attempts)
        .arg(attempts == 1 ? QStringLiteral("attempt") : QStringLiteral("attempts"));
}

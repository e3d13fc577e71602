#include "operations/retry_timer.h"

#include "core/command_codes.h"
#include "core/working_state.h"
#include "protocol/commands.h"
#include "protocol/medium.h"

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
    // An armed timer keeps its pending tick.
    if (!timer_.isActive())
        timer_.start();
}

void RetryTimer::startWithResponseTimeout()
{
    const int interval = ctx_.host.responseTimeout();
    // A different interval starts the period again (QTimer restarts an active
    // timer on setInterval); the same one leaves the pending tick alone.
    if (interval != timer_.interval())
        timer_.setInterval(interval);
    startWithCurrentInterval();
}

void RetryTimer::Timer_readZUDozadTimer()
{
    timer_.stop();
    WorkingState& st = ctx_.state;
    if (st.replyReceived) {
        ctx_.log(QString());
        return;
    }
    ++st.retryCount;
    if (ctx_.host.retries() < st.retryCount)
        return;
    ctx_.log(RetryNotice(st.retryCount));

    CommandSink& sink = ctx_.sink();
    OperationHost& host = ctx_.host;
    switch (st.lastCommand) {
    case CommandCode::SetReceiverId: CmdSetReceiverId(sink, host.zelkId(), host.newZelkId()); break;
    case CommandCode::AddMeter: CmdAddDeleteMeter(sink, host.zelkId(), host.meterId(), true); break;
    case CommandCode::SetMeterKey:
        if (keySteps_)
            keySteps_->RunKeySteps();
        break;
    case CommandCode::SetMeterMedium:
        CmdSetMeterMedium(sink, host.zelkId(), host.meterId(), MediumCodeFromName(host.mediumText()));
        break;
    case CommandCode::SetWirelessMode: (void)CmdSetWirelessMode(sink, host.zelkId(), host.wirelessModeText()); break;
    case CommandCode::ReadStatus: CmdReadStatus(sink, host.zelkId(), host.localTime()); break;
    case CommandCode::GetMeterList:
        st.meterListPending = true;
        st.listTailPending = false;
        CmdGetMeterList(sink, host.zelkId());
        break;
    default:
        // Codes without a send-again action: the attempt line is all.
        return;
    }
    startWithResponseTimeout();
}

QString RetryNotice(int attempt)
{
    return QStringLiteral("Communicating RF-ZELK again, attempt ") + QString::number(attempt);
}

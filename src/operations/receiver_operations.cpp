#include "operations/receiver_operations.h"

#include "core/command_codes.h"
#include "core/working_state.h"
#include "operations/retry_timer.h"
#include "operations/single_operations.h"
#include "protocol/commands.h"
#include "table/meter_table.h"

ReceiverOperations::ReceiverOperations(const OperationContext& ctx, RetryTimer& retry, SingleOperations& single)
    : ctx_(ctx), retry_(retry), single_(single)
{}

void ReceiverOperations::BitBtn52Click()
{
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.lastCommand = CommandCode::ReadStatus;
    st.replyReceived = false;
    CmdReadStatus(retry_.sink(), ctx_.host.zelkId(), ctx_.host.localTime());
    retry_.startWithResponseTimeout();
}

void ReceiverOperations::BitBtn53Click()
{
    // Same request; the attempt count of the previous exchange is kept.
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.lastCommand = CommandCode::ReadStatus;
    st.replyReceived = false;
    CmdReadStatus(retry_.sink(), ctx_.host.zelkId(), ctx_.host.localTime());
    retry_.startWithResponseTimeout();
}

void ReceiverOperations::BitBtn51Click()
{
    // The list replaces the table: work not saved yet is given up only on Yes,
    // asked once the ZELK ID and the line are known to be usable.
    if (!single_.RunCommonFrame(true))
        return;
    if (ctx_.table.modified() && !ctx_.host.confirmReplaceTable())
        return;
    ctx_.table.ClearMeterTable();
    WorkingState& st = ctx_.state;
    st.meterListPending = true;
    st.lastCommand = CommandCode::GetMeterList;
    st.retryCount = 0;
    st.listTailPending = false;
    // Cleared like every other operation, so that the retry timer asks again
    // when no list arrives instead of taking an earlier reply for this one.
    st.replyReceived = false;
    CmdGetMeterList(retry_.sink(), ctx_.host.zelkId());
    retry_.startWithResponseTimeout();
}

void ReceiverOperations::Button6Click()
{
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.lastCommand = CommandCode::SetReceiverId;
    st.replyReceived = false;
    // The ZELK ID field keeps the old ID; the user types the new one in.
    CmdSetReceiverId(retry_.sink(), ctx_.host.zelkId(), ctx_.host.newZelkId());
    retry_.startWithCurrentInterval();
}

void ReceiverOperations::Button8Click()
{
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.replyReceived = false;
    st.lastCommand = CommandCode::SetWirelessMode;
    const QString mode = ctx_.host.wirelessModeText();
    // A ZELK ID that does not convert also stops the telegram; the builder
    // has logged that reason, so the mode message is only for a wrong mode.
    if (!CmdSetWirelessMode(retry_.sink(), ctx_.host.zelkId(), mode) && !WirelessModeNames().contains(mode))
        ctx_.log(QStringLiteral("Wrong wireless mode, not programmed"));
    retry_.startWithCurrentInterval();
}

void ReceiverOperations::BitBtn23Click()
{
    // The receiver forgets every meter and key: sent only after Yes.
    if (!ctx_.host.confirmMasterReset())
        return;
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.lastCommand = CommandCode::MasterReset;
    st.replyReceived = false;
    (void)CmdMasterReset(ctx_.sink(), ctx_.host.zelkId());
    retry_.startWithResponseTimeout();
}

void ReceiverOperations::BitBtn24Click()
{
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.lastCommand = CommandCode::ClockAdjust;
    st.replyReceived = false;
    if (!CmdClockAdjust(ctx_.sink(), ctx_.host.zelkId(), ctx_.host.clockValueText(), ctx_.host.clockOn())) {
        ctx_.log(QStringLiteral("Error sending adjust telegram, not send in the air..."));
        return;
    }
    retry_.startWithResponseTimeout();
}

void ReceiverOperations::BitBtn44Click()
{
    if (!single_.RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.replyReceived = false;
    st.lastCommand = CommandCode::SetReceiverFlag;
    CmdSetReceiverFlag(ctx_.sink(), ctx_.host.zelkId(), ctx_.host.flagName(), ctx_.host.flagOn());
}

#include "operations/single_operations.h"

#include "core/command_codes.h"
#include "core/working_state.h"
#include "operations/batch_sequences.h"
#include "operations/medium_send.h"
#include "operations/retry_timer.h"
#include "protocol/commands.h"
#include "protocol/key_text.h"
#include "table/meter_table.h"

SingleOperations::SingleOperations(const OperationContext& ctx, RetryTimer& retry, BatchSequences& batch)
    : ctx_(ctx), retry_(retry), batch_(batch)
{}

bool SingleOperations::CheckZelkId()
{
    // Only the length is tested; the input filter keeps the field to digits.
    if (HasEightChars(ctx_.host.zelkId()))
        return true;
    ctx_.log(QStringLiteral("RF-ZELK ID is wrong, must be 8 digits..."));
    return false;
}

bool SingleOperations::RunCommonFrame(bool inputOk, bool noChannelLine)
{
    if (!CheckZelkId())
        return false;
    if (!inputOk)
        return false;  // silent by design
    if (!ctx_.link.EnsurePortOpen()) {
        if (noChannelLine)
            ctx_.log(QStringLiteral("No channel for communication..."));
        return false;
    }
    // The user starts a new exchange (resends, batch steps and the list
    // follow-up never come through here). Its reply must not be dropped
    // because the previous reply came less than the hold-off before, and an
    // unanswered meter-list request must not claim it; Get all meters sets
    // its own flag again after this.
    WorkingState& st = ctx_.state;
    st.replyLatched = false;
    st.meterListPending = false;
    st.listTailPending = false;
    return true;
}

void SingleOperations::BitBtn42Click()
{
    const bool all = ctx_.host.allTicked();
    if (!RunCommonFrame(all || HasEightChars(ctx_.host.meterId())))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.lastCommand = CommandCode::AddMeter;
    st.replyReceived = false;
    if (all) {
        batch_.Start(BatchSequences::Kind::AddAll);
        return;
    }
    CmdAddDeleteMeter(retry_.sink(), ctx_.host.zelkId(), ctx_.host.meterId(), true);
    retry_.startWithCurrentInterval();
}

void SingleOperations::BitBtn43Click()
{
    const bool all = ctx_.host.allTicked();
    if (!RunCommonFrame(all || HasEightChars(ctx_.host.meterId()), true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.lastCommand = CommandCode::DeleteMeter;
    st.replyReceived = false;
    if (all) {
        batch_.Start(BatchSequences::Kind::DeleteAll);
        return;
    }
    CmdAddDeleteMeter(ctx_.sink(), ctx_.host.zelkId(), ctx_.host.meterId(), false);
}

void SingleOperations::Butt_setAESClick()
{
    // The meter ID is checked whatever "All" shows.
    if (!RunCommonFrame(HasEightChars(ctx_.host.meterId())))
        return;
    WorkingState& st = ctx_.state;
    st.replyReceived = false;
    st.retryCount = 0;
    st.lastCommand = CommandCode::SetMeterKey;
    if (ctx_.host.allTicked()) {
        batch_.Start(BatchSequences::Kind::KeyAll);
        return;
    }
    RunKeySteps();
}

void SingleOperations::RunKeySteps()
{
    const QString keyText = ctx_.host.keyText();
    const QString meterId = ctx_.host.meterId();
    const QByteArray key = KeyBytesFromText(keyText, [this](const QString& line) { ctx_.log(line); });
    if (!key.isEmpty()) {
        MeterTable& table = ctx_.table;
        for (int row = 1; row < table.rowCount(); ++row) {
            if (table.cell(MeterTable::ColSerial, row) == meterId)
                table.setCell(MeterTable::ColKey, row, keyText);
        }
    }
    // An empty key makes the builder log "Error in AES key for " + ID and send nothing.
    CmdSetMeterKey(ctx_.sink(), ctx_.host.zelkId(), meterId, key);
}

void SingleOperations::Butt_readAESClick()
{
    if (!RunCommonFrame(HasEightChars(ctx_.host.meterId())))
        return;
    CmdReadMeterKey(ctx_.sink(), ctx_.host.zelkId(), ctx_.host.meterId());
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.lastCommand = CommandCode::ReadMeterKey;
    st.replyReceived = false;
}

void SingleOperations::BitBtn19Click()
{
    if (!RunCommonFrame(true))
        return;
    WorkingState& st = ctx_.state;
    st.retryCount = 0;
    st.replyReceived = false;
    st.lastCommand = CommandCode::SetMeterMedium;
    SendMeterMedium(retry_.sink(), ctx_.host.zelkId(), ctx_.host.meterId(), ctx_.host.mediumText());
    retry_.startWithResponseTimeout();
}

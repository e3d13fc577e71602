#include "operations/device_operations.h"

#include "core/working_state.h"
#include "table/meter_table.h"

DeviceOperations::DeviceOperations(OperationHost& host, OperationLink& link, WorkingState& state, MeterTable& table,
                                   QObject* parent)
    : QObject(parent), ctx_{host, link, state, table}, retry_(ctx_, this), batch_(ctx_, this),
      single_(ctx_, retry_, batch_), receiver_(ctx_, retry_, single_)
{
    retry_.setKeyResend(&single_);
}

void DeviceOperations::TableAddRoute()
{
    ctx_.host.setAllTicked(false);
    single_.BitBtn42Click();
}

void DeviceOperations::TableDeleteRoute()
{
    ctx_.host.setAllTicked(false);
    single_.BitBtn43Click();
}

void DeviceOperations::TableSetKeyRoute()
{
    ctx_.host.setAllTicked(false);
    single_.Butt_setAESClick();
}

void DeviceOperations::TableDeleteAllRoute()
{
    ctx_.host.setAllTicked(true);
    single_.BitBtn43Click();
}

void DeviceOperations::StopAfterPortLost()
{
    const QString why = QStringLiteral(": the serial port was lost");
    const WorkingState& st = ctx_.state;
    if (batch_.running()) {
        using Kind = BatchSequences::Kind;
        const QString what = batch_.timer(Kind::AddAll).isActive() ? QStringLiteral("Adding all meters")
            : batch_.timer(Kind::DeleteAll).isActive()             ? QStringLiteral("Deleting all meters")
                                                                   : QStringLiteral("Setting all keys");
        // The row at batchRow is the last one sent; batchRow keeps its value.
        batch_.Butt_stopClick();
        ctx_.log(QStringLiteral("%1 stopped after row %2 of %3 (%4)")
                     .arg(what)
                     .arg(st.batchRow)
                     .arg(ctx_.table.rowCount() - 1)
                     .arg(ctx_.table.cell(MeterTable::ColSerial, st.batchRow))
                 + why);
    }
    QTimer& retry = retry_.timer();
    if (!retry.isActive())
        return;
    retry.stop();
    if (st.replyReceived)
        return;  // answered: nothing was left to repeat
    ctx_.log((st.retryCount == 0 ? QStringLiteral("Retries stopped before the first repeat")
                                 : QStringLiteral("Retries stopped after attempt %1").arg(st.retryCount))
             + why);
}

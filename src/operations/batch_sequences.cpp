#include "operations/batch_sequences.h"

#include "core/working_state.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "protocol/key_text.h"
#include "table/meter_table.h"

#include <exception>

BatchSequences::BatchSequences(const OperationContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx)
{
    addAll_.setObjectName(QStringLiteral("Timer_activateQORAll"));
    deleteAll_.setObjectName(QStringLiteral("Timer_deleteAll"));
    keyAll_.setObjectName(QStringLiteral("Timer_setAESAll"));
    for (QTimer* t : {&addAll_, &deleteAll_, &keyAll_}) {
        t->setParent(this);  // findable by name from the window; see RetryTimer
        t->setSingleShot(true);
        // The pace is one row per response timeout; a coarse timer may fire
        // up to 5 % early or late.
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&addAll_, &QTimer::timeout, this, &BatchSequences::Timer_activateQORAllTimer);
    connect(&deleteAll_, &QTimer::timeout, this, &BatchSequences::Timer_deleteAllTimer);
    connect(&keyAll_, &QTimer::timeout, this, &BatchSequences::Timer_setAESAllTimer);
}

QTimer& BatchSequences::timer(Kind kind)
{
    switch (kind) {
    case Kind::AddAll: return addAll_;
    case Kind::DeleteAll: return deleteAll_;
    case Kind::KeyAll: break;
    }
    return keyAll_;
}

bool BatchSequences::running() const
{
    return addAll_.isActive() || deleteAll_.isActive() || keyAll_.isActive();
}

void BatchSequences::StopTimers()
{
    addAll_.stop();
    deleteAll_.stop();
    keyAll_.stop();
}

bool BatchSequences::RowSkipped(Kind kind, int row) const
{
    const QString id = ctx_.table.cell(MeterTable::ColSerial, row);
    // Add and delete skip only the exact empty-slot mark; other texts go to
    // the builder, which refuses what is not a meter ID. Key-all only visits
    // rows that name a meter.
    if (kind == Kind::KeyAll)
        return id.size() != 8 || id == MeterTable::kEmptySlotId;
    return id == MeterTable::kEmptySlotId;
}

bool BatchSequences::SeekSendableRow(Kind kind)
{
    WorkingState& st = ctx_.state;
    auto showRow = [&] {
        if (kind != Kind::KeyAll)
            ctx_.host.setMeterId(ctx_.table.cell(MeterTable::ColSerial, st.batchRow));
    };
    showRow();
    while (RowSkipped(kind, st.batchRow)) {
        ++st.batchRow;
        if (st.batchRow > ctx_.table.rowCount() - 1) {
            Finish();
            return false;
        }
        showRow();
        ctx_.host.stepProgress();
    }
    return true;
}

void BatchSequences::SendRow(Kind kind)
{
    const int row = ctx_.state.batchRow;
    const QString zelkId = ctx_.host.zelkId();
    switch (kind) {
    case Kind::AddAll:
    case Kind::DeleteAll:
        // The meter ID field holds the row's ID (written by the skip loop).
        CmdAddDeleteMeter(ctx_.sink(), zelkId, ctx_.host.meterId(), kind == Kind::AddAll);
        break;
    case Kind::KeyAll: {
        const QString id = ctx_.table.cell(MeterTable::ColSerial, row);
        const QByteArray key = KeyBytesFromText(ctx_.table.cell(MeterTable::ColKey, row),
                                                [this](const QString& line) { ctx_.log(line); });
        // An empty key makes the builder log "Error in AES key for " + ID.
        CmdSetMeterKey(ctx_.sink(), zelkId, id, key);
        break;
    }
    }
}

void BatchSequences::Start(Kind kind)
{
    if (kind == Kind::DeleteAll) {
        if (!ctx_.host.confirmDeleteAll())
            return;
        // The question is modal and other events ran meanwhile: a running
        // sequence may have released the port. Open it again if so.
        if (!ctx_.link.EnsurePortOpen()) {
            ctx_.log(QStringLiteral("No channel for communication..."));
            return;
        }
    }
    // One sequence at a time: a new start takes over from a running one.
    StopTimers();

    WorkingState& st = ctx_.state;
    st.batchRow = 1;
    OperationHost& host = ctx_.host;
    host.setBatchUi(true);
    host.setProgressValue(0);
    host.setProgressMaximum(ctx_.table.rowCount() + 1);
    try {
        if (!SeekSendableRow(kind))
            return;
        SendRow(kind);
        if (kind == Kind::DeleteAll)
            host.stepProgress();
        QTimer& t = timer(kind);
        t.setInterval(host.responseTimeout());
        t.start();
    } catch (const std::exception& e) {
        ctx_.link.ReleasePort();
        ctx_.log(QStringLiteral("Exception working with all meters - ") + QString::fromLocal8Bit(e.what()));
        StopTimers();
        host.setBatchUi(false);
    }
}

void BatchSequences::Step(Kind kind)
{
    QTimer& t = timer(kind);
    t.stop();
    WorkingState& st = ctx_.state;
    try {
        // Replies that arrived meanwhile: logged, not decoded.
        const QByteArray waiting = ctx_.link.ReadIfConnected();
        if (!waiting.isEmpty())
            ctx_.log(HexDump(waiting));

        st.retryCount = 0;
        ++st.batchRow;
        if (st.batchRow > ctx_.table.rowCount() - 1) {
            ctx_.link.ReleasePort();
            t.stop();
            ctx_.host.setBatchUi(false);
            return;
        }
        if (!SeekSendableRow(kind))
            return;
        SendRow(kind);
        ctx_.host.stepProgress();
        t.setInterval(ctx_.host.responseTimeout());
        t.start();
    } catch (const std::exception& e) {
        ctx_.link.ReleasePort();
        ctx_.log(QStringLiteral("Exception working with all meters - ") + QString::fromLocal8Bit(e.what()));
        t.stop();
        ctx_.host.setBatchUi(false);
    }
}

void BatchSequences::Finish()
{
    ctx_.host.setBatchUi(false);
    ctx_.link.ReleasePort();
}

void BatchSequences::Timer_activateQORAllTimer()
{
    Step(Kind::AddAll);
}
void BatchSequences::Timer_deleteAllTimer()
{
    Step(Kind::DeleteAll);
}
void BatchSequences::Timer_setAESAllTimer()
{
    Step(Kind::KeyAll);
}

void BatchSequences::Butt_stopClick()
{
    // The port stays open and batchRow keeps its value.
    ctx_.host.setBatchUi(false);
    StopTimers();
}

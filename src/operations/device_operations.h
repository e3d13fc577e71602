#pragma once
// Every operation of the main window that talks to the receiver, behind the
// window's handler names. The window owns one instance, wires its buttons to
// the slots and implements OperationHost; it adapts its Connection with
// ConnectionLink. Owns the retry timer and the sequence timers (objectNames
// "Timer_readZUDozad", "Timer_activateQORAll", "Timer_deleteAll",
// "Timer_setAESAll"). GUI thread only; no slot blocks except the modal
// delete-all question.
#include "operations/batch_sequences.h"
#include "operations/operation_context.h"
#include "operations/receiver_operations.h"
#include "operations/retry_timer.h"
#include "operations/single_operations.h"

#include <QObject>

class DeviceOperations : public QObject {
    Q_OBJECT
public:
    DeviceOperations(OperationHost& host, OperationLink& link, WorkingState& state, MeterTable& table,
                     QObject* parent = nullptr);

    bool CheckZelkId() { return single_.CheckZelkId(); }

    RetryTimer& retryTimer() { return retry_; }
    BatchSequences& batch() { return batch_; }

public slots:
    // Single-meter box.
    void BitBtn42Click() { single_.BitBtn42Click(); }
    void BitBtn43Click() { single_.BitBtn43Click(); }
    void Butt_setAESClick() { single_.Butt_setAESClick(); }
    void Butt_readAESClick() { single_.Butt_readAESClick(); }
    void BitBtn19Click() { single_.BitBtn19Click(); }
    void BitBtn44Click() { receiver_.BitBtn44Click(); }
    void Butt_stopClick() { batch_.Butt_stopClick(); }
    // Global settings box.
    void BitBtn52Click() { receiver_.BitBtn52Click(); }
    void BitBtn53Click() { receiver_.BitBtn53Click(); }
    void BitBtn51Click() { receiver_.BitBtn51Click(); }
    void Button6Click() { receiver_.Button6Click(); }
    void Button8Click() { receiver_.Button8Click(); }
    void BitBtn23Click() { receiver_.BitBtn23Click(); }
    void BitBtn24Click() { receiver_.BitBtn24Click(); }
    // Timer ticks (connected to the owned timers already; public for tests).
    void Timer_readZUDozadTimer() { retry_.Timer_readZUDozadTimer(); }
    void Timer_activateQORAllTimer() { batch_.Timer_activateQORAllTimer(); }
    void Timer_deleteAllTimer() { batch_.Timer_deleteAllTimer(); }

    // Routes of the meter table's context menu and keys: add, delete and set
    // key untick "All" first so they reach the single form; Ctrl+F ticks it
    // and runs delete (the delete-all sequence, with its question). "All"
    // stays as set afterwards.
    void TableAddRoute();
    void TableDeleteRoute();
    void TableSetKeyRoute();
    void TableDeleteAllRoute();

    // The line went away under a running sequence or retry: stops it where it
    // is, nothing more is sent and nothing is resumed later, and logs how far
    // it got.
    void StopAfterPortLost();

private:
    OperationContext ctx_;
    RetryTimer retry_;
    BatchSequences batch_;
    SingleOperations single_;
    ReceiverOperations receiver_;
};

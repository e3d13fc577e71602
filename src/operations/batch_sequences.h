#pragma once
// The paced sequences over the whole meter table: add-all, delete-all and
// key-all. One row per tick of the sequence's timer, the interval being the
// response timeout; rows whose ID is exactly "FFFFFFFF" are skipped; waiting
// input is drained and logged in hexadecimal at every step; the port is
// released after the last row. A sequence never waits for replies and never
// sends a row twice.
//
// Only one sequence runs at a time: a start while another sequence runs
// stops the other one first, so two sequences never step the same batchRow.
// The timers are single-shot and owned here; GUI thread only.
#include "operations/operation_context.h"

#include <QObject>
#include <QTimer>

class BatchSequences : public QObject {
    Q_OBJECT
public:
    enum class Kind { AddAll, DeleteAll, KeyAll };

    BatchSequences(const OperationContext& ctx, QObject* parent = nullptr);

    // Starts a sequence; the caller has run the common frame and set the
    // state fields. DeleteAll asks for confirmation first; any answer but Yes
    // ends the start.
    void Start(Kind kind);
    // True while one of the sequence timers is armed.
    bool running() const;

    QTimer& timer(Kind kind);

public slots:
    void Timer_activateQORAllTimer();  // one add-all step
    void Timer_deleteAllTimer();       // one delete-all step
    void Timer_setAESAllTimer();       // one key-all step
    void Butt_stopClick();             // stop every sequence; port stays open

private:
    void Step(Kind kind);
    // Skip loop from batchRow; false when it ran past the last row (finished).
    bool SeekSendableRow(Kind kind);
    // Sends the row at batchRow (reading its cells afresh).
    void SendRow(Kind kind);
    void Finish();
    void StopTimers();
    bool RowSkipped(Kind kind, int row) const;

    OperationContext ctx_;
    QTimer addAll_;
    QTimer deleteAll_;
    QTimer keyAll_;
};

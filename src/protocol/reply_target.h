#pragma once
// What the reply decoders and the receive path read from and write to the
// main window: the activity log, the "Current RF-ZELK ID" box, the meter ID
// field, the key field, the meter table and the working state. The main
// window implements it; tests implement it with a fake. Every call runs on
// the GUI thread and returns at once.
#include <QString>
#include <QStringList>

class MeterTable;
struct WorkingState;

// The readable content of a status reply, as DecodeStatusOrError logs it.
struct StatusReport {
    int usedIds = 0;
    QString mode;       // "T1", "S1", ... (empty for an unknown code)
    QStringList flags;  // the flag lines, in the order they are logged
};

class ReplyTarget {
public:
    virtual ~ReplyTarget() = default;
    // Appends one line to the activity log.
    virtual void logLine(const QString& line) = 0;
    // Appends a line that shows a meter's key (a key read back); the window's
    // log then keeps its saved and printed copies private.
    virtual void logKeyLine(const QString& line) { logLine(line); }
    // Text of the "Current RF-ZELK ID" box (Edit_currentID), as typed.
    virtual QString currentZelkId() const = 0;
    // Text of the meter ID field (Edit_IDnano), as typed.
    virtual QString meterIdField() const = 0;
    // Replaces the text of the key field (Edit_aesKey).
    virtual void setKeyField(const QString& text) = 0;
    // The meter table the decoders fill.
    virtual MeterTable& table() = 0;
    // The program's working state (flags read and written by the decoders).
    virtual WorkingState& state() = 0;
    // The same replies in typed form, after their log lines; for front ends
    // that report replies other than as log lines. Ignored by default.
    virtual void statusDecoded(const StatusReport& /*report*/) {}
    virtual void errorDecoded(int /*code*/, const QString& /*explanation*/) {}
};

#pragma once
// Where the command builders put their results: log lines and finished
// telegrams. The serial connection implements it in the program; tests
// implement it with a recorder.
#include <QByteArray>
#include <QString>

class CommandSink {
public:
    virtual ~CommandSink() = default;
    // Appends one line to the activity log.
    virtual void logLine(const QString& line) = 0;
    // Writes one complete telegram to the line (when connected) and logs it.
    virtual void TransmitTelegram(const QByteArray& telegram) = 0;
};

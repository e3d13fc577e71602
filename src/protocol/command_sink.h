#pragma once
// Where the command builders put their results: log lines and finished
// telegrams. The serial connection implements it in the program; tests
// implement it with a recorder.
#include <QByteArray>
#include <QString>
#include <functional>
#include <utility>

class CommandSink {
public:
    virtual ~CommandSink() = default;
    // Appends one line to the activity log.
    virtual void logLine(const QString& line) = 0;
    // Writes one complete telegram to the line (when connected) and logs it.
    virtual void TransmitTelegram(const QByteArray& telegram) = 0;
};

// Passes telegrams on to the sink that `out` gives at each call and counts
// them; the builders' messages go to `log`.
class CountingSink final : public CommandSink {
public:
    CountingSink(std::function<CommandSink&()> out, std::function<void(const QString&)> log)
        : out_(std::move(out)), log_(std::move(log))
    {}
    void logLine(const QString& line) override { log_(line); }
    void TransmitTelegram(const QByteArray& telegram) override
    {
        ++sent;
        out_().TransmitTelegram(telegram);
    }
    int sent = 0;  // telegrams passed on since the owner last set it to 0

private:
    std::function<CommandSink&()> out_;
    std::function<void(const QString&)> log_;
};

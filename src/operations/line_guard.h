#pragma once
// The serial line shared by the window's own operations and one exchange
// that needs it to itself (comparing and programming the receiver's list).
// The window's operations go through the guard; while the line is taken,
// the guard opens, sends and reads nothing for them (one log line says why,
// for each refused telegram) and the bytes received go to the taker only,
// so no reply is decoded twice and nothing interleaves with the taker.
#include "operations/operation_link.h"

#include <QByteArray>
#include <functional>

class LineGuard final : public OperationLink, public CommandSink {
public:
    using Receiver = std::function<void(const QByteArray&)>;

    explicit LineGuard(OperationLink& line) : line_(line) {}

    // The taker's exchanges use line() directly; its replies reach `receiver`.
    void take(Receiver receiver);
    void release();
    bool taken() const { return bool(receiver_); }
    OperationLink& line() { return line_; }
    // Hands received bytes to the taker.
    void deliver(const QByteArray& bytes);
    // Called with true when the line is taken, false when it is released.
    void setOnTakenChanged(std::function<void(bool)> f) { onTakenChanged_ = std::move(f); }

    bool EnsurePortOpen() override;
    void ReleasePort() override;
    QByteArray ReadIfConnected() override;
    CommandSink& sink() override { return *this; }
    void logLine(const QString& line) override { line_.sink().logLine(line); }
    void TransmitTelegram(const QByteArray& telegram) override;

    // The line the window's operations get while the line is taken.
    static QString busyText();

private:
    OperationLink& line_;
    Receiver receiver_;
    std::function<void(bool)> onTakenChanged_;
};

#pragma once
// The retry timer Timer_readZUDozad: sends the last single command again
// while no reply has been recognised, up to the "Retry times:" value. Used
// one-shot: each tick stops it, and only the send-again path arms it again.
//
// Arming follows the rules the operations rely on: starting an armed timer
// does not move its pending tick; writing a different interval starts the
// period again. The interval is 1000 ms until an operation first writes it.
#include "operations/key_resend.h"
#include "operations/operation_context.h"
#include "protocol/command_sink.h"

#include <QObject>
#include <QTimer>

// The line that announces a command sent again: "Communicating RF-ZELK
// again, attempt " and the attempt number.
QString RetryNotice(int attempt);
// The line that ends an exchange whose every sending went unanswered:
// "No reply from ZELK 01020304 after 3 attempts - check the ZELK ID, speed
// and parity" ("1 attempt" for one).
QString NoReplyNotice(const QString& zelkId, int attempts);

class RetryTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kInitialIntervalMs = 1000;

    RetryTimer(const OperationContext& ctx, QObject* parent = nullptr);

    // The key steps of Set AES key are its send-again action for code 5;
    // without one, code 5 gets the attempt line only.
    void setKeyResend(KeyResend* keySteps) { keySteps_ = keySteps; }

    // Where an operation that arms the timer writes its first telegram, so
    // that the timer knows whether it went out (a builder may refuse).
    CommandSink& sink() { return sink_; }

    // Arms the timer with the interval it has (no-op when already armed).
    // Called by an operation after its first sending: a new exchange.
    void startWithCurrentInterval();
    // Writes the response timeout into the interval, then arms the timer.
    void startWithResponseTimeout();

    QTimer& timer() { return timer_; }
    const QTimer& timer() const { return timer_; }

public slots:
    // One tick: stop; empty line after a recognised reply; count the attempt;
    // announce it and send the last command again, reading the fields afresh.
    void Timer_readZUDozadTimer();

private:
    void arm(bool writeInterval);
    // Sends the last command again; false for a code without a send-again.
    bool sendAgain();

    OperationContext ctx_;
    KeyResend* keySteps_ = nullptr;
    QTimer timer_;
    CountingSink sink_{[this]() -> CommandSink& { return ctx_.sink(); },
                       [this](const QString& line) { ctx_.log(line); }};
    int attempts_ = 0;  // telegrams of the current exchange that went out
};

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

#include <QObject>
#include <QTimer>

// The line that announces a command sent again: "Communicating RF-ZELK
// again, attempt " and the attempt number.
QString RetryNotice(int attempt);

class RetryTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kInitialIntervalMs = 1000;

    RetryTimer(const OperationContext& ctx, QObject* parent = nullptr);

    // The key steps of Set AES key are its send-again action for code 5;
    // without one, code 5 gets the attempt line only.
    void setKeyResend(KeyResend* keySteps) { keySteps_ = keySteps; }

    // Arms the timer with the interval it has (no-op when already armed).
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
    OperationContext ctx_;
    KeyResend* keySteps_ = nullptr;
    QTimer timer_;
};

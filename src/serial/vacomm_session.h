#pragma once
// One opening of the serial device: the descriptor, the event thread and the
// hand-off between that thread and the thread owning the TVaComm. Internal to
// the device; not for other units.
#include "serial/vacomm.h"

#include <QEvent>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

struct TVaComm::Session {
    ~Session();  // closes whatever descriptors are still held

    int fd = -1;  // the device, opened non-blocking
    bool pseudoTerminal = false;
    QString path;
    int wakeFd = -1;   // eventfd written by ClosePort to end the thread's wait
    int epollFd = -1;  // waits for the device (edge-triggered) and wakeFd
    std::thread thread;

    // Guards `stopping` and `handled`, the hand-off state shared by the event
    // thread and the owning thread.
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;  // set by ClosePort; the thread ends at its next look
    bool handled = false;   // the owning thread has finished the last notification
};

// Posted by the event thread: bytes have arrived. The thread waits until the
// owning thread has handled it (or the port is being closed).
class VaRxEvent : public QEvent {
public:
    explicit VaRxEvent(std::shared_ptr<TVaComm::Session> s) : QEvent(type()), session(std::move(s)) {}
    static QEvent::Type type();
    std::shared_ptr<TVaComm::Session> session;
};

// Posted by the event thread once, just before it ends: the device hung up.
class VaLostEvent : public QEvent {
public:
    VaLostEvent(std::shared_ptr<TVaComm::Session> s, QString why)
        : QEvent(type()), session(std::move(s)), reason(std::move(why))
    {}
    static QEvent::Type type();
    std::shared_ptr<TVaComm::Session> session;
    QString reason;
};

// The device's error texts: strerror of an errno value, and the exception
// with "(%1), %2" in format filled from it.
QString VaCommErrorText(int code);
[[noreturn]] void RaiseVaCommError(const char* format, int code);

// Body of the event thread of one opening; `owner` receives the events.
void RunVaCommEventThread(TVaComm* owner, std::shared_ptr<TVaComm::Session> session);

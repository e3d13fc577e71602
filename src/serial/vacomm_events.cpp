// The event thread of an open device and the owning thread's side of the
// hand-off.
//
// The thread waits, without time limit, on an epoll set holding the device
// (edge-triggered: it wakes for bytes that arrived since its last look, so
// bytes a handler leaves unread cause no endless stream of notifications) and
// the wake-up eventfd. For arriving bytes it posts a VaRxEvent to the owner and
// blocks until the owner has handled it or ClosePort says stop. On a hang-up it
// posts a VaLostEvent and ends. There is no time-out anywhere: an idle port
// costs no CPU.
#include "serial/vacomm_session.h"

#include "core/system_error.h"

#include <QCoreApplication>
#include <QDebug>

#include <cerrno>
#include <cstring>

#include <sys/epoll.h>
#include <unistd.h>

QEvent::Type VaRxEvent::type()
{
    static const auto t = QEvent::Type(QEvent::registerEventType());
    return t;
}

QEvent::Type VaLostEvent::type()
{
    static const auto t = QEvent::Type(QEvent::registerEventType());
    return t;
}

TVaComm::Session::~Session()
{
    if (epollFd >= 0)
        ::close(epollFd);
    if (wakeFd >= 0)
        ::close(wakeFd);
    if (fd >= 0)
        ::close(fd);
}

void RunVaCommEventThread(TVaComm* owner, std::shared_ptr<TVaComm::Session> session)
{
    TVaComm::Session& s = *session;
    for (;;) {
        epoll_event events[2];
        const int n = ::epoll_wait(s.epollFd, events, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.stopping)
                return;
        }
        if (n < 0) {
            QCoreApplication::postEvent(
                owner,
                new VaLostEvent(session,
                                QStringLiteral("waiting for line events failed: %1").arg(SystemErrorText(errno))));
            return;
        }
        bool rx = false;
        bool hangUp = false;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.fd != s.fd)
                continue;  // the wake-up descriptor: `stopping` was checked above
            if (events[i].events & (EPOLLHUP | EPOLLERR))
                hangUp = true;
            else if (events[i].events & EPOLLIN)
                rx = true;
        }
        if (hangUp) {
            QCoreApplication::postEvent(owner,
                                        new VaLostEvent(session, QStringLiteral("the device %1 hung up").arg(s.path)));
            return;
        }
        if (!rx)
            continue;
        std::unique_lock<std::mutex> lock(s.mutex);
        s.handled = false;
        QCoreApplication::postEvent(owner, new VaRxEvent(session));
        s.changed.wait(lock, [&s] { return s.handled || s.stopping; });
        if (s.stopping)
            return;
    }
}

bool TVaComm::event(QEvent* e)
{
    if (e->type() == VaRxEvent::type()) {
        HandleRx(static_cast<VaRxEvent*>(e)->session);
        return true;
    }
    if (e->type() == VaLostEvent::type()) {
        auto* lost = static_cast<VaLostEvent*>(e);
        HandleLost(lost->session, lost->reason);
        return true;
    }
    return QObject::event(e);
}

void TVaComm::HandleRx(const std::shared_ptr<Session>& session)
{
    // Releases the event thread however this ends (a handler may even close
    // the port; the session stays alive through the event's reference).
    struct Release {
        Session& s;
        ~Release()
        {
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                s.handled = true;
            }
            s.changed.notify_all();
        }
    } release{*session};

    if (session != session_)
        return;  // left over from an opening that has been closed
    try {
        const int n = BytesWaiting();
        if (n > 0)
            emit OnRxChar(this, n);
    } catch (const std::exception& ex) {
        // An exception must not cross the event loop; the thread goes on.
        qWarning("Unhandled error in the receive notification: %s", ex.what());
    }
}

void TVaComm::HandleLost(const std::shared_ptr<Session>& session, const QString& reason)
{
    if (session != session_)
        return;  // the port was closed or reopened meanwhile
    ClosePort();
    emit portLost(reason);
}

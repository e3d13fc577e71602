#include "app/ui/stop_signals.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler only writes one byte into this pipe; the GUI thread reads it.
int g_stopPipe[2] = {-1, -1};

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};

extern "C" void OnStopSignal(int)
{
    const int saved = errno;
    // One graceful close is asked for; a second signal, while that close
    // hangs (a port that does not answer), ends the program at once.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (const int signal : kStopSignals)
        ::sigaction(signal, &fallback, nullptr);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

void CloseForStopSignal(QWidget* mainWindow, const std::function<void()>& closeWindow)
{
    // A question box or file dialog left open would keep the program alive.
    for (int i = 0; i < 16; ++i) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            break;
        dialog->reject();
    }
    if (mainWindow)
        closeWindow();
    QCoreApplication::quit();
}

}  // namespace

bool CloseOnStopSignals(QWidget* mainWindow, std::function<void()> closeWindow)
{
    if (g_stopPipe[0] >= 0 || ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, mainWindow);
    const QPointer<QWidget> window(mainWindow);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, window, closeWindow] {
        char bytes[16];
        while (::read(g_stopPipe[0], bytes, sizeof bytes) > 0) {
        }
        notifier->setEnabled(false);  // one close, however many signals come
        CloseForStopSignal(window, closeWindow);
    });

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
    }
    return true;
}

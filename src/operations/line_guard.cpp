#include "operations/line_guard.h"

QString LineGuard::busyText()
{
    return QStringLiteral("Compare with ZELK is working with the receiver: not sent, stop it or wait for it");
}

void LineGuard::take(Receiver receiver)
{
    receiver_ = std::move(receiver);
    if (onTakenChanged_)
        onTakenChanged_(true);
}

void LineGuard::release()
{
    receiver_ = nullptr;
    if (onTakenChanged_)
        onTakenChanged_(false);
}

void LineGuard::deliver(const QByteArray& bytes)
{
    if (receiver_ && !bytes.isEmpty())
        receiver_(bytes);
}

bool LineGuard::EnsurePortOpen()
{
    if (!taken())
        return line_.EnsurePortOpen();
    logLine(busyText());
    return false;
}

void LineGuard::ReleasePort()
{
    // A sequence of the window that ends meanwhile leaves the port open.
    if (!taken())
        line_.ReleasePort();
}

QByteArray LineGuard::ReadIfConnected()
{
    return taken() ? QByteArray() : line_.ReadIfConnected();
}

void LineGuard::TransmitTelegram(const QByteArray& telegram)
{
    if (taken())
        logLine(busyText());
    else
        line_.sink().TransmitTelegram(telegram);
}

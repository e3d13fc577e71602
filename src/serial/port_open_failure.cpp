#include "serial/port_open_failure.h"

#include "core/system_error.h"

#include <cerrno>

PortOpenFailure PortOpenFailureFromError(int errorCode)
{
    switch (errorCode) {
    case EBUSY: return PortOpenFailure::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO: return PortOpenFailure::Missing;
    case EACCES:
    case EPERM: return PortOpenFailure::Denied;
    default: return PortOpenFailure::Other;
    }
}

QString PortOpenFailureMessage(int errorCode, const QString& portName, bool english)
{
    const QString head = (english ? QStringLiteral("The selected serial port (")
                                  : QStringLiteral("La porta selezionata ("))
        + portName + QLatin1Char(')');
    const QString cannot = english ? QStringLiteral(" cannot be opened: ") : QStringLiteral(" non può essere aperta: ");
    switch (PortOpenFailureFromError(errorCode)) {
    case PortOpenFailure::Busy:
        return head
            + (english
                   ? QStringLiteral(" is in use by another program!")
                   : QStringLiteral(" e utilizzata da un") + QLatin1Char('"') + QStringLiteral("altra applicazione!"));
    case PortOpenFailure::Missing:
        return head + (english ? QStringLiteral(" does not exist!") : QStringLiteral(" non esiste!"));
    case PortOpenFailure::Denied:
        return head + cannot
            + (english ? QStringLiteral("permission denied (the user must be in the dialout group)")
                       : QStringLiteral("permesso negato (l'utente deve appartenere al gruppo dialout)"));
    case PortOpenFailure::Other: break;
    }
    return head + cannot + SystemErrorText(errorCode);
}

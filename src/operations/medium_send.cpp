#include "operations/medium_send.h"

#include "protocol/commands.h"
#include "protocol/medium.h"

QString UnlistedMediumNotice(const QString& mediumName)
{
    if (MediumBoxNames().contains(mediumName))
        return QString();
    const int code = MediumCodeFromName(mediumName);
    return QStringLiteral("Medium \"%1\" is not in the list: sent as 0x%2 (%3)")
        .arg(mediumName, QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper(),
             MediumNameFromCode(std::uint8_t(code)));
}

void SendMeterMedium(CommandSink& sink, const QString& zelkId, const QString& meterId, const QString& mediumName)
{
    const QString notice = UnlistedMediumNotice(mediumName);
    if (!notice.isEmpty())
        sink.logLine(notice);
    CmdSetMeterMedium(sink, zelkId, meterId, MediumCodeFromName(mediumName));
}

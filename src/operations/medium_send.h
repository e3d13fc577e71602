#pragma once
// Setting a meter's medium by the name in the medium box.
#include "protocol/command_sink.h"

#include <QString>

// The line for a medium name that is none of the medium box's names (compared
// exactly): "Medium \"Heat\" is not in the list: sent as 0x0F (Unknown)".
// Empty for a name of the box.
QString UnlistedMediumNotice(const QString& mediumName);

// Sends the set-medium telegram with the code of `mediumName`. A name outside
// the box still goes out, as 0x0F, the code the receiver shows as "Unknown";
// the log says so first, so that the installer sees which text did it.
void SendMeterMedium(CommandSink& sink, const QString& zelkId, const QString& meterId, const QString& mediumName);

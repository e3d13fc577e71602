#include "protocol/commands.h"

#include <QStringList>

void CmdAddDeleteMeter(CommandSink&, const QString&, const QString&, bool) {}
void CmdSetReceiverId(CommandSink&, const QString&, const QString&) {}
void CmdFollowUp(CommandSink&, const QString&) {}
void CmdGetMeterList(CommandSink&, const QString&) {}
bool CmdSetWirelessMode(CommandSink&, const QString&, const QString&) { return false; }
bool CmdMasterReset(CommandSink&, const QString&) { return false; }
bool CmdClockAdjust(CommandSink&, const QString&, const QString&, bool) { return false; }
void CmdSetMeterKey(CommandSink&, const QString&, const QString&, const QByteArray&) {}
void CmdSetMeterMedium(CommandSink&, const QString&, const QString&, int) {}
void CmdSetReceiverFlag(CommandSink&, const QString&, const QString&, bool) {}
void CmdReadStatus(CommandSink&, const QString&, const QTime&) {}
void CmdReadMeterKey(CommandSink&, const QString&, const QString&) {}
QStringList WirelessModeNames() { return {}; }
QStringList ReceiverFlagNames() { return {}; }

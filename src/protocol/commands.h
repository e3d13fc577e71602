#pragma once
// The twelve command telegrams. Each builder checks its inputs, builds one
// complete frame (head, body, 0x16) and hands it to sink.TransmitTelegram().
// A builder never sends a frame whose identifier did not convert: it logs the
// identifier's error line and sends nothing.
#include "protocol/command_sink.h"

#include <QByteArray>
#include <QString>
#include <QTime>

// 0F FF 01|81 04 <meter ID>. Empty ZELK ID: "Not a valid ZELK-DUV ID set in
// the field"; meter ID not 8 characters: "Not a valid meter ID for programming...".
void CmdAddDeleteMeter(CommandSink& sink, const QString& zelkId, const QString& meterId, bool add);
// 07 79 <new ID> DA 46 1B, addressed to the current ZELK ID.
void CmdSetReceiverId(CommandSink& sink, const QString& zelkId, const QString& newId);
// 0F FF 22 02 01 10: asks for the second meter-list telegram.
void CmdFollowUp(CommandSink& sink, const QString& zelkId);
// 0F FF 02 04 01 10 00 00.
void CmdGetMeterList(CommandSink& sink, const QString& zelkId);
// 0F FF 20 01 <mode>; true when sent ("Mode T", "Mode S", "Mode C", "Mode T+C").
bool CmdSetWirelessMode(CommandSink& sink, const QString& zelkId, const QString& mode);
// 0F FF 82 04 01 10 00 00; true when sent.
bool CmdMasterReset(CommandSink& sink, const QString& zelkId);
// 0F FF 32 02 <low> <high|0x80 when on>; false for a non-integer text or -1.
bool CmdClockAdjust(CommandSink& sink, const QString& zelkId, const QString& value, bool on);
// 0F FF 0A 14 <meter ID> <16 key bytes>; a key not 16 bytes logs
// "Error in AES key for " + meter ID and sends nothing.
void CmdSetMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId, const QByteArray& key);
// 0F FF 28 05 <meter ID> <medium code low byte>.
void CmdSetMeterMedium(CommandSink& sink, const QString& zelkId, const QString& meterId, int mediumCode);
// 0F FF 05 04 <flag number> <01|00> 00 00.
void CmdSetReceiverFlag(CommandSink& sink, const QString& zelkId, const QString& flagName, bool on);
// 04 6D <minute> <hour> 01 01, from `localTime`.
void CmdReadStatus(CommandSink& sink, const QString& zelkId, const QTime& localTime);
// 0F FF 8A 04 <meter ID>.
void CmdReadMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId);

// The items of the wireless mode box and of the flag box, in their order.
QStringList WirelessModeNames();
QStringList ReceiverFlagNames();

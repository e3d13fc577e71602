#pragma once
// The twelve command telegrams. Each builder checks its inputs, builds one
// complete frame (head, body, 0x16) and hands it to sink.TransmitTelegram().
// A builder never sends a frame whose identifier did not convert: it logs the
// identifier's error line ("Error in ZUDozad ID, exception ...", one per
// failed identifier: ZELK ID first, then the meter or new ID) and sends
// nothing. Builders send at most one frame, never block, change no state of
// their own and throw nothing but allocation failures. Where a builder has a
// boolean result it is true exactly when a frame was handed to the sink.
#include "protocol/command_sink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
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
// 0F FF 20 01 <mode>; true when sent ("Mode T", "Mode S", "Mode C", "Mode T+C",
// compared exactly). Any other text gives false and logs nothing (the caller does).
bool CmdSetWirelessMode(CommandSink& sink, const QString& zelkId, const QString& mode);
// 0F FF 82 04 01 10 00 00; true when sent.
bool CmdMasterReset(CommandSink& sink, const QString& zelkId);
// 0F FF 32 02 <low> <high|0x80 when on>; false for a text that is not a
// decimal integer (optional sign, digits only, 32-bit range) or for -1.
// No range check beyond that: the bytes are the low 8 bits of v and of v/256.
bool CmdClockAdjust(CommandSink& sink, const QString& zelkId, const QString& value, bool on);
// 0F FF 0A 14 <meter ID> <16 key bytes>; a key not 16 bytes logs
// "Error in AES key for " + meter ID and sends nothing.
void CmdSetMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId, const QByteArray& key);
// 0F FF 28 05 <meter ID> <medium code low byte>.
void CmdSetMeterMedium(CommandSink& sink, const QString& zelkId, const QString& meterId, int mediumCode);
// 0F FF 05 04 <flag number> <01|00> 00 00. A name outside the flag box gives
// flag number 0x00 and is sent all the same.
void CmdSetReceiverFlag(CommandSink& sink, const QString& zelkId, const QString& flagName, bool on);
// 04 6D <minute> <hour> 01 01, from `localTime` (plain numbers, not BCD).
// An invalid `localTime` is replaced by the current local time.
void CmdReadStatus(CommandSink& sink, const QString& zelkId, const QTime& localTime);
// The same, reading the computer's local clock.
void CmdReadStatus(CommandSink& sink, const QString& zelkId);
// 0F FF 8A 04 <meter ID>.
void CmdReadMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId);

// Whether a telegram is a set-key telegram (its record head 0F FF 0A 14
// right after the command head), whose bytes show a meter's key.
bool CarriesMeterKey(const QByteArray& telegram);

// The items of the wireless mode box and of the flag box, in their order.
QStringList WirelessModeNames();
QStringList ReceiverFlagNames();

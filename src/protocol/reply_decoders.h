#pragma once
// Decoders of the replies the receiver sends. Each takes one accepted frame,
// whole from its start byte 0x68 through its end byte (offsets below count
// from 0 at the start byte), and writes its results through a ReplyTarget:
// log lines, meter table cells, the key field and the reply flags of the
// working state. None of them ever reads a byte beyond the frame it is given;
// a frame too short for its reply kind is treated as stated per decoder.
// They do not throw: failures inside are logged as described below.
#include <QByteArray>
#include <QString>
#include <cstdint>

class ReplyTarget;

// The receiver's error codes (the byte after 01 FD 17) that have an
// explanation line.
namespace ReceiverError {
inline constexpr int AlreadyProgrammed = 0x15;
inline constexpr int SoftwareError = 0x16;
inline constexpr int IdNotFound = 0x17;
inline constexpr int InvalidIdOrFlag = 0x18;
}  // namespace ReceiverError

// The explanation line of an error code; empty for a code without one.
QString ErrorExplanation(std::uint8_t code);

// Error reply (01 FD 17 <code> at offsets 16-19) or status reply (0F FF 06 04
// at 16-19 in a frame longer than 32 bytes). Logs the readable form and sets
// replyReceived; true when the frame was one of the two. Anything else: no
// log line, replyReceived unchanged, false. An internal failure logs
// "Exception - " + message and gives false.
bool DecodeStatusOrError(const QByteArray& frame, ReplyTarget& target);

// First meter-list telegram: 16 slots (ID at 20+4k, medium code at 88+k).
// Logs "Wrong STOP byte" when the last byte is not 0x16 and goes on. A frame
// whose head (16-19) is not 0F FF 79 40, or that is shorter than 104 bytes,
// logs "Error in telegram with all devices - Error 0x18..." and gives false
// with the table unchanged. Otherwise the table becomes exactly 16 rows
// (No., Serial/ID, Medium; marks cleared), listTailPending and replyReceived
// become true and the result is true.
bool DecodeMeterList(const QByteArray& frame, ReplyTarget& target);

// Second meter-list telegram: a signed 32-bit value (low byte first) at
// 18+6(r-1) for each data row r, written in decimal into the row's Notes
// cell. Logs "Wrong STOP byte" when the last byte is not 0x16. A frame under
// 100 bytes (or a table without data rows) changes nothing. Rows whose four
// value bytes are not all inside the frame keep their Notes cell.
void DecodeListTail(const QByteArray& frame, ReplyTarget& target);

// Key read-back: the 16 key bytes at offsets 20-35 as 32 upper-case hex
// characters go into the key field and into the AES-128 key cell of every
// data row whose Serial/ID cell equals the meter ID field exactly. Frames
// shorter than 38 bytes are ignored; otherwise replyReceived becomes true.
void DecodeKeyReadBack(const QByteArray& frame, ReplyTarget& target);

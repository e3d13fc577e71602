#pragma once
// Which reply a received frame is. One set of rules for every front end that
// reads replies (the window's receive path, the command-line program's
// request engine, the frame assembly's search for a frame behind noise):
// whose frame it is, then which decoder takes it, in the order the receive
// path's routing has always used:
//   1. the second meter-list telegram, while it is awaited;
//   2. the first meter-list telegram, while it is awaited;
//   3. frames longer than kShortFrame bytes: the key read-back after a key
//      read, the status or error reply otherwise;
//   4. anything else is only logged.
// Plain functions over bytes; no state.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class ReplyTarget;

namespace ReplyFrames {
// Offset of the sender identifier (four bytes) in a frame.
inline constexpr int kSenderOffset = 5;
// A frame shorter than this has no sender identifier (offsets 5 to 8).
inline constexpr int kSenderMinSize = 9;
// Frames of this many bytes or fewer carry no reply record to decode.
inline constexpr int kShortFrame = 21;
}  // namespace ReplyFrames

// What the receiving side awaits when the frame comes.
struct ReplyExpectation {
    bool listTail = false;   // the second meter-list telegram
    bool meterList = false;  // the first meter-list telegram
    bool keyRead = false;    // the answer to a key read
};

enum class ReplyKind {
    Foreign,        // too short to name a sender, or another receiver's: dropped unlogged
    ListTail,       // DecodeListTail
    MeterList,      // DecodeMeterList
    KeyReadBack,    // DecodeKeyReadBack; its log line shows a key
    StatusOrError,  // DecodeStatusOrError
    LogOnly,        // kShortFrame bytes or fewer, no list awaited: only logged
};

// Whether a frame (start byte first) names zelkId as its sender, compared
// exactly, case included. The beginning of a frame is enough: its first
// kSenderMinSize bytes decide.
bool IsFromReceiver(QByteArrayView frame, const QString& zelkId);

// The kind of a complete frame (start byte through end byte) for the
// receiver zelkId.
ReplyKind ClassifyReply(QByteArrayView frame, const QString& zelkId, const ReplyExpectation& expect);

// Runs the decoder of a frame's kind (nothing for LogOnly and Foreign). A
// first meter-list telegram that does not decode adds "Error decoding radio
// telegram..." to the target's log.
void DecodeReply(ReplyKind kind, const QByteArray& frame, ReplyTarget& target);

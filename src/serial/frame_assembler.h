#pragma once
// Cuts complete frames (0x68, L, L bytes, 0x16) out of the received byte
// stream kept in the working state: rxBuffer holds the bytes not yet taken
// into a frame, rxCount their number, frameStart the 1-based position of the
// start byte of the frame being assembled (0 while searching) and frameEnd
// the 1-based position of the end byte of the frame being handed over (0
// otherwise). Plain code on the GUI thread; never blocks.
//
// Rules:
// - every complete frame in the buffer is handed over, in order, in the same
//   call; when bytes follow a frame at the moment it is taken, replyReceived
//   is set false after the handler has run;
// - a start byte whose end position does not hold 0x16 is dropped together
//   with the bytes before it, replyReceived is set false, and the search
//   goes on from the next byte;
// - bytes before a start byte stay in the buffer until the frame after them
//   is taken (or dropOverflow() empties the buffer);
// - an incomplete frame whose header already names the current receiver
//   (setCurrentId; its sender bytes have arrived and match) is a reply in
//   progress: nothing inside it starts a frame, whatever its bytes hold (a
//   key or a meter ID may read 68 07 00 00 00 04 03 02 01 16);
// - while any other frame at the start byte is incomplete, a later 0x68 that
//   starts a complete frame naming the current receiver shows that the start
//   byte was noise (68 F0 announces 243 bytes that never come): the bytes
//   before the later start are dropped and its frame is handed over at once.
//   The search for it stops at a start byte whose header names the receiver
//   while its frame is incomplete, for the same reason. Otherwise an
//   incomplete frame waits, however slowly its pieces come;
// - with the current receiver known, a complete frame that does not name it
//   and holds a 0x68 is treated as a wrong end byte: noise that happened to
//   end on 0x16 must not swallow the start of a reply;
// - a start byte whose frame stopped arriving (the line went silent) is
//   dropped on request with dropStalledStart().
// Work is linear in the bytes appended: a pass takes frames behind a cursor
// and removes the taken bytes from the front once at its end. Looking for a
// later frame inside an incomplete one costs at most the buffer's bytes
// after its start byte, which the overflow rule bounds.
#include <QByteArray>
#include <QString>
#include <functional>

struct WorkingState;

class FrameAssembler {
public:
    // rxBuffer above this many bytes after a notification is emptied.
    static constexpr int kOverflowLimit = 1024;
    using FrameHandler = std::function<void(const QByteArray& frame)>;

    explicit FrameAssembler(WorkingState& state) : state_(state) {}

    // The ID text of the receiver whose frames are awaited, asked only when
    // a complete frame lies inside an incomplete one. Without it an
    // incomplete frame always waits.
    void setCurrentId(std::function<QString()> currentId) { currentId_ = std::move(currentId); }

    // Appends count bytes to rxBuffer and hands every complete frame to
    // onFrame. An exception thrown by onFrame propagates at once; the caller
    // then calls clear().
    void append(const char* data, int count, const FrameHandler& onFrame);
    void append(const QByteArray& bytes, const FrameHandler& onFrame)
    {
        append(bytes.constData(), int(bytes.size()), onFrame);
    }

    // The overflow rule: more than kOverflowLimit bytes waiting without a
    // complete frame empties the buffer. True when it did.
    bool dropOverflow();

    // True while a start byte has been found and its frame is incomplete.
    bool waitingForFrame() const;
    // Forgets the start byte of the incomplete frame (with the bytes before
    // it) and searches again from the next byte, handing over every frame
    // that is then complete. replyReceived is left alone: noise is no reply.
    void dropStalledStart(const FrameHandler& onFrame);

    // Empties rxBuffer and resets rxCount, frameStart and frameEnd.
    void clear();

private:
    void takeFrames(const FrameHandler& onFrame);
    // Index of the first 0x68 at or after `from` that starts a complete frame
    // from the current receiver within the first n bytes; -1 when none does
    // or a frame from it is in progress before one.
    int laterFrameStart(int from, int n) const;
    // Whether the bytes from index start up to index end (excluded), a frame
    // or the beginning of one, name the current receiver as their sender.
    bool namesReceiver(int start, int end) const;
    // Whether the complete frame from start to end names no current receiver
    // and holds a start byte after its own.
    bool holdsStartOfAnother(int start, int end) const;

    WorkingState& state_;
    std::function<QString()> currentId_;
    // Index in rxBuffer before which no start byte exists while searching;
    // spares rescanning noise at every append.
    int scanFrom_ = 0;
};

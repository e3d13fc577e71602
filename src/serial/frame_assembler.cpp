#include "serial/frame_assembler.h"

#include "core/working_state.h"
#include "protocol/reply_classifier.h"

#include <algorithm>

namespace {
constexpr char kStartByte = char(0x68);
constexpr unsigned char kEndByte = 0x16;
}  // namespace

void FrameAssembler::append(const char* data, int count, const FrameHandler& onFrame)
{
    if (count > 0)
        state_.rxBuffer.append(data, count);
    state_.rxCount = int(state_.rxBuffer.size());
    takeFrames(onFrame);
}

void FrameAssembler::takeFrames(const FrameHandler& onFrame)
{
    QByteArray& buf = state_.rxBuffer;
    const int n = int(buf.size());
    scanFrom_ = std::clamp(scanFrom_, 0, n);
    if (state_.frameStart > n)
        state_.frameStart = 0;  // stale position: search again
    int consumed = 0;           // bytes at the front already taken or dropped

    for (;;) {
        if (state_.frameStart == 0) {
            const qsizetype idx = buf.indexOf(kStartByte, std::max(consumed, scanFrom_));
            if (idx < 0) {
                scanFrom_ = n;
                break;
            }
            state_.frameStart = int(idx) + 1;
        }
        const int fs = state_.frameStart;  // 1-based: buf[fs - 1] is the start byte
        if (n <= fs)
            break;  // the length byte has not arrived
        const int length = static_cast<unsigned char>(buf[fs]);
        const int e = fs + length + 2;  // 1-based position of the end byte
        if (e > n) {
            // Incomplete: a frame whose header names the current receiver is
            // a reply in progress and nothing inside it starts another one.
            // Any other start byte may be noise, given up as soon as a frame
            // from the current receiver is complete behind it.
            const int later = namesReceiver(fs - 1, n) ? -1 : laterFrameStart(fs, n);
            if (later < 0)
                break;
            state_.frameStart = later + 1;
            continue;
        }
        if (static_cast<unsigned char>(buf[e - 1]) == kEndByte && !holdsStartOfAnother(fs - 1, e)) {
            state_.frameEnd = e;
            const QByteArray frame = buf.mid(fs - 1, length + 3);
            consumed = e;
            onFrame(frame);
            if (n > e)
                state_.replyReceived = false;
            state_.frameStart = 0;
            state_.frameEnd = 0;
        } else {
            // Not a frame, or noise that would swallow the start of a reply:
            // forget this start byte (and the junk before it) and look for
            // the next one.
            state_.replyReceived = false;
            consumed = fs;
            state_.frameStart = 0;
        }
    }

    if (consumed > 0) {
        buf.remove(0, consumed);
        state_.rxCount = int(buf.size());
        if (state_.frameStart > 0)
            state_.frameStart -= consumed;
        scanFrom_ = std::max(0, scanFrom_ - consumed);
    }
}

bool FrameAssembler::namesReceiver(int start, int end) const
{
    return currentId_ && IsFromReceiver(QByteArrayView(state_.rxBuffer).sliced(start, end - start), currentId_());
}

bool FrameAssembler::holdsStartOfAnother(int start, int end) const
{
    if (!currentId_ || namesReceiver(start, end))
        return false;
    const QByteArrayView inside = QByteArrayView(state_.rxBuffer).sliced(start + 1, end - start - 2);
    return inside.contains(kStartByte);
}

int FrameAssembler::laterFrameStart(int from, int n) const
{
    if (!currentId_)
        return -1;
    const QByteArray& buf = state_.rxBuffer;
    for (qsizetype c = buf.indexOf(kStartByte, from); c >= 0 && c + 1 < n; c = buf.indexOf(kStartByte, c + 1)) {
        const int length = static_cast<unsigned char>(buf[c + 1]);
        const int end = int(c) + length + 2;
        if (end >= n) {
            if (namesReceiver(int(c), n))
                return -1;  // a reply in progress: what lies inside it is its own
        } else if (static_cast<unsigned char>(buf[end]) == kEndByte && namesReceiver(int(c), end + 1)) {
            return int(c);
        }
    }
    return -1;
}

bool FrameAssembler::waitingForFrame() const
{
    return state_.frameStart > 0;
}

void FrameAssembler::dropStalledStart(const FrameHandler& onFrame)
{
    const int fs = state_.frameStart;
    if (fs <= 0)
        return;
    state_.rxBuffer.remove(0, std::min<qsizetype>(fs, state_.rxBuffer.size()));
    state_.rxCount = int(state_.rxBuffer.size());
    state_.frameStart = 0;
    scanFrom_ = 0;
    takeFrames(onFrame);
}

bool FrameAssembler::dropOverflow()
{
    if (state_.rxCount <= kOverflowLimit && state_.rxBuffer.size() <= kOverflowLimit)
        return false;
    clear();
    return true;
}

void FrameAssembler::clear()
{
    state_.rxBuffer.clear();
    state_.rxCount = 0;
    state_.frameStart = 0;
    state_.frameEnd = 0;
    scanFrom_ = 0;
}

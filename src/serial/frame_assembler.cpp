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
            // Incomplete: wait for more bytes, unless a frame from the
            // current receiver is already complete behind this start byte.
            const int later = laterFrameStart(fs, n);
            if (later < 0)
                break;
            state_.frameStart = later + 1;
            continue;
        }
        if (static_cast<unsigned char>(buf[e - 1]) == kEndByte) {
            state_.frameEnd = e;
            const QByteArray frame = buf.mid(fs - 1, length + 3);
            consumed = e;
            onFrame(frame);
            if (n > e)
                state_.replyReceived = false;
            state_.frameStart = 0;
            state_.frameEnd = 0;
        } else {
            // Not a frame: forget this start byte (and the junk before it)
            // and look for the next one.
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

int FrameAssembler::laterFrameStart(int from, int n) const
{
    if (!currentId_)
        return -1;
    const QByteArray& buf = state_.rxBuffer;
    for (qsizetype c = buf.indexOf(kStartByte, from); c >= 0 && c + 1 < n; c = buf.indexOf(kStartByte, c + 1)) {
        const int length = static_cast<unsigned char>(buf[c + 1]);
        const qsizetype end = c + length + 2;
        if (end < n && static_cast<unsigned char>(buf[end]) == kEndByte
            && IsFromReceiver(QByteArrayView(buf).sliced(c, length + 3), currentId_()))
            return int(c);
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

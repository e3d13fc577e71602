#include "serial/receive_path.h"

#include "core/working_state.h"
#include "protocol/command_sink.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "protocol/reply_decoders.h"
#include "protocol/reply_target.h"

#include <algorithm>
#include <exception>

namespace {
// lastCommand of the AES key read: its reply goes to the key decoder.
constexpr std::uint8_t kKeyReadCommand = 6;
// Frames of this many bytes or fewer carry no reply record to decode.
constexpr int kShortFrame = 21;
// A frame shorter than this has no sender identifier (offsets 5 to 8).
constexpr int kSenderMinSize = 9;
} // namespace

ReceivePath::ReceivePath(WorkingState& state, ReplyTarget& target, CommandSink& sink, QObject* parent)
    : QObject(parent), state_(state), target_(target), sink_(sink), assembler_(state), noDecode_(this)
{
    noDecode_.setObjectName(QStringLiteral("Timer_noDecode"));
    noDecode_.setInterval(kHoldOffMs);
    noDecode_.setSingleShot(true);
    connect(&noDecode_, &QTimer::timeout, this, &ReceivePath::Timer_noDecodeTimer);
}

void ReceivePath::setReader(Reader read)
{
    read_ = std::move(read);
}

void ReceivePath::Comm1RxChar(QObject* /*sender*/, int count)
{
    try {
        char area[kReadArea];
        int remaining = count;
        // A notification may report more than the read area holds: read it
        // in pieces, assembling after each, so nothing is overrun or lost.
        while (remaining > 0 && read_) {
            const int want = std::min(remaining, kReadArea);
            int got = read_(area, want);
            if (got <= 0)
                break;
            got = std::min(got, want);
            assembler_.append(area, got, [this](const QByteArray& frame) { DispatchFrame(frame); });
            remaining -= got;
        }
        assembler_.dropOverflow();
    } catch (const std::exception& e) {
        target_.logLine(QStringLiteral("Exception receiving - ") + QString::fromUtf8(e.what()));
        assembler_.clear();
    } catch (...) {
        target_.logLine(QStringLiteral("Exception receiving - unknown error"));
        assembler_.clear();
    }
}

void ReceivePath::DispatchFrame(const QByteArray& frame)
{
    if (frame.size() < kSenderMinSize)
        return;
    if (state_.replyLatched)
        return;
    if (IdentifierText(frame, 5) != target_.currentZelkId())
        return;

    target_.logLine(HexDump(frame));
    state_.replyLatched = true;
    noDecode_.start();

    if (state_.listTailPending) {
        state_.listTailPending = false;
        DecodeListTail(frame, target_);
    } else if (state_.meterListPending) {
        const bool ok = DecodeMeterList(frame, target_);
        if (!ok)
            target_.logLine(QStringLiteral("Error decoding radio telegram..."));
        state_.meterListPending = false;
    } else if (frame.size() > kShortFrame) {
        if (state_.lastCommand == kKeyReadCommand)
            DecodeKeyReadBack(frame, target_);
        else
            DecodeStatusOrError(frame, target_);
    }
}

void ReceivePath::Timer_noDecodeTimer()
{
    noDecode_.stop();
    state_.replyLatched = false;
    if (state_.listTailPending)
        CmdFollowUp(sink_, target_.currentZelkId());
}

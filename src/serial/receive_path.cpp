#include "serial/receive_path.h"

#include "core/command_codes.h"
#include "core/working_state.h"
#include "protocol/command_sink.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "protocol/reply_classifier.h"
#include "protocol/reply_decoders.h"
#include "protocol/reply_target.h"

#include <algorithm>
#include <exception>
#include <limits>

ReceivePath::ReceivePath(WorkingState& state, ReplyTarget& target, CommandSink& sink, QObject* parent)
    : QObject(parent), state_(state), target_(target), sink_(sink), assembler_(state), noDecode_(this), silence_(this)
{
    assembler_.setCurrentId([this] { return target_.currentZelkId(); });
    noDecode_.setObjectName(QStringLiteral("Timer_noDecode"));
    noDecode_.setInterval(kHoldOffMs);
    noDecode_.setSingleShot(true);
    // It paces the follow-up request for the second meter-list telegram.
    noDecode_.setTimerType(Qt::PreciseTimer);
    connect(&noDecode_, &QTimer::timeout, this, &ReceivePath::Timer_noDecodeTimer);
    silence_.setSingleShot(true);
    silence_.setTimerType(Qt::PreciseTimer);
    connect(&silence_, &QTimer::timeout, this, &ReceivePath::onLineSilent);
}

void ReceivePath::setReader(Reader read)
{
    read_ = std::move(read);
}

void ReceivePath::setResponseTimeout(std::function<int()> milliseconds)
{
    responseTimeout_ = std::move(milliseconds);
}

int ReceivePath::SilenceGapMs(int responseTimeoutMs)
{
    return std::max(kMinSilenceMs, responseTimeoutMs);
}

int ReceivePath::readAndAssemble(int count)
{
    char area[kReadArea];
    int remaining = count;
    int total = 0;
    // A notification may report more than the read area holds: read it in
    // pieces, assembling after each, so nothing is overrun or lost.
    while (remaining > 0 && read_) {
        const int want = std::min(remaining, kReadArea);
        int got = read_(area, want);
        if (got <= 0)
            break;
        got = std::min(got, want);
        assembler_.append(area, got, [this](const QByteArray& frame) { DispatchFrame(frame); });
        remaining -= got;
        total += got;
    }
    return total;
}

void ReceivePath::armSilence()
{
    if (assembler_.waitingForFrame())
        silence_.start(SilenceGapMs(responseTimeout_ ? responseTimeout_() : 0));
    else
        silence_.stop();
}

void ReceivePath::failed(const QString& message)
{
    target_.logLine(QStringLiteral("Exception receiving - ") + message);
    assembler_.clear();
    silence_.stop();
}

template <typename Step>
void ReceivePath::guarded(Step step)
{
    try {
        step();
        assembler_.dropOverflow();
        armSilence();
    } catch (const std::exception& e) {
        failed(QString::fromUtf8(e.what()));
    } catch (...) {
        failed(QStringLiteral("unknown error"));
    }
}

void ReceivePath::Comm1RxChar(QObject* /*sender*/, int count)
{
    guarded([&] { readAndAssemble(count); });
}

void ReceivePath::onLineSilent()
{
    guarded([&] {
        // A notification still on its way means the line was not silent.
        if (readAndAssemble(std::numeric_limits<int>::max()) == 0)
            assembler_.dropStalledStart([this](const QByteArray& frame) { DispatchFrame(frame); });
    });
}

void ReceivePath::DispatchFrame(const QByteArray& frame)
{
    if (state_.replyLatched)
        return;
    const ReplyExpectation expect{state_.listTailPending, state_.meterListPending,
                                  state_.lastCommand == CommandCode::ReadMeterKey};
    const ReplyKind kind = ClassifyReply(frame, target_.currentZelkId(), expect);
    if (kind == ReplyKind::Foreign)
        return;

    if (kind == ReplyKind::KeyReadBack)
        target_.logKeyLine(HexDump(frame));
    else
        target_.logLine(HexDump(frame));
    state_.replyLatched = true;
    noDecode_.start();

    if (kind == ReplyKind::ListTail)
        state_.listTailPending = false;
    DecodeReply(kind, frame, target_);
    if (kind == ReplyKind::MeterList)
        state_.meterListPending = false;
}

void ReceivePath::Timer_noDecodeTimer()
{
    noDecode_.stop();
    state_.replyLatched = false;
    if (state_.listTailPending)
        CmdFollowUp(sink_, target_.currentZelkId());
}

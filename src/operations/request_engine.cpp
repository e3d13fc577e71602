#include "operations/request_engine.h"

#include "core/working_state.h"
#include "operations/operation_link.h"
#include "operations/retry_timer.h"
#include "protocol/command_sink.h"
#include "protocol/commands.h"
#include "protocol/hex.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"
#include "protocol/reply_classifier.h"
#include "protocol/reply_decoders.h"
#include "serial/frame_assembler.h"

#include <QEventLoop>
#include <QTimer>

#include <utility>

// What the reply decoders write into: a meter table and working state of the
// engine's own, and the typed replies of the exchange in progress.
class RequestEngine::Target final : public ReplyTarget {
public:
    explicit Target(RequestEngine& engine) : engine_(engine), assembler(state_)
    {
        // A reply behind line noise is taken as soon as it is complete.
        assembler.setCurrentId([this] { return currentZelkId(); });
    }

    void logLine(const QString& line) override
    {
        replyLines << line;
        emit engine_.logLine(line, false);
    }
    QString currentZelkId() const override { return engine_.zelkId_; }
    QString meterIdField() const override { return meterId; }
    void setKeyField(const QString& text) override { key = text; }
    MeterTable& table() override { return table_; }
    WorkingState& state() override { return state_; }
    void statusDecoded(const StatusReport& report) override
    {
        status = report;
        gotStatus = true;
    }
    void errorDecoded(int code, const QString& explanation) override
    {
        errorCode = code;
        errorText = explanation;
        gotError = true;
    }

    // Forgets the replies of the previous exchange and any bytes kept.
    void startExchange()
    {
        state_.replyReceived = false;
        state_.listTailPending = false;
        gotStatus = gotError = false;
        key.clear();
        assembler.clear();
    }

    QString meterId;
    QString key;
    QStringList replyLines;  // the lines of the frame decoded last
    StatusReport status;
    bool gotStatus = false;
    int errorCode = -1;
    QString errorText;
    bool gotError = false;

private:
    RequestEngine& engine_;
    WorkingState state_;
    MeterTable table_;

public:
    FrameAssembler assembler;
};

struct RequestEngine::Pending {
    Expect expect;
    QEventLoop* loop = nullptr;
    QTimer* timer = nullptr;  // the response timeout, restarted by each byte of a reply in progress
    bool done = false;
    int sent = 0;    // telegrams sent
    int strays = 0;  // replies still due to repeated sendings, after the answer
    RequestResult::Kind kind = RequestResult::NoReply;
};

RequestEngine::RequestEngine(OperationLink& link, const QString& zelkId, int retries, int timeoutMs, QObject* parent)
    : QObject(parent), link_(link), zelkId_(zelkId), retries_(retries), timeoutMs_(timeoutMs),
      target_(std::make_unique<Target>(*this))
{}

RequestEngine::~RequestEngine() = default;

RequestResult RequestEngine::exchange(Expect expect, const std::function<void(CommandSink&)>& send)
{
    RequestResult result;
    result.kind = RequestResult::Interrupted;
    if (lateReplies_ > 0 && !aborted_)
        drainStrays(std::exchange(lateReplies_, 0), timeoutMs_);
    if (aborted_)
        return result;
    Target& t = *target_;
    t.startExchange();
    CountingSink sink([this]() -> CommandSink& { return link_.sink(); },
                      [this](const QString& line) { emit notice(line); });

    Pending pending{expect};
    QEventLoop loop;
    pending.loop = &loop;
    pending_ = &pending;
    auto sendOnce = [&] {
        sink.sent = 0;
        send(sink);
        sentTotal_ += sink.sent;
        pending.sent += sink.sent > 0 ? 1 : 0;
        return sink.sent > 0;
    };
    if (!sendOnce()) {
        pending_ = nullptr;
        result.kind = RequestResult::NotSent;
        return result;
    }

    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(timeoutMs_);
    pending.timer = &timer;
    int retryCount = 0;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        // The line went silent inside a frame: its start byte was noise or
        // the rest is lost; a later reply is searched from the next byte.
        t.assembler.dropStalledStart([this](const QByteArray& frame) { dispatch(frame); });
        if (pending.done)
            return;
        if (++retryCount > retries_) {
            loop.quit();
            return;
        }
        emit notice(RetryNotice(retryCount));
        sendOnce();
        timer.start();
    });
    timer.start();
    if (!pending.done)
        loop.exec();
    timer.stop();
    pending_ = nullptr;
    // The command went out more than once and one reply has come: the
    // others are still on their way. A receiver as slow as this one answers
    // the last repetition up to (sendings - 1) timeouts after the answer;
    // wait that long and a half timeout more at most, so that none of them
    // is taken for the answer to the next command.
    if (pending.done && pending.strays > 0 && !aborted_)
        drainStrays(pending.strays, timeoutMs_ * (pending.sent - 1) + timeoutMs_ / 2);
    // Silence: the replies may still come, during the next exchange.
    if (!pending.done && !aborted_)
        lateReplies_ = pending.sent;
    return resultOf(pending);
}

RequestResult RequestEngine::resultOf(const Pending& pending) const
{
    const Target& t = *target_;
    RequestResult result;
    result.attempts = pending.sent;
    result.kind = pending.done ? pending.kind : aborted_ ? RequestResult::Interrupted : RequestResult::NoReply;
    if (result.kind == RequestResult::Status) {
        result.status = t.status;
        result.lines = t.replyLines;
    }
    if (result.kind == RequestResult::Error) {
        result.errorCode = t.errorCode;
        result.errorText = t.errorText;
        result.lines = t.replyLines;
    }
    if (result.kind == RequestResult::Key)
        result.key = t.key;
    return result;
}

void RequestEngine::drainStrays(int count, int ms)
{
    QEventLoop loop;
    Pending drain{Expect::StatusOrError, &loop, nullptr, true, 0, count};
    pending_ = &drain;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    pending_ = nullptr;
}

void RequestEngine::abort()
{
    aborted_ = true;
    if (pending_)
        pending_->loop->quit();
}

void RequestEngine::receive(const QByteArray& bytes)
{
    if (!pending_)
        return;  // nothing asked: a late or unrelated reply
    target_->assembler.append(bytes, [this](const QByteArray& frame) { dispatch(frame); });
    target_->assembler.dropOverflow();
    // A reply still arriving on a slow line: the silence that ends the wait
    // counts from its last byte, not from the sending.
    if (pending_ && pending_->timer && !pending_->done && !bytes.isEmpty() && target_->assembler.waitingForFrame())
        pending_->timer->start();
}

void RequestEngine::dispatch(const QByteArray& frame)
{
    if (!pending_)
        return;
    const Expect expect = pending_->expect;
    const ReplyKind kind = ClassifyReply(
        frame, zelkId_, {expect == Expect::ListTail, expect == Expect::MeterList, expect == Expect::Key});
    if (kind == ReplyKind::Foreign)
        return;
    emit logLine(HexDump(frame), true);
    // After the answer only the replies to the repeated sendings are awaited;
    // they are shown (-v) but not decoded.
    if (pending_->done) {
        if (--pending_->strays <= 0)
            pending_->loop->quit();
        return;
    }

    Target& t = *target_;
    WorkingState& st = t.state();
    st.replyReceived = false;
    t.replyLines.clear();
    decode(kind, frame);

    RequestResult::Kind result;
    if (t.gotError)
        result = RequestResult::Error;
    else if (t.gotStatus)
        result = RequestResult::Status;
    else if (st.replyReceived)
        result = expect == Expect::Key        ? RequestResult::Key
            : expect == Expect::StatusOrError ? RequestResult::Status
                                              : RequestResult::MeterList;
    else
        return;  // not an answer: keep waiting (the timer resends)
    pending_->kind = result;
    pending_->done = true;
    pending_->strays = pending_->sent - 1;
    pending_->loop->quit();
}

void RequestEngine::decode(ReplyKind kind, const QByteArray& frame)
{
    Target& t = *target_;
    DecodeReply(kind, frame, t);
    // Unlike the window, the engine waits for one answer: a long frame that
    // is not the awaited list, list tail or key is the receiver refusing the
    // request with an error reply.
    const bool awaited = kind == ReplyKind::MeterList || kind == ReplyKind::ListTail || kind == ReplyKind::KeyReadBack;
    if (awaited && !t.state().replyReceived && frame.size() > ReplyFrames::kShortFrame)
        DecodeStatusOrError(frame, t);
}

RequestResult RequestEngine::readStatus()
{
    return exchange(Expect::StatusOrError, [this](CommandSink& s) { CmdReadStatus(s, zelkId_); });
}

RequestResult RequestEngine::setReceiverId(const QString& newId)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdSetReceiverId(s, zelkId_, newId); });
}

RequestResult RequestEngine::setWirelessMode(const QString& modeName)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdSetWirelessMode(s, zelkId_, modeName); });
}

RequestResult RequestEngine::clockAdjust(const QString& value, bool on)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdClockAdjust(s, zelkId_, value, on); });
}

RequestResult RequestEngine::setReceiverFlag(const QString& flagName, bool on)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdSetReceiverFlag(s, zelkId_, flagName, on); });
}

RequestResult RequestEngine::masterReset()
{
    return exchange(Expect::StatusOrError, [this](CommandSink& s) { CmdMasterReset(s, zelkId_); });
}

RequestResult RequestEngine::addMeter(const QString& meterId)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdAddDeleteMeter(s, zelkId_, meterId, true); });
}

RequestResult RequestEngine::deleteMeter(const QString& meterId)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) { CmdAddDeleteMeter(s, zelkId_, meterId, false); });
}

RequestResult RequestEngine::setMeterKey(const QString& meterId, const QString& keyText)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) {
        const QByteArray key = KeyBytesFromText(keyText, [&s](const QString& line) { s.logLine(line); });
        CmdSetMeterKey(s, zelkId_, meterId, key);
    });
}

RequestResult RequestEngine::readMeterKey(const QString& meterId)
{
    target_->meterId = meterId;
    return exchange(Expect::Key, [&](CommandSink& s) { CmdReadMeterKey(s, zelkId_, meterId); });
}

RequestResult RequestEngine::setMeterMedium(const QString& meterId, const QString& mediumName)
{
    return exchange(Expect::StatusOrError, [&](CommandSink& s) {
        const int code = MediumCodeFromAnyName(mediumName);
        if (code < 0)
            s.logLine(QStringLiteral("Unknown medium: ") + mediumName);  // nothing is sent
        else
            CmdSetMeterMedium(s, zelkId_, meterId, code);
    });
}

RequestResult RequestEngine::readMeterList()
{
    RequestResult list = exchange(Expect::MeterList, [this](CommandSink& s) { CmdGetMeterList(s, zelkId_); });
    if (list.kind != RequestResult::MeterList)
        return list;
    const RequestResult tail = exchange(Expect::ListTail, [this](CommandSink& s) { CmdFollowUp(s, zelkId_); });
    if (tail.kind == RequestResult::Interrupted)
        return tail;
    // The rows stand whatever became of the values.
    const auto& rows = target_->table().rows();
    list.rows.assign(rows.begin() + 1, rows.end());
    list.attempts += tail.attempts;
    list.complete = tail.kind == RequestResult::MeterList;
    return list;
}

#pragma once
// Request and reply, one command at a time, for front ends that run a
// sequence of commands and need each outcome before the next step (the
// command-line program). Each call sends one command through the link's
// command builders, waits on the thread's event loop for the reply that
// answers it and hands back a typed result. A reply ends the wait at once;
// after `timeoutMs` of silence (counted from the last byte of a reply still
// arriving, so a slow line is waited for) the same command goes out again, at most
// `retries` times, then the result is NoReply. There is no hold-off between
// exchanges: the second meter-list telegram is asked for as soon as the
// first one has been decoded.
//
// Received bytes reach the engine through receive() (the caller connects it
// to the device's receive notification). Frames are cut by the serial
// frame assembler, accepted only from the ZELK ID given, and decoded by the
// reply decoders; bytes that arrive while no command waits are dropped, so a
// reply that comes after the last retry never answers a later command. When
// a command had to be sent more than once, the call returns only once the
// replies to the repetitions are in (or a bounded wait has passed), for the
// same reason; after silence, the next call first waits up to one timeout for
// the late replies to the telegrams that went unanswered and drops them.
//
// abort() ends the wait at once: the call in progress and every later one
// return Interrupted without sending anything more.
//
// Runs on the thread that owns it; each call blocks that thread in a nested
// event loop for at most (retries + 2) * timeoutMs plus the write bounds.
#include "protocol/reply_classifier.h"
#include "protocol/reply_target.h"
#include "table/meter_table.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class CommandSink;
class OperationLink;

struct RequestResult {
    enum Kind {
        NotSent,      // the builder refused its input (its log line says why)
        NoReply,      // silence after every attempt
        Status,       // status reply: `status`
        Error,        // error reply: `errorCode`, `errorText`
        MeterList,    // both meter-list telegrams: `rows` (16, Notes filled when the tail came)
        Key,          // key read-back: `key`, 32 upper-case hexadecimal digits
        Interrupted,  // abort() ended the wait, or came before the call
    };
    Kind kind = NoReply;
    int attempts = 0;  // telegrams sent for this request
    StatusReport status;
    int errorCode = -1;
    QString errorText;  // the explanation line, empty for an unknown code
    std::vector<MeterTable::Row> rows;
    QString key;
    QStringList lines;  // the readable lines of the reply that answered (the status report)
    // MeterList only: false when the second telegram did not come (the Notes
    // cells stay empty).
    bool complete = true;

    bool answered() const { return kind == Status || kind == MeterList || kind == Key; }
};

class RequestEngine : public QObject {
    Q_OBJECT
public:
    RequestEngine(OperationLink& link, const QString& zelkId, int retries, int timeoutMs, QObject* parent = nullptr);
    ~RequestEngine() override;

    QString zelkId() const { return zelkId_; }

    // Receiver-wide commands; each answered by a status or an error reply.
    RequestResult readStatus();
    RequestResult setReceiverId(const QString& newId);
    RequestResult setWirelessMode(const QString& modeName);  // "Mode T", ...
    RequestResult clockAdjust(const QString& value, bool on);
    RequestResult setReceiverFlag(const QString& flagName, bool on);
    RequestResult masterReset();
    // Meter commands. `keyText` as KeyBytesFromText takes it.
    RequestResult addMeter(const QString& meterId);
    RequestResult deleteMeter(const QString& meterId);
    RequestResult setMeterKey(const QString& meterId, const QString& keyText);
    RequestResult readMeterKey(const QString& meterId);
    // `mediumName` as MediumCodeFromAnyName takes it; any other text is not sent.
    RequestResult setMeterMedium(const QString& meterId, const QString& mediumName);
    // The receiver's list: the first telegram, then at once the follow-up for
    // the values. Kind MeterList when the first telegram decoded (a tail
    // that never came leaves the Notes cells empty and `complete` false).
    RequestResult readMeterList();

    // Telegrams sent since the engine was made.
    int telegramsSent() const { return sentTotal_; }

public slots:
    // Bytes read from the port.
    void receive(const QByteArray& bytes);
    // Ends the wait in progress and refuses every later request (Ctrl+C).
    void abort();

signals:
    // The activity-log lines of the exchanges, in order: `frame` true for the
    // hexadecimal line of each accepted reply, false for the readable lines
    // of the decoders. The "Sent: " lines come from the link's own log.
    void logLine(const QString& line, bool frame);
    // What the user should hear of even without the log: the attempt
    // announcements and a builder's refusal.
    void notice(const QString& line);

private:
    enum class Expect { StatusOrError, MeterList, ListTail, Key };
    class Target;
    struct Pending;

    RequestResult exchange(Expect expect, const std::function<void(CommandSink&)>& send);
    RequestResult resultOf(const Pending& pending) const;
    // Waits up to `ms` for `count` replies that answer nothing and drops them.
    void drainStrays(int count, int ms);
    void dispatch(const QByteArray& frame);
    // Runs the decoder of a frame's kind (see ClassifyReply).
    void decode(ReplyKind kind, const QByteArray& frame);

    OperationLink& link_;
    QString zelkId_;
    int retries_;
    int timeoutMs_;
    std::unique_ptr<Target> target_;
    Pending* pending_ = nullptr;  // the exchange waiting for its reply
    int lateReplies_ = 0;         // telegrams of the last call left unanswered
    int sentTotal_ = 0;
    bool aborted_ = false;
};

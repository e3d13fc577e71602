#pragma once
// Where zelk-cli writes: result text or one JSON document on standard
// output, frames (-v), warnings and the one-line failure messages on
// standard error, and a progress bar on standard error when it is a terminal.
#include <QJsonObject>
#include <QString>

struct RequestResult;

class CliOutput {
public:
    CliOutput(bool json, bool verbose);

    bool json() const { return json_; }
    // Where the readable log lines of the replies go in text mode: standard
    // output (the default), standard error (standard output carries data
    // such as CSV), or nowhere unless -v (commands that print their own
    // per-meter lines).
    enum class Messages { Stdout, Stderr, VerboseOnly };
    void setMessages(Messages where) { messages_ = where; }

    // A line of result text (text mode only).
    void text(const QString& line);
    // A log line of an exchange: a frame (shown with -v) or a message (the
    // readable lines of a reply, shown in text mode, with -v under --json).
    void log(const QString& line, bool frame);
    // A line on standard error.
    void warn(const QString& line);
    // Raw bytes on standard output (the CSV of list).
    void raw(const QByteArray& bytes);
    // The JSON document (only with --json).
    void document(const QJsonObject& doc);
    // A failure: one line on standard error; with --json also
    // {"error": message, "code": exitCode, ...extra} on standard output.
    int fail(int exitCode, const QString& message, QJsonObject extra = {});

    // Progress of a long command; drawn only when standard error is a terminal.
    void progress(int done, int total, const QString& what);
    void endProgress();

private:
    void clearProgress();
    bool json_;
    bool verbose_;
    Messages messages_ = Messages::Stdout;
    bool tty_;
    bool barShown_ = false;
};

// The status reply as JSON: zelk_id, used_ids, mode, flags.
QJsonObject StatusJson(const QString& zelkId, const RequestResult& r);

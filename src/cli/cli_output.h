#pragma once
// Where zelk-cli writes. Standard output carries the result only: text, or
// with --json exactly one JSON document for every outcome, failures
// included. Standard error carries everything else: the one-line failure
// message, notices (attempt announcements, warnings; with --json only
// under -v), the activity log under -v, and a progress bar when it is a
// terminal and --json is not given (a script reads standard error too).
//
// Every JSON document has "command" and "ok"; a failure adds
// {"error": {"code": exit code, "text": message, ...}} to its result fields.
#include <QJsonObject>
#include <QString>

struct RequestResult;

class CliOutput {
public:
    CliOutput(bool json, bool verbose, const QString& command);

    bool json() const { return json_; }
    bool verbose() const { return verbose_; }

    // A line of result text (text mode only).
    void text(const QString& line);
    // Raw result bytes (the CSV of list; text mode only).
    void raw(const QByteArray& bytes);
    // A line of the activity log: frames and the decoders' readable lines
    // (standard error, with -v only).
    void log(const QString& line);
    // A line the user should see (standard error; under --json only with -v).
    void notice(const QString& line);
    // The document of a run that went well (--json only).
    void result(QJsonObject fields);
    // A failure: one line on standard error; with --json the document with
    // "ok": false and the "error" object (plus `errorFields`). Returns exitCode.
    int fail(int exitCode, const QString& message, QJsonObject fields = {}, const QJsonObject& errorFields = {});

    // Progress of a long command; drawn only when standard error is a
    // terminal, never with --json.
    void progress(int done, int total, const QString& what);
    void endProgress();

private:
    void document(QJsonObject doc, bool ok);
    void clearProgress();
    bool json_;
    bool verbose_;
    QString command_;
    bool bar_;  // whether a progress bar is drawn
    bool barShown_ = false;
};

// The status reply's fields: zelk_id, used_ids, mode, flags.
QJsonObject StatusJson(const QString& zelkId, const RequestResult& r);

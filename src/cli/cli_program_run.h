#pragma once
// What a command over many meters (program, clear) has done so far, and how
// it ends: error replies are recorded and the run goes on; silence, a
// refused command or Ctrl+C stops it; finish() prints the summary and the
// one document or failure line.
#include "operations/provisioner.h"
#include "table/meter_table.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <vector>

class CliOutput;
class RequestEngine;
struct CliOptions;
struct RequestResult;

class StepRun final : public ProvisionObserver {
public:
    StepRun(const CliOptions& options, RequestEngine& engine, CliOutput& out);

    // Takes the result of one exchange for meter `id` (`step` names the
    // command). False when the run must stop.
    bool accept(const RequestResult& r, const QString& id, const QString& step) override;
    // True (and the run ends with exit 130) once Ctrl+C came.
    bool interrupted() override;
    // One line per meter: "ID: what, what".
    void report(const QString& id, const QStringList& what) override;

    void addWork(int steps) { total_ += steps; }
    void advance(const QString& what) override;
    // Adds zelk_id and errors to `doc`; returns the exit code.
    int finish(QJsonObject doc, const QString& summary);
    // The run's exit code; an error reply sets 1, a stop (the last event of a
    // run) its own code.
    void failWith(int exitCode) { exitCode_ = exitCode; }
    void addFailure(const QString& text) { failures_ << text; }

private:
    const CliOptions& o_;
    RequestEngine& engine_;
    CliOutput& out_;
    QJsonArray errors_;     // {"id", "step", "receiver_code", "error"}
    QStringList failures_;  // one text each, for the failure line
    QString stopMessage_;   // why the run stopped early
    int exitCode_ = 0;
    int done_ = 0;
    int total_ = 0;
};

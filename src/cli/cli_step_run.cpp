// StepRun, and clear: many exchanges in a row, with progress, Ctrl+C between
// exchanges, and one summary at the end.
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_program_run.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"

#include <QJsonArray>

StepRun::StepRun(const CliOptions& o, RequestEngine& e, CliOutput& out) : o_(o), engine_(e), out_(out) {}

bool StepRun::accept(const RequestResult& r, const QString& id, const QString& step)
{
    if (r.kind == RequestResult::Error) {
        const QString text = QStringLiteral("%1: %2: error 0x%3%4")
                                 .arg(id, step, ErrorCodeHex(r.errorCode),
                                      r.errorText.isEmpty() ? QString() : QStringLiteral(" (") + r.errorText + ')');
        failures_ << text;
        errors_.append(QJsonObject{{QStringLiteral("id"), id},
                                   {QStringLiteral("step"), step},
                                   {QStringLiteral("receiver_code"), r.errorCode},
                                   {QStringLiteral("error"), r.errorText}});
        failWith(Exit::Failed);
        return true;
    }
    const ResultFailure f = FailureOf(r, o_, engine_.telegramsSent());
    if (f.exitCode == Exit::Done)
        return true;
    failWith(f.exitCode);
    stopMessage_ = f.message;
    return false;
}

bool StepRun::interrupted()
{
    if (!InterruptRequested())
        return false;
    failWith(Exit::Interrupted);
    stopMessage_ = QStringLiteral("interrupted");
    return true;
}

void StepRun::advance(const QString& what)
{
    ++done_;
    out_.progress(done_, std::max(total_, done_), what);
}

int StepRun::finish(QJsonObject doc, const QString& summary)
{
    out_.endProgress();
    if (!summary.isEmpty())
        out_.text(summary);
    doc.insert(QStringLiteral("zelk_id"), o_.zelkId);
    doc.insert(QStringLiteral("errors"), errors_);
    if (exitCode_ == Exit::Done) {
        out_.result(doc);
        return Exit::Done;
    }
    QStringList message = failures_;
    if (!stopMessage_.isEmpty())
        message << stopMessage_;
    return out_.fail(exitCode_, message.join(QStringLiteral("; ")), doc);
}

void StepRun::report(const QString& id, const QStringList& what)
{
    out_.text(id + QStringLiteral(": ") + what.join(QStringLiteral(", ")));
}

int RunClear(const CliOptions& o, RequestEngine& e, CliOutput& out)
{
    StepRun run(o, e, out);
    Provisioner p(e, run);
    if (!p.readList())
        return run.finish({{QStringLiteral("deleted"), QJsonArray()}}, QString());
    // Every held meter is one the empty wanted list does not name.
    const ProgramPlan plan = PlanProgram({}, p.list(), {}, true);
    run.addWork(plan.deletes());
    p.apply(plan);
    return run.finish({{QStringLiteral("deleted"), QJsonArray::fromStringList(p.deleted())}},
                      QStringLiteral("%1 of %2 meter IDs deleted").arg(p.deleted().size()).arg(plan.deletes()));
}

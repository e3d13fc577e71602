// program: adds the file's meters (with --exact first deleting the others),
// sets keys and media, verifies; or with --dry-run only reads and plans. The
// reading, planning and programming are the engine's (Provisioner); this
// file turns them into zelk-cli's lines and documents.
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_program_run.h"
#include "cli/cli_session.h"
#include "operations/provisioner.h"
#include "operations/request_engine.h"

#include <QJsonArray>

namespace {

QJsonArray DifferenceJson(const std::vector<MeterStep>& steps, bool MeterStep::*flag, QString MeterStep::*file,
                          QString MeterStep::*held)
{
    QJsonArray a;
    for (const MeterStep& s : steps)
        if (s.*flag && !s.add)
            a.append(QJsonObject{{QStringLiteral("id"), s.id},
                                 {QStringLiteral("file"), s.*file},
                                 {QStringLiteral("receiver"), s.*held}});
    return a;
}

QStringList IdsWhere(const std::vector<MeterStep>& steps, bool MeterStep::*flag)
{
    QStringList ids;
    for (const MeterStep& s : steps)
        if (s.*flag)
            ids << s.id;
    return ids;
}

// One line of the plan: what the meter needs, or that it is as asked.
QString PlanLine(const MeterStep& s)
{
    QStringList what;
    if (s.remove)
        what << QStringLiteral("delete");
    if (s.add)
        what << QStringLiteral("add");
    if (s.setKey)
        what << QStringLiteral("set key");
    if (s.setMedium)
        what << QStringLiteral("set medium ") + s.fileMedium;
    if (what.isEmpty())
        what << QStringLiteral("as asked");
    return s.id + QStringLiteral(": ") + what.join(QStringLiteral(", "));
}

// The differences --verify reports for one meter.
QStringList DifferenceLines(const MeterStep& s)
{
    if (s.add)
        return {s.id + QStringLiteral(" is missing from the receiver's list")};
    if (s.remove)
        return {s.id + QStringLiteral(" is held but not in the file")};
    QStringList lines;
    if (s.setKey)
        lines << QStringLiteral("%1 has key %2, file has %3").arg(s.id, s.heldKey, s.fileKey);
    if (s.setMedium)
        lines << QStringLiteral("%1 has medium %2, file has %3").arg(s.id, s.heldMedium, s.fileMedium);
    return lines;
}

class ProgramRun {
public:
    ProgramRun(const CliOptions& o, const std::vector<ProgramRow>& rows, RequestEngine& e, CliOutput& out)
        : o_(o), rows_(rows), run_(o, e, out), p_(e, run_), out_(out)
    {
        for (const ProgramRow& r : rows)
            run_.addWork(1 + !r.key.isEmpty() + !r.medium.isEmpty() + (o.verify && !r.key.isEmpty()));
        run_.addWork(o.verify + o.exact + o.dryRun);
    }

    int dryRun()
    {
        QHash<QString, QString> keys;
        if (!p_.survey(rows_, true, &keys))
            return run_.finish({{QStringLiteral("dry_run"), true}}, QString());
        const ProgramPlan plan = PlanProgram(rows_, p_.list(), keys, o_.exact);
        QJsonArray media;
        QStringList asAsked;
        for (const MeterStep& s : plan.steps) {
            out_.text(PlanLine(s));
            if (s.setMedium)
                media.append(QJsonObject{{QStringLiteral("id"), s.id}, {QStringLiteral("medium"), s.fileMedium}});
            if (s.changes() == 0)
                asAsked << s.id;
        }
        const auto ids = [&plan](bool MeterStep::*flag) {
            return QJsonArray::fromStringList(IdsWhere(plan.steps, flag));
        };
        const QJsonObject doc{{QStringLiteral("dry_run"), true},
                              {QStringLiteral("add"), ids(&MeterStep::add)},
                              {QStringLiteral("delete"), ids(&MeterStep::remove)},
                              {QStringLiteral("set_key"), ids(&MeterStep::setKey)},
                              {QStringLiteral("set_medium"), media},
                              {QStringLiteral("as_asked"), QJsonArray::fromStringList(asAsked)},
                              {QStringLiteral("changes"), plan.changes()}};
        return run_.finish(doc, QStringLiteral("%1 change(s) planned; nothing was sent").arg(plan.changes()));
    }

    int apply()
    {
        // Without the list every meter is added (an add the receiver refuses
        // as already programmed reads it) and every key and medium set.
        ProgramPlan plan = PlanProgram(rows_, {}, {}, false);
        bool stopped = false;
        if (o_.exact) {
            stopped = !p_.readList();
            if (!stopped)
                plan = PlanProgram(rows_, p_.list(), {}, true);
            if (!stopped && CheckDeletes(int(rows_.size()), plan.deletes(), o_.force) != DeleteVerdict::Allowed) {
                run_.failWith(Exit::Failed);
                run_.addFailure(QStringLiteral("--exact would delete %1 meters, more than the %2 the file lists; "
                                               "nothing was changed (--force deletes them)")
                                    .arg(plan.deletes())
                                    .arg(rows_.size()));
                return run_.finish(resultDoc(), QString());
            }
            run_.addWork(plan.deletes());
        }
        stopped = stopped || !p_.apply(plan);
        const int done = int(p_.added().size() + p_.held().size());
        QString summary = QStringLiteral("%1 of %2 meters programmed").arg(done).arg(rows_.size());
        if (!p_.held().isEmpty())
            summary += QStringLiteral(" (%1 already held)").arg(p_.held().size());
        if (stopped || !o_.verify)
            return run_.finish(resultDoc(), summary);
        return verify(resultDoc(), summary);
    }

private:
    QJsonObject resultDoc() const
    {
        return {{QStringLiteral("dry_run"), false},
                {QStringLiteral("programmed"), QJsonArray::fromStringList(p_.added())},
                {QStringLiteral("already_held"), QJsonArray::fromStringList(p_.held())},
                {QStringLiteral("deleted"), QJsonArray::fromStringList(p_.deleted())}};
    }

    int verify(QJsonObject doc, const QString& summary)
    {
        QHash<QString, QString> keys;
        if (!p_.survey(rows_, false, &keys))
            return run_.finish(doc, summary);
        const ProgramPlan plan = PlanProgram(rows_, p_.list(), keys, o_.exact);
        QStringList differences;
        for (const MeterStep& s : plan.steps)
            differences << DifferenceLines(s);
        for (const QString& d : differences)
            out_.text(d);
        doc.insert(QStringLiteral("verified"), differences.isEmpty());
        doc.insert(QStringLiteral("missing"), QJsonArray::fromStringList(IdsWhere(plan.steps, &MeterStep::add)));
        doc.insert(QStringLiteral("unexpected"), QJsonArray::fromStringList(IdsWhere(plan.steps, &MeterStep::remove)));
        doc.insert(QStringLiteral("key_mismatch"),
                   DifferenceJson(plan.steps, &MeterStep::setKey, &MeterStep::fileKey, &MeterStep::heldKey));
        doc.insert(QStringLiteral("medium_mismatch"),
                   DifferenceJson(plan.steps, &MeterStep::setMedium, &MeterStep::fileMedium, &MeterStep::heldMedium));
        if (!differences.isEmpty()) {
            run_.failWith(Exit::Failed);
            run_.addFailure(QStringLiteral("verification found %1 difference(s)").arg(differences.size()));
        }
        return run_.finish(doc, summary + (differences.isEmpty() ? QStringLiteral(", verified") : QString()));
    }

    const CliOptions& o_;
    const std::vector<ProgramRow>& rows_;
    StepRun run_;
    Provisioner p_;
    CliOutput& out_;
};

}  // namespace

int RunProgram(const CliOptions& o, const std::vector<ProgramRow>& rows, RequestEngine& e, CliOutput& out)
{
    ProgramRun run(o, rows, e, out);
    return o.dryRun ? run.dryRun() : run.apply();
}

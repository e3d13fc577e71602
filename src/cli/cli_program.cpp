// program: adds the file's meters (with --exact first deleting the others),
// sets keys and media, verifies; or with --dry-run only reads and plans.
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_program_run.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"
#include "protocol/reply_decoders.h"

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
        : o_(o), rows_(rows), e_(e), out_(out), run_(o, e, out)
    {
        for (const ProgramRow& r : rows)
            run_.addWork(1 + !r.key.isEmpty() + !r.medium.isEmpty() + (o.verify && !r.key.isEmpty()));
        run_.addWork(o.verify + o.exact + o.dryRun);
    }

    int dryRun()
    {
        QHash<QString, QString> keys;
        if (!run_.readList(&list_) || !readKeys(&keys))
            return run_.finish({{QStringLiteral("dry_run"), true}}, QString());
        const ProgramPlan plan = PlanProgram(rows_, list_, keys, o_.exact);
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
        bool stopped = o_.exact && (!run_.readList(&list_) || !deleteUnlisted());
        listRead_ = o_.exact;
        for (std::size_t i = 0; i < rows_.size() && !stopped; ++i)
            stopped = run_.interrupted() || !programRow(rows_[i]);
        QJsonObject doc{{QStringLiteral("dry_run"), false},
                        {QStringLiteral("programmed"), QJsonArray::fromStringList(added_)},
                        {QStringLiteral("already_held"), QJsonArray::fromStringList(held_)},
                        {QStringLiteral("deleted"), QJsonArray::fromStringList(deleted_)}};
        QString summary =
            QStringLiteral("%1 of %2 meters programmed").arg(added_.size() + held_.size()).arg(rows_.size());
        if (!held_.isEmpty())
            summary += QStringLiteral(" (%1 already held)").arg(held_.size());
        if (stopped || !o_.verify)
            return run_.finish(doc, summary);
        return verify(doc, summary);
    }

private:
    // The keys the receiver holds for the held meters whose row has one. A
    // key the receiver will not show counts as not read: for a plan it is a
    // key to set, for --verify also a refusal. False when the run must stop.
    bool readKeys(QHash<QString, QString>* keys)
    {
        for (const ProgramRow& row : rows_) {
            if (row.key.isEmpty() || !holds(row.id))
                continue;
            if (run_.interrupted())
                return false;
            const RequestResult k = e_.readMeterKey(row.id);
            run_.advance(row.id);
            if (k.kind == RequestResult::Error && o_.dryRun)
                continue;
            if (!run_.accept(k, row.id, QStringLiteral("read-key")))
                return false;
            if (k.kind == RequestResult::Key)
                keys->insert(row.id, k.key);
        }
        return true;
    }

    bool holds(const QString& id) const
    {
        for (const MeterTable::Row& r : list_)
            if (r[MeterTable::ColSerial] == id)
                return true;
        return false;
    }

    bool deleteUnlisted()
    {
        const ProgramPlan plan = PlanProgram(rows_, list_, {}, true);
        const QStringList ids = IdsWhere(plan.steps, &MeterStep::remove);
        run_.addWork(int(ids.size()));
        for (const QString& id : ids) {
            if (run_.interrupted())
                return false;
            const RequestResult r = e_.deleteMeter(id);
            run_.advance(id);
            if (!run_.accept(r, id, QStringLiteral("delete")))
                return false;
            if (r.kind == RequestResult::Status) {
                deleted_ << id;
                out_.text(id + QStringLiteral(": deleted"));
            }
        }
        return true;
    }

    // An add answered "already programmed" counts as done when the list
    // shows the meter (read once, when first needed).
    bool addMeter(const ProgramRow& row, bool* done, QStringList* what)
    {
        const RequestResult r = e_.addMeter(row.id);
        run_.advance(row.id);
        if (r.kind == RequestResult::Error && r.errorCode == ReceiverError::AlreadyProgrammed) {
            if (!listRead_ && !run_.readList(&list_))
                return false;
            listRead_ = true;
            if (holds(row.id)) {
                held_ << row.id;
                *what << QStringLiteral("already held");
                *done = true;
                return true;
            }
        }
        if (!run_.accept(r, row.id, QStringLiteral("add")))
            return false;
        *done = r.kind == RequestResult::Status;
        *what << (*done ? QStringLiteral("added") : QStringLiteral("add failed"));
        if (*done)
            added_ << row.id;
        return true;
    }

    // One setting of a meter the receiver holds; true (nothing sent) when
    // the row has no value for it. False when the run must stop.
    bool set(const ProgramRow& row, const QString& value, const QString& step, const QString& doneText,
             QStringList* what, const std::function<RequestResult()>& call)
    {
        if (value.isEmpty())
            return true;
        if (run_.interrupted())
            return false;
        const RequestResult r = call();
        run_.advance(row.id);
        if (!run_.accept(r, row.id, step))
            return false;
        *what << (r.kind == RequestResult::Status ? doneText : step + QStringLiteral(" failed"));
        return true;
    }

    bool programRow(const ProgramRow& row)
    {
        QStringList what;
        bool done = false;
        const bool going = addMeter(row, &done, &what)
            && (!done
                || (set(row, row.key, QStringLiteral("set-key"), QStringLiteral("key set"), &what,
                        [&] { return e_.setMeterKey(row.id, row.key); })
                    && set(row, row.medium, QStringLiteral("set-medium"), QStringLiteral("medium set"), &what,
                           [&] { return e_.setMeterMedium(row.id, row.medium); })));
        if (!what.isEmpty())
            out_.text(row.id + QStringLiteral(": ") + what.join(QStringLiteral(", ")));
        return going;
    }

    int verify(QJsonObject doc, const QString& summary)
    {
        QHash<QString, QString> keys;
        if (!run_.readList(&list_) || !readKeys(&keys))
            return run_.finish(doc, summary);
        const ProgramPlan plan = PlanProgram(rows_, list_, keys, o_.exact);
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
    RequestEngine& e_;
    CliOutput& out_;
    StepRun run_;
    std::vector<MeterTable::Row> list_;
    bool listRead_ = false;
    QStringList added_, held_, deleted_;
};

}  // namespace

int RunProgram(const CliOptions& o, const std::vector<ProgramRow>& rows, RequestEngine& e, CliOutput& out)
{
    ProgramRun run(o, rows, e, out);
    return o.dryRun ? run.dryRun() : run.apply();
}

#include "operations/provisioner.h"

#include "operations/request_engine.h"
#include "protocol/reply_decoders.h"

bool Provisioner::readList()
{
    const RequestResult list = e_.readMeterList();
    o_.advance(QStringLiteral("list"));
    if (!o_.accept(list, e_.zelkId(), QStringLiteral("list")) || list.kind != RequestResult::MeterList)
        return false;
    list_ = list.rows;  // the IDs and media stand even when the values did not come
    listRead_ = true;
    return true;
}

bool Provisioner::holds(const QString& id) const
{
    for (const MeterTable::Row& r : list_)
        if (r[MeterTable::ColSerial] == id)
            return true;
    return false;
}

bool Provisioner::survey(const std::vector<ProgramRow>& rows, bool keyRefusalIsNoError, QHash<QString, QString>* keys)
{
    if (!readList())
        return false;
    for (const ProgramRow& row : rows) {
        if (row.key.isEmpty() || !holds(row.id))
            continue;
        if (o_.interrupted())
            return false;
        const RequestResult k = e_.readMeterKey(row.id);
        o_.advance(row.id);
        if (k.kind == RequestResult::Error && keyRefusalIsNoError)
            continue;
        if (!o_.accept(k, row.id, QStringLiteral("read-key")))
            return false;
        if (k.kind == RequestResult::Key)
            keys->insert(row.id, k.key);
    }
    return true;
}

bool Provisioner::apply(const ProgramPlan& plan)
{
    for (const MeterStep& s : plan.steps) {
        if (!s.remove)
            continue;
        if (o_.interrupted())
            return false;
        const RequestResult r = e_.deleteMeter(s.id);
        o_.advance(s.id);
        if (!o_.accept(r, s.id, QStringLiteral("delete")))
            return false;
        if (r.kind == RequestResult::Status) {
            deleted_ << s.id;
            o_.report(s.id, {QStringLiteral("deleted")});
        }
    }
    for (const MeterStep& s : plan.steps)
        if (!s.remove && (o_.interrupted() || !programMeter(s)))
            return false;
    return true;
}

bool Provisioner::programMeter(MeterStep step)
{
    QStringList what;
    bool done = true;
    bool going = true;
    if (step.add) {
        going = addMeter(&step, &done, &what);
    } else {
        held_ << step.id;
        what << QStringLiteral("already held");
    }
    // A meter the receiver did not take gets no key or medium.
    going = going
        && (!done
            || (set(step.id, step.setKey, QStringLiteral("set-key"), QStringLiteral("key set"), &what,
                    [&] { return e_.setMeterKey(step.id, step.fileKey); })
                && set(step.id, step.setMedium, QStringLiteral("set-medium"), QStringLiteral("medium set"), &what,
                       [&] { return e_.setMeterMedium(step.id, step.fileMedium); })));
    if (!what.isEmpty())
        o_.report(step.id, what);
    return going;
}

// An add answered "already programmed" counts as done when the list shows
// the meter (read once, when first needed); the list then also tells
// whether its medium needs setting.
bool Provisioner::addMeter(MeterStep* step, bool* done, QStringList* what)
{
    const RequestResult r = e_.addMeter(step->id);
    o_.advance(step->id);
    if (r.kind == RequestResult::Error && r.errorCode == ReceiverError::AlreadyProgrammed) {
        if (!listRead_ && !readList())
            return false;
        for (const MeterTable::Row& held : list_) {
            if (held[MeterTable::ColSerial] != step->id)
                continue;
            held_ << step->id;
            *what << QStringLiteral("already held");
            step->setMedium = MediumDiffers(step->fileMedium, held[MeterTable::ColMedium]);
            *done = true;
            return true;
        }
    }
    if (!o_.accept(r, step->id, QStringLiteral("add")))
        return false;
    *done = r.kind == RequestResult::Status;
    *what << (*done ? QStringLiteral("added") : QStringLiteral("add failed"));
    if (*done)
        added_ << step->id;
    return true;
}

bool Provisioner::set(const QString& id, bool wanted, const QString& step, const QString& doneText, QStringList* what,
                      const std::function<RequestResult()>& call)
{
    if (!wanted)
        return true;
    if (o_.interrupted())
        return false;
    const RequestResult r = call();
    o_.advance(id);
    if (!o_.accept(r, id, step))
        return false;
    *what << (r.kind == RequestResult::Status ? doneText : step + QStringLiteral(" failed"));
    return true;
}

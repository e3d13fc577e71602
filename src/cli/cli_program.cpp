// program and clear: many exchanges in a row, with progress, Ctrl+C between
// exchanges, and one summary at the end.
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"
#include "protocol/medium.h"
#include "table/meter_list_file.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

const QString kEmptySlot = QStringLiteral("FFFFFFFF");

// What a run over many meters has done so far, and how it ends.
struct Run {
    explicit Run(CliOutput& o) : out(o) {}
    CliOutput& out;
    QJsonArray errors;     // {"id", "step", "receiver_code", "error"}
    QStringList failures;  // the same, one text each
    int exitCode = Exit::Done;
    QString stopMessage;   // set when the run stopped early

    // Handles a result that is not the expected answer. False when the run
    // must stop (silence); an error reply is recorded and the run goes on.
    bool accept(const RequestResult& r, const QString& id, const QString& step, const CliOptions& o)
    {
        if (r.kind == RequestResult::Error) {
            const QString text = QStringLiteral("%1: %2: error 0x%3%4")
                                     .arg(id, step, ErrorCodeHex(r.errorCode),
                                          r.errorText.isEmpty() ? QString() : QStringLiteral(" (") + r.errorText + ')');
            out.text(text);
            failures << text;
            errors.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("step"), step},
                                      {QStringLiteral("receiver_code"), r.errorCode},
                                      {QStringLiteral("error"), r.errorText}});
            exitCode = Exit::ReceiverError;
            return true;
        }
        if (r.kind != RequestResult::NoReply && r.kind != RequestResult::NotSent)
            return true;
        const ResultFailure f = FailureOf(r, o.zelkId, o.port);
        exitCode = f.exitCode;
        stopMessage = f.message;
        return false;
    }
    bool interrupted()
    {
        if (!InterruptRequested())
            return false;
        exitCode = Exit::Interrupted;
        stopMessage = QStringLiteral("interrupted");
        return true;
    }
    int finish(QJsonObject doc, const QString& doneText)
    {
        out.endProgress();
        if (!doneText.isEmpty())
            out.text(doneText);
        if (!errors.isEmpty())
            doc.insert(QStringLiteral("errors"), errors);
        if (exitCode == Exit::Done) {
            out.document(doc);
            return Exit::Done;
        }
        QString message = stopMessage;
        if (message.isEmpty())
            message = failures.join(QStringLiteral("; "));
        return out.fail(exitCode, message, doc);
    }
};

struct Mismatch {
    QString id, file, receiver;
};

QJsonArray MismatchJson(const QList<Mismatch>& list)
{
    QJsonArray a;
    for (const Mismatch& m : list)
        a.append(QJsonObject{{QStringLiteral("id"), m.id}, {QStringLiteral("file"), m.file},
                             {QStringLiteral("receiver"), m.receiver}});
    return a;
}

}  // namespace

bool LoadProgramFile(const CliOptions& o, std::vector<ProgramRow>* rows, QString* error)
{
    const QString& path = o.args.value(0);
    QByteArray bytes;
    QString why;
    if (!MeterListFile::ReadMeterListFile(path, &bytes, &why)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return false;
    }
    const MeterListFile::ParsedMeterList parsed =
        MeterListFile::ParseMeterList(MeterListFile::DecodeMeterListBytes(bytes), o.separator);
    auto bad = [&](int line, const QString& what) {
        *error = QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(what);
        return false;
    };
    if (parsed.outcome == MeterListFile::ImportOutcome::TooManyData)
        return bad(int(parsed.rows.size()), QStringLiteral("too many fields (at most 9 separators)"));
    static const QRegularExpression id8(QStringLiteral("^[0-9]{8}$"));
    static const QRegularExpression key32(QStringLiteral("^[0-9A-Fa-f]{32}$"));
    QHash<QString, int> seen;
    const QStringList media = MediumBoxNames();
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const MeterTable::Row& r = parsed.rows[i];
        const int line = int(i) + 1;
        const QString id = r[MeterTable::ColSerial].trimmed();
        if (id.isEmpty() || id == kEmptySlot)
            continue;
        if (!id8.match(id).hasMatch())
            return bad(line, QStringLiteral("meter ID must be 8 digits: ") + id);
        if (seen.contains(id))
            return bad(line, QStringLiteral("meter ID %1 also on line %2").arg(id).arg(seen[id]));
        seen.insert(id, line);
        ProgramRow row{line, id, {}, {}};
        if (o.keys && !r[MeterTable::ColKey].isEmpty()) {
            if (!key32.match(r[MeterTable::ColKey]).hasMatch())
                return bad(line, QStringLiteral("key must be 32 hex digits: ") + r[MeterTable::ColKey]);
            row.key = r[MeterTable::ColKey].toUpper();
        }
        if (o.media && !r[MeterTable::ColMedium].isEmpty()) {
            if (!media.contains(r[MeterTable::ColMedium]))
                return bad(line, QStringLiteral("medium is not one of the medium box's names: ")
                                     + r[MeterTable::ColMedium]);
            row.medium = r[MeterTable::ColMedium];
        }
        rows->push_back(row);
    }
    return true;
}

int RunProgram(const CliOptions& o, const std::vector<ProgramRow>& rows, RequestEngine& e, CliOutput& out)
{
    Run run(out);
    int total = 0;
    for (const ProgramRow& r : rows)
        total += 1 + (r.key.isEmpty() ? 0 : 1) + (r.medium.isEmpty() ? 0 : 1) + (o.verify && !r.key.isEmpty());
    total += o.verify ? 1 : 0;  // the list read back
    int step = 0;
    auto advance = [&](const QString& what) { out.progress(++step, total, what); };

    QStringList programmed;
    bool stopped = false;
    for (const ProgramRow& row : rows) {
        if ((stopped = run.interrupted()))
            break;
        RequestResult r = e.addMeter(row.id);
        advance(row.id);
        if ((stopped = !run.accept(r, row.id, QStringLiteral("add"), o)))
            break;
        // A meter the receiver already holds still gets its key and medium.
        const bool held = r.kind == RequestResult::Status || r.errorCode == 0x15;
        if (!held)
            continue;
        QStringList done{r.kind == RequestResult::Status ? QStringLiteral("added") : QStringLiteral("already held")};
        if (r.kind == RequestResult::Status)
            programmed << row.id;
        if (!row.key.isEmpty() && !(stopped = run.interrupted())) {
            r = e.setMeterKey(row.id, row.key);
            advance(row.id);
            if ((stopped = !run.accept(r, row.id, QStringLiteral("set-key"), o)))
                break;
            if (r.kind == RequestResult::Status)
                done << QStringLiteral("key set");
        }
        if (!row.medium.isEmpty() && !stopped && !(stopped = run.interrupted())) {
            r = e.setMeterMedium(row.id, row.medium);
            advance(row.id);
            if ((stopped = !run.accept(r, row.id, QStringLiteral("set-medium"), o)))
                break;
            if (r.kind == RequestResult::Status)
                done << QStringLiteral("medium set");
        }
        out.text(row.id + QStringLiteral(": ") + done.join(QStringLiteral(", ")));
        if (stopped)
            break;
    }

    QJsonObject doc{{QStringLiteral("programmed"), QJsonArray::fromStringList(programmed)}};
    const QString summary = QStringLiteral("%1 of %2 meters programmed").arg(programmed.size()).arg(rows.size());
    if (stopped || !o.verify)
        return run.finish(doc, summary);

    // Verification: the list, then each key that was to be set.
    const RequestResult list = e.readMeterList();
    advance(QStringLiteral("verify"));
    if (!run.accept(list, e.zelkId(), QStringLiteral("list"), o) || list.kind != RequestResult::MeterList)
        return run.finish(doc, summary);
    QHash<QString, QString> held;  // ID -> medium name read back
    for (const MeterTable::Row& r : list.rows)
        held.insert(r[MeterTable::ColSerial], r[MeterTable::ColMedium]);
    QStringList missing;
    QList<Mismatch> keyDiff, mediumDiff;
    for (const ProgramRow& row : rows) {
        if (!held.contains(row.id)) {
            missing << row.id;
            continue;
        }
        // The list names a code by the receiver's own table, not the box's.
        const QString expected = MediumNameFromCode(std::uint8_t(MediumCodeFromName(row.medium)));
        if (!row.medium.isEmpty() && held[row.id] != expected)
            mediumDiff.append({row.id, row.medium, held[row.id]});
        if (row.key.isEmpty())
            continue;
        if ((stopped = run.interrupted()))
            break;
        const RequestResult k = e.readMeterKey(row.id);
        advance(row.id);
        if (k.kind == RequestResult::NoReply || k.kind == RequestResult::NotSent) {
            run.accept(k, row.id, QStringLiteral("read-key"), o);
            stopped = true;
            break;
        }
        if (k.kind != RequestResult::Key || k.key != row.key)
            keyDiff.append({row.id, row.key,
                            k.kind == RequestResult::Key ? k.key
                                                         : QStringLiteral("not readable (error 0x%1)")
                                                               .arg(ErrorCodeHex(k.errorCode))});
    }
    doc.insert(QStringLiteral("missing"), QJsonArray::fromStringList(missing));
    doc.insert(QStringLiteral("key_mismatch"), MismatchJson(keyDiff));
    doc.insert(QStringLiteral("medium_mismatch"), MismatchJson(mediumDiff));
    if (stopped)
        return run.finish(doc, summary);

    QStringList differences;
    for (const QString& id : missing)
        differences << id + QStringLiteral(" is missing from the receiver's list");
    for (const Mismatch& m : keyDiff)
        differences << QStringLiteral("%1 has key %2, file has %3").arg(m.id, m.receiver, m.file);
    for (const Mismatch& m : mediumDiff)
        differences << QStringLiteral("%1 has medium %2, file has %3").arg(m.id, m.receiver, m.file);
    for (const QString& d : differences)
        out.text(d);
    if (!differences.isEmpty()) {
        run.exitCode = Exit::ReceiverError;
        run.failures << QStringLiteral("verification failed: ") + differences.join(QStringLiteral("; "));
    }
    return run.finish(doc, summary + (differences.isEmpty() ? QStringLiteral(", verified") : QString()));
}

int RunClear(const CliOptions& o, RequestEngine& e, CliOutput& out)
{
    Run run(out);
    const RequestResult list = e.readMeterList();
    if (!run.accept(list, e.zelkId(), QStringLiteral("list"), o) || list.kind != RequestResult::MeterList)
        return run.finish({{QStringLiteral("deleted"), QJsonArray()}}, QString());
    QStringList ids;
    for (const MeterTable::Row& r : list.rows)
        if (r[MeterTable::ColSerial] != kEmptySlot)
            ids << r[MeterTable::ColSerial];
    QStringList deleted;
    for (int i = 0; i < ids.size(); ++i) {
        const QString& id = ids[i];
        if (run.interrupted())
            break;
        const RequestResult r = e.deleteMeter(id);
        out.progress(i + 1, int(ids.size()), id);
        if (!run.accept(r, id, QStringLiteral("delete"), o))
            break;
        if (r.kind == RequestResult::Status) {
            deleted << id;
            out.text(id + QStringLiteral(": deleted"));
        }
    }
    return run.finish({{QStringLiteral("deleted"), QJsonArray::fromStringList(deleted)}},
                      QStringLiteral("%1 of %2 meter IDs deleted").arg(deleted.size()).arg(ids.size()));
}

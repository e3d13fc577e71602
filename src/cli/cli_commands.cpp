#include "cli/cli_commands.h"

#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"
#include "serial/vacomm.h"
#include "table/meter_list_file.h"

#include <QJsonArray>
#include <QJsonObject>

#include <csignal>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

int RunPorts(CliOutput& out)
{
    const QStringList ports = PortNameList();
    for (const QString& p : ports)
        out.text(p);
    out.document({{QStringLiteral("ports"), QJsonArray::fromStringList(ports)}});
    return Exit::Done;
}

QJsonValue NotesValue(const QString& notes)
{
    bool ok = false;
    const int v = notes.toInt(&ok);
    return ok ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

int RunList(const CliOptions& o, RequestEngine& engine, CliOutput& out)
{
    const RequestResult r = engine.readMeterList();
    if (r.kind != RequestResult::MeterList) {
        const ResultFailure f = FailureOf(r, o.zelkId, o.port);
        return out.fail(f.exitCode, f.message);
    }
    MeterTable table;
    table.replaceDataRows(r.rows);
    const QByteArray bytes = MeterListFile::SerialiseMeterList(table, o.separator);
    if (!o.outFile.isEmpty()) {
        QString error;
        if (!MeterListFile::WriteMeterListFile(o.outFile, bytes, &error))
            return out.fail(Exit::Usage, QStringLiteral("cannot write %1: %2").arg(o.outFile, error));
        out.text(QStringLiteral("Meter list written to %1 (%2 rows)").arg(o.outFile).arg(r.rows.size()));
    } else if (!out.json()) {
        out.raw(bytes);
    }
    QJsonArray meters;
    for (const MeterTable::Row& row : r.rows)
        meters.append(QJsonObject{{QStringLiteral("slot"), row[MeterTable::ColNumber].toInt()},
                                  {QStringLiteral("id"), row[MeterTable::ColSerial]},
                                  {QStringLiteral("medium"), row[MeterTable::ColMedium]},
                                  {QStringLiteral("value"), NotesValue(row[MeterTable::ColNotes])}});
    out.document({{QStringLiteral("meters"), meters}});
    return Exit::Done;
}

// The commands that send one telegram and expect one reply.
int RunSingle(const CliOptions& o, RequestEngine& e, CliOutput& out)
{
    const QString& c = o.command;
    const QStringList& a = o.args;
    RequestResult r;
    RequestResult::Kind expected = RequestResult::Status;
    if (c == QLatin1String("status"))
        r = e.readStatus();
    else if (c == QLatin1String("add"))
        r = e.addMeter(a[0]);
    else if (c == QLatin1String("delete"))
        r = e.deleteMeter(a[0]);
    else if (c == QLatin1String("set-key"))
        r = e.setMeterKey(a[0], a[1]);
    else if (c == QLatin1String("read-key")) {
        expected = RequestResult::Key;
        r = e.readMeterKey(a[0]);
    } else if (c == QLatin1String("set-medium"))
        r = e.setMeterMedium(a[0], a[1]);
    else if (c == QLatin1String("set-id"))
        r = e.setReceiverId(a[0]);
    else if (c == QLatin1String("mode"))
        r = e.setWirelessMode(a[0]);
    else if (c == QLatin1String("clock"))
        r = e.clockAdjust(a[0], a.value(1) != QLatin1String("off"));
    else if (c == QLatin1String("flag"))
        r = e.setReceiverFlag(a[0], a[1] == QLatin1String("on"));
    else if (c == QLatin1String("reset"))
        r = e.masterReset();

    if (r.kind != expected) {
        ResultFailure f = FailureOf(r, o.zelkId, o.port);
        if (f.exitCode == Exit::Done)
            f = {Exit::ReceiverError, QStringLiteral("the receiver answered without a key")};
        QJsonObject extra;
        if (r.kind == RequestResult::Error)
            extra.insert(QStringLiteral("receiver_code"), r.errorCode);
        return out.fail(f.exitCode, f.message, extra);
    }
    QJsonObject doc{{QStringLiteral("command"), c}};
    if (!a.isEmpty() && c != QLatin1String("mode") && c != QLatin1String("clock") && c != QLatin1String("flag"))
        doc.insert(QStringLiteral("id"), a[0]);
    if (expected == RequestResult::Key) {
        out.text(r.key);
        doc.insert(QStringLiteral("key"), r.key);
        out.document(doc);
        return Exit::Done;
    }
    if (c == QLatin1String("status")) {
        out.document(StatusJson(e.zelkId(), r));
        return Exit::Done;
    }
    doc.insert(QStringLiteral("status"), StatusJson(e.zelkId(), r));
    out.document(doc);
    return Exit::Done;
}

}  // namespace

void InstallInterruptHandler()
{
    std::signal(SIGINT, OnInterrupt);
}

bool InterruptRequested()
{
    return g_interrupted != 0;
}

int RunCommand(const CliOptions& o, CliOutput& out)
{
    if (o.command == QLatin1String("ports"))
        return RunPorts(out);

    // Everything that can be checked without the receiver is checked before
    // the port is opened.
    std::vector<ProgramRow> rows;
    if (o.command == QLatin1String("program")) {
        QString error;
        if (!LoadProgramFile(o, &rows, &error))
            return out.fail(Exit::Usage, error);
    }
    if (o.command == QLatin1String("list") && o.outFile.isEmpty())
        out.setMessages(CliOutput::Messages::Stderr);
    if (o.command == QLatin1String("program") || o.command == QLatin1String("clear"))
        out.setMessages(CliOutput::Messages::VerboseOnly);

    CliSession session(o, out);
    const int opened = session.open();
    if (opened != Exit::Done)
        return opened;
    RequestEngine& engine = session.engine();
    int rc;
    if (o.command == QLatin1String("list"))
        rc = RunList(o, engine, out);
    else if (o.command == QLatin1String("program"))
        rc = RunProgram(o, rows, engine, out);
    else if (o.command == QLatin1String("clear"))
        rc = RunClear(o, engine, out);
    else
        rc = RunSingle(o, engine, out);
    if (rc == Exit::Done && InterruptRequested())
        rc = Exit::Interrupted;
    return rc;
}

#include "cli/cli_commands.h"

#include "cli/cli_keys.h"
#include "cli/cli_output.h"
#include "cli/cli_ports.h"
#include "cli/cli_session.h"
#include "operations/request_engine.h"
#include "table/meter_list_file.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
int g_wakePipe[2] = {-1, -1};  // written by the handler, watched by the event loop

extern "C" void OnInterrupt(int)
{
    const int saved = errno;
    g_interrupted = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_wakePipe[1], "i", 1);
    errno = saved;
}

int RunPorts(const CliOptions& o, CliOutput& out)
{
    QJsonArray list;
    for (const PortEntry& p : PresentPorts(QStringLiteral("/dev"), QStringLiteral("/sys/class/tty"), o.all)) {
        out.text(p.problem.isEmpty() ? p.name : QStringLiteral("%1 (%2)").arg(p.name, p.problem));
        list.append(QJsonObject{{QStringLiteral("name"), p.name},
                                {QStringLiteral("device"), p.device},
                                {QStringLiteral("usable"), p.problem.isEmpty()},
                                {QStringLiteral("problem"), p.problem.isEmpty() ? QJsonValue() : p.problem}});
    }
    out.result({{QStringLiteral("ports"), list}});
    return Exit::Done;
}

QJsonObject ListJson(const RequestResult& r, const QString& zelkId)
{
    QJsonArray meters;
    for (const MeterTable::Row& row : r.rows) {
        bool ok = false;
        const int value = row[MeterTable::ColNotes].toInt(&ok);
        meters.append(QJsonObject{{QStringLiteral("slot"), row[MeterTable::ColNumber].toInt()},
                                  {QStringLiteral("id"), row[MeterTable::ColSerial]},
                                  {QStringLiteral("medium"), row[MeterTable::ColMedium]},
                                  {QStringLiteral("value"), ok ? QJsonValue(value) : QJsonValue()},
                                  {QStringLiteral("empty"), row[MeterTable::ColSerial] == MeterTable::kEmptySlotId}});
    }
    return {{QStringLiteral("zelk_id"), zelkId},
            {QStringLiteral("complete"), r.complete},
            {QStringLiteral("meters"), meters}};
}

int RunList(const CliOptions& o, RequestEngine& engine, CliOutput& out)
{
    const RequestResult r = engine.readMeterList();
    if (r.kind != RequestResult::MeterList) {
        const ResultFailure f = FailureOf(r, o, engine.telegramsSent());
        return out.fail(f.exitCode, f.message, {}, ErrorFields(r));
    }
    QJsonObject doc = ListJson(r, o.zelkId);
    MeterTable table;
    table.replaceDataRows(r.rows);
    const QByteArray bytes = MeterListFile::SerialiseMeterList(table, o.separator);
    if (!o.outFile.isEmpty()) {
        QString error;
        if (!MeterListFile::WriteMeterListFile(o.outFile, bytes, &error, MeterListFile::HoldsKeys(table)))
            return out.fail(Exit::Failed, QStringLiteral("cannot write %1: %2").arg(o.outFile, error), doc);
        doc.insert(QStringLiteral("file"), o.outFile);
        out.text(QStringLiteral("Meter list written to %1 (%2 rows)").arg(o.outFile).arg(r.rows.size()));
    } else {
        out.raw(bytes);
    }
    if (r.complete) {
        out.result(doc);
        return Exit::Done;
    }
    // The rows of the first telegram stand; only the values are missing.
    return out.fail(Exit::NoReply,
                    QStringLiteral("the receiver sent the meter list but not the values that follow "
                                   "it; the rows are shown without them"),
                    doc);
}

// The commands that send one telegram and expect one reply: the call, and
// the fields that name what was asked.
RequestResult CallSingle(const CliOptions& o, RequestEngine& e, QJsonObject* fields)
{
    const QString& c = o.command;
    const QStringList& a = o.args;
    auto field = [fields](const char* name, const QJsonValue& v) { fields->insert(QLatin1String(name), v); };
    if (c == QLatin1String("status"))
        return e.readStatus();
    if (c == QLatin1String("set-id")) {
        field("new_zelk_id", a[0]);
        return e.setReceiverId(a[0]);
    }
    if (c == QLatin1String("mode")) {
        field("wireless_mode", a[0]);
        return e.setWirelessMode(a[0]);
    }
    if (c == QLatin1String("clock")) {
        field("clock", a[0].toInt());
        field("clock_on", a.value(1) != QLatin1String("off"));
        return e.clockAdjust(a[0], a.value(1) != QLatin1String("off"));
    }
    if (c == QLatin1String("flag")) {
        field("flag", a[0]);
        field("flag_on", a[1] == QLatin1String("on"));
        return e.setReceiverFlag(a[0], a[1] == QLatin1String("on"));
    }
    if (c == QLatin1String("reset"))
        return e.masterReset();
    field("meter_id", a[0]);
    if (c == QLatin1String("add"))
        return e.addMeter(a[0]);
    if (c == QLatin1String("delete"))
        return e.deleteMeter(a[0]);
    if (c == QLatin1String("set-key"))
        return e.setMeterKey(a[0], a[1]);
    if (c == QLatin1String("read-key"))
        return e.readMeterKey(a[0]);
    field("medium", a[1]);
    return e.setMeterMedium(a[0], a[1]);
}

int RunSingle(const CliOptions& o, RequestEngine& e, CliOutput& out)
{
    QJsonObject fields{{QStringLiteral("zelk_id"), o.zelkId}};
    const RequestResult r = CallSingle(o, e, &fields);
    const bool keyRead = o.command == QLatin1String("read-key");
    if (r.kind != (keyRead ? RequestResult::Key : RequestResult::Status)) {
        ResultFailure f = FailureOf(r, o, e.telegramsSent());
        if (f.exitCode == Exit::Done)
            f = {Exit::Failed, QStringLiteral("the receiver answered without a key")};
        return out.fail(f.exitCode, f.message, fields, ErrorFields(r));
    }
    if (keyRead) {
        out.text(r.key);
        fields.insert(QStringLiteral("key"), r.key);
    } else {
        for (const QString& line : r.lines)
            out.text(line);
        const QJsonObject status = StatusJson(o.zelkId, r);
        for (auto it = status.begin(); it != status.end(); ++it)
            fields.insert(it.key(), it.value());
    }
    out.result(fields);
    return Exit::Done;
}

}  // namespace

void InstallInterruptHandler()
{
    if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_wakePipe[0] = g_wakePipe[1] = -1;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sa.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the program at once
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
}

bool InterruptRequested()
{
    return g_interrupted != 0;
}

int InterruptWakeDescriptor()
{
    return g_wakePipe[0];
}

int RunCommand(const CliOptions& o, CliOutput& out)
{
    if (o.command == QLatin1String("ports"))
        return RunPorts(o, out);
    if (o.command == QLatin1String("keys"))
        return RunKeys(o, out);

    // Everything that can be checked without the receiver is checked before
    // the port is opened.
    std::vector<ProgramRow> rows;
    QString error;
    const bool program = o.command == QLatin1String("program");
    if (program && !LoadProgramInput(o, out, &rows, &error))
        return out.fail(Exit::Usage, error);

    CliSession session(o, out);
    RequestEngine& engine = session.engine();
    // Commands that change the receiver step by step finish the exchange in
    // flight; every other one stops waiting at once.
    const bool stepwise = (program && !o.dryRun) || o.command == QLatin1String("clear");
    // A Ctrl+C that came before is still in the pipe.
    std::unique_ptr<QSocketNotifier> wake;
    if (!stepwise) {
        wake = std::make_unique<QSocketNotifier>(InterruptWakeDescriptor(), QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, &engine, [&engine] {
            char byte;
            while (::read(InterruptWakeDescriptor(), &byte, 1) == 1) {
            }
            engine.abort();
        });
    }
    const int opened = session.open();
    if (opened != Exit::Done)
        return opened;
    if (o.command == QLatin1String("list"))
        return RunList(o, engine, out);
    if (program)
        return RunProgram(o, rows, engine, out);
    if (o.command == QLatin1String("clear"))
        return RunClear(o, engine, out);
    return RunSingle(o, engine, out);
}

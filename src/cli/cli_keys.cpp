#include "cli/cli_keys.h"

#include "cli/cli_output.h"
#include "protocol/key_file.h"
#include "table/meter_list_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// A line typed on the terminal without echo; the prompt goes to standard error.
QByteArray PromptPassword(const QString& path)
{
    std::fputs(QStringLiteral("Password for %1: ").arg(path).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = ::tcgetattr(0, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(0, TCSAFLUSH, &quiet);
    }
    QByteArray line(256, '\0');
    const bool read = std::fgets(line.data(), int(line.size()), stdin) != nullptr;
    if (terminal)
        ::tcsetattr(0, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    QByteArray password = read ? QByteArray(line.constData()) : QByteArray();
    KeyFile::Wipe(line);
    return password;
}

// The password for an encrypted key file; false with the reason in *error.
bool Password(const CliOptions& o, const QString& path, QByteArray* password, QString* error)
{
    if (!o.passwordFile.isEmpty()) {
        QFile file(o.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(o.passwordFile, file.errorString());
            return false;
        }
        *password = file.readLine(1024);
    } else if (qEnvironmentVariableIsSet("ZELK_KEY_PASSWORD")) {
        *password = qgetenv("ZELK_KEY_PASSWORD");
    } else if (::isatty(0) == 1) {
        *password = PromptPassword(path);
    } else {
        *error = QStringLiteral("%1 is encrypted: give its password with --password-file FILE or in "
                                "ZELK_KEY_PASSWORD")
                     .arg(path);
        return false;
    }
    while (password->endsWith('\n') || password->endsWith('\r'))
        password->chop(1);
    return true;
}

// Reads a key file, asking for the password when it is encrypted. False
// with the reason in *error (the file is refused).
bool ReadKeys(const CliOptions& o, const QString& path, KeyFile::Result* r, QString* error)
{
    KeyFile::Options options;
    options.separator = o.separator;
    *r = KeyFile::ReadFile(path, options);
    if (r->status == KeyFile::Status::PasswordNeeded) {
        if (!Password(o, path, &options.password, error))
            return false;
        *r = KeyFile::ReadFile(path, options);
        KeyFile::Wipe(options.password);
    }
    if (r->status != KeyFile::Status::Read) {
        *error = QStringLiteral("%1: %2").arg(path, r->message);
        return false;
    }
    return true;
}

void NoticeSkipped(const KeyFile::Result& r, const QString& path, CliOutput& out)
{
    for (const KeyFile::Skipped& s : r.skipped)
        out.notice(QStringLiteral("%1, %2: skipped: %3").arg(path, s.where, s.reason));
}

}  // namespace

int RunKeys(const CliOptions& o, CliOutput& out)
{
    const QString& path = o.args.value(0);
    KeyFile::Result r;
    QString error;
    if (!ReadKeys(o, path, &r, &error))
        return out.fail(Exit::Usage, error);
    NoticeSkipped(r, path, out);
    MeterTable table;
    std::vector<MeterTable::Row> rows;
    QJsonArray meters, skipped;
    for (const KeyFile::Meter& m : r.meters) {
        // A consumption type without a box name stays readable in the notes.
        rows.push_back(
            {QString::number(rows.size() + 1), m.id, m.medium, m.key, m.medium.isEmpty() ? m.fileMedium : QString()});
        meters.append(QJsonObject{
            {QStringLiteral("id"), m.id}, {QStringLiteral("medium"), m.medium}, {QStringLiteral("key"), m.key}});
    }
    for (const KeyFile::Skipped& s : r.skipped)
        skipped.append(QJsonObject{{QStringLiteral("where"), s.where}, {QStringLiteral("reason"), s.reason}});
    table.replaceDataRows(std::move(rows));
    const QByteArray bytes = r.meters.empty() ? QByteArray() : MeterListFile::SerialiseMeterList(table, o.separator);
    QJsonObject doc{{QStringLiteral("meters"), meters}, {QStringLiteral("skipped"), skipped}};
    if (o.outFile.isEmpty()) {
        out.raw(bytes);
    } else {
        // A file of keys is private, whatever it replaces.
        if (!MeterListFile::WriteMeterListFile(o.outFile, bytes, &error, true))
            return out.fail(Exit::Failed, QStringLiteral("cannot write %1: %2").arg(o.outFile, error));
        out.text(QStringLiteral("Keys of %1 meters written to %2").arg(r.meters.size()).arg(o.outFile));
    }
    out.result(doc);
    return Exit::Done;
}

bool LoadProgramInput(const CliOptions& o, CliOutput& out, std::vector<ProgramRow>* rows, QString* error)
{
    const QString& path = o.args.value(0);
    const std::optional<KeyFile::Kind> kind = KeyFile::DetectFileKind(path, o.separator);
    if (!kind || *kind == KeyFile::Kind::MeterList)
        return LoadProgramFile(o, rows, error);
    KeyFile::Result r;
    const bool read = ReadKeys(o, path, &r, error);
    // Text that gives no meter at all is more often a meter list file gone
    // wrong (another separator, a missing field) than a key list: the meter
    // list reader names the line and the separator the file seems to use.
    if (*kind == KeyFile::Kind::KeyList && r.meters.empty()) {
        error->clear();
        return LoadProgramFile(o, rows, error);
    }
    if (!read)
        return false;
    if (r.meters.empty()) {
        *error = QStringLiteral("%1 lists no meter ID; nothing was sent").arg(path);
        return false;
    }
    NoticeSkipped(r, path, out);
    int line = 0;
    for (const KeyFile::Meter& m : r.meters)
        rows->push_back({++line, m.id, o.media ? m.medium : QString(), o.keys ? m.key : QString()});
    return true;
}

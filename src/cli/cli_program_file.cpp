// program's meter list file: read with the window's hardened reader, then
// checked row by row before anything is sent.
#include "cli/cli_program_plan.h"

#include "protocol/identifier.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"
#include "table/meter_list_reader.h"

namespace {

// One line naming the file and why it is not read.
QString Refusal(const QString& path, const MeterListFile::LoadResult& r)
{
    using MeterListFile::LoadStatus;
    switch (r.status) {
    case LoadStatus::NotRegular: return QStringLiteral("%1 is %2, not a meter list file").arg(path, r.reason);
    case LoadStatus::TooLarge:
        return QStringLiteral("%1 is larger than a meter list file can be (%2 MiB at most)")
            .arg(path)
            .arg(MeterListFile::kMaxFileBytes >> 20);
    default: return QStringLiteral("cannot read %1: %2").arg(path, r.reason);
    }
}

// Why a line gives no meter ID, with the separator its file seems to use
// when the line holds none of the one given.
QString NoMeterId(const QString& separator, QChar likely)
{
    if (likely.isNull())
        return QStringLiteral("no meter ID in the second field");
    const bool tab = likely == u'\t';
    const QString name = tab ? QStringLiteral("a tab") : QStringLiteral("'%1'").arg(likely);
    return QStringLiteral("no meter ID: the line holds no '%1' but %2; the file seems to use %2 as separator "
                          "(give it with --separator %3)")
        .arg(separator, name, tab ? QStringLiteral("$'\\t'") : QStringLiteral("'%1'").arg(likely));
}

}  // namespace

bool LoadProgramFile(const CliOptions& o, std::vector<ProgramRow>* rows, QString* error)
{
    const QString& path = o.args.value(0);
    // Files of other tools may leave the separator off the last cell.
    const MeterListFile::LoadResult loaded = MeterListFile::LoadMeterListFile(
        path, o.separator, nullptr, MeterListFile::kMaxFileBytes, MeterListFile::LastField::Read);
    if (loaded.status != MeterListFile::LoadStatus::Loaded) {
        *error = Refusal(path, loaded);
        return false;
    }
    const MeterListFile::ParsedMeterList& parsed = loaded.parsed;
    auto bad = [&](int line, const QString& what) {
        *error = QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(what);
        return false;
    };
    QHash<QString, int> seen;
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const MeterTable::Row& r = parsed.rows[i];
        const int line = int(i) + 1;
        const QString id = r[MeterTable::ColSerial].trimmed();
        // A line misread (another separator) must never pass for an empty
        // row: with --exact that would delete the meters it lists.
        if (line == parsed.firstLineWithoutId)
            return bad(line, NoMeterId(o.separator, parsed.likelySeparator));
        if (id.isEmpty() || id == MeterTable::kEmptySlotId)
            continue;
        if (!IsIdentifierText(id))
            return bad(line, QStringLiteral("meter ID must be 8 digits: ") + id);
        if (seen.contains(id))
            return bad(line, QStringLiteral("meter ID %1 also on line %2").arg(id).arg(seen[id]));
        seen.insert(id, line);
        ProgramRow row{line, id, {}, {}};
        if (o.keys && !r[MeterTable::ColKey].isEmpty()) {
            if (!IsKeyText(r[MeterTable::ColKey]))
                return bad(line, QStringLiteral("key must be 32 hex digits: ") + r[MeterTable::ColKey]);
            row.key = r[MeterTable::ColKey].toUpper();
        }
        if (o.media && !r[MeterTable::ColMedium].isEmpty()) {
            row.medium = MediumTableName(r[MeterTable::ColMedium]);
            if (row.medium.isEmpty())
                return bad(line,
                           QStringLiteral("medium is not a name of the medium box or of the receiver's list: ")
                               + r[MeterTable::ColMedium]);
        }
        rows->push_back(row);
    }
    if (parsed.outcome == MeterListFile::ImportOutcome::TooManyData)
        return bad(int(parsed.rows.size()), QStringLiteral("too many fields (at most 9 separators)"));
    if (rows->empty()) {
        *error = QStringLiteral("%1 lists no meter ID; nothing was sent").arg(path);
        return false;
    }
    return true;
}

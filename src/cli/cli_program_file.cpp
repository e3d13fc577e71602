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

}  // namespace

bool LoadProgramFile(const CliOptions& o, std::vector<ProgramRow>* rows, QString* error)
{
    const QString& path = o.args.value(0);
    const MeterListFile::LoadResult loaded = MeterListFile::LoadMeterListFile(path, o.separator);
    if (loaded.status != MeterListFile::LoadStatus::Loaded) {
        *error = Refusal(path, loaded);
        return false;
    }
    const MeterListFile::ParsedMeterList& parsed = loaded.parsed;
    auto bad = [&](int line, const QString& what) {
        *error = QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(what);
        return false;
    };
    if (parsed.outcome == MeterListFile::ImportOutcome::TooManyData)
        return bad(int(parsed.rows.size()), QStringLiteral("too many fields (at most 9 separators)"));
    QHash<QString, int> seen;
    const QStringList media = MediumBoxNames();
    for (std::size_t i = 0; i < parsed.rows.size(); ++i) {
        const MeterTable::Row& r = parsed.rows[i];
        const int line = int(i) + 1;
        const QString id = r[MeterTable::ColSerial].trimmed();
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
            if (!media.contains(r[MeterTable::ColMedium]))
                return bad(line,
                           QStringLiteral("medium is not one of the medium box's names: ") + r[MeterTable::ColMedium]);
            row.medium = r[MeterTable::ColMedium];
        }
        rows->push_back(row);
    }
    return true;
}

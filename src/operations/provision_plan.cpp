#include "operations/provision_plan.h"

#include "protocol/identifier.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"

#include <QSet>

int ProgramPlan::changes() const
{
    int n = 0;
    for (const MeterStep& s : steps)
        n += s.changes();
    return n;
}

int ProgramPlan::deletes() const
{
    int n = 0;
    for (const MeterStep& s : steps)
        n += int(s.remove);
    return n;
}

bool MediumDiffers(const QString& wanted, const QString& heldName)
{
    // The list names a code by the receiver's own table, not the box's.
    return !wanted.isEmpty() && heldName != MediumNameFromCode(std::uint8_t(MediumCodeFromAnyName(wanted)));
}

DeleteVerdict CheckDeletes(int wanted, int deletes, bool force)
{
    if (wanted == 0)
        return DeleteVerdict::NothingWanted;
    if (deletes > wanted && !force)
        return DeleteVerdict::MoreThanWanted;
    return DeleteVerdict::Allowed;
}

std::vector<ProgramRow> WantedMeters(const MeterTable& table, bool keys)
{
    std::vector<ProgramRow> rows;
    QSet<QString> seen;
    const QStringList media = MediumBoxNames();
    for (int r = 1; r < table.rowCount(); ++r) {
        const QString id = table.cell(MeterTable::ColSerial, r).trimmed();
        if (!IsIdentifierText(id) || id == MeterTable::kEmptySlotId || seen.contains(id))
            continue;
        seen.insert(id);
        const QString key = table.cell(MeterTable::ColKey, r).trimmed().toUpper();
        // Only a medium the box offers has a code to send.
        QString medium = table.cell(MeterTable::ColMedium, r).trimmed();
        if (!media.contains(medium))
            medium.clear();
        rows.push_back({r, id, medium, keys && IsKeyText(key) ? key : QString()});
    }
    return rows;
}

ProgramPlan PlanProgram(const std::vector<ProgramRow>& rows, const std::vector<MeterTable::Row>& held,
                        const QHash<QString, QString>& keys, bool exact)
{
    QHash<QString, QString> heldMedium;  // meter ID -> medium name the list shows
    for (const MeterTable::Row& r : held)
        heldMedium.insert(r[MeterTable::ColSerial], r[MeterTable::ColMedium]);
    QSet<QString> inFile;
    for (const ProgramRow& row : rows)
        inFile.insert(row.id);

    ProgramPlan plan;
    for (const MeterTable::Row& r : held) {
        const QString& id = r[MeterTable::ColSerial];
        if (!exact || id == MeterTable::kEmptySlotId || inFile.contains(id))
            continue;
        MeterStep s;
        s.id = id;
        s.remove = true;
        s.heldMedium = r[MeterTable::ColMedium];
        plan.steps.push_back(s);
    }
    for (const ProgramRow& row : rows) {
        MeterStep s;
        s.id = row.id;
        s.fileKey = row.key;
        s.fileMedium = row.medium;
        s.add = !heldMedium.contains(row.id);
        s.heldMedium = heldMedium.value(row.id);
        s.heldKey = keys.value(row.id, QStringLiteral("not read"));
        s.setKey = !row.key.isEmpty() && s.heldKey != row.key;
        s.setMedium = MediumDiffers(row.medium, s.heldMedium);
        plan.steps.push_back(s);
    }
    return plan;
}

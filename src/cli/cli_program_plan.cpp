#include "cli/cli_program_plan.h"

#include "protocol/medium.h"

#include <QSet>

int ProgramPlan::changes() const
{
    int n = 0;
    for (const MeterStep& s : steps)
        n += s.changes();
    return n;
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
        // The list names a code by the receiver's own table, not the box's.
        const QString expected = MediumNameFromCode(std::uint8_t(MediumCodeFromAnyName(row.medium)));
        s.setMedium = !row.medium.isEmpty() && s.heldMedium != expected;
        plan.steps.push_back(s);
    }
    return plan;
}

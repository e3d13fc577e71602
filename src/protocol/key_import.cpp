#include "protocol/key_import.h"

#include <QHash>

namespace KeyImport {

namespace {

// Meter ID -> the first data row that holds it.
QHash<QString, int> RowsById(const MeterTable& table)
{
    QHash<QString, int> rows;
    for (int row = table.rowCount() - 1; row >= 1; --row)
        rows.insert(table.cell(MeterTable::ColSerial, row).trimmed(), row);
    return rows;
}

bool IsEmptyTable(const MeterTable& table)
{
    if (table.rowCount() != 2)
        return false;
    for (int col = 0; col < MeterTable::kColumns; ++col)
        if (!table.cell(col, 1).isEmpty())
            return false;
    return true;
}

void FillEmptyMedium(MeterTable& table, int row, const QString& medium)
{
    if (!medium.isEmpty() && table.cell(MeterTable::ColMedium, row).isEmpty())
        table.setCell(MeterTable::ColMedium, row, medium);
}

// Appends a row for `m` numbered after the last data row.
void AddRow(MeterTable& table, const KeyFile::Meter& m)
{
    int row = 1;
    if (!IsEmptyTable(table)) {
        row = table.rowCount();
        bool numbered = false;
        const int last = table.cell(MeterTable::ColNumber, row - 1).trimmed().toInt(&numbered);
        table.setRowCount(row + 1);
        table.setCell(MeterTable::ColNumber, row, QString::number(numbered ? last + 1 : row));
    } else {
        table.setCell(MeterTable::ColNumber, row, QStringLiteral("1"));
    }
    table.setCell(MeterTable::ColSerial, row, m.id);
    table.setCell(MeterTable::ColMedium, row, m.medium);
    table.setCell(MeterTable::ColKey, row, m.key);
}

}  // namespace

QString StateText(RowState state)
{
    switch (state) {
    case RowState::NewRow: return QStringLiteral("new row");
    case RowState::KeyAdded: return QStringLiteral("key added");
    case RowState::SameKey: return QStringLiteral("same key");
    case RowState::KeyDiffers: return QStringLiteral("key differs");
    case RowState::Conflict: break;
    }
    return QStringLiteral("conflict in file");
}

std::vector<PreviewRow> Preview(const KeyFile::Result& file, const MeterTable& table)
{
    std::vector<PreviewRow> rows;
    const QHash<QString, int> byId = RowsById(table);
    for (const KeyFile::Meter& m : file.meters) {
        PreviewRow p{m, RowState::NewRow, byId.value(m.id)};
        const QString held = table.cell(MeterTable::ColKey, p.tableRow).trimmed();
        if (p.tableRow > 0)
            p.state = held.isEmpty()                            ? RowState::KeyAdded
                : held.compare(m.key, Qt::CaseInsensitive) == 0 ? RowState::SameKey
                                                                : RowState::KeyDiffers;
        rows.push_back(std::move(p));
    }
    for (const KeyFile::Meter& m : file.conflicts)
        rows.push_back({m, RowState::Conflict, byId.value(m.id)});
    return rows;
}

Counts Apply(const std::vector<PreviewRow>& rows, int fileSkipped, const Choices& choices, MeterTable& table)
{
    Counts n;
    n.skipped = fileSkipped;
    for (const PreviewRow& p : rows) {
        switch (p.state) {
        case RowState::NewRow:
            if (!choices.addNewMeters) {
                ++n.skipped;
                break;
            }
            AddRow(table, p.meter);
            ++n.added;
            break;
        case RowState::KeyDiffers:
            if (!choices.replaceDifferingKeys) {
                ++n.skipped;
                break;
            }
            [[fallthrough]];
        case RowState::KeyAdded:
            table.setCell(MeterTable::ColKey, p.tableRow, p.meter.key);
            FillEmptyMedium(table, p.tableRow, p.meter.medium);
            ++n.updated;
            break;
        case RowState::SameKey:
            FillEmptyMedium(table, p.tableRow, p.meter.medium);
            ++n.unchanged;
            break;
        case RowState::Conflict: break;  // counted among the file's skipped entries
        }
    }
    return n;
}

QString LogLine(const QString& fileName, const Counts& n)
{
    return QStringLiteral("Keys imported from %1: %2 added, %3 updated, %4 unchanged, %5 skipped")
        .arg(fileName)
        .arg(n.added)
        .arg(n.updated)
        .arg(n.unchanged)
        .arg(n.skipped);
}

QString MaskedKey(const QString& key)
{
    return QStringLiteral("••••") + key.right(4);
}

}  // namespace KeyImport

#include "table/ui/meter_grid_model.h"

#include "table/meter_table.h"

MeterGridModel::MeterGridModel(MeterTable& table, QObject* parent) : QAbstractTableModel(parent), table_(table)
{
    // Row count changes and bulk loads arrive as one reset; the view re-reads.
    connect(&table_, &MeterTable::reset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&table_, &MeterTable::cellChanged, this, [this](int col, int row) {
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, col, col);
        } else {
            const QModelIndex i = index(viewRow(row), col);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    });
    connect(&table_, &MeterTable::marksChanged, this, &MeterGridModel::marksChanged);
}

int MeterGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : table_.rowCount() - 1;
}

int MeterGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : MeterTable::kColumns;
}

QVariant MeterGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = tableRow(index.row());
    if (role == Qt::DisplayRole)
        return table_.cell(index.column(), row);
    if (role == MarkedRole)
        return table_.rowMarked(row);
    return {};
}

QVariant MeterGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return table_.cell(section, 0);
    return {};
}

Qt::ItemFlags MeterGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

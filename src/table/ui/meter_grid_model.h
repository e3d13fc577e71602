#pragma once
// Item model that presents a MeterTable to a view: the table's row 0 is the
// horizontal header, view row i is table row i + 1. Read-only: the view never
// edits cells. The mark of a row is readable through MarkedRole. GUI thread.
#include <QAbstractTableModel>

class MeterTable;

class MeterGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int MarkedRole = Qt::UserRole + 1;

    explicit MeterGridModel(MeterTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static int tableRow(int viewRow) { return viewRow + 1; }
    static int viewRow(int tableRow) { return tableRow - 1; }

signals:
    // The marks changed: the view repaints.
    void marksChanged();

private:
    MeterTable& table_;
};

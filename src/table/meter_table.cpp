#include "table/meter_table.h"

#include <exception>

MeterTable::MeterTable(QObject* parent) : QObject(parent)
{
    rows_.resize(2);
    rows_[0] = {QStringLiteral("No. "), QStringLiteral("Serial/ID "), QStringLiteral("Medium "),
                QStringLiteral("AES-128 key "), QStringLiteral("Notes ")};
}

QString MeterTable::cell(int col, int row) const
{
    if (col < 0 || col >= kColumns || row < 0 || row >= rowCount())
        return QString();
    return rows_[size_t(row)][size_t(col)];
}

void MeterTable::setCell(int col, int row, const QString& text)
{
    if (col < 0 || col >= kColumns || row < 0 || row >= rowCount())
        return;
    QString& c = rows_[size_t(row)][size_t(col)];
    if (c == text)
        return;
    c = text;
    if (row >= 1)
        modified_ = true;
    emit cellChanged(col, row);
}

void MeterTable::setRowCount(int count)
{
    if (count < 2)
        count = 2;
    if (count == rowCount())
        return;
    rows_.resize(size_t(count));
    modified_ = true;
    emit reset();
}

void MeterTable::setHeader(const QStringList& texts)
{
    for (int c = 0; c < kColumns && c < texts.size(); ++c)
        setCell(c, 0, texts[c]);
}

void MeterTable::ClearMeterTable()
{
    rows_.resize(2);
    rows_[1] = Row{};
    marks_.assign(marks_.size(), false);
    modified_ = false;
    emit reset();
    emit marksChanged();
}

void MeterTable::DeleteSelectedRow(const LogFn& log)
{
    // Before the first selection selectedRow is the header row: nothing to delete.
    if (selectedRow_ < 1 || selectedRow_ >= rowCount())
        return;
    if (rowCount() == 2) {
        // The last data row stays, emptied.
        rows_[1] = Row{};
        modified_ = true;
        emit reset();
        return;
    }
    try {
        // Rows below move up over the selected one; marks stay on their numbers.
        rows_.erase(rows_.begin() + selectedRow_);
        modified_ = true;
    } catch (const std::exception& e) {
        if (log)
            log(QStringLiteral("Exception deleting row - ") + QString::fromLocal8Bit(e.what()));
    }
    emit reset();
}

void MeterTable::InsertRow(const LogFn& log)
{
    // The empty row goes directly below the selected row; with nothing
    // selected yet (row 0) that is row 1. Numbers are not recomputed.
    int at = selectedRow_ + 1;
    if (at < 1)
        at = 1;
    if (at > rowCount())
        at = rowCount();
    try {
        rows_.insert(rows_.begin() + at, Row{});
        modified_ = true;
    } catch (const std::exception& e) {
        if (log)
            log(QStringLiteral("Exception addin row - ") + QString::fromLocal8Bit(e.what()));
    }
    emit reset();
}

bool MeterTable::rowMarked(int row) const
{
    return row >= 0 && size_t(row) < marks_.size() && marks_[size_t(row)];
}

void MeterTable::setRowMarked(int row, bool marked)
{
    if (row < 1)
        return;
    if (size_t(row) >= marks_.size()) {
        if (!marked)
            return;
        marks_.resize(size_t(row) + 1, false);
    }
    if (marks_[size_t(row)] == marked)
        return;
    marks_[size_t(row)] = marked;
    emit marksChanged();
}

void MeterTable::clearMarks()
{
    marks_.assign(marks_.size(), false);
    emit marksChanged();
}

void MeterTable::markAllDataRows()
{
    if (marks_.size() < size_t(rowCount()))
        marks_.resize(size_t(rowCount()), false);
    for (int r = 1; r < rowCount(); ++r)
        marks_[size_t(r)] = true;
    emit marksChanged();
}

void MeterTable::markOnly(int row)
{
    marks_.assign(marks_.size(), false);
    if (row >= 1 && row < rowCount()) {
        if (size_t(row) >= marks_.size())
            marks_.resize(size_t(row) + 1, false);
        marks_[size_t(row)] = true;
    }
    emit marksChanged();
}

void MeterTable::toggleRowMark(int row)
{
    if (row < 1 || row >= rowCount())
        return;
    setRowMarked(row, !rowMarked(row));
}

void MeterTable::replaceDataRows(std::vector<Row> rows)
{
    Row header = rows_[0];
    rows_.clear();
    rows_.reserve(rows.size() + 1);
    rows_.push_back(std::move(header));
    for (auto& r : rows)
        rows_.push_back(std::move(r));
    if (rows_.size() < 2)
        rows_.resize(2);
    modified_ = true;
    emit reset();
}

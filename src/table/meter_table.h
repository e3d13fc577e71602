#pragma once
// The meter table as data: rows of five text cells, row 0 the header, always
// at least one data row. Also holds the table's selection (selectedRow), its
// row marks and the pending mark-all of a double click. No widgets here; the
// grid on the main tab shows this model.
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class MeterTable : public QObject {
    Q_OBJECT
public:
    static constexpr int kColumns = 5;
    enum Column { ColNumber = 0, ColSerial = 1, ColMedium = 2, ColKey = 3, ColNotes = 4 };
    using Row = std::array<QString, kColumns>;
    using LogFn = std::function<void(const QString&)>;
    // The Serial/ID text of an empty slot of the receiver's list: skipped by
    // the whole-table operations, never offered for a single-meter command.
    static inline const QString kEmptySlotId = QStringLiteral("FFFFFFFF");

    explicit MeterTable(QObject* parent = nullptr);

    // Row count, header included (always >= 2).
    int rowCount() const { return int(rows_.size()); }
    // Text of a cell; column 0..4, row 0..rowCount()-1. Out of range gives "".
    QString cell(int col, int row) const;
    // Writes a cell; out-of-range positions are ignored.
    void setCell(int col, int row, const QString& text);
    // Grows with empty rows at the end or drops rows from the end; never below 2.
    void setRowCount(int count);

    // Header row texts (row 0), written by the language tables.
    void setHeader(const QStringList& texts);

    // Every data row emptied, every mark cleared, one empty data row left.
    void ClearMeterTable();
    // Deletes row selectedRow(): the rows below move up, the last row goes;
    // the only data row is emptied instead. Does nothing while no data row
    // is selected (selectedRow() 0). Failures are logged as
    // "Exception deleting row - " + message.
    void DeleteSelectedRow(const LogFn& log = {});
    // Inserts an empty row below selectedRow() ("Add row in table"); at row 1
    // while no data row is selected. Numbers are not recomputed. Failures are
    // logged as "Exception addin row - " + message.
    void InsertRow(const LogFn& log = {});

    // Selection: the row most recently reported by the grid; 0 until then.
    int selectedRow() const { return selectedRow_; }
    void setSelectedRow(int row) { selectedRow_ = row; }

    // Row marks (visual only; no command reads them). A mark belongs to a row
    // number, not to a meter: inserting or deleting rows does not move it.
    // Every data row can be marked. Each call below emits marksChanged once.
    bool rowMarked(int row) const;
    void setRowMarked(int row, bool marked);
    void clearMarks();
    // Marks every existing data row (the release after a double click).
    void markAllDataRows();
    // Clears every mark, then marks `row` when it is a data row (a plain click).
    void markOnly(int row);
    // Inverts the mark of a data row (a Ctrl+click); other rows are ignored.
    void toggleRowMark(int row);
    bool markAllPending() const { return markAllPending_; }
    void setMarkAllPending(bool pending) { markAllPending_ = pending; }

    // Replaces all data rows at once (bulk load); an empty list leaves one
    // empty data row. Emits one reset.
    void replaceDataRows(std::vector<Row> rows);
    const std::vector<Row>& rows() const { return rows_; }

    // Whether the data rows hold changes not saved since the table was last
    // loaded, saved or filled from the receiver. Every edit of a data row
    // sets it (cells, rows added, deleted or replaced); the header, the
    // selection and the marks do not. Emptying the table clears it: an empty
    // table has nothing to lose. Whoever loads, saves or fills the table
    // clears it with setModified(false) once done.
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

signals:
    // One cell changed.
    void cellChanged(int col, int row);
    // The row count or many cells changed; views re-read everything.
    void reset();
    // Marks changed; views repaint.
    void marksChanged();

private:
    std::vector<Row> rows_;
    std::vector<bool> marks_;  // indexed by row number; grows as rows are marked
    int selectedRow_ = 0;
    bool markAllPending_ = false;
    bool modified_ = false;
};

#pragma once
// The meter table on the main tab ("StringGrid1"). Shows a MeterTable: the
// horizontal header is row 0, view row i is data row i + 1. Draws every cell
// itself (header on the button-face colour, marked rows white on the
// highlight colour, the rest black on white), selects whole rows, never edits
// by typing. Handles the selection, the row marks, the keys and the context
// menu of the table. The row commands (clear, delete the selected row, insert
// a row) it runs on the model itself; every other command it hands to the
// main window through the *Requested signals. GUI thread only; nothing here
// blocks (the context menu opens without waiting).
#include <QTableView>

class QComboBox;
class QLineEdit;
class QMenu;
class ActivityLog;
class MeterTable;
class MeterGridModel;
class MeterGridColumns;

class MeterGrid : public QTableView {
    Q_OBJECT
public:
    explicit MeterGrid(MeterTable& table, QWidget* parent = nullptr);
    ~MeterGrid() override;

    // The fields the selection fills: first 8 characters of the ID, the whole
    // key, the medium text (set even when not one of the box's items). Any
    // may be null.
    void setSelectionTargets(QLineEdit* meterId, QLineEdit* key, QComboBox* medium);
    // Where the row commands log their exception lines; may be null.
    void setLog(ActivityLog* log);
    // Medium names the medium column shows whole when the grid has room,
    // besides the media in the table.
    void setMediumNames(const QStringList& names);
    MeterGridColumns* columns() const { return columns_; }

    MeterTable& table() const { return table_; }
    // The context menu (objectName "PopupMenu1"), built once.
    QMenu* contextMenu() const { return menu_; }

    // Menu and key commands, also callable directly.
    void addThisId();          // "Add this ID in ZELK", F2
    void deleteThisId();       // "Delete this ID in ZELK", F3
    void clearTable();         // "Clear table"
    void deleteSelectedRow();  // "Delete selected row", Delete
    void insertRow();          // "Add row in table"

signals:
    // A data or header row was reported by the selection (table row number).
    void rowSelected(int row);
    // Add / delete the selected row's meter ID in the receiver; only emitted
    // for an ID of exactly 8 characters that is not "FFFFFFFF". The receiver
    // unticks "All", writes `id` into the meter ID field and runs the operation.
    void addThisIdRequested(const QString& id);
    void deleteThisIdRequested(const QString& id);
    // Ctrl+A, "Set AES key in ZELK": untick "All", run the set-key operation.
    void setAesKeyRequested();
    // Ctrl+F: tick "All", run the delete operation (the delete-all sequence).
    void sendTableRequested();
    // Ctrl+S, "Save/Export": export with the default name "meters_data.csv".
    void exportRequested();
    // Ctrl+L: load the table from a CSV file.
    void importRequested();
    // "Enter AES-128 key in table": show the key entry dialog.
    void enterAesKeyRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A new font gives new row heights (and column widths, see MeterGridColumns).
    void changeEvent(QEvent* event) override;
    // Typing never moves the selection or edits a cell.
    void keyboardSearch(const QString&) override {}

private:
    void buildMenu();
    void reportSelection(int tableRow);
    void openMenuAt(const QPoint& globalPos);
    void releaseAt(int tableRow, Qt::KeyboardModifiers modifiers);
    void afterModelReset();
    QString idForReceiverCommand() const;

    MeterTable& table_;
    MeterGridModel* model_ = nullptr;
    MeterGridColumns* columns_ = nullptr;
    QMenu* menu_ = nullptr;
    ActivityLog* log_ = nullptr;
    QLineEdit* meterIdField_ = nullptr;
    QLineEdit* keyField_ = nullptr;
    QComboBox* mediumBox_ = nullptr;
    int currentBeforeReset_ = 0;     // view row current before a model reset
    bool restoringCurrent_ = false;  // moving the current row without reporting it
    bool pressReported_ = false;     // the press being handled has reported its row
    bool shiftPressHeld_ = false;    // a Shift+left press is held: moves select nothing
};

#include "table/ui/meter_grid.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

#include "core/activity_log.h"
#include "table/meter_table.h"
#include "table/ui/meter_grid_model.h"
#include "table/ui/meter_grid_paint.h"
#include "table/ui/meter_grid_sizes.h"

namespace {

constexpr int kIdChars = 8;

}  // namespace

MeterGrid::MeterGrid(MeterTable& table, QWidget* parent) : QTableView(parent), table_(table)
{
    setObjectName(QStringLiteral("StringGrid1"));
    model_ = new MeterGridModel(table_, this);

    auto* header = new MeterHeaderView(this);
    header->setObjectName(QStringLiteral("StringGrid1Header"));
    setHorizontalHeader(header);
    setModel(model_);
    setItemDelegate(new MeterCellDelegate(this));

    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    header->viewport()->installEventFilter(this);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    ApplyMeterGridSizes(this);
    columns_ = new MeterGridColumns(this);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::NoContextMenu);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { currentBeforeReset_ = currentIndex().isValid() ? currentIndex().row() : 0; });
    connect(model_, &QAbstractItemModel::modelReset, this, &MeterGrid::afterModelReset);
    connect(model_, &MeterGridModel::marksChanged, viewport(), qOverload<>(&QWidget::update));

    buildMenu();

    // The window may destroy the table before its child widgets: stop
    // showing it then, so that nothing reads a table that is gone.
    connect(&table_, &QObject::destroyed, this, [this] { setModel(nullptr); });

    // The first data row is current from the start; it is reported as
    // selected only when the user selects it.
    currentBeforeReset_ = 0;
    afterModelReset();
}

MeterGrid::~MeterGrid() = default;

void MeterGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyMeterGridSizes(this);
}

void MeterGrid::setSelectionTargets(QLineEdit* meterId, QLineEdit* key, QComboBox* medium)
{
    meterIdField_ = meterId;
    keyField_ = key;
    mediumBox_ = medium;
}

void MeterGrid::setLog(ActivityLog* log)
{
    log_ = log;
}

void MeterGrid::setMediumNames(const QStringList& names)
{
    columns_->setMediumNames(names);
}

void MeterGrid::buildMenu()
{
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char* name, const QString& caption, auto slot) {
        QAction* a = menu_->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("AddThisID1", QStringLiteral("Add this ID in ZELK"), &MeterGrid::addThisId);
    add("DeleteThisID1", QStringLiteral("Delete this ID in ZELK"), &MeterGrid::deleteThisId);
    add("ClearTable1", QStringLiteral("Clear table"), &MeterGrid::clearTable);
    add("SaveExport1", QStringLiteral("Save/Export"), &MeterGrid::exportRequested);
    add("DeleteSelectedRow1", QStringLiteral("Delete selected row"), &MeterGrid::deleteSelectedRow);
    add("AddRow1", QStringLiteral("Add row in table"), &MeterGrid::insertRow);
    add("SetAESKey1", QStringLiteral("Set AES key in ZELK"), &MeterGrid::setAesKeyRequested);
    // Listed but never enabled.
    QAction* all = menu_->addAction(QStringLiteral("Set all IDs in ZELK"));
    all->setObjectName(QStringLiteral("SetAllIDs1"));
    all->setEnabled(false);
    add("EnterAESKey1", QStringLiteral("Enter AES-128 key in table"), &MeterGrid::enterAesKeyRequested);
}

QString MeterGrid::idForReceiverCommand() const
{
    const int r = table_.selectedRow();
    if (r < 1)
        return {};
    const QString id = table_.cell(MeterTable::ColSerial, r);
    // Empty slots of the receiver's list and malformed IDs are skipped silently.
    if (id == MeterTable::kEmptySlotId || id.size() != kIdChars)
        return {};
    return id;
}

void MeterGrid::addThisId()
{
    const QString id = idForReceiverCommand();
    if (!id.isEmpty())
        emit addThisIdRequested(id);
}

void MeterGrid::deleteThisId()
{
    const QString id = idForReceiverCommand();
    if (!id.isEmpty())
        emit deleteThisIdRequested(id);
}

void MeterGrid::clearTable()
{
    table_.ClearMeterTable();
}

void MeterGrid::deleteSelectedRow()
{
    table_.DeleteSelectedRow([this](const QString& line) {
        if (log_)
            log_->append(line);
    });
}

void MeterGrid::insertRow()
{
    table_.InsertRow([this](const QString& line) {
        if (log_)
            log_->append(line);
    });
}

void MeterGrid::reportSelection(int tableRow)
{
    pressReported_ = true;
    table_.setSelectedRow(tableRow);
    if (tableRow >= 1) {
        if (meterIdField_)
            meterIdField_->setText(table_.cell(MeterTable::ColSerial, tableRow).left(kIdChars));
        if (keyField_)
            keyField_->setText(table_.cell(MeterTable::ColKey, tableRow));
        if (mediumBox_) {
            const QString medium = table_.cell(MeterTable::ColMedium, tableRow);
            if (mediumBox_->isEditable()) {
                mediumBox_->setEditText(medium);
            } else {
                // A box without an edit field can show a text that is not one
                // of its items only as its placeholder.
                const int i = mediumBox_->findText(medium, Qt::MatchExactly);
                if (i < 0)
                    mediumBox_->setPlaceholderText(medium);
                mediumBox_->setCurrentIndex(i);
            }
        }
    }
    emit rowSelected(tableRow);
}

void MeterGrid::afterModelReset()
{
    const int rows = model_->rowCount();
    if (rows <= 0)
        return;
    int row = currentBeforeReset_ < 0 ? 0 : currentBeforeReset_;
    const bool forcedUp = row > rows - 1;
    if (forcedUp)
        row = rows - 1;
    restoringCurrent_ = true;
    selectionModel()->setCurrentIndex(model_->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    restoringCurrent_ = false;
    // Removing rows moved the current row up to the new last row: that is a
    // selection like any other.
    if (forcedUp)
        reportSelection(MeterGridModel::tableRow(row));
}

void MeterGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (restoringCurrent_ || !current.isValid())
        return;
    if (!previous.isValid() || current.row() != previous.row())
        reportSelection(MeterGridModel::tableRow(current.row()));
}

QItemSelectionModel::SelectionFlags MeterGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    QItemSelectionModel::SelectionFlags flags = QTableView::selectionCommand(index, event);
    // A Ctrl+click toggles the row's mark; it never leaves the table without
    // a selected row.
    if (flags & QItemSelectionModel::Deselect) {
        flags &= ~QItemSelectionModel::Deselect;
        flags |= QItemSelectionModel::ClearAndSelect;
    }
    return flags;
}

void MeterGrid::openMenuAt(const QPoint& globalPos)
{
    viewport()->update();
    if (QWidget* w = window()) {
        w->raise();
        w->activateWindow();
    }
    menu_->popup(globalPos);
}

void MeterGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        // Works on the selected row: the right button never selects.
        openMenuAt(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    shiftPressHeld_ = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier);
    if (shiftPressHeld_) {
        // A Shift+click selects nothing: the selection, the selected row and
        // the fields it filled stay as they are, also while the pointer moves
        // with the button held. The release still marks.
        event->accept();
        return;
    }
    const QModelIndex at = indexAt(event->position().toPoint());
    pressReported_ = false;
    QTableView::mousePressEvent(event);
    // A left click on the row that is already current reports it again.
    if (event->button() == Qt::LeftButton && at.isValid() && !pressReported_)
        reportSelection(MeterGridModel::tableRow(at.row()));
}

void MeterGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        openMenuAt(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton)
        table_.setMarkAllPending(true);
    QTableView::mouseDoubleClickEvent(event);
}

void MeterGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (shiftPressHeld_ && (event->buttons() & Qt::LeftButton)) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void MeterGrid::mouseReleaseEvent(QMouseEvent* event)
{
    shiftPressHeld_ = false;
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        return;
    const QModelIndex at = indexAt(event->position().toPoint());
    releaseAt(at.isValid() ? MeterGridModel::tableRow(at.row()) : -1, event->modifiers());
}

void MeterGrid::releaseAt(int tableRow, Qt::KeyboardModifiers modifiers)
{
    if (table_.markAllPending()) {
        table_.markAllDataRows();
        table_.setMarkAllPending(false);
        return;
    }
    if (tableRow >= 1 && (modifiers & Qt::ControlModifier)) {
        table_.toggleRowMark(tableRow);
        return;
    }
    // A release over the header row or outside the cells leaves no mark.
    table_.markOnly(tableRow);
}

bool MeterGrid::eventFilter(QObject* watched, QEvent* event)
{
    // The header row is part of the table for the mouse: right press opens
    // the menu, a double click arms mark-all, a release clears the marks.
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::RightButton) {
                openMenuAt(me->globalPosition().toPoint());
                return true;
            }
            if (event->type() == QEvent::MouseButtonDblClick && me->button() == Qt::LeftButton)
                table_.setMarkAllPending(true);
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() != Qt::RightButton)
                releaseAt(0, me->modifiers());
            break;
        }
        default: break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void MeterGrid::keyPressEvent(QKeyEvent* event)
{
    // Each test on its own; Ctrl may come with other modifiers, and the
    // letters respond whatever the Shift or Caps Lock state.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    bool handled = false;
    if (ctrl && key == Qt::Key_A) {
        emit setAesKeyRequested();
        handled = true;
    }
    if (ctrl && key == Qt::Key_S) {
        emit exportRequested();
        handled = true;
    }
    if (ctrl && key == Qt::Key_L) {
        emit importRequested();
        handled = true;
    }
    if (ctrl && key == Qt::Key_F) {
        emit sendTableRequested();
        handled = true;
    }
    if (key == Qt::Key_Delete) {
        deleteSelectedRow();
        handled = true;
    }
    if (handled) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MeterGrid::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat()) {
        if (event->key() == Qt::Key_F2) {
            addThisId();
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_F3) {
            deleteThisId();
            event->accept();
            return;
        }
    }
    QTableView::keyReleaseEvent(event);
}

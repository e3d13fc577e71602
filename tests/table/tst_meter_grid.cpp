// The meter grid: selection, marks, keys, context menu and drawing.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "core/activity_log.h"
#include "table/meter_table.h"
#include "table/support/grid_driver.h"
#include "table/ui/meter_grid.h"

class TestMeterGrid : public QObject {
    Q_OBJECT

    MeterTable* table = nullptr;
    MeterGrid* grid = nullptr;
    QLineEdit* idField = nullptr;
    QLineEdit* keyField = nullptr;
    QComboBox* medium = nullptr;
    ActivityLog* log = nullptr;

    // Data rows 1..n, numbered, with 8-digit IDs.
    void fill(int n)
    {
        std::vector<MeterTable::Row> rows;
        for (int r = 1; r <= n; ++r)
            rows.push_back({QString::number(r), QString::number(10000000 + r), "Water", QString(32, u'A'),
                            "note" + QString::number(r)});
        table->replaceDataRows(rows);
    }
    QPoint cellCentre(int tableRow, int col = 1) const { return CellCentre(*grid, tableRow, col); }
    void click(int tableRow, Qt::KeyboardModifiers mods = Qt::NoModifier) { ClickRow(*grid, tableRow, mods); }
    void doubleClick(int tableRow) { DoubleClickRow(*grid, tableRow); }
    void clickHeader() { ClickHeader(*grid); }
    QList<int> markedRows() const { return MarkedRows(*table); }

private slots:
    void init()
    {
        table = new MeterTable;
        log = new ActivityLog;
        grid = new MeterGrid(*table);
        idField = new QLineEdit(grid);
        keyField = new QLineEdit(grid);
        medium = new QComboBox(grid);
        medium->addItems({"Water", "Heat", "Gas"});
        grid->setSelectionTargets(idField, keyField, medium);
        grid->setLog(log);
        grid->resize(560, 500);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid));
        grid->setFocus();
    }
    void cleanup()
    {
        delete grid;
        delete table;
        delete log;
    }

    void layout()
    {
        QCOMPARE(grid->objectName(), QStringLiteral("StringGrid1"));
        const QStringList headers = {"No. ", "Serial/ID ", "Medium ", "AES-128 key ", "Notes "};
        const int widths[] = {36, 81, 65, 203, 108};
        grid->resize(900, 500);  // room for every column (a narrow grid narrows Notes)
        QApplication::processEvents();
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
            QVERIFY(grid->columnWidth(c) >= widths[c]);  // the design widths, grown with the font
        }
        fill(3);
        QCOMPARE(grid->model()->rowCount(), 3);
        QVERIFY(grid->rowHeight(2) >= 20);
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        // A header text written later shows at once.
        table->setCell(1, 0, "ID ");
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ID "));
    }

    void selectionFillsTheFields_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("mediumText");
        QTest::addColumn<bool>("editableBox");
        QTest::addColumn<QString>("idShown");
        QTest::newRow("8 digits") << "12345678"
                                  << "Heat" << false << "12345678";
        QTest::newRow("10 characters") << "1234567890"
                                       << "Gas" << false << "12345678";
        QTest::newRow("short") << "123"
                               << "Water" << false << "123";
        QTest::newRow("medium not an item") << "12345678"
                                            << "Steam" << true << "12345678";
    }
    void selectionFillsTheFields()
    {
        QFETCH(QString, id);
        QFETCH(QString, mediumText);
        QFETCH(bool, editableBox);
        QFETCH(QString, idShown);
        medium->setEditable(editableBox);
        fill(3);
        table->setCell(1, 2, id);
        table->setCell(2, 2, mediumText);
        table->setCell(3, 2, "00112233445566778899AABBCCDDEEFF");
        QSignalSpy selected(grid, &MeterGrid::rowSelected);
        click(2);
        QCOMPARE(table->selectedRow(), 2);
        QCOMPARE(idField->text(), idShown);
        QCOMPARE(keyField->text(), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
        QCOMPARE(medium->currentText(), mediumText);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.first().first().toInt(), 2);
        // Clicking the current row again reports it again.
        idField->clear();
        click(2);
        QCOMPARE(idField->text(), idShown);
        QCOMPARE(selected.count(), 2);
    }

    // Fails when a Shift+click reports the row like a plain click.
    void shiftClickSelectsNothingButMarks()
    {
        fill(3);
        click(1);
        const QPoint p = cellCentre(3);
        SendMouse(grid->viewport(), QEvent::MouseButtonPress, Qt::LeftButton, Qt::ShiftModifier, p);
        SendMouse(grid->viewport(), QEvent::MouseMove, Qt::LeftButton, Qt::ShiftModifier, p + QPoint(1, 1));  // held
        SendMouse(grid->viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::ShiftModifier, p);
        QCOMPARE(table->selectedRow(), 1);
        QCOMPARE(markedRows(), QList<int>({3}));
    }

    void arrowKeysSelectAndKeepMarks()
    {
        fill(4);
        click(2);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(table->selectedRow(), 3);
        QCOMPARE(idField->text(), QStringLiteral("10000003"));
        QCOMPARE(markedRows(), QList<int>({2}));
    }

    void rightPressOpensTheMenuWithoutSelecting()
    {
        fill(3);
        click(1);
        SendMouse(grid->viewport(), QEvent::MouseButtonPress, Qt::RightButton, Qt::NoModifier, cellCentre(3));
        SendMouse(grid->viewport(), QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoModifier, cellCentre(3));
        QMenu* menu = grid->findChild<QMenu*>("PopupMenu1");
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(table->selectedRow(), 1);
        QCOMPARE(markedRows(), QList<int>({1}));  // a right release leaves the marks
        QStringList captions;
        for (QAction* a : menu->actions())
            captions << a->text();
        QCOMPARE(captions,
                 QStringList({"Add this ID in ZELK", "Delete this ID in ZELK", "Clear table", "Save/Export",
                              "Delete selected row", "Add row in table", "Set AES key in ZELK", "Set all IDs in ZELK",
                              "Enter AES-128 key in table"}));
        for (QAction* a : menu->actions())
            QCOMPARE(a->isEnabled(), a->text() != "Set all IDs in ZELK");
        menu->hide();
    }

    void marks_data()
    {
        // Steps: cN click row N, kN Ctrl+click row N, dN double click on row N,
        // h click on the header row.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("marked");
        QTest::newRow("click marks the row alone") << "c2 c4" << QList<int>{4};
        QTest::newRow("ctrl click adds") << "c2 k4 k5" << QList<int>{2, 4, 5};
        QTest::newRow("ctrl click on a marked row unmarks it") << "c2 k4 k2" << QList<int>{4};
        QTest::newRow("double click marks every row")
            << "d3" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
        QTest::newRow("double click then plain click") << "d3 c7" << QList<int>{7};
        QTest::newRow("double click then ctrl click")
            << "d3 k7" << QList<int>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
        QTest::newRow("header click clears") << "c2 k3 h" << QList<int>{};
        QTest::newRow("rows above 16") << "c18 k20" << QList<int>{18, 20};
    }
    void marks()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, marked);
        fill(20);
        grid->resize(560, 600);
        for (const QString& step : steps.split(' ')) {
            const int row = step.mid(1).toInt();
            grid->scrollTo(grid->model()->index(qMax(row, 1) - 1, 0));
            switch (step.at(0).unicode()) {
            case 'c': click(row); break;
            case 'k': click(row, Qt::ControlModifier); break;
            case 'd': doubleClick(row); break;
            case 'h': clickHeader(); break;
            }
        }
        QCOMPARE(markedRows(), marked);
        QVERIFY(!table->markAllPending());
    }

    void ctrlClickKeepsTheRowSelected()
    {
        fill(3);
        click(2);
        click(2, Qt::ControlModifier);
        QVERIFY(grid->selectionModel()->isRowSelected(1, QModelIndex()));
        QCOMPARE(table->selectedRow(), 2);
    }

    void keyCommands_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << ctrl << "setAes";
        QTest::newRow("Ctrl+Shift+A") << int(Qt::Key_A) << int(ctrl | Qt::ShiftModifier) << "setAes";
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << ctrl << "export";
        QTest::newRow("Ctrl+Alt+S") << int(Qt::Key_S) << int(ctrl | Qt::AltModifier) << "export";
        QTest::newRow("Ctrl+L") << int(Qt::Key_L) << ctrl << "import";
        QTest::newRow("Ctrl+F") << int(Qt::Key_F) << ctrl << "send";
        QTest::newRow("A alone") << int(Qt::Key_A) << 0 << "";
        QTest::newRow("Shift+S") << int(Qt::Key_S) << int(Qt::ShiftModifier) << "";
    }
    void keyCommands()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expected);
        fill(3);
        click(2);
        QSignalSpy setAes(grid, &MeterGrid::setAesKeyRequested);
        QSignalSpy exp(grid, &MeterGrid::exportRequested);
        QSignalSpy imp(grid, &MeterGrid::importRequested);
        QSignalSpy send(grid, &MeterGrid::sendTableRequested);
        QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(setAes.count(), expected == "setAes" ? 1 : 0);
        QCOMPARE(exp.count(), expected == "export" ? 1 : 0);
        QCOMPARE(imp.count(), expected == "import" ? 1 : 0);
        QCOMPARE(send.count(), expected == "send" ? 1 : 0);
        QCOMPARE(table->rowCount(), 4);  // no key but Delete removes rows
        QCOMPARE(table->selectedRow(), 2);
    }

    void deleteKey_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Delete") << 0;
        QTest::newRow("Ctrl+Delete") << int(Qt::ControlModifier);
        QTest::newRow("Shift+Delete") << int(Qt::ShiftModifier);
    }
    void deleteKey()
    {
        QFETCH(int, modifiers);
        fill(3);
        click(2);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->cell(0, 2), QStringLiteral("3"));
    }

    void deletingTheLastRowSelectsTheNewLastRow()
    {
        fill(3);
        click(3);
        QSignalSpy selected(grid, &MeterGrid::rowSelected);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->selectedRow(), 2);
        QCOMPARE(idField->text(), QStringLiteral("10000002"));
        QCOMPARE(selected.count(), 1);
    }

    void deleteWithoutSelectionDoesNothing()
    {
        fill(3);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->cell(0, 0), QStringLiteral("No. "));
    }

    void receiverIdCommands_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("emitted");
        QTest::newRow("F2, 8 digits") << "12345678" << int(Qt::Key_F2) << true;
        QTest::newRow("F3, 8 digits") << "12345678" << int(Qt::Key_F3) << true;
        QTest::newRow("F2, empty slot") << "FFFFFFFF" << int(Qt::Key_F2) << false;
        QTest::newRow("F3, empty slot") << "FFFFFFFF" << int(Qt::Key_F3) << false;
        QTest::newRow("F2, 7 characters") << "1234567" << int(Qt::Key_F2) << false;
        QTest::newRow("F3, 9 characters") << "123456789" << int(Qt::Key_F3) << false;
    }
    void receiverIdCommands()
    {
        QFETCH(QString, id);
        QFETCH(int, key);
        QFETCH(bool, emitted);
        fill(2);
        table->setCell(1, 2, id);
        click(2);
        QSignalSpy add(grid, &MeterGrid::addThisIdRequested);
        QSignalSpy del(grid, &MeterGrid::deleteThisIdRequested);
        QSignalSpy& spy = key == Qt::Key_F2 ? add : del;
        // The command runs on release, with or without modifiers.
        QTest::keyPress(grid, Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(add.count() + del.count(), 0);
        QTest::keyRelease(grid, Qt::Key(key), Qt::ShiftModifier);
        QCOMPARE(spy.count(), emitted ? 1 : 0);
        QCOMPARE(add.count() + del.count(), emitted ? 1 : 0);
        if (emitted)
            QCOMPARE(spy.first().first().toString(), id);
    }

    void menuCommands()
    {
        fill(3);
        click(1);
        QMenu* menu = grid->contextMenu();
        auto action = [&](const QString& text) -> QAction* {
            for (QAction* a : menu->actions())
                if (a->text() == text)
                    return a;
            return nullptr;
        };
        QSignalSpy exp(grid, &MeterGrid::exportRequested);
        QSignalSpy enter(grid, &MeterGrid::enterAesKeyRequested);
        QSignalSpy setAes(grid, &MeterGrid::setAesKeyRequested);
        QSignalSpy add(grid, &MeterGrid::addThisIdRequested);
        action("Save/Export")->trigger();
        action("Enter AES-128 key in table")->trigger();
        action("Set AES key in ZELK")->trigger();
        action("Add this ID in ZELK")->trigger();
        QCOMPARE(exp.count(), 1);
        QCOMPARE(enter.count(), 1);
        QCOMPARE(setAes.count(), 1);
        QCOMPARE(add.count(), 1);
        QCOMPARE(add.first().first().toString(), QStringLiteral("10000001"));

        action("Add row in table")->trigger();
        QCOMPARE(table->rowCount(), 5);
        QCOMPARE(table->cell(0, 2), QString());
        QCOMPARE(table->cell(0, 3), QStringLiteral("2"));
        action("Delete selected row")->trigger();
        QCOMPARE(table->cell(0, 1), QString());  // row 1 deleted, the empty row moved up
        action("Clear table")->trigger();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->cell(1, 1), QString());
    }

    void drawing()
    {
        fill(3);
        table->markOnly(2);
        grid->resize(800, 200);
        QImage image(grid->size(), QImage::Format_RGB32);
        grid->render(&image);
        const QPalette pal = grid->palette();
        const int y1 = grid->viewport()->mapTo(grid, cellCentre(1, 4)).y();
        const int y2 = grid->viewport()->mapTo(grid, cellCentre(2, 4)).y();
        const QRect notes = grid->visualRect(grid->model()->index(0, 4));
        // Right end of the notes cell: background only, no text.
        const int x = grid->viewport()->mapTo(grid, QPoint(notes.right() - 3, 0)).x();
        QCOMPARE(QColor(image.pixel(x, y1)), QColor(Qt::white));
        QCOMPARE(QColor(image.pixel(x, y2)), pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(QColor(image.pixel(x, grid->horizontalHeader()->height() / 2)),
                 pal.color(QPalette::Active, QPalette::Button));
        // The selected (current) row is not highlighted by the view.
        click(1);
        table->clearMarks();
        grid->render(&image);
        QCOMPARE(QColor(image.pixel(x, y1)), QColor(Qt::white));
        // Text starts at the cell's top-left corner: some dark pixel within
        // the first rows and columns of the ID cell.
        const QRect id = grid->visualRect(grid->model()->index(0, 1));
        const QPoint origin = grid->viewport()->mapTo(grid, id.topLeft());
        bool inked = false;
        for (int dy = 0; dy < 14 && !inked; ++dy)
            for (int dx = 0; dx < 4 && !inked; ++dx)
                inked = qGray(image.pixel(origin.x() + dx, origin.y() + dy)) < 128;
        QVERIFY(inked);
    }

    void theTableMayGoFirst()
    {
        // The main window destroys its table before its child widgets.
        fill(5);
        delete table;
        table = nullptr;
        grid->resize(grid->width() + 50, grid->height());  // columns fitted to no table
        grid->setFont(QFont(grid->font().family(), 14));
        QImage image(grid->size(), QImage::Format_RGB32);
        grid->render(&image);
        QCOMPARE(grid->model(), nullptr);
    }

    void manyRowsUseOneResetAndNoWidgets()
    {
        int resets = 0;
        connect(grid->model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
        const int childrenBefore = grid->findChildren<QWidget*>().size();
        fill(10000);
        QCOMPARE(resets, 1);
        QCOMPARE(grid->model()->rowCount(), 10000);
        QCOMPARE(grid->findChildren<QWidget*>().size(), childrenBefore);
        grid->scrollToBottom();
        click(10000);
        QCOMPARE(table->selectedRow(), 10000);
        QCOMPARE(idField->text(), QStringLiteral("10010000"));
    }
};

QTEST_MAIN(TestMeterGrid)
#include "tst_meter_grid.moc"

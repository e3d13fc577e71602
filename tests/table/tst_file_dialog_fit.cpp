// The file dialogs open wide enough for whole Size, Type and Date columns.
#include "table/ui/file_dialog_fit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

class FileDialogFitTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QTemporaryDir config_;

private slots:
    void initTestCase()
    {
        // The dialogs keep their column widths in the user's settings: here
        // in a folder of the test's own, emptied before every row.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_.path());
        QFile csv(dir_.filePath(QStringLiteral("meters_data.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(QByteArray(159, 'x')) == 159);
        csv.close();
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("archive")));
    }

    void init() { QSettings(QSettings::UserScope, QStringLiteral("QtProject")).clear(); }

    // Fails when the dialog keeps its fixed size and cuts a column ("159…tes"), leaves the
    // screen of its window, narrows a column the user had widened, or touches a dialog
    // that has no detail view.
    void everyColumnReadsWhole_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("userWidth");   // Size column before the dialog opens; 0 as built
        QTest::addColumn<bool>("detailView");
        QTest::addColumn<int>("points");   // 0 for the application's font
        QTest::newRow("wide screen") << "1-wide" << 0 << true << 0;
        QTest::newRow("150 % laptop") << "6-small-150" << 0 << true << 0;
        QTest::newRow("150 % laptop, large font") << "6-small-150" << 0 << true << 14;
        QTest::newRow("size widened by the user") << "1-wide" << 300 << true << 0;
        QTest::newRow("no detail view") << "1-wide" << 0 << false << 0;
        QTest::newRow("no window") << "" << 0 << true << 0;
    }
    void everyColumnReadsWhole()
    {
        QFETCH(QString, screen);
        QFETCH(int, userWidth);
        QFETCH(bool, detailView);
        QFETCH(int, points);
        QScreen* where = screen.isEmpty() ? QGuiApplication::primaryScreen() : nullptr;
        for (QScreen* s : QGuiApplication::screens())
            where = s->name() == screen ? s : where;
        QVERIFY2(where, qPrintable(screen));
        QMainWindow window;
        window.setScreen(where);
        window.setGeometry(QRect(where->availableGeometry().topLeft(), QSize(800, 400)));
        window.show();
        QFileDialog dialog(&window, QStringLiteral("Load"), dir_.path(), QStringLiteral("All (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (points)
            dialog.setFont(QFont(dialog.font().family(), points));
        auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        if (userWidth)
            tree->header()->resizeSection(1, userWidth);
        if (!detailView)
            tree->setObjectName(QStringLiteral("notTheDetailView"));
        const QSize built = dialog.size();
        FitFileDialog(&dialog, screen.isEmpty() ? nullptr : &window);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(tree->model()->rowCount(tree->rootIndex()), 2);
        if (!detailView) {
            QCOMPARE(dialog.size(), built);
            return;
        }
        QVERIFY(where->availableGeometry().contains(dialog.frameGeometry()));
        if (points) {
            QVERIFY(dialog.frameGeometry().width() >= where->availableGeometry().width() - 4);
            return;   // as wide as the screen allows
        }
        const QAbstractItemView* view = tree;   // the width of each column's widest cell
        for (int c = 1; c <= 3; ++c) {
            QVERIFY2(tree->columnWidth(c) >= view->sizeHintForColumn(c), qPrintable(QString::number(c)));
            QVERIFY(tree->header()->sectionSize(c) >= tree->header()->sectionSizeHint(c));
        }
        QVERIFY(tree->header()->length() <= tree->viewport()->width());
        if (userWidth)
            QCOMPARE(tree->columnWidth(1), userWidth);
    }
};

QTEST_MAIN(FileDialogFitTest)
#include "tst_file_dialog_fit.moc"

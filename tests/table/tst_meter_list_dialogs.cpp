// Export and import with their dialogs and failure messages; the file
// dialog and the message boxes are replaced through MeterListUi.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "table/meter_table.h"
#include "table/ui/meter_list_dialogs.h"
#include "widgets/file_dialog_fit.h"

namespace {

// Runs `act` on the first modal window that opens.
void OnModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

}  // namespace

class TestMeterListDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir* dir = nullptr;
    MeterTable* table = nullptr;
    QList<MeterListUi::FileRequest> requests;
    QList<MeterListUi::Message> messages;
    MeterListUi::FileChoice nextChoice;
    std::function<void()> onChoose;
    QString separator = ";";

    std::function<QString()> sep()
    {
        return [this] { return separator; };
    }
    void fill()
    {
        table->replaceDataRows({{"1", "12345678", "Water", "", "Hall"}, {"9", "87654321", "Heat", "AB", ""}});
    }

private slots:
    void init()
    {
        dir = new QTemporaryDir;
        table = new MeterTable;
        requests.clear();
        messages.clear();
        nextChoice = {};
        onChoose = nullptr;
        separator = ";";
        MeterListUi::chooseFile = [this](QWidget*, const MeterListUi::FileRequest& r) {
            requests << r;
            if (onChoose)
                onChoose();
            return nextChoice;
        };
        MeterListUi::showMessage = [this](QWidget*, const MeterListUi::Message& m) { messages << m; };
    }
    void cleanup()
    {
        MeterListUi::chooseFile = nullptr;
        MeterListUi::showMessage = nullptr;
        delete table;
        delete dir;
    }

    void exportAsksWithTheSaveDialogAndWrites()
    {
        fill();
        nextChoice.path = dir->filePath("out");
        ExportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(requests.size(), 1);
        const MeterListUi::FileRequest r = requests.first();
        QVERIFY(r.save);
        QCOMPARE(r.folder, dir->path());
        QCOMPARE(r.fileName, QStringLiteral("meters_data.csv"));
        QCOMPARE(r.defaultSuffix, QStringLiteral("csv"));
        QCOMPARE(r.nameFilters, QStringList({"CSV files (*.csv)", "TXT files (*.txt)"}));
        // A name typed without extension gets the default one.
        QCOMPARE(ReadAll(dir->filePath("out.csv")), QByteArray("1;12345678;Water;;Hall;\r\n9;87654321;Heat;AB;;\r\n"));
        QVERIFY(messages.isEmpty());
        QCOMPARE(table->cell(0, 2), QStringLiteral("9"));  // the table is never changed
        QVERIFY(!table->modified());                       // saved: nothing left unsaved
    }

    void exportReplacesWithoutAsking()
    {
        fill();
        nextChoice.path = dir->filePath("m.txt");
        WriteAll(nextChoice.path, "old");
        separator = ",";
        ExportMeterList(nullptr, *table, dir->path(), sep(), "other.csv");
        QCOMPARE(requests.first().fileName, QStringLiteral("other.csv"));
        QCOMPARE(ReadAll(nextChoice.path), QByteArray("1,12345678,Water,,Hall,\r\n9,87654321,Heat,AB,,\r\n"));
    }

    void exportFailures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("text");
        QTest::newRow("dialog cancelled") << "cancel" << QString();
        QTest::newRow("dialog cannot be shown") << "failed"
                                                << "File cannot be written or open!\nContact administrator.";
        QTest::newRow("folder missing") << "nofolder"
                                        << "File cannot be written, no rights!\nContact administrator.";
        QTest::newRow("a folder in the way") << "folder"
                                             << "File cannot be written, no rights!\nContact administrator.";
    }
    void exportFailures()
    {
        QFETCH(QString, situation);
        QFETCH(QString, text);
        fill();
        if (situation == "failed")
            nextChoice.failed = true;
        else if (situation == "nofolder")
            nextChoice.path = dir->filePath("missing/m.csv");
        else if (situation == "folder") {
            QDir(dir->path()).mkdir("m.csv");
            nextChoice.path = dir->filePath("m.csv");
        }
        ExportMeterList(nullptr, *table, dir->path(), sep());
        if (text.isEmpty()) {
            QVERIFY(messages.isEmpty());
        } else {
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages.first().text, text);
            QCOMPARE(messages.first().title, QStringLiteral("Error saving file"));
            QCOMPARE(messages.first().icon, QMessageBox::Critical);
        }
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList());
        QVERIFY(table->modified());  // not saved
    }

    void importAsksWithTheOpenDialogAndFills()
    {
        fill();
        nextChoice.path = dir->filePath("in.csv");
        WriteAll(nextChoice.path, "5;11111111;Gas;;a;\n6;22222222;Water;FF;b;\n");
        ImportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(requests.size(), 1);
        const MeterListUi::FileRequest r = requests.first();
        QVERIFY(!r.save);
        QCOMPARE(r.folder, dir->path());
        QCOMPARE(r.fileName, QString());
        QCOMPARE(r.defaultSuffix, QString());
        QCOMPARE(r.nameFilters, QStringList({"CSV (*.csv)", "TXT (*.txt)"}));
        QVERIFY(messages.isEmpty());
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->cell(0, 2), QStringLiteral("2"));
        QCOMPARE(table->cell(3, 2), QStringLiteral("FF"));
        QVERIFY(!table->modified());  // as loaded
    }

    // Faults: a file read with another separator than its own filling the
    // table with empty rows without a word; a file read well logging.
    void importLogsHowManyLinesGaveNoMeterId()
    {
        QStringList log;
        nextChoice.path = dir->filePath("in.csv");
        for (const char* text : {"1,11111111,Gas,,,\r\n2;22222222;Water;;;\r\n3;;;;;\r\n4,33333333\r\n",
                                 "1;11111111;Gas;;;\r\n2;;;;;\r\n"}) {
            WriteAll(nextChoice.path, text);
            ImportMeterList(nullptr, *table, dir->path(), sep(), [&log](const QString& line) { log << line; });
        }
        QCOMPARE(log, QStringList{"in.csv: 2 line(s) gave no meter ID"});
        QCOMPARE(table->rowCount(), 3);  // the window still imports every line as a row
    }

    void importReadsTheSeparatorWhenItReads()
    {
        nextChoice.path = dir->filePath("in.csv");
        WriteAll(nextChoice.path, "1|11111111|Gas|\r\n");
        // Changed while the dialog was open: the new separator counts.
        onChoose = [this] { separator = "|"; };
        ImportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(table->cell(1, 1), QStringLiteral("11111111"));
        QCOMPARE(table->cell(2, 1), QStringLiteral("Gas"));
    }

    // Faults: a pipe or device opened (the window hangs), a huge file read
    // whole, the table cleared or the selection or marks lost on a refusal.
    void importFailuresKeepTheTable_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("cancelled") << "cancel"
                                   << "";
        QTest::newRow("file vanished") << "vanished"
                                       << "You chose wrong file for import!\nContact administrator!";
        QTest::newRow("a folder chosen") << "folder"
                                         << "it is a folder, not a meter list file.";
        QTest::newRow("a pipe, no writer") << "pipe"
                                           << "it is a named pipe, not a meter list file.";
        QTest::newRow("a socket") << "socket"
                                  << "it is a socket, not a meter list file.";
        QTest::newRow("a device") << "/dev/zero"
                                  << "it is a device, not a meter list file.";
        QTest::newRow("over 64 MiB") << "large"
                                     << "the file is too large for a meter list (64";
        QTest::newRow("size 0, every read fails") << "/proc/self/mem"
                                                  << "You chose wrong file for import!";
    }
    void importFailuresKeepTheTable()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        fill();
        table->setSelectedRow(2);
        table->setRowMarked(1, true);
        nextChoice.path = situation.startsWith('/') ? situation : dir->filePath(situation + ".csv");
        const QByteArray native = QFile::encodeName(nextChoice.path);
        if (situation == "vanished") {
            WriteAll(nextChoice.path, "1;2;3;4;5;\r\n");
            onChoose = [this] { QFile::remove(nextChoice.path); };
        } else if (situation == "folder") {
            QVERIFY(QDir(dir->path()).mkdir("folder.csv"));
        } else if (situation == "pipe") {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else if (situation == "socket") {
            sockaddr_un address{AF_UNIX, {}};
            qstrncpy(address.sun_path, native.constData(), sizeof address.sun_path);
            QCOMPARE(::bind(::socket(AF_UNIX, SOCK_STREAM, 0), (sockaddr*)&address, sizeof address), 0);
        } else if (situation == "large") {
            QFile big(nextChoice.path);
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(64LL * 1024 * 1024 + 1));  // sparse
        } else if (situation == "cancel") {
            nextChoice.path.clear();
        }
        ImportMeterList(nullptr, *table, dir->path(), sep());
        QVERIFY(table->rowCount() == 3 && table->cell(1, 2) == QStringLiteral("87654321"));
        QVERIFY(table->selectedRow() == 2 && table->rowMarked(1) && !table->rowMarked(2));
        QVERIFY(table->modified());  // the unsaved work is still unsaved
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            const MeterListUi::Message& m = messages.first();
            QVERIFY2(m.text.contains(message) && (message.startsWith("You") || m.text.contains(nextChoice.path)),
                     qPrintable(m.text));
            QVERIFY(m.title == QStringLiteral("File Error") && m.icon == QMessageBox::Warning);
        }
    }

    void importTooManyData()
    {
        fill();
        nextChoice.path = dir->filePath("in.csv");
        WriteAll(nextChoice.path, "1;11111111;Gas;;;\r\n2;1;2;3;4;5;6;7;8;9;10\r\n3;33333333;;;;\r\n");
        ImportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().text,
                 QStringLiteral("You are trying to import too many data!!!\nCorrect csv file and try again!"));
        QCOMPARE(messages.first().icon, QMessageBox::NoIcon);
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->cell(1, 1), QStringLiteral("11111111"));
        QCOMPARE(table->cell(1, 2), QString());
    }

    void theRealDialogs()
    {
        MeterListUi::chooseFile = nullptr;
        MeterListUi::showMessage = nullptr;
        fill();
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        QString suffix, folder;
        QStringList filters;
        OnModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            QVERIFY(d);
            mode = d->acceptMode();
            suffix = d->defaultSuffix();
            folder = d->directory().absolutePath();
            filters = d->nameFilters();
            d->selectFile(dir->filePath("saved"));
            QMetaObject::invokeMethod(d, "accept");
        });
        ExportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(mode, QFileDialog::AcceptSave);
        QCOMPARE(suffix, QStringLiteral("csv"));
        QCOMPARE(folder, QDir(dir->path()).absolutePath());
        QCOMPARE(filters, QStringList({"CSV files (*.csv)", "TXT files (*.txt)"}));
        QVERIFY(QFile::exists(dir->filePath("saved.csv")));

        // An unreadable file: the warning box, then the table as it was.
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        OnModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            QVERIFY(d);
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
            const QString path = dir->filePath("saved.csv");
            d->selectFile(path);
            QFile::remove(path);
            OnModal([&](QWidget* box) {
                auto* m = qobject_cast<QMessageBox*>(box);
                QVERIFY(m);
                title = m->windowTitle();
                text = m->text();
                icon = m->icon();
                m->accept();
            });
            // The dialog refuses a file that no longer exists; pretend it was there.
            QMetaObject::invokeMethod(d, "done", Q_ARG(int, QDialog::Accepted));
        });
        ImportMeterList(nullptr, *table, dir->path(), sep());
        QCOMPARE(title, QStringLiteral("File Error"));
        QCOMPARE(text, QStringLiteral("You chose wrong file for import!\nContact administrator!"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(table->cell(1, 2), QStringLiteral("87654321"));
    }

    // Fails when a file dialog keeps its fixed size and cuts a column ("159…tes"), leaves
    // the screen of its window, or touches a dialog without a detail view.
    void fileDialogColumnsReadWhole_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<int>("points");  // the dialog's font; 0 for the application's
        QTest::addColumn<bool>("detailView");
        QTest::newRow("wide screen") << "1-wide" << 0 << true;
        QTest::newRow("150 % laptop, large font") << "6-small-150" << 14 << true;
        QTest::newRow("no detail view") << "1-wide" << 0 << false;
    }
    void fileDialogColumnsReadWhole()
    {
        QFETCH(QString, screen);
        QFETCH(int, points);
        QFETCH(bool, detailView);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir->filePath("config"));  // no saved widths
        WriteAll(dir->filePath("meters_data.csv"), QByteArray(159, 'x'));
        QWidget window;
        for (QScreen* s : QGuiApplication::screens())
            window.setScreen(s->name() == screen ? s : window.screen());
        window.setGeometry(QRect(window.screen()->availableGeometry().topLeft(), QSize(800, 400)));
        window.show();
        QFileDialog dialog(&window, QStringLiteral("Load"), dir->path(), QStringLiteral("All (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFont(QFont(dialog.font().family(), points ? points : dialog.font().pointSize()));
        auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        tree->setObjectName(detailView ? tree->objectName() : QStringLiteral("notTheDetailView"));
        const int built = dialog.width();
        FitFileDialog(&dialog, &window);
        dialog.show();
        QTRY_COMPARE(tree->model()->rowCount(tree->rootIndex()), 1);
        const QRect area = window.screen()->availableGeometry();
        QVERIFY2(window.screen()->name() == screen && area.contains(dialog.frameGeometry()), qPrintable(screen));
        if (!detailView || points)  // untouched, or as wide as the screen allows
            QVERIFY(detailView ? dialog.frameGeometry().width() >= area.width() - 4 : dialog.width() == built);
        const QAbstractItemView* view = tree;
        for (int c = 1; detailView && !points && c <= 3; ++c)  // whole, and all in view
            QVERIFY(tree->columnWidth(c) >= view->sizeHintForColumn(c) && tree->header()->length() <= tree->width());
    }
};

QTEST_MAIN(TestMeterListDialogs)
#include "tst_meter_list_dialogs.moc"

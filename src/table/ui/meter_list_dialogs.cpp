#include "table/ui/meter_list_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

#include "table/meter_list_file.h"
#include "table/meter_list_reader.h"
#include "table/meter_table.h"
#include "widgets/file_dialog_fit.h"

std::function<MeterListUi::FileChoice(QWidget*, const MeterListUi::FileRequest&)> MeterListUi::chooseFile;
std::function<void(QWidget*, const MeterListUi::Message&)> MeterListUi::showMessage;

namespace {

MeterListUi::FileChoice ChooseFile(QWidget* parent, const MeterListUi::FileRequest& request)
{
    if (MeterListUi::chooseFile)
        return MeterListUi::chooseFile(parent, request);
    MeterListUi::FileChoice choice;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The save dialog does not ask before replacing a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(request.nameFilters);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.folder.isEmpty() && QDir(request.folder).exists())
        dialog.setDirectory(request.folder);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    FitFileDialog(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted)
        return choice;
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty())
        choice.path = files.first();
    return choice;
}

void ShowMessage(QWidget* parent, const MeterListUi::Message& message)
{
    if (MeterListUi::showMessage) {
        MeterListUi::showMessage(parent, message);
        return;
    }
    QMessageBox box(message.icon, message.title, message.text, QMessageBox::Ok, parent);
    box.exec();
}

QString CurrentSeparator(const std::function<QString()>& separator)
{
    return separator ? separator() : QStringLiteral(";");
}

// Reads and parses the file on a worker thread while the window goes on;
// a progress dialog (window-modal, with Cancel) appears when the load takes
// longer than half a second. Returns when the worker is done.
MeterListFile::LoadResult LoadInBackground(QWidget* parent, const QString& path, const QString& separator)
{
    MeterListFile::ReadControl control;
    MeterListFile::LoadResult result;
    // Before the progress dialog shows, the window still takes clicks: a
    // second import meanwhile is refused as cancelled.
    static bool loading = false;
    if (loading)
        return MeterListFile::LoadResult{MeterListFile::LoadStatus::Cancelled, {}, 0, {}};
    const QScopedValueRollback<bool> busy(loading, true);
    QScopedPointer<QThread> worker(
        QThread::create([&] { result = MeterListFile::LoadMeterListFile(path, separator, &control); }));
    QProgressDialog progress(QStringLiteral("Reading %1 ...").arg(QFileInfo(path).fileName()), QStringLiteral("Cancel"),
                             0, 1000, parent);
    progress.setWindowTitle(QStringLiteral("Load / Import"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &progress, [&] { progress.setValue(control.permille.load()); });
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&] { control.cancel = true; });
    QObject::connect(worker.data(), &QThread::finished, &loop, &QEventLoop::quit);
    tick.start(100);
    worker->start();
    loop.exec();
    if (!worker->isFinished())
        control.cancel = true;  // the loop ended early: the program quits
    worker->wait();
    return result;
}

}  // namespace

void ExportMeterList(QWidget* parent, MeterTable& table, const QString& settingsDir,
                     const std::function<QString()>& separator, const QString& defaultName)
{
    MeterListUi::FileRequest request;
    request.save = true;
    request.folder = settingsDir;
    request.fileName = defaultName;
    request.nameFilters = {QStringLiteral("CSV files (*.csv)"), QStringLiteral("TXT files (*.txt)")};
    request.defaultSuffix = QStringLiteral("csv");
    const MeterListUi::FileChoice choice = ChooseFile(parent, request);
    if (choice.failed) {
        ShowMessage(parent,
                    {QMessageBox::Critical, QStringLiteral("Error saving file"),
                     QStringLiteral("File cannot be written or open!\nContact administrator.")});
        return;
    }
    if (choice.path.isEmpty())
        return;
    const QString path = MeterListFile::WithDefaultSuffix(choice.path, request.defaultSuffix);
    const QByteArray bytes = MeterListFile::SerialiseMeterList(table, CurrentSeparator(separator));
    if (!MeterListFile::WriteMeterListFile(path, bytes, nullptr, MeterListFile::HoldsKeys(table))) {
        ShowMessage(parent,
                    {QMessageBox::Critical, QStringLiteral("Error saving file"),
                     QStringLiteral("File cannot be written, no rights!\nContact administrator.")});
        return;
    }
    table.setModified(false);
}

void ImportMeterList(QWidget* parent, MeterTable& table, const QString& settingsDir,
                     const std::function<QString()>& separator, const std::function<void(const QString&)>& logLine)
{
    MeterListUi::FileRequest request;
    request.save = false;
    request.folder = settingsDir;
    request.nameFilters = {QStringLiteral("CSV (*.csv)"), QStringLiteral("TXT (*.txt)")};
    const MeterListUi::FileChoice choice = ChooseFile(parent, request);
    if (choice.failed || choice.path.isEmpty())
        return;
    // A folder, device, pipe or socket, or a file far too large, is refused
    // at once, before anything opens it: the table stays as it is.
    using MeterListFile::LoadStatus;
    MeterListFile::LoadResult result = MeterListFile::CheckMeterListFile(choice.path);
    if (result.status == LoadStatus::Loaded)
        result = LoadInBackground(parent, choice.path, CurrentSeparator(separator));
    switch (result.status) {
    case LoadStatus::Loaded: break;
    case LoadStatus::Cancelled: return;
    case LoadStatus::NotRegular:
        ShowMessage(parent,
                    {QMessageBox::Warning, QStringLiteral("File Error"),
                     QStringLiteral("Cannot import \"%1\": it is %2, not a meter list file.")
                         .arg(QDir::toNativeSeparators(choice.path), result.reason)});
        return;
    case LoadStatus::TooLarge:
        ShowMessage(parent,
                    {QMessageBox::Warning, QStringLiteral("File Error"),
                     QStringLiteral("Cannot import \"%1\": the file is too large for a meter list (%2; "
                                    "a meter list is at most %3).")
                         .arg(QDir::toNativeSeparators(choice.path), QLocale::system().formattedDataSize(result.size),
                              QLocale::system().formattedDataSize(MeterListFile::kMaxFileBytes))});
        return;
    case LoadStatus::ReadError:
        // The file is read before the table is cleared, so that a file that
        // cannot be read costs nothing of the table on screen.
        ShowMessage(parent,
                    {QMessageBox::Warning, QStringLiteral("File Error"),
                     QStringLiteral("You chose wrong file for import!\nContact administrator!")});
        return;
    }
    if (result.parsed.linesWithoutId > 0 && logLine)
        logLine(QStringLiteral("%1: %2 line(s) gave no meter ID")
                    .arg(QFileInfo(choice.path).fileName())
                    .arg(result.parsed.linesWithoutId));
    table.ClearMeterTable();
    if (!result.parsed.rows.empty())
        table.replaceDataRows(std::move(result.parsed.rows));
    table.setModified(false);
    if (result.parsed.outcome == MeterListFile::ImportOutcome::TooManyData) {
        ShowMessage(parent,
                    {QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                     QStringLiteral("You are trying to import too many data!!!\nCorrect csv file and try again!")});
    }
}

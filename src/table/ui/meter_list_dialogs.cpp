#include "table/ui/meter_list_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include "table/meter_list_file.h"
#include "table/meter_table.h"

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
        ShowMessage(parent, {QMessageBox::Critical, QStringLiteral("Error saving file"),
                             QStringLiteral("File cannot be written or open!\nContact administrator.")});
        return;
    }
    if (choice.path.isEmpty())
        return;
    const QString path = MeterListFile::WithDefaultSuffix(choice.path, request.defaultSuffix);
    const QByteArray bytes = MeterListFile::SerialiseMeterList(table, CurrentSeparator(separator));
    if (!MeterListFile::WriteMeterListFile(path, bytes, nullptr, MeterListFile::HoldsKeys(table))) {
        ShowMessage(parent, {QMessageBox::Critical, QStringLiteral("Error saving file"),
                             QStringLiteral("File cannot be written, no rights!\nContact administrator.")});
    }
}

void ImportMeterList(QWidget* parent, MeterTable& table, const QString& settingsDir,
                     const std::function<QString()>& separator)
{
    MeterListUi::FileRequest request;
    request.save = false;
    request.folder = settingsDir;
    request.nameFilters = {QStringLiteral("CSV (*.csv)"), QStringLiteral("TXT (*.txt)")};
    const MeterListUi::FileChoice choice = ChooseFile(parent, request);
    if (choice.failed || choice.path.isEmpty())
        return;
    // The file is read before the table is cleared, so that a file that
    // cannot be read costs nothing of the table on screen.
    QByteArray bytes;
    if (!MeterListFile::ReadMeterListFile(choice.path, &bytes)) {
        ShowMessage(parent, {QMessageBox::Warning, QStringLiteral("File Error"),
                             QStringLiteral("You chose wrong file for import!\nContact administrator!")});
        return;
    }
    const MeterListFile::ImportOutcome outcome =
        MeterListFile::ImportMeterListBytes(table, bytes, CurrentSeparator(separator));
    if (outcome == MeterListFile::ImportOutcome::TooManyData) {
        ShowMessage(parent, {QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                             QStringLiteral("You are trying to import too many data!!!\nCorrect csv file and try again!")});
    }
}

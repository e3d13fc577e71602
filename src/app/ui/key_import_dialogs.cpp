#include "app/ui/key_import_dialogs.h"

#include "core/activity_log.h"
#include "table/meter_table.h"
#include "widgets/file_dialog_fit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

std::function<QString(QWidget*)> KeyImportUi::chooseFile;
std::function<int(QDialog*)> KeyImportUi::runDialog;

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("Buttons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QCheckBox* Check(const QString& text, const char* name, bool on, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(on);
    return box;
}

int Run(QDialog* dialog)
{
    return KeyImportUi::runDialog ? KeyImportUi::runDialog(dialog) : dialog->exec();
}

QString ChooseKeyFile(QWidget* parent, const QString& settingsDir)
{
    if (KeyImportUi::chooseFile)
        return KeyImportUi::chooseFile(parent);
    QFileDialog dialog(parent, QStringLiteral("Import keys"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("Key files (*.kem *.kem2 *.zip *.csv *.txt)"), QStringLiteral("All files (*)")});
    if (QDir(settingsDir).exists())
        dialog.setDirectory(settingsDir);
    FitFileDialog(&dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

// Reads the file on a worker thread while the window goes on.
KeyFile::Result ReadInBackground(const QString& path, const KeyFile::Options& options)
{
    KeyFile::Result result;
    QEventLoop loop;
    QScopedPointer<QThread> worker(QThread::create([&] { result = KeyFile::ReadFile(path, options); }));
    QObject::connect(worker.data(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    return result;
}

}  // namespace

KeyPasswordDialog::KeyPasswordDialog(const QString& fileName, const QString& problem, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("KeyPasswordDialog"));
    setWindowTitle(QStringLiteral("Key file password"));
    auto* v = new QVBoxLayout(this);
    auto* about = new QLabel(QStringLiteral("%1 is encrypted. Type the password the meter maker sent with it; it "
                                            "is used for this file only and never kept.")
                                 .arg(fileName),
                             this);
    about->setObjectName(QStringLiteral("Label_about"));
    about->setWordWrap(true);
    v->addWidget(about);
    if (!problem.isEmpty()) {
        auto* warning = new QLabel(problem, this);
        warning->setObjectName(QStringLiteral("Label_problem"));
        warning->setWordWrap(true);
        QFont bold = warning->font();
        bold.setBold(true);
        warning->setFont(bold);
        v->addWidget(warning);
    }
    auto* form = new QFormLayout;
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("Edit_password"));
    field_->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(QStringLiteral("&Password:"), this);
    label->setObjectName(QStringLiteral("Label_password"));
    label->setBuddy(field_);
    form->addRow(label, field_);
    v->addLayout(form);
    auto* show = Check(QStringLiteral("&Show password"), "Check_showPassword", false, this);
    connect(show, &QCheckBox::toggled, this,
            [this](bool on) { field_->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password); });
    v->addWidget(show);
    v->addWidget(OkCancel(this));
    // Wide enough for the explanation to read in a few lines.
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
    connect(this, &QDialog::finished, this, [this] {
        if (result() != Accepted)
            clearField();
    });
}

KeyPasswordDialog::~KeyPasswordDialog()
{
    clearField();
}

QByteArray KeyPasswordDialog::takePassword()
{
    QString text = field_->text();
    QByteArray bytes = text.toUtf8();
    KeyFile::Wipe(text);
    clearField();
    return bytes;
}

void KeyPasswordDialog::clearField()
{
    // Overwrite the text before clearing it, so that the field's own copy
    // goes as well.
    field_->setText(QString(field_->text().size(), QLatin1Char(' ')));
    field_->clear();
}

KeyPreviewDialog::KeyPreviewDialog(const QString& fileName, const std::vector<KeyImport::PreviewRow>& rows,
                                   const std::vector<KeyFile::Skipped>& skipped, QWidget* parent)
    : QDialog(parent), rows_(rows)
{
    setObjectName(QStringLiteral("KeyPreviewDialog"));
    setWindowTitle(QStringLiteral("Import keys"));
    auto* v = new QVBoxLayout(this);
    auto* about = new QLabel(
        QStringLiteral("%1: %2 meters to import, %3 entries skipped.")
            .arg(fileName)
            .arg(std::count_if(rows.begin(), rows.end(),
                               [](const KeyImport::PreviewRow& p) { return p.state != KeyImport::RowState::Conflict; }))
            .arg(skipped.size()),
        this);
    about->setObjectName(QStringLiteral("Label_summary"));
    v->addWidget(about);
    table_ = new QTableWidget(int(rows.size()), 4, this);
    table_->setObjectName(QStringLiteral("Table_keys"));
    table_->setAccessibleName(QStringLiteral("Keys in the file"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Meter ID"), QStringLiteral("Medium"), QStringLiteral("Key"), QStringLiteral("Import")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    for (int r = 0; r < int(rows.size()); ++r) {
        const KeyFile::Meter& m = rows[size_t(r)].meter;
        const QString medium = m.medium.isEmpty() ? m.fileMedium : m.medium;
        for (const auto& [col, text] :
             {std::pair{0, m.id}, std::pair{1, medium}, std::pair{3, KeyImport::StateText(rows[size_t(r)].state)}})
            table_->setItem(r, col, new QTableWidgetItem(text));
        table_->item(r, 0)->setToolTip(m.where);
    }
    showKeys(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(table_, 1);
    if (!skipped.empty()) {
        auto* list = new QPlainTextEdit(this);
        list->setObjectName(QStringLiteral("Memo_skipped"));
        list->setAccessibleName(QStringLiteral("Entries skipped"));
        list->setReadOnly(true);
        list->setMaximumHeight(fontMetrics().height() * 5);
        for (const KeyFile::Skipped& s : skipped)
            list->appendPlainText(s.where + QStringLiteral(": ") + s.reason);
        v->addWidget(list);
    }
    auto* show = Check(QStringLiteral("Show &keys"), "Check_showKeys", false, this);
    connect(show, &QCheckBox::toggled, this, &KeyPreviewDialog::showKeys);
    addNew_ = Check(QStringLiteral("&Add meters that are not in the table"), "Check_addNew", true, this);
    replace_ = Check(QStringLiteral("&Replace keys that differ"), "Check_replace", false, this);
    for (QWidget* w : {static_cast<QWidget*>(show), static_cast<QWidget*>(addNew_), static_cast<QWidget*>(replace_)})
        v->addWidget(w);
    v->addWidget(OkCancel(this));
    resize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 32);
}

KeyImport::Choices KeyPreviewDialog::choices() const
{
    return {addNew_->isChecked(), replace_->isChecked()};
}

void KeyPreviewDialog::showKeys(bool shown)
{
    for (int r = 0; r < table_->rowCount(); ++r) {
        const QString& key = rows_[size_t(r)].meter.key;
        table_->setItem(r, 2, new QTableWidgetItem(shown ? key : KeyImport::MaskedKey(key)));
    }
    table_->resizeColumnsToContents();
}

void ImportKeysWithDialogs(QWidget* parent, MeterTable& table, ActivityLog& log, const QString& settingsDir,
                           const QString& separator)
{
    const QString path = ChooseKeyFile(parent, settingsDir);
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    KeyFile::Options options;
    options.separator = separator;
    KeyFile::Result r = ReadInBackground(path, options);
    // Asked again after a wrong (or too long, or empty) password, until
    // the file reads or the user cancels.
    QString problem;
    while (r.status == KeyFile::Status::PasswordNeeded || r.status == KeyFile::Status::WrongPassword
           || r.status == KeyFile::Status::PasswordTooLong) {
        KeyPasswordDialog ask(name, problem, parent);
        if (Run(&ask) != QDialog::Accepted)
            return;
        options.password = ask.takePassword();
        r = ReadInBackground(path, options);
        KeyFile::Wipe(options.password);
        problem = r.message;
    }
    if (r.status != KeyFile::Status::Read) {
        QMessageBox box(
            QMessageBox::Warning, QStringLiteral("Import keys"),
            QStringLiteral("Cannot import keys from \"%1\": %2.").arg(QDir::toNativeSeparators(path), r.message),
            QMessageBox::Ok, parent);
        Run(&box);
        return;
    }
    const std::vector<KeyImport::PreviewRow> rows = KeyImport::Preview(r, table);
    KeyPreviewDialog preview(name, rows, r.skipped, parent);
    if (Run(&preview) != QDialog::Accepted)
        return;
    const KeyImport::Counts counts = KeyImport::Apply(rows, int(r.skipped.size()), preview.choices(), table);
    log.append(KeyImport::LogLine(name, counts));
}

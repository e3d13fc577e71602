#pragma once
// File > "Import keys...": the file dialog, the password dialog of an
// encrypted key file and the preview of what the import does to the meter
// table. The reading and the rules are in protocol/key_file and
// protocol/key_import; these only show them.
#include "protocol/key_import.h"

#include <QDialog>
#include <functional>

class ActivityLog;
class MeterTable;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// "Key file password": a masked field with "Show password". The typed text
// is handed over once by takePassword() and never kept by the dialog.
class KeyPasswordDialog : public QDialog {
    Q_OBJECT
public:
    // `problem` is shown above the field (a wrong password before), or nothing.
    KeyPasswordDialog(const QString& fileName, const QString& problem, QWidget* parent = nullptr);
    ~KeyPasswordDialog() override;
    // The UTF-8 bytes typed; the field is emptied.
    QByteArray takePassword();

private:
    void clearField();
    QLineEdit* field_;
};

// "Import keys": the meters of the file with their states, and the choices.
class KeyPreviewDialog : public QDialog {
    Q_OBJECT
public:
    KeyPreviewDialog(const QString& fileName, const std::vector<KeyImport::PreviewRow>& rows,
                     const std::vector<KeyFile::Skipped>& skipped, QWidget* parent = nullptr);
    KeyImport::Choices choices() const;

private:
    void showKeys(bool shown);
    const std::vector<KeyImport::PreviewRow>& rows_;
    QTableWidget* table_;
    QCheckBox* addNew_;
    QCheckBox* replace_;
};

// Replaceable user interaction, so that tests run without modal windows.
struct KeyImportUi {
    // When set, replaces the file dialog; returns "" when cancelled.
    static std::function<QString(QWidget* parent)> chooseFile;
    // When set, replaces exec() of each dialog (password or preview).
    static std::function<int(QDialog* dialog)> runDialog;
};

// The whole command: file, password (asked again after a wrong one),
// preview, then the table changed and one line logged. Cancel anywhere
// changes nothing.
void ImportKeysWithDialogs(QWidget* parent, MeterTable& table, ActivityLog& log, const QString& settingsDir,
                           const QString& separator);

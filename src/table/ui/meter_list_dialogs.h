#pragma once
// Export and import of the meter table with the file dialogs and the message
// boxes of their failures. The file work itself is in table/meter_list_file
// and table/meter_list_reader. Both run on the GUI thread and block while the
// dialog or a message box is open.
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;
class MeterTable;

// Writes every data row of `table` to a CSV file chosen in a save dialog that
// starts in `settingsDir` with `defaultName`. `separator` is asked for the
// current separator text when the file is built. A failed write leaves any
// old file of that name intact. The table is never changed.
void ExportMeterList(QWidget* parent, MeterTable& table, const QString& settingsDir,
                     const std::function<QString()>& separator,
                     const QString& defaultName = QStringLiteral("meters_data.csv"));

// Asks for a CSV file in an open dialog that starts in `settingsDir`, reads
// it, then clears `table` and fills it from the file. A folder, device, pipe
// or socket, or a file over 64 MiB, is refused with a message naming it and
// the reason, before anything opens it; a file that cannot be read gives the
// read-error message. In all these cases, and when the user cancels the
// progress dialog of a long load, the table, its selection and its marks
// stay as they were. The file is read and parsed on a worker thread while
// the window goes on (a nested event loop runs meanwhile). When lines of the
// file held more than a row number but gave no meter ID (a file read with
// another separator than its own), `logLine` is told how many.
void ImportMeterList(QWidget* parent, MeterTable& table, const QString& settingsDir,
                     const std::function<QString()>& separator,
                     const std::function<void(const QString&)>& logLine = {});

// Replaceable user interaction, so that tests run without modal windows.
struct MeterListUi {
    struct FileRequest {
        bool save = false;        // save dialog, else open dialog
        QString folder;           // start folder
        QString fileName;         // initial name ("" for none)
        QStringList nameFilters;  // e.g. "CSV files (*.csv)"
        QString defaultSuffix;    // added to a name typed without extension
    };
    struct FileChoice {
        bool failed = false;  // the dialog could not be shown
        QString path;         // "" when cancelled
    };
    struct Message {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
    };
    // When set, replaces the file dialog.
    static std::function<FileChoice(QWidget* parent, const FileRequest&)> chooseFile;
    // When set, replaces the message box.
    static std::function<void(QWidget* parent, const Message&)> showMessage;
};

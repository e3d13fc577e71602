#pragma once
// The activity log's "Save log" and "Print log" commands. GUI thread; both
// show a modal dialog and block until it closes.
#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;
class QPagedPaintDevice;
class QPrinter;
class ActivityLog;

// Save dialog starting at settingsDir + "log.txt", file types
// "Text Files (*.txt)", no overwrite question. Cancel does nothing; a failed
// write appends "Can not write file, no rights..." to the log.
void SaveLogWithDialog(QWidget* parent, ActivityLog& log, const QString& settingsDir);

// The system's print dialog, then the log printed on the chosen printer.
void PrintLogWithDialog(QWidget* parent, ActivityLog& log);

// Prints the log on a printer set up by the print dialog. Printed to a file
// (the dialog's "Print to File"), the PDF replaces any old file only once it
// is finished, and a log that holds keys becomes a private file (see
// PrintToPdfFile); when that file cannot be written the log gains "Can not
// write file, no rights..." and the old file stays. Returns whether anything
// was printed.
bool PrintLog(QPrinter& printer, ActivityLog& log, const QDateTime& now);

// Prints the title line ("Print of log file " + short date + ", " + long time,
// system formats, from `now`) and the lines on device, with page breaks.
// Returns the number of pages printed, 0 when the device could not finish.
int PrintLogTo(QPagedPaintDevice* device, const QStringList& lines, const QDateTime& now);

// The title text for `now`.
QString PrintTitleText(const QDateTime& now);

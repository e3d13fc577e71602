#pragma once
// Writing the activity log to a text file: one line per log line, each ending
// in CR LF, in Windows-1252 (characters outside it become '?').
// The file is written beside the target and moved into place only when
// complete, so a failed save leaves any old file exactly as it was.
// Blocks on file I/O only.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class ActivityLog;

// The bytes of the saved log.
QByteArray EncodeLogText(const QStringList& lines);

// Writes the lines to path, replacing a file of that name. Returns false when
// the file cannot be written (missing folder, no rights, read-only file, disk
// full); the old file is then untouched. A log that `holdsKeys` is written
// as a private file (owner only, see ReplacingFile).
bool SaveLogFile(const QString& path, const QStringList& lines, bool holdsKeys = false);

// The "Save log" step after the dialog: saves the log's lines to path (a
// private file when the log holds keys) and,
// on failure, appends "Can not write file, no rights..." to the log.
// An empty path does nothing. Returns whether the file was written.
bool SaveActivityLog(ActivityLog& log, const QString& path);

// Whether the file at path ends as a finished PDF does: its last bytes hold
// the end-of-file marker "%%EOF" that a PDF writer puts last.
bool PdfFinished(const QString& path);

// The "Print to File" step: `print` writes a PDF at the path it is given and
// answers whether it finished (the painter ended well). The file takes the
// name `target` only when it did and it ends as a finished PDF, through
// ReplacingFile (a private file when the log holds keys); otherwise any old
// file stays as it was, nothing is left behind and the log gains "Can not
// write file, no rights...". Returns whether the file was written.
bool PrintToPdfFile(ActivityLog& log, const QString& target, const std::function<bool(const QString& path)>& print);

inline constexpr const char* kLogWriteFailedText = "Can not write file, no rights...";

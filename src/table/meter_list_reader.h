#pragma once
// Reading a meter list file safely: what the user picked in the open dialog
// may be anything (a device, a named pipe, a disk image, a /proc file). The
// file is looked at before it is opened, opened without waiting, read to its
// end but only up to a size no meter list reaches, and decoded and parsed with
// progress reports and a way to stop. The size stat reports is only a first
// guess: /proc and some FUSE and network file systems report 0, and a file
// may grow while read. Plain code; LoadMeterListFile may run on any thread.
#include <QString>

#include <atomic>

#include "table/meter_list_file.h"

namespace MeterListFile {

// No meter list comes near this size (a million rows are about 60 MB).
inline constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

enum class LoadStatus {
    Loaded,      // parsed holds the rows
    NotRegular,  // a folder, device, named pipe or socket; reason says which
    TooLarge,    // more than kMaxFileBytes; size says how large (or how much was read)
    ReadError,   // missing, no rights, or a read failed
    Cancelled,   // stopped through ReadControl::cancel
};

struct LoadResult {
    LoadStatus status = LoadStatus::ReadError;
    QString reason;   // "a named pipe", or the system's error text
    qint64 size = 0;  // the file's size, when known
    ParsedMeterList parsed;
};

// Shared between the reading thread and the window.
struct ReadControl {
    std::atomic<int> permille{0};     // progress, 0 to 1000
    std::atomic<bool> cancel{false};  // set to stop the load
};

// Looks at the file without opening it (nothing can wait on a pipe or a
// device): Loaded when it is a regular file of at most kMaxFileBytes.
LoadResult CheckMeterListFile(const QString& path);

// Checks, reads, decodes and parses a whole file. The open never blocks and
// the opened file is checked again, so a file swapped for a pipe after the
// check is refused too. The file is read until its end, whatever size stat
// gave; once more than maxBytes have been read it is TooLarge. `lastField`
// as ParseMeterList takes it.
LoadResult LoadMeterListFile(const QString& path, const QString& separator, ReadControl* control = nullptr,
                             qint64 maxBytes = kMaxFileBytes, LastField lastField = LastField::Dropped);

}  // namespace MeterListFile

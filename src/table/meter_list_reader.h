#pragma once
// Reading a meter list file safely: what the user picked in the open dialog
// may be anything (a device, a named pipe, a disk image). The file is looked
// at before it is opened, opened without waiting, read only up to a size no
// meter list reaches, and decoded and parsed with progress reports and a way
// to stop. Plain code; LoadMeterListFile may run on any thread.
#include <QString>

#include <atomic>

#include "table/meter_list_file.h"

namespace MeterListFile {

// No meter list comes near this size (a million rows are about 60 MB).
inline constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

enum class LoadStatus {
    Loaded,       // parsed holds the rows
    NotRegular,   // a folder, device, named pipe or socket; reason says which
    TooLarge,     // more than kMaxFileBytes; size says how large
    ReadError,    // missing, no rights, or shrank or failed while read
    Cancelled,    // stopped through ReadControl::cancel
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
// check is refused too. A file that ends before the size it had when opened
// is a ReadError.
LoadResult LoadMeterListFile(const QString& path, const QString& separator, ReadControl* control = nullptr);

}  // namespace MeterListFile

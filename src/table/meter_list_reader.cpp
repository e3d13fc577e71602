#include "table/meter_list_reader.h"

#include "core/system_error.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MeterListFile {

namespace {

constexpr qint64 kChunk = 1 << 20;

LoadResult Failure(LoadStatus status, const QString& reason, qint64 size = 0)
{
    LoadResult r;
    r.status = status;
    r.reason = reason;
    r.size = size;
    return r;
}

// What stat says about a file, before or after it is opened.
LoadResult Judge(const struct stat& st, qint64 maxBytes = kMaxFileBytes)
{
    const qint64 size = qint64(st.st_size);
    if (S_ISREG(st.st_mode)) {
        if (size > maxBytes)
            return Failure(LoadStatus::TooLarge, {}, size);
        return Failure(LoadStatus::Loaded, {}, size);
    }
    const char* kind = S_ISDIR(st.st_mode)           ? "a folder"
        : S_ISFIFO(st.st_mode)                       ? "a named pipe"
        : S_ISSOCK(st.st_mode)                       ? "a socket"
        : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                     : "not a regular file";
    return Failure(LoadStatus::NotRegular, QString::fromLatin1(kind), size);
}

void Report(ReadControl* control, qint64 done, qint64 total, int from, int to)
{
    if (control && total > 0)
        control->permille.store(from + int((to - from) * done / total), std::memory_order_relaxed);
}

bool Cancelled(const ReadControl* control)
{
    return control && control->cancel.load(std::memory_order_relaxed);
}

// Reads fd until its end into bytes; `expected` (what stat said) only sizes
// the buffer and the progress. One byte more than maxBytes is asked for, so
// that a file of exactly maxBytes is read whole and a larger one is known.
LoadResult ReadToEnd(int fd, qint64 expected, qint64 maxBytes, ReadControl* control, QByteArray& bytes)
{
    qint64 done = 0;
    bytes.resize(std::clamp<qint64>(expected + 1, 1, maxBytes + 1));
    while (!Cancelled(control)) {
        if (done == bytes.size()) {
            if (done > maxBytes)
                return Failure(LoadStatus::TooLarge, {}, done);
            bytes.resize(std::min(std::max(2 * done, done + kChunk), maxBytes + 1));  // grows geometrically
        }
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(std::min(kChunk, bytes.size() - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Failure(LoadStatus::ReadError, SystemErrorText(errno));
        if (n == 0)
            break;
        done += n;
        Report(control, done, std::max(expected, done), 0, 300);
    }
    bytes.truncate(done);
    return Failure(LoadStatus::Loaded, {}, done);
}

}  // namespace

LoadResult CheckMeterListFile(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return Failure(LoadStatus::ReadError, SystemErrorText(errno));
    return Judge(st);
}

LoadResult LoadMeterListFile(const QString& path, const QString& separator, ReadControl* control, qint64 maxBytes,
                             LastField lastField)
{
    LoadResult result = CheckMeterListFile(path);
    if (result.status != LoadStatus::Loaded)
        return result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failure(LoadStatus::ReadError, SystemErrorText(errno));
    struct stat st {};
    result = ::fstat(fd, &st) == 0 ? Judge(st, maxBytes) : Failure(LoadStatus::ReadError, SystemErrorText(errno));
    QByteArray bytes;
    if (result.status == LoadStatus::Loaded)
        result = ReadToEnd(fd, result.size, maxBytes, control, bytes);
    ::close(fd);
    if (result.status != LoadStatus::Loaded)
        return result;
    if (Cancelled(control))
        return Failure(LoadStatus::Cancelled, {});

    QString text = DecodeMeterListBytes(bytes);
    bytes = QByteArray();
    Report(control, 1, 1, 0, 400);
    result.parsed = ParseMeterList(
        text, separator,
        [control](qsizetype done, qsizetype total) {
            Report(control, done, total, 400, 1000);
            return !Cancelled(control);
        },
        lastField);
    if (Cancelled(control))
        return Failure(LoadStatus::Cancelled, {});
    return result;
}

}  // namespace MeterListFile

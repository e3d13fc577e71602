#include "table/meter_list_reader.h"

#include <QFile>

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

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What stat says about a file, before or after it is opened.
LoadResult Judge(const struct stat& st)
{
    const qint64 size = qint64(st.st_size);
    if (S_ISREG(st.st_mode)) {
        if (size > kMaxFileBytes)
            return Failure(LoadStatus::TooLarge, {}, size);
        return Failure(LoadStatus::Loaded, {}, size);
    }
    const char* kind = S_ISDIR(st.st_mode)                         ? "a folder"
                       : S_ISFIFO(st.st_mode)                      ? "a named pipe"
                       : S_ISSOCK(st.st_mode)                      ? "a socket"
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

}  // namespace

LoadResult CheckMeterListFile(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return Failure(LoadStatus::ReadError, SystemError(errno));
    return Judge(st);
}

LoadResult LoadMeterListFile(const QString& path, const QString& separator, ReadControl* control)
{
    LoadResult result = CheckMeterListFile(path);
    if (result.status != LoadStatus::Loaded)
        return result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Failure(LoadStatus::ReadError, SystemError(errno));
    struct stat st {};
    result = ::fstat(fd, &st) == 0 ? Judge(st) : Failure(LoadStatus::ReadError, SystemError(errno));
    QByteArray bytes;
    if (result.status == LoadStatus::Loaded) {
        bytes.resize(result.size);
        qint64 done = 0;
        while (done < result.size && !Cancelled(control)) {
            const ssize_t n = ::read(fd, bytes.data() + done, size_t(std::min(kChunk, result.size - done)));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {   // an error, or the file ended early: it shrank
                result = Failure(LoadStatus::ReadError,
                                 n < 0 ? SystemError(errno) : QStringLiteral("the file shrank while read"));
                break;
            }
            done += n;
            Report(control, done, result.size, 0, 300);
        }
    }
    ::close(fd);
    if (result.status != LoadStatus::Loaded)
        return result;
    if (Cancelled(control))
        return Failure(LoadStatus::Cancelled, {});

    QString text = DecodeMeterListBytes(bytes);
    bytes = QByteArray();
    Report(control, 1, 1, 0, 400);
    result.parsed = ParseMeterList(text, separator, [control](qsizetype done, qsizetype total) {
        Report(control, done, total, 400, 1000);
        return !Cancelled(control);
    });
    if (Cancelled(control))
        return Failure(LoadStatus::Cancelled, {});
    return result;
}

}  // namespace MeterListFile

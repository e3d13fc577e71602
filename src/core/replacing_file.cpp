#include "core/replacing_file.h"

#include "core/system_error.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kOwnerBits = S_IRWXU;

// "name.k3Zq9w": beside the target, so that the final rename never crosses
// file systems.
QString TemporaryNameFor(const QString& target)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = target + u'.';
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name;
}

// The file a chain of symbolic links ends at, whether it exists or not; the
// path itself when it is no link or the chain loops.
QString LinkedFile(const QString& path)
{
    QString at = path;
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(at);
        if (!info.isSymLink())
            return at;
        const QString next = info.symLinkTarget();
        if (next.isEmpty())
            return at;
        at = next;
    }
    return path;
}

// The permission bits a new file gets from the process's umask, read without
// changing it where the system shows it.
mode_t UsualNewFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return 0666 & ~mode_t(mask);
            }
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

// The folder's entry for the renamed file on disk too.
int SyncFolderOf(const QString& path)
{
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    const int result = ::fsync(dir) == 0 || errno == EINVAL ? 0 : errno;
    ::close(dir);
    return result;
}

}  // namespace

ReplacingFile::ReplacingFile(const QString& target, Access access) : target_(LinkedFile(target)), access_(access) {}

ReplacingFile::~ReplacingFile()
{
    discard();
}

bool ReplacingFile::fail(int errorNumber)
{
    error_ = SystemErrorText(errorNumber);
    discard();
    return false;
}

void ReplacingFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty())
        ::unlink(QFile::encodeName(temporary_).constData());
    temporary_.clear();
}

bool ReplacingFile::open()
{
    discard();
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target_).constData(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return fail(EISDIR);
    // Every new file starts readable by its owner only, not even empty for
    // others: a reader that opened it then would see what is written later.
    // It gets the mode it should have when it is complete (commit()).
    const mode_t createMode = S_IRUSR | S_IWUSR;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        const QString name = TemporaryNameFor(target_);
        fd_ = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST)
            return fail(errno);
    }
    if (fd_ < 0)
        return fail(EEXIST);
    if (replacing)
        finalMode_ = old.st_mode & 07777;
    else
        finalMode_ = access_ == Access::Private ? (S_IRUSR | S_IWUSR) : UsualNewFileMode();
    if (access_ == Access::Private)
        finalMode_ &= kOwnerBits;
    return true;
}

bool ReplacingFile::write(const QByteArray& bytes)
{
    if (fd_ < 0)
        return fail(EBADF);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        p += n;
        left -= n;
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (fd_ < 0)
        return fail(EBADF);
    // On disk before it takes the name, so that a crash leaves the old file
    // or the whole new one, never an empty one.
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return fail(errno);
    if (::fchmod(fd_, finalMode_) != 0)
        return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        return fail(errno);
    temporary_.clear();
    // The new name must survive a crash as well as the content.
    if (const int error = SyncFolderOf(target_); error != 0) {
        error_ = SystemErrorText(error);
        return false;
    }
    return true;
}

bool WriteReplacingFile(const QString& path, const QByteArray& bytes, ReplacingFile::Access access, QString* error)
{
    ReplacingFile file(path, access);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

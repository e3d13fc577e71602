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

}  // namespace

ReplacingFile::ReplacingFile(const QString& target, Access access) : target_(target), access_(access)
{
    const QFileInfo info(target);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        target_ = info.canonicalFilePath();
}

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
    // A private file is never readable by others, not even while empty: a
    // reader that opened it then would see the keys written later.
    const mode_t createMode = access_ == Access::Private ? (S_IRUSR | S_IWUSR) : 0666;
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
    if (replacing) {
        const mode_t kept = old.st_mode & 07777;
        if (::fchmod(fd_, access_ == Access::Private ? (kept & kOwnerBits) : kept) != 0)
            return fail(errno);
    }
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
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        return fail(errno);
    temporary_.clear();
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

// Replacing a file: the modes a new file passes through, and links.
#include "core/replacing_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

int ModeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Faults: a new file readable by others while it is written (created with
// the umask's bits, chmod-ed after); a final mode that ignores the umask or
// the file replaced.
TEST(ReplacingFile, NewFileIsOwnerOnlyUntilCompleteThenGetsItsMode)
{
    using A = ReplacingFile::Access;
    const struct {
        A access;
        int existing;  // mode of the file replaced, -1 for none
        mode_t umask;
        int expected;
    } cases[] = {{A::Usual, -1, 022, 0644}, {A::Usual, -1, 002, 0664},     {A::Usual, 0640, 022, 0640},
                 {A::Private, -1, 0, 0600}, {A::Private, 0644, 022, 0600}, {A::Private, 0750, 022, 0700}};
    for (const auto& c : cases) {
        const mode_t before = ::umask(c.umask);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QFile old(path);
        ASSERT_TRUE(c.existing < 0
                    || (old.open(QIODevice::WriteOnly) && ::chmod(QFile::encodeName(path), mode_t(c.existing)) == 0));
        ReplacingFile file(path, c.access);
        ASSERT_TRUE(file.open() && file.write("contents"));
        EXPECT_EQ(ModeOf(file.temporaryPath()), 0600) << c.expected;
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(ModeOf(path), c.expected);
        ::umask(before);
    }
}

// Fault: a link to a file not made yet replaced by a plain file, against
// the promise that the link stays.
TEST(ReplacingFile, LinkIsFollowedEvenToAFileNotMadeYet)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub"))
                && QFile(dir.filePath("real.txt")).open(QIODevice::WriteOnly)
                && QFile::link(QStringLiteral("sub/chained.txt"), dir.filePath(QStringLiteral("b2.txt"))));
    // link, what it leads to, where the content must land
    for (const auto& [link, to, landed] : {std::tuple{"a.txt", "real.txt", "real.txt"},
                                           {"b.txt", "sub/new.txt", "sub/new.txt"},
                                           {"c.txt", "b2.txt", "sub/chained.txt"}}) {  // two dangling links
        ASSERT_TRUE(QFile::link(QLatin1String(to), dir.filePath(QLatin1String(link))));
        ASSERT_TRUE(WriteReplacingFile(dir.filePath(QLatin1String(link)), "new", ReplacingFile::Access::Usual));
        EXPECT_TRUE(QFileInfo(dir.filePath(QLatin1String(link))).isSymLink()) << link;
        QFile file(dir.filePath(QLatin1String(landed)));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == "new") << link;
    }
}

}  // namespace

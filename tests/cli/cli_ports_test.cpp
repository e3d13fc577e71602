// ports: the devices of a made-up /dev, by-id names first, and why one cannot be opened.
#include "cli/cli_ports.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

void Touch(const QString& path, const QByteArray& content = {})
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
}

TEST(Ports, ByIdFirstThenDevicesInNaturalOrderEachMarkedWithWhyItCannotBeOpened)
{
    QTemporaryDir dev, sys;
    ASSERT_TRUE(QDir(dev.path()).mkpath("serial/by-id") && QDir(sys.path()).mkpath("ttyS0")
                && QDir(sys.path()).mkpath("ttyS1"));
    for (const char* n : {"ttyUSB0", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "tty0"})
        Touch(dev.filePath(n));
    Touch(sys.filePath("ttyS0/type"), "4\n");
    Touch(sys.filePath("ttyS1/type"), "0\n");  // a port without hardware
    ASSERT_TRUE(QFile::link("../../ttyUSB0", dev.filePath("serial/by-id/usb-Maker_Adapter-if00-port0")));
    const int held = ::open(dev.filePath("ttyACM0").toLocal8Bit().constData(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    // Opening a device raises DTR, which restarts some boards: none is opened.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dev.path()).constData(), IN_OPEN), 0);
    QStringList seen;
    for (const PortEntry& p : PresentPorts(dev.path(), sys.path(), false))
        seen << QDir(dev.path()).relativeFilePath(p.name) + (p.problem.isEmpty() ? "" : " (" + p.problem + ")");
    ::close(held);
    alignas(inotify_event) char events[4096];
    const ssize_t got = ::read(watch, events, sizeof events);
    for (ssize_t at = 0; at < got;
         at += ssize_t(sizeof(inotify_event)) + reinterpret_cast<inotify_event*>(events + at)->len)
        EXPECT_EQ(reinterpret_cast<inotify_event*>(events + at)->len, 0u)
            << reinterpret_cast<inotify_event*>(events + at)->name;
    ::close(watch);
    EXPECT_EQ(seen.join(", ").toStdString(),
              "serial/by-id/usb-Maker_Adapter-if00-port0, ttyUSB2, ttyUSB10, ttyACM0 (busy), ttyS0");
    EXPECT_EQ(PresentPorts(dev.path(), sys.path(), true).back().name, "COM20");
    // COM1 is ttyS0, here shown by the kernel without hardware.
    Touch(sys.filePath("ttyS0/type"), "0\n");
    const std::vector<PortEntry> withCom = PresentPorts(dev.path(), sys.path(), true);
    EXPECT_EQ(withCom.at(withCom.size() - 20).problem, "not present");
    EXPECT_EQ(PortProblem(EBUSY, "x"), "busy");
    EXPECT_EQ(PortProblem(EACCES, "x"), "no permission");
    EXPECT_EQ(PortProblem(EPERM, "x"), "no permission");
    EXPECT_EQ(PortProblem(ENOENT, "x"), "not present");
    EXPECT_EQ(PortProblem(EIO, "Input/output error"), "Input/output error");
}

}  // namespace

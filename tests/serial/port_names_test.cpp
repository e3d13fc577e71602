// Port names, device paths and the "COM name" list.
#include "serial/port_list.h"
#include "serial/vacomm.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

TEST(PortNames, NamesMapToDevicePaths)
{
    EXPECT_EQ(DevicePathForPortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathForPortName("COM3"), "/dev/ttyS2");
    EXPECT_EQ(DevicePathForPortName("COM20"), "/dev/ttyS19");
    EXPECT_EQ(DevicePathForPortName("com2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathForPortName("COM0"), "/dev/COM0");  // no COM0
    EXPECT_EQ(DevicePathForPortName("COMX"), "/dev/COMX");
    EXPECT_EQ(DevicePathForPortName("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPortName("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(DevicePathForPortName("/dev/serial/by-id/usb-X_Y-if00"), "/dev/serial/by-id/usb-X_Y-if00");
    EXPECT_EQ(DevicePathForPortName("pts/4"), "pts/4");  // contains "/": as it stands
}

TEST(PortNames, PortNumFillsThePlaceholderOfTheDeviceName)
{
    TVaComm c;
    EXPECT_EQ(c.DeviceName(), "COM%d");
    EXPECT_EQ(c.PortNum(), 0);
    c.SetPortNum(10);
    EXPECT_EQ(c.DevicePath(), "/dev/ttyS9");  // COM10

    c.SetDeviceName("/nonexistent-zelk/tty%d");
    c.SetPortNum(7);
    EXPECT_EQ(c.DevicePath(), "/nonexistent-zelk/tty7");
    try {
        c.OpenPort();
        FAIL() << "opened a missing device";
    } catch (const EVaCommError& e) {
        EXPECT_EQ(e.message(), "Specified device not found (/nonexistent-zelk/tty7).");
    }

    // Without a placeholder the number plays no part.
    c.SetDeviceName("COM3");
    EXPECT_EQ(c.DevicePath(), "/dev/ttyS2");
    c.SetDeviceName("/dev/pts/12");
    EXPECT_EQ(c.DevicePath(), "/dev/pts/12");
}

TEST(PortNames, ListOffersComPortsThenTheSerialDevicesPresent)
{
    QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    ASSERT_TRUE(QDir(dev.path()).mkpath("serial/by-id"));
    for (const char* name :
         {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "null", "serial/by-id/usb-Maker_Adapter-if00"}) {
        QFile f(dev.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QStringList list = PortNameList(dev.path());
    ASSERT_EQ(list.size(), 24);
    EXPECT_EQ(list.first(), "COM1");
    EXPECT_EQ(list.at(19), "COM20");
    EXPECT_EQ(list.at(20), dev.filePath("serial/by-id/usb-Maker_Adapter-if00"));
    EXPECT_EQ(list.at(21), dev.filePath("ttyUSB2"));
    EXPECT_EQ(list.at(22), dev.filePath("ttyUSB10"));
    EXPECT_EQ(list.at(23), dev.filePath("ttyACM0"));

    // Nothing present: the twenty COM names only.
    QTemporaryDir empty;
    EXPECT_EQ(PortNameList(empty.path()).size(), 20);
    EXPECT_EQ(PortNameList(empty.path() + "/missing").size(), 20);
}

}  // namespace

TEST(PortNames, PermissionRefusalGetsAHintInTheChosenLanguage)
{
    const QString en = PortPermissionHint(EACCES, QStringLiteral("COM3"), true);
    EXPECT_TRUE(en.startsWith(QStringLiteral("Access to the serial port (COM3) was refused")));
    EXPECT_TRUE(en.contains(QStringLiteral("dialout")));
    const QString it = PortPermissionHint(EPERM, QStringLiteral("COM3"), false);
    EXPECT_TRUE(it.startsWith(QStringLiteral("Accesso alla porta seriale (COM3) negato")));
    EXPECT_TRUE(it.contains(QStringLiteral("dialout")));
    // A busy or missing port is not a permission matter.
    EXPECT_TRUE(PortPermissionHint(EBUSY, QStringLiteral("COM3"), true).isEmpty());
    EXPECT_TRUE(PortPermissionHint(ENOENT, QStringLiteral("COM3"), true).isEmpty());
}

TEST(PortNames, ProbeReportsTheErrorOfAMissingDevice)
{
    int code = 0;
    QString reason;
    EXPECT_FALSE(ProbeDevice(QStringLiteral("/dev/zelk-no-such-port"), &reason, &code));
    EXPECT_EQ(code, ENOENT);
    EXPECT_FALSE(reason.isEmpty());
}

// Faults: a lock of another file, or a process waiting for the lock, taken
// for a port in use; unreadable locks taken for a free port.
TEST(PortNames, PortInUseIsSeenFromTheKernelsLocksWithoutOpeningIt)
{
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("ttyUSB0"));
    QFile(port).open(QIODevice::WriteOnly);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(port).constData(), &st), 0);
    const QByteArray id = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':'
        + QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':';
    const QByteArray ino = QByteArray::number(st.st_ino);
    const struct {
        QByteArray locks;  // empty: no list to read
        int expected;
    } cases[] = {
        {"1: FLOCK  ADVISORY  WRITE 77 " + id + ino + " 0 EOF\n", EBUSY},
        {"1: POSIX  ADVISORY  WRITE 77 " + id + ino + "9 0 EOF\n", 0},
        {"1: FLOCK  ADVISORY  WRITE 77 00:00:1 0 EOF\n1: -> FLOCK  ADVISORY  WRITE 78 " + id + ino + " 0 EOF\n", 0},
        {{}, -1},
    };
    for (const auto& c : cases) {
        const QString locks = dir.filePath(QStringLiteral("locks"));
        QFile::remove(locks);
        if (!c.locks.isEmpty()) {
            QFile f(locks);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(c.locks) == c.locks.size());
        }
        EXPECT_EQ(PortRefusalWithoutOpening(port, locks), c.expected) << c.locks.constData();
    }
    EXPECT_EQ(PortRefusalWithoutOpening(dir.filePath(QStringLiteral("ttyUSB9"))), ENOENT);
}

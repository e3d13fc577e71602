// The serial device against a pseudo-terminal pair: opening, exclusivity,
// error messages, line settings and transfers.
#include "serial/support/pty_pair.h"
#include "serial/vacomm.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

using namespace serialtest;

namespace {

class VaCommTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        ASSERT_TRUE(pty.ok());
        comm.SetDeviceName(pty.slavePath());
        comm.SetBaudrate(br9600);
        comm.SetParity(paEven);
    }

    // Bytes the device has received, waiting for `count` of them.
    QByteArray ReceiveAtDevice(int count)
    {
        EXPECT_TRUE(WaitBusy([&] { return comm.BytesWaiting() >= count; }));
        return comm.ReadAvailable();
    }

    PtyPair pty;
    TVaComm comm;
};

QString OpenError(TVaComm& c)
{
    try {
        c.OpenPort();
    } catch (const EVaCommError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), e.message());
        return e.message();
    }
    return QStringLiteral("<opened>");
}

TEST_F(VaCommTest, OpensAndCarriesEveryByteValueUnchangedBothWays)
{
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());

    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    ASSERT_TRUE(pty.write(all));
    EXPECT_EQ(ReceiveAtDevice(256), all);  // no CR/LF translation, no stripped bit 7

    EXPECT_TRUE(comm.SendText(all));
    EXPECT_EQ(pty.read(256), all);
    EXPECT_EQ(pty.drain(), QByteArray());  // no echo, nothing added

    EXPECT_EQ(comm.SendBytes("\x68\x00\x16", 3), 3);
    EXPECT_EQ(pty.read(3), QByteArray("\x68\x00\x16", 3));
}

TEST_F(VaCommTest, ReadsReturnAtOnceWithWhatIsWaiting)
{
    comm.OpenPort();
    char area[16];
    EXPECT_EQ(comm.ReadBytes(area, sizeof area), 0);  // nothing there: no wait, no error
    EXPECT_EQ(comm.ReadAvailable(), QByteArray());

    ASSERT_TRUE(pty.write("0123456789"));
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 10; }));
    EXPECT_EQ(comm.ReadBytes(area, 4), 4);  // never more than asked
    EXPECT_EQ(QByteArray(area, 4), "0123");
    EXPECT_EQ(comm.BytesWaiting(), 6);
    EXPECT_EQ(comm.ReadAvailable(), "456789");
}

TEST_F(VaCommTest, PurgeDiscardsWaitingInput)
{
    comm.OpenPort();
    ASSERT_TRUE(pty.write("hello"));
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 5; }));
    comm.PurgeAll();
    EXPECT_EQ(comm.BytesWaiting(), 0);
    EXPECT_EQ(comm.ReadAvailable(), QByteArray());
    // The line still works after a purge.
    ASSERT_TRUE(pty.write("x"));
    EXPECT_EQ(ReceiveAtDevice(1), "x");
}

TEST_F(VaCommTest, SecondOpenOfTheSameObjectIsRefusedAndTheFirstStaysValid)
{
    comm.OpenPort();
    EXPECT_EQ(OpenError(comm), "Can't perform this operation while port is open");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_TRUE(comm.SendText("ok"));
    EXPECT_EQ(pty.read(2), "ok");
}

TEST_F(VaCommTest, DeviceHeldByAnotherOpenerIsRefusedWithTheSystemsReason)
{
    comm.OpenPort();
    TVaComm other;
    other.SetDeviceName(pty.slavePath());
    other.SetBaudrate(br9600);
    EXPECT_EQ(
        OpenError(other),
        QStringLiteral("Can't open specified device %1 (Error 16, Device or resource busy)").arg(pty.slavePath()));
    EXPECT_FALSE(other.IsOpen());
    QString reason;
    EXPECT_FALSE(ProbeDevice(pty.slavePath(), &reason));
    EXPECT_EQ(reason, "Device or resource busy");

    // Another process (whatever its privileges) is kept out as well.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(ProbeDevice(pty.slavePath()) ? 1 : 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process could open the port";

    // Once released, the other opener gets it.
    comm.ClosePort();
    EXPECT_TRUE(ProbeDevice(pty.slavePath()));
    other.OpenPort();
    EXPECT_TRUE(other.IsOpen());
}

TEST_F(VaCommTest, MissingDeviceAndUnusableFilesGiveTheirMessagesAndLeaveItClosed)
{
    TVaComm c;
    c.SetDeviceName("/nonexistent-zelk/ttyQ9");
    EXPECT_EQ(OpenError(c), "Specified device not found (/nonexistent-zelk/ttyQ9).");
    EXPECT_FALSE(c.IsOpen());

    // A plain file opens but is no terminal: the line settings fail, and the
    // file is released again (a second attempt gives the same error, not "busy").
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain");
    QFile f(plain);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    c.SetDeviceName(plain);
    const QString expected = "Error writing dcb (25), Inappropriate ioctl for device";
    EXPECT_EQ(OpenError(c), expected);
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(OpenError(c), expected);
    EXPECT_TRUE(ProbeDevice(plain));
}

TEST_F(VaCommTest, OperationsOnAClosedDeviceDoNothing)
{
    char area[8] = {};
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(comm.SendBytes("abc", 3), 0);
    EXPECT_FALSE(comm.SendText("abc"));
    EXPECT_EQ(comm.ReadBytes(area, 8), 0);
    EXPECT_EQ(comm.ReadAvailable(), QByteArray());
    EXPECT_EQ(comm.BytesWaiting(), 0);
    EXPECT_NO_THROW(comm.PurgeAll());
    EXPECT_NO_THROW(comm.ClosePort());
    EXPECT_EQ(pty.drain(), QByteArray());  // nothing reached the line

    // Also after an open and a close; the object can be opened again.
    comm.OpenPort();
    comm.ClosePort();
    EXPECT_EQ(comm.SendBytes("abc", 3), 0);
    EXPECT_EQ(comm.BytesWaiting(), 0);
    comm.OpenPort();
    EXPECT_TRUE(comm.SendText("z"));
    EXPECT_EQ(pty.read(1), "z");
}

TEST_F(VaCommTest, EveryOfferedSpeedIsAppliedAtItsOwnRate)
{
    const struct {
        TVaBaudrate rate;
        speed_t speed;
    } cases[] = {
        {br300, B300},   {br600, B600},     {br1200, B1200},   {br2400, B2400},   {br4800, B4800},
        {br9600, B9600}, {br19200, B19200}, {br38400, B38400}, {br57600, B57600}, {br115200, B115200},
    };
    for (const auto& c : cases) {
        comm.SetBaudrate(c.rate);
        comm.OpenPort();
        termios t{};
        ASSERT_TRUE(SettingsOfOpenDevice(pty.slavePath(), &t));
        EXPECT_EQ(cfgetospeed(&t), c.speed) << comm.BitsPerSecond(c.rate);
        EXPECT_EQ(cfgetispeed(&t), c.speed) << comm.BitsPerSecond(c.rate);
        comm.ClosePort();
    }
    // A change while open takes effect at once.
    comm.SetBaudrate(br9600);
    comm.OpenPort();
    comm.SetBaudrate(br57600);
    termios t{};
    ASSERT_TRUE(SettingsOfOpenDevice(pty.slavePath(), &t));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B57600));
}

TEST_F(VaCommTest, SettingsThatCannotBeAppliedAreRefusedAndNothingStaysOpen)
{
    comm.SetBaudrate(br14400);  // no such rate on this system
    EXPECT_EQ(OpenError(comm), "Error writing dcb (22), Invalid argument");
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(ProbeDevice(pty.slavePath()));

    comm.SetBaudrate(br9600);
    comm.SetDatabits(db4);
    EXPECT_EQ(OpenError(comm), "Error writing dcb (22), Invalid argument");
    EXPECT_FALSE(comm.IsOpen());

    // Seven data bits, mark parity and RTS held active are accepted on a line
    // without modem lines or parity (a pseudo-terminal).
    comm.SetDatabits(db7);
    comm.SetParity(paMark);
    TVaFlowControl flow;
    flow.ControlRts = rtsEnabled;
    flow.ControlDtr = dtrEnabled;
    comm.SetFlowControl(flow);
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());

    // A refused change while open keeps the previous value and the port.
    EXPECT_THROW(comm.SetBaudrate(br128000), EVaCommError);
    EXPECT_EQ(comm.Baudrate(), br9600);
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(VaCommTest, RestrictedSettingsCannotChangeWhileOpen)
{
    comm.OpenPort();
    try {
        comm.SetDeviceName("/dev/ttyS0");
        FAIL() << "name changed while open";
    } catch (const EVaCommError& e) {
        EXPECT_EQ(e.message(), "Can't perform this operation while port is open");
    }
    EXPECT_EQ(comm.DeviceName(), pty.slavePath());
    EXPECT_THROW(comm.SetPortNum(3), EVaCommError);
    TVaBuffers b;
    b.ReadTimeout = 5;
    EXPECT_THROW(comm.SetBuffers(b), EVaCommError);
    EXPECT_NO_THROW(comm.SetDeviceName(pty.slavePath()));  // the same value is no change
}

TEST_F(VaCommTest, WriteThatCannotFinishReturnsShortWithoutErrorAndCloseDoesNotWait)
{
    comm.OpenPort();
    // Nobody reads the other end: the queue fills and the write gives up
    // after its bound.
    const QByteArray big(1 << 20, 'A');
    bool complete = true;
    EXPECT_NO_THROW(complete = comm.SendText(big));
    EXPECT_FALSE(complete);
    const int part = comm.SendBytes(big.constData(), int(big.size()));
    EXPECT_LT(part, big.size());
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(VaCommTest, WritingToAHungUpLineRaisesTheWriteError)
{
    comm.OpenPort();
    pty.closeMaster();
    try {
        comm.SendText("abc");
        FAIL() << "write to a hung-up line reported no error";
    } catch (const EVaCommError& e) {
        EXPECT_EQ(e.message(), "Write error (5), Input/output error");
    }
}

}  // namespace

// The receive notification and the event thread: delivery on the owning
// thread, one notification outstanding, closing in every state, hang-up.
#include "serial/support/pty_pair.h"
#include "serial/vacomm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace serialtest;

namespace {

class VaCommEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        ASSERT_TRUE(pty.ok());
        comm.SetDeviceName(pty.slavePath());
        comm.SetBaudrate(br19200);
        QObject::connect(&comm, &TVaComm::OnRxChar, [this](QObject* sender, int count) {
            EXPECT_EQ(sender, &comm);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            counts.push_back(count);
            if (onRx)
                onRx(count);
        });
        QObject::connect(&comm, &TVaComm::portLost, [this](const QString& reason) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            lost.push_back(reason);
        });
    }

    // A receive handler like the program's: takes every byte waiting.
    void ReadEverything()
    {
        onRx = [this](int) { received += comm.ReadAvailable(); };
    }

    PtyPair pty;
    TVaComm comm;
    std::vector<int> counts;
    QStringList lost;
    QByteArray received;
    std::function<void(int)> onRx;
};

TEST_F(VaCommEventsTest, BytesArrivingWhileBusyGiveOneNotificationWithTheirCount)
{
    ReadEverything();
    comm.OpenPort();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(pty.write(QByteArray(1, char('a' + i))));
    // The owning thread is busy until all twenty have arrived.
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 20; }));
    ASSERT_TRUE(WaitFor([&] { return !counts.empty(); }));
    Settle();
    EXPECT_EQ(counts, std::vector<int>{20});
    EXPECT_EQ(received, "abcdefghijklmnopqrst");

    // Later bytes are notified again.
    ASSERT_TRUE(pty.write("xyz"));
    ASSERT_TRUE(WaitFor([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts.back(), 3);
    EXPECT_EQ(received.right(3), "xyz");
}

TEST_F(VaCommEventsTest, BytesLeftUnreadAreNotNotifiedAgainUntilMoreArrive)
{
    comm.OpenPort();  // the handler reads nothing
    ASSERT_TRUE(pty.write("12345"));
    ASSERT_TRUE(WaitFor([&] { return !counts.empty(); }));
    Settle();
    EXPECT_EQ(counts, std::vector<int>{5});

    ASSERT_TRUE(pty.write("6"));
    ASSERT_TRUE(WaitFor([&] { return counts.size() == 2; }));
    Settle();
    EXPECT_EQ(counts, (std::vector<int>{5, 6}));
    EXPECT_EQ(comm.ReadAvailable(), "123456");
}

TEST_F(VaCommEventsTest, NoNotificationWithoutData)
{
    comm.OpenPort();
    Settle();
    EXPECT_TRUE(counts.empty());
    EXPECT_TRUE(lost.isEmpty());
    comm.PurgeAll();
    EXPECT_TRUE(comm.SendText("out"));  // writing is no receive event
    EXPECT_EQ(pty.read(3), "out");
    Settle();
    EXPECT_TRUE(counts.empty());
}

TEST_F(VaCommEventsTest, CloseWhileTheThreadWaitsForTheOwningThread)
{
    ReadEverything();
    comm.OpenPort();
    ASSERT_TRUE(pty.write("pending"));
    // The thread has seen the bytes and waits for the (busy) owning thread.
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 7; }));
    QThread::msleep(50);
    comm.ClosePort();  // must not wait for the owning thread
    EXPECT_FALSE(comm.IsOpen());
    Settle();
    EXPECT_TRUE(counts.empty());
    EXPECT_TRUE(lost.isEmpty());

    // Again, and this time the port is reopened before the owning thread gets
    // to the notification that was on its way: it belongs to the closed
    // opening and is dropped; the new opening notifies once.
    onRx = nullptr;  // count only, read nothing
    comm.OpenPort();
    comm.ReadAvailable();  // whatever the first opening left behind
    ASSERT_TRUE(pty.write("pending"));
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 7; }));
    QThread::msleep(50);
    EXPECT_EQ(comm.ReadAvailable(), "pending");
    comm.ClosePort();
    comm.OpenPort();
    ASSERT_TRUE(pty.write("again"));
    ASSERT_TRUE(WaitBusy([&] { return comm.BytesWaiting() == 5; }));
    ASSERT_TRUE(WaitFor([&] { return !counts.empty(); }));
    Settle();
    EXPECT_EQ(counts, std::vector<int>{5});
    EXPECT_EQ(comm.ReadAvailable(), "again");
}

TEST_F(VaCommEventsTest, CloseFromInsideTheReceiveHandler)
{
    onRx = [this](int) { comm.ClosePort(); };
    comm.OpenPort();
    ASSERT_TRUE(pty.write("x"));
    ASSERT_TRUE(WaitFor([&] { return !counts.empty(); }));
    EXPECT_FALSE(comm.IsOpen());
    ASSERT_TRUE(pty.write("y"));
    Settle();
    EXPECT_EQ(counts.size(), 1u);
}

TEST_F(VaCommEventsTest, CloseWhileDataIsFlowing)
{
    ReadEverything();
    comm.OpenPort();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const QByteArray chunk(64, 'D');
        while (!stop) {
            // One attempt per round: once the port is closed nobody reads, and
            // the writer must still see `stop`.
            [[maybe_unused]] const ssize_t n = ::write(pty.masterFd(), chunk.constData(), size_t(chunk.size()));
            QThread::usleep(200);
        }
    });
    ASSERT_TRUE(WaitFor([&] { return counts.size() >= 5; }));
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    const size_t atClose = counts.size();
    Settle();
    EXPECT_EQ(counts.size(), atClose);
    stop = true;
    writer.join();
    EXPECT_GT(received.size(), 0);
    EXPECT_EQ(received.count('D'), received.size());  // nothing but what was sent
}

TEST_F(VaCommEventsTest, HangUpReportsThePortLostOnceAndClosesIt)
{
    ReadEverything();
    comm.OpenPort();
    const QString path = pty.slavePath();
    ASSERT_TRUE(pty.write("before"));
    ASSERT_TRUE(WaitFor([&] { return received == "before"; }));

    pty.closeMaster();  // the adapter is unplugged
    ASSERT_TRUE(WaitFor([&] { return !lost.isEmpty(); }));
    Settle(300);
    ASSERT_EQ(lost.size(), 1);
    EXPECT_TRUE(lost.first().contains(path)) << qPrintable(lost.first());
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(counts.size(), 1u);  // no stream of empty notifications
    // The device is released: operations are harmless and closing again is too.
    EXPECT_EQ(comm.BytesWaiting(), 0);
    EXPECT_FALSE(comm.SendText("x"));
    comm.ClosePort();

    // A new line opens with the same object.
    PtyPair replacement;
    ASSERT_TRUE(replacement.ok());
    comm.SetDeviceName(replacement.slavePath());
    comm.OpenPort();
    ASSERT_TRUE(replacement.write("after"));
    ASSERT_TRUE(WaitFor([&] { return received.endsWith("after"); }));
    EXPECT_EQ(lost.size(), 1);
}

TEST_F(VaCommEventsTest, HangUpWhileTheOwningThreadIsBusyAndThenClosedByTheProgram)
{
    comm.OpenPort();
    pty.closeMaster();
    QThread::msleep(50);
    comm.ClosePort();  // the program closes first; the stale report is dropped
    Settle();
    EXPECT_TRUE(lost.isEmpty());
}

TEST_F(VaCommEventsTest, DestroyingAnOpenDeviceStopsItsThread)
{
    auto other = std::make_unique<TVaComm>();
    PtyPair line;
    ASSERT_TRUE(line.ok());
    other->SetDeviceName(line.slavePath());
    other->SetBaudrate(br9600);
    other->OpenPort();
    ASSERT_TRUE(line.write("zz"));
    ASSERT_TRUE(WaitBusy([&] { return other->BytesWaiting() == 2; }));
    other.reset();  // a notification may be outstanding
    Settle();
    EXPECT_TRUE(ProbeDevice(line.slavePath()));
}

}  // namespace

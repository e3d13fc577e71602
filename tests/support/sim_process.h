#pragma once
// Starts the zelk-sim receiver simulator as a child process for tests.
//
// The simulator opens a pseudo-terminal pair and prints "PTY <slave path>";
// ptyPath() is that path, to be opened by the utility (or by a test directly).
// Every frame the simulator receives is appended to a record file and its
// receiver state is rewritten to a state file after every handled frame; both
// live in a temporary directory owned by this object and removed with it.
// The simulator writes both files before it answers a frame, so once a test
// has read an answer, receivedFrames() and state() already include its frame.
// The child is started with --exit-with-parent: it ends with the thread that
// started it (call start() from the main thread or one that outlives it).
//
// Blocking: start(), waitForFrames(), waitForState() and stop() block the
// calling thread for at most their timeouts. While they wait they keep the
// thread's Qt events flowing (when a QCoreApplication exists), so a widget test
// can wait for the simulator while the window handles its serial notifications.
// Not thread-safe: use one SimProcess from one thread.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <sys/types.h>

class QTemporaryDir;

class SimProcess {
public:
    using StateMap = QMap<QString, QString>;

    SimProcess();
    ~SimProcess();  // stops the simulator if it still runs
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Path of the simulator binary: $ZELK_SIM when set, else the built one.
    static QString program();

    // Starts the simulator with --record/--state on temporary files plus
    // extraArgs (for example {"--id", "11223344", "--preload", "87654321:07"}).
    // Waits up to timeoutMs for the "PTY" line. False (with the reason in
    // errorString()) when it could not be started; a running one is stopped first.
    bool start(const QStringList& extraArgs = {}, int timeoutMs = 5000);
    // Sends SIGTERM and waits up to 3 s for the exit, then kills it. Idempotent.
    void stop();
    bool isRunning() const;
    // Exit status after stop() or when it ended on its own: the exit code, or
    // -1 when it was killed by a signal or never ran.
    int exitCode() const;
    pid_t pid() const { return pid_; }

    QString ptyPath() const { return ptyPath_; }
    QString recordPath() const;
    QString statePath() const;
    QString errorString() const { return error_; }

    // Frames received so far, in order, as raw bytes (from the record file).
    QList<QByteArray> receivedFrames() const;
    // Byte runs the simulator received but discarded (no complete frame).
    QList<QByteArray> discardedBytes() const;
    // Waits until at least n frames were received in total.
    bool waitForFrames(int n, int timeoutMs);

    // The last state written by the simulator (key=value lines), empty before the first.
    StateMap state() const;
    bool waitForState(const std::function<bool(const StateMap&)>& predicate, int timeoutMs);
    bool waitForState(const QString& key, const QString& value, int timeoutMs);

    // Everything the simulator wrote on its standard error so far.
    QString stderrText() const;

private:
    // Sleeps a few milliseconds while the thread's Qt events keep flowing.
    static void pause();
    void reap(bool block) const;

    std::unique_ptr<QTemporaryDir> dir_;
    QString ptyPath_;
    QString error_;
    mutable pid_t pid_ = -1;  // -1 once reaped
    mutable int exitCode_ = -1;
};

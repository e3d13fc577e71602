#include "support/sim_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

#ifndef ZELK_SIM_PATH
#define ZELK_SIM_PATH "zelk-sim"
#endif

namespace {

QByteArray readWholeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// One record line: bytes as two hex digits each followed by a blank.
QByteArray bytesOfLine(const QByteArray& line)
{
    return QByteArray::fromHex(line.simplified().replace(' ', QByteArray()));
}

}  // namespace

SimProcess::SimProcess() = default;

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::program()
{
    const QByteArray env = qgetenv("ZELK_SIM");
    return env.isEmpty() ? QStringLiteral(ZELK_SIM_PATH) : QString::fromLocal8Bit(env);
}

QString SimProcess::recordPath() const
{
    return dir_ ? dir_->filePath(QStringLiteral("record.txt")) : QString();
}

QString SimProcess::statePath() const
{
    return dir_ ? dir_->filePath(QStringLiteral("state.txt")) : QString();
}

void SimProcess::pause()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(5);
}

bool SimProcess::start(const QStringList& extraArgs, int timeoutMs)
{
    stop();
    error_.clear();
    ptyPath_.clear();
    exitCode_ = -1;
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid()) {
        error_ = QStringLiteral("cannot create a temporary directory");
        return false;
    }
    const QString outPath = dir_->filePath(QStringLiteral("stdout.txt"));
    const QString errPath = dir_->filePath(QStringLiteral("stderr.txt"));

    QStringList args{program(),   QStringLiteral("--record"),          recordPath(), QStringLiteral("--state"),
                     statePath(), QStringLiteral("--exit-with-parent")};
    args += extraArgs;
    std::vector<QByteArray> store;
    for (const QString& a : args)
        store.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : store)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const QByteArray outFile = outPath.toLocal8Bit();
    const QByteArray errFile = errPath.toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = -1;
    const int rc = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error_ = QStringLiteral("cannot start %1: %2").arg(args.first(), QString::fromLocal8Bit(std::strerror(rc)));
        return false;
    }
    pid_ = child;

    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QByteArray out = readWholeFile(outPath);
        const int nl = out.indexOf('\n');
        if (nl >= 0) {
            const QByteArray line = out.left(nl).trimmed();
            if (line.startsWith("PTY ")) {
                ptyPath_ = QString::fromLocal8Bit(line.mid(4));
                return true;
            }
            error_ = QStringLiteral("unexpected first line: %1").arg(QString::fromLocal8Bit(line));
            break;
        }
        reap(false);
        if (pid_ < 0) {
            error_ = QStringLiteral("simulator ended at start (code %1): %2").arg(exitCode_).arg(stderrText());
            return false;
        }
        if (deadline.hasExpired()) {
            error_ = QStringLiteral("no PTY line from the simulator");
            break;
        }
        pause();
    }
    stop();
    return false;
}

void SimProcess::reap(bool block) const
{
    if (pid_ < 0)
        return;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
    } else if (r < 0) {
        pid_ = -1;  // not our child any more (reaped elsewhere)
    }
}

void SimProcess::stop()
{
    if (pid_ < 0)
        return;
    reap(false);
    if (pid_ < 0)
        return;
    ::kill(pid_, SIGTERM);
    QDeadlineTimer deadline(3000);
    while (pid_ >= 0 && !deadline.hasExpired()) {
        QThread::msleep(5);
        reap(false);
    }
    if (pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
}

bool SimProcess::isRunning() const
{
    reap(false);
    return pid_ >= 0;
}

int SimProcess::exitCode() const
{
    return exitCode_;
}

QList<QByteArray> SimProcess::receivedFrames() const
{
    QList<QByteArray> frames;
    const QList<QByteArray> lines = readWholeFile(recordPath()).split('\n');
    for (const QByteArray& line : lines) {
        if (line.trimmed().isEmpty() || line.startsWith('!'))
            continue;
        frames.append(bytesOfLine(line));
    }
    return frames;
}

QList<QByteArray> SimProcess::discardedBytes() const
{
    QList<QByteArray> runs;
    const QList<QByteArray> lines = readWholeFile(recordPath()).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith('!'))
            runs.append(bytesOfLine(line.mid(1)));
    }
    return runs;
}

bool SimProcess::waitForFrames(int n, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (receivedFrames().size() >= n)
            return true;
        if (deadline.hasExpired())
            return false;
        pause();
    }
}

SimProcess::StateMap SimProcess::state() const
{
    StateMap map;
    const QList<QByteArray> lines = readWholeFile(statePath()).split('\n');
    for (const QByteArray& line : lines) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        map.insert(QString::fromLatin1(line.left(eq)), QString::fromLatin1(line.mid(eq + 1).trimmed()));
    }
    return map;
}

bool SimProcess::waitForState(const std::function<bool(const StateMap&)>& predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (predicate(state()))
            return true;
        if (deadline.hasExpired())
            return false;
        pause();
    }
}

bool SimProcess::waitForState(const QString& key, const QString& value, int timeoutMs)
{
    return waitForState([&](const StateMap& s) { return s.value(key) == value; }, timeoutMs);
}

QString SimProcess::stderrText() const
{
    if (!dir_)
        return {};
    return QString::fromLocal8Bit(readWholeFile(dir_->filePath(QStringLiteral("stderr.txt"))));
}

#include "serial/port_watcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {
// Links followed at most: a loop of links ends here.
constexpr int kMaxLinks = 8;
}  // namespace

PortWatcher::PortWatcher(QObject* parent) : QObject(parent)
{
    connect(&fs_, &QFileSystemWatcher::directoryChanged, this, &PortWatcher::onChange);
}

void PortWatcher::watch(const QString& path)
{
    stop();
    path_ = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    node_ = NodeOf(path_);
    rearm();
}

void PortWatcher::stop()
{
    path_.clear();
    const QStringList armed = fs_.directories();
    if (!armed.isEmpty())
        fs_.removePaths(armed);
}

PortWatcher::Node PortWatcher::NodeOf(const QString& path)
{
    struct stat st {};
    // stat() follows links: a link whose target is gone is no node.
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino};
}

QStringList PortWatcher::FoldersFor(const QString& path)
{
    QStringList folders;
    QString name = path;
    for (int i = 0; i <= kMaxLinks && !name.isEmpty(); ++i) {
        QString folder = QFileInfo(name).absolutePath();
        while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
            folder = QFileInfo(folder).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
        const QFileInfo info(name);
        // A link can be dangling: its target's folder tells when it is back.
        name = info.isSymLink() ? info.symLinkTarget() : QString();
    }
    return folders;
}

void PortWatcher::rearm()
{
    if (path_.isEmpty())
        return;
    const QStringList wanted = FoldersFor(path_);
    QStringList stale;
    for (const QString& armed : fs_.directories())
        if (!wanted.contains(armed))
            stale << armed;
    if (!stale.isEmpty())
        fs_.removePaths(stale);
    QStringList fresh;
    for (const QString& folder : wanted)
        if (!fs_.directories().contains(folder))
            fresh << folder;
    if (!fresh.isEmpty())
        fs_.addPaths(fresh);
}

void PortWatcher::onChange()
{
    if (path_.isEmpty())
        return;
    // A folder on the way may have appeared or vanished: follow it first, so
    // that no change after this one is missed.
    rearm();
    const Node now = NodeOf(path_);
    if (now == node_) {
        if (now.present)
            emit touched();
        return;
    }
    node_ = now;
    if (now.present)
        emit returned();
}

#pragma once
// Waits for a port name to come back, without polling: the file-system
// watcher (inotify) is armed on the nearest existing folder of the name, and
// of every symbolic-link target on the way, and re-armed after every change,
// so a folder that vanishes with the last adapter (/dev/serial/by-id) is
// followed from its parent until it returns. Nothing runs between changes.
//
// A name counts as back when it leads to a device node again that is not the
// one it led to when the watch started (a node that goes and comes back, or
// is replaced while no event was seen, is new). GUI thread (or any one thread
// with an event loop).
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class PortWatcher : public QObject {
    Q_OBJECT
public:
    explicit PortWatcher(QObject* parent = nullptr);

    // Starts watching `path`, replacing an earlier watch. The node the name
    // leads to now, if any, is the old one.
    void watch(const QString& path);
    void stop();
    bool isWatching() const { return !path_.isEmpty(); }
    QString path() const { return path_; }

signals:
    // The name leads to a new node.
    void returned();
    // A change was seen while the name still leads to the same node (its
    // permissions, for example, or a neighbour in its folder).
    void touched();

private:
    struct Node {
        bool present = false;
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Node&) const = default;
    };
    static Node NodeOf(const QString& path);
    // The nearest existing folder of the name and of each link target.
    static QStringList FoldersFor(const QString& path);

    void rearm();
    void onChange();

    QFileSystemWatcher fs_;
    QString path_;
    Node node_;
};

#pragma once
// The activity log as data: an ordered list of lines. Every part of the
// program appends through append(); the window's read-only text panel shows
// the lines by listening to the signals. No time stamps, no prefixes.
//
// The log remembers whether any line shows a meter's AES-128 key (a set-key
// telegram sent, a key read back), so that a saved or printed copy of it can
// be kept private like a meter list with keys.
#include <QObject>
#include <QString>
#include <QStringList>

class ActivityLog : public QObject {
    Q_OBJECT
public:
    enum class Content { Plain, Key };

    explicit ActivityLog(QObject* parent = nullptr) : QObject(parent) {}

    // Appends one line at the end of the log; Content::Key for a line that
    // shows a key.
    void append(const QString& line, Content content = Content::Plain);
    // Removes every line.
    void clear();
    // Whether a line appended since the last clear() showed a key.
    bool holdsKeys() const { return holdsKeys_; }

    const QStringList& lines() const { return lines_; }
    int lineCount() const { return int(lines_.size()); }
    QString lastLine() const { return lines_.isEmpty() ? QString() : lines_.last(); }

signals:
    void lineAppended(const QString& line);
    void cleared();

private:
    QStringList lines_;
    bool holdsKeys_ = false;
};

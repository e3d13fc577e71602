#pragma once
// The activity log as data: an ordered list of lines. Every part of the
// program appends through append(); the window's read-only text panel shows
// the lines by listening to the signals. No time stamps, no prefixes.
#include <QObject>
#include <QString>
#include <QStringList>

class ActivityLog : public QObject {
    Q_OBJECT
public:
    explicit ActivityLog(QObject* parent = nullptr) : QObject(parent) {}

    // Appends one line at the end of the log.
    void append(const QString& line);
    // Removes every line.
    void clear();

    const QStringList& lines() const { return lines_; }
    int lineCount() const { return int(lines_.size()); }
    QString lastLine() const { return lines_.isEmpty() ? QString() : lines_.last(); }

signals:
    void lineAppended(const QString& line);
    void cleared();

private:
    QStringList lines_;
};

#pragma once
// The activity log panel (`Memo_current`): read-only, lines never wrap, a
// horizontal scroll bar appears for a line wider than the panel. Lines are
// appended in batches, one per event-loop turn, so a burst costs one layout
// pass.
//
// Following the end is the user's choice, not a matter of geometry: the
// panel follows new lines until the user scrolls away from the end (scroll
// bar, wheel or keys), and follows again once the user scrolls back to the
// end or presses End. Resizing the panel, as the window or the batch
// controls above it do, and clearing it keep a following panel following.
#include <QPlainTextEdit>
#include <QStringList>

class LogPanel : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogPanel(QWidget* parent = nullptr);

    // Whether new lines are scrolled into view.
    bool following() const { return following_; }

public slots:
    // Queues `line`; it is shown at the next event-loop turn (or flushLines()).
    void appendLine(const QString& line);
    // Removes every line, queued ones included; the panel follows again.
    void clearLines();
    // Shows the queued lines now.
    void flushLines();

    // Two lines and the horizontal scroll bar: a small screen takes its
    // missing height from the log first.
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrollToEnd();
    void takeUserPosition();
    bool atEnd() const;

    QStringList pending_;
    bool flushQueued_ = false;
    bool following_ = true;
};

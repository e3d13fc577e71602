#include "app/ui/log_panel.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QtMath>

LogPanel::LogPanel(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setUndoRedoEnabled(false);

    QScrollBar* bar = verticalScrollBar();
    // Dragging the slider, clicking the bar or its arrows: the user moved.
    connect(bar, &QScrollBar::actionTriggered, this,
            [this](int) { following_ = verticalScrollBar()->sliderPosition() >= verticalScrollBar()->maximum(); });
    // More lines, or fewer visible ones after a resize: keep the end in view.
    connect(bar, &QScrollBar::rangeChanged, this, [this](int, int) {
        if (following_)
            scrollToEnd();
    });
}

QSize LogPanel::minimumSizeHint() const
{
    // A line takes its spacing rounded up, and the view shows only lines
    // that fit whole with a pixel to spare: without these, two lines' height
    // shows one line.
    const int lines = 2 * qCeil(QFontMetricsF(font()).lineSpacing()) + 1;
    const int height = lines + horizontalScrollBar()->sizeHint().height() + 2 * frameWidth()
        + 2 * int(document()->documentMargin());
    return {QPlainTextEdit::minimumSizeHint().width(), height};
}

void LogPanel::appendLine(const QString& line)
{
    pending_.append(line);
    if (!flushQueued_) {
        flushQueued_ = true;
        QTimer::singleShot(0, this, &LogPanel::flushLines);
    }
}

void LogPanel::flushLines()
{
    flushQueued_ = false;
    if (pending_.isEmpty())
        return;
    const bool follow = following_;
    const int keep = verticalScrollBar()->value();
    appendPlainText(pending_.join(QLatin1Char('\n')));
    pending_.clear();
    if (follow)
        scrollToEnd();
    else
        verticalScrollBar()->setValue(keep);
}

void LogPanel::clearLines()
{
    pending_.clear();
    clear();
    following_ = true;
}

void LogPanel::scrollToEnd()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool LogPanel::atEnd() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void LogPanel::takeUserPosition()
{
    following_ = atEnd();
}

void LogPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_End) {
        // End always returns to the newest line, with or without Ctrl.
        following_ = true;
        scrollToEnd();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    takeUserPosition();
}

void LogPanel::wheelEvent(QWheelEvent* event)
{
    QPlainTextEdit::wheelEvent(event);
    takeUserPosition();
}

void LogPanel::resizeEvent(QResizeEvent* event)
{
    const bool follow = following_;
    QPlainTextEdit::resizeEvent(event);
    following_ = follow;
    if (following_)
        scrollToEnd();
}

#pragma once
// The scroll area around the main window's controls above the activity log.
// Where the screen has room for them it asks for their whole minimum size,
// so the window is laid out as without it and never shows a scroll bar. On a
// screen smaller than the window's minimum, the window limits that minimum
// to what is left beside the log and the status bar (setMinimumLimit); the
// controls then keep their own sizes and scroll inside the area.
#include <QScrollArea>

class ControlsScrollArea : public QScrollArea {
    Q_OBJECT
public:
    // Takes `controls` as its widget.
    explicit ControlsScrollArea(QWidget* controls, QWidget* parent = nullptr);

    // The most the area asks for as its minimum size, per dimension;
    // QWIDGETSIZE_MAX (the default) for no limit.
    void setMinimumLimit(const QSize& limit);

    // The controls' minimum, within the limit.
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize limit_{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
};

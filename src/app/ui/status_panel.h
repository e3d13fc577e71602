#pragma once
// A status bar panel that asks for the width of its text (at least its
// design width, scaled to the font) and, when the bar cannot give it that
// much, shows the text cut in the middle; the owner sets the whole text as
// the tooltip.
#include <QLabel>

class StatusPanel : public QLabel {
    Q_OBJECT
public:
    // `designWidth`: the panel's width in the design font.
    StatusPanel(int designWidth, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int designWidth_;
};

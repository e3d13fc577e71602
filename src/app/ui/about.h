#pragma once
// The About window: created once at start, hidden, only shown and hidden.
// Not modal, always on top, a close box only, 420 x 280.
#include <QWidget>

class QLabel;

class TFAbout : public QWidget {
    Q_OBJECT
public:
    explicit TFAbout(QWidget* parent = nullptr);

    // Help > About: shows the window (once), centred on the screen the first
    // time, and returns at once. Showing it again keeps the one window.
    void ShowAbout();

    // The decoded picture as drawn (transparent background); null if the
    // embedded picture could not be decoded.
    QImage picture();

    // The contents are built when the window is first shown, so that the
    // hidden window costs program start next to nothing.
    void setVisible(bool visible) override;

private:
    void buildContents();

    QImage picture_;
    bool built_ = false;
    bool placed_ = false;
};

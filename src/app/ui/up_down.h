#pragma once
// A pair of spin arrows bound to a separate one-line text field, as the
// "Retry times:" and response-timeout boxes use: the arrows step a position
// inside [minimum, maximum] and write it into the field; the field's text is
// read back as the position (clamped) whenever the position is asked for.
#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    void setStep(int step) { step_ = step; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // Binds the field; its text follows the position from now on.
    void setBuddyEdit(QLineEdit* edit);

    // The current position: the field's number clamped to the range (the
    // last position when the field holds no number).
    int position() const;
    // Moves to `value` clamped to the range and writes it into the field.
    void setPosition(int value);

public slots:
    void stepUp() { setPosition(position() + step_); }
    void stepDown() { setPosition(position() - step_); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int min_ = 0;
    int max_ = 100;
    int step_ = 1;
    mutable int last_ = 0;
    QLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

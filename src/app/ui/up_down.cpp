#include "app/ui/up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    up_->setFixedSize(16, 11);
    down_->setFixedSize(16, 11);
    up_->setToolTip(tr("Increase"));
    down_->setToolTip(tr("Decrease"));
    up_->setAccessibleName(tr("Increase"));
    down_->setAccessibleName(tr("Decrease"));
    up_->setFocusPolicy(Qt::NoFocus);
    down_->setFocusPolicy(Qt::NoFocus);
    lay->addWidget(up_);
    lay->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setRange(int minimum, int maximum)
{
    min_ = minimum;
    max_ = maximum;
    last_ = std::clamp(last_, min_, max_);
}

void UpDown::setBuddyEdit(QLineEdit* edit)
{
    edit_ = edit;
    if (edit_) {
        edit_->installEventFilter(this);
        setPosition(last_);
    }
}

int UpDown::position() const
{
    if (edit_) {
        bool ok = false;
        const int v = edit_->text().trimmed().toInt(&ok);
        if (ok)
            last_ = std::clamp(v, min_, max_);
    }
    return last_;
}

void UpDown::setPosition(int value)
{
    last_ = std::clamp(value, min_, max_);
    if (edit_) {
        const QString text = QString::number(last_);
        if (edit_->text() != text)
            edit_->setText(text);
    }
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            stepUp();
            return true;
        }
        if (key == Qt::Key_Down) {
            stepDown();
            return true;
        }
    }
    if (watched == edit_ && event->type() == QEvent::FocusOut)
        setPosition(position());  // show the clamped value once editing ends
    return QWidget::eventFilter(watched, event);
}

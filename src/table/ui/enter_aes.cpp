#include "table/ui/enter_aes.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "table/meter_table.h"
#include "widgets/font_units.h"

#include <algorithm>

namespace {

constexpr int kKeyChars = 32;

// Keeps only 0-9, A-F and a-f, in the case typed, and at most kKeyChars of
// them. Applied to every change of the field, so pasted text is filtered
// like typed text before the length limit cuts it (the field itself has no
// length limit, which would cut the unfiltered text).
class HexKeyFilter : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString kept;
        kept.reserve(input.size());
        int newPos = pos;
        for (int i = 0; i < input.size(); ++i) {
            const QChar c = input.at(i);
            const bool hex = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
            if (hex)
                kept += c;
            else if (i < pos)
                --newPos;
        }
        if (kept.size() > kKeyChars) {
            // The text after the cursor was there before; what does not fit
            // is cut from the end of the inserted text before the cursor.
            const QString after = kept.mid(newPos);
            const QString before = kept.left(qMax(0, kKeyChars - int(after.size())));
            kept = (before + after).left(kKeyChars);
            newPos = int(before.size());
        }
        input = kept;
        pos = qMin(newPos, int(kept.size()));
        return Acceptable;
    }
};

}  // namespace

TEnterAES::TEnterAES(MeterTable& table, QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      table_(table), mainWindow_(mainWindow)
{
    setObjectName(QStringLiteral("EnterAES"));
    setWindowTitle(QStringLiteral("Enter AES-128 key "));
    setModal(false);

    auto* labelKey = new QLabel(QStringLiteral("Enter AES-128 key for meter "), this);
    labelKey->setObjectName(QStringLiteral("Label_aesKey"));

    editKey_ = new QLineEdit(this);
    editKey_->setObjectName(QStringLiteral("Edit_enterKey"));
    // 16 pixels in the design font; larger with a larger interface font.
    QFont keyFont(QStringLiteral("Arial"));
    keyFont.setPixelSize(FontScaled(font(), 16));
    keyFont.setBold(true);
    editKey_->setFont(keyFont);
    editKey_->setValidator(new HexKeyFilter(editKey_));

    labelCount_ = new QLabel(this);
    labelCount_->setObjectName(QStringLiteral("Label_keyCount"));
    showCount(false);
    connect(editKey_, &QLineEdit::textChanged, this, [this] { showCount(false); });

    auto* note = new QLabel(
        QStringLiteral("Note: Key should be 32 symbols, entered in HEX, without spaces (FAC812...)"), this);
    note->setObjectName(QStringLiteral("Label1"));
    QFont italic = note->font();
    italic.setItalic(true);
    note->setFont(italic);

    buttonCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttonCancel_->setObjectName(QStringLiteral("BitBtn2"));

    checkAll_ = new QCheckBox(QStringLiteral("Use this Key for all "), this);
    checkAll_->setObjectName(QStringLiteral("Check_allAES"));
    auto* label2 = new QLabel(QStringLiteral("meters in the table"), this);
    label2->setObjectName(QStringLiteral("Label2"));

    buttonDone_ = new QPushButton(QStringLiteral("Done"), this);
    buttonDone_->setObjectName(QStringLiteral("BitBtn1"));

    // Enter and Esc are handled by the dialog itself (keyPressEvent), not by
    // a default button.
    for (QPushButton* b : {buttonDone_, buttonCancel_}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    placeControls(labelKey, note, label2);

    setTabOrder(editKey_, buttonDone_);
    setTabOrder(buttonDone_, buttonCancel_);
    setTabOrder(buttonCancel_, checkAll_);

    connect(buttonDone_, &QPushButton::clicked, this, &TEnterAES::BitBtn1Click);
    connect(buttonCancel_, &QPushButton::clicked, this, &TEnterAES::BitBtn2Click);
}

void TEnterAES::placeControls(QLabel* labelKey, QLabel* note, QLabel* label2)
{
    // The design's 443 x 186 window and its control places, scaled to the
    // font; a text that still does not fit widens the window.
    const double k = FontScale(font());
    const auto px = [k](int design) { return qRound(design * k); };
    const auto high = [&px](QWidget* w, int design) { return std::max(px(design), w->sizeHint().height()); };
    const int left = px(16);
    const int checkWidth = std::max(px(160), checkAll_->sizeHint().width());
    const int label2Width = std::max(px(140), TextWidth(label2->fontMetrics(), label2->text()));
    const int buttonWidth = std::max({px(100), buttonDone_->sizeHint().width(), buttonCancel_->sizeHint().width()});
    const int checkLeft = left + px(134);
    const int middle = std::max(checkWidth, px(20) + label2Width);
    const int inner = std::max({px(411), TextWidth(note->fontMetrics(), note->text()),
                                TextWidth(labelKey->fontMetrics(), labelKey->text()),
                                checkLeft - left + middle + px(17) + buttonWidth});

    int y = px(10);
    labelKey->setGeometry(left, y, inner, high(labelKey, 18));
    y += labelKey->height() + px(2);
    editKey_->setGeometry(left, y, inner, high(editKey_, 30));
    y += editKey_->height() + px(2);
    labelCount_->setGeometry(left, y, inner, high(labelCount_, 18));
    y += labelCount_->height() + px(4);
    note->setGeometry(left, y, inner, high(note, 18));
    y += note->height() + px(30);
    const int buttonHeight = std::max({px(34), buttonDone_->sizeHint().height(), buttonCancel_->sizeHint().height()});
    buttonCancel_->setGeometry(left, y, buttonWidth, buttonHeight);
    buttonDone_->setGeometry(left + inner - buttonWidth, y, buttonWidth, buttonHeight);
    checkAll_->setGeometry(checkLeft, y - px(4), checkWidth, high(checkAll_, 20));
    label2->setGeometry(checkLeft + px(20), checkAll_->geometry().bottom() + 1, label2Width, high(label2, 18));
    const int bottom = std::max(buttonCancel_->geometry().bottom(), label2->geometry().bottom()) + 1;
    setFixedSize(left + inner + left, bottom + px(32));
}

void TEnterAES::showCentred()
{
    show();
    if (mainWindow_) {
        QRect frame = frameGeometry();
        frame.moveCenter(mainWindow_->frameGeometry().center());
        move(frame.topLeft());
    }
    raise();
    activateWindow();
    editKey_->setFocus();
    editKey_->selectAll();
}

void TEnterAES::showCount(bool refused)
{
    labelCount_->setText(QStringLiteral("%1 of %2 digits").arg(editKey_->text().size()).arg(kKeyChars));
    QFont f = labelCount_->font();
    f.setBold(refused);
    labelCount_->setFont(f);
    QPalette p = labelCount_->palette();
    p.setColor(QPalette::WindowText, refused ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    labelCount_->setPalette(p);
}

void TEnterAES::BitBtn1Click()
{
    const QString key = editKey_->text();
    // A key filled up with zeros could never read a meter: only a whole key
    // is written.
    if (key.size() != kKeyChars) {
        showCount(true);
        editKey_->setFocus();
        return;
    }
    if (checkAll_->isChecked()) {
        for (int r = 1; r < table_.rowCount(); ++r) {
            if (!table_.cell(MeterTable::ColNumber, r).isEmpty())
                table_.setCell(MeterTable::ColKey, r, key);
        }
    } else {
        // With no data row selected yet there is no row to write into.
        const int r = table_.selectedRow();
        if (r >= 1 && r < table_.rowCount())
            table_.setCell(MeterTable::ColKey, r, key);
    }
    hide();
}

void TEnterAES::BitBtn2Click()
{
    hide();
}

void TEnterAES::reject()
{
    // Closing the window in any other way acts as Cancel.
    BitBtn2Click();
}

void TEnterAES::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool isEsc = key == Qt::Key_Escape;
    const bool isEnter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!isEsc && !isEnter) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    // The check box takes neither key.
    if (focusWidget() == checkAll_)
        return;
    if (isEsc)
        BitBtn2Click();
    else
        BitBtn1Click();
}

#include "app/ui/input_filters.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace {

// Watches one line edit: drops typed characters the filter rejects before
// the field sees them, and strips rejected characters from any other user
// edit (paste, drop, undo) right after it happens.
class LineEditFilter : public QObject {
public:
    LineEditFilter(QLineEdit* edit, InputFilter filter, int maxLength)
        : QObject(edit), edit_(edit), filter_(filter), maxLength_(maxLength), previous_(edit->text())
    {
        edit->installEventFilter(this);
        // A user edit emits textEdited before textChanged, so previous_ still
        // holds the text before the edit when onTextEdited runs.
        connect(edit, &QLineEdit::textEdited, this, &LineEditFilter::onTextEdited);
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { previous_ = text; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != edit_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Shortcuts (Ctrl+V, Ctrl+C...) and keys without text pass; so do
        // Backspace, Enter and line feed, which are control characters.
        if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            return false;
        for (QChar c : text)
            if (!c.isPrint())
                return false;
        if (FilterText(filter_, text).size() != text.size())
            return true;   // discarded: the field stays as it was
        if (maxLength_ > 0 && edit_->text().size() - edit_->selectedText().size() + text.size() > maxLength_)
            return true;   // the field is full
        return false;
    }

private:
    // Only what the edit inserted is filtered: the part between the longest
    // common start and end of the old and new text. Text the program put
    // into the field earlier stays as it is.
    void onTextEdited(const QString& text)
    {
        const QString& old = previous_;
        qsizetype prefix = 0;
        const qsizetype shorter = std::min(old.size(), text.size());
        while (prefix < shorter && old[prefix] == text[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix])
            ++suffix;
        const QString inserted = text.mid(prefix, text.size() - prefix - suffix);
        QString kept = FilterText(filter_, inserted);
        // Like typing, an edit may not take the text past the limit.
        if (maxLength_ > 0) {
            const qsizetype rest = text.size() - inserted.size();
            kept.truncate(std::max<qsizetype>(maxLength_ - rest, 0));
        }
        if (kept == inserted)
            return;
        edit_->setText(text.left(prefix) + kept + text.right(suffix));
        edit_->setCursorPosition(int(prefix + kept.size()));
    }

    QPointer<QLineEdit> edit_;
    InputFilter filter_;
    int maxLength_;
    QString previous_;
};

QLineEdit* LineEditOf(QObject* object)
{
    if (auto* edit = qobject_cast<QLineEdit*>(object))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(object))
        return combo->lineEdit();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(object))
        return spin->findChild<QLineEdit*>();
    return nullptr;
}

}  // namespace

bool FilterAccepts(InputFilter filter, QChar c)
{
    const char16_t u = c.unicode();
    const bool digit = u >= '0' && u <= '9';
    switch (filter) {
    case InputFilter::Digits: return digit;
    case InputFilter::HexUpper: return digit || (u >= 'A' && u <= 'F');
    case InputFilter::HexAnyCase: return digit || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
    case InputFilter::AnyCharacter: return true;
    }
    return false;
}

QString FilterText(InputFilter filter, const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (FilterAccepts(filter, c))
            out.append(c);
    return out;
}

void AttachInputFilter(QLineEdit* edit, InputFilter filter, int maxLength)
{
    if (!edit)
        return;
    new LineEditFilter(edit, filter, maxLength);
}

void InstallInputFilters(QWidget* mainWindow)
{
    if (!mainWindow)
        return;
    struct Field {
        const char* name;
        InputFilter filter;
        int maxLength;
    };
    static constexpr Field kFields[] = {
        {"Edit_currentID", InputFilter::Digits, 8},
        {"Edit_timeout", InputFilter::Digits, 5},
        {"Edit_IDnano", InputFilter::Digits, 8},
        {"Edit_ZELK_ID", InputFilter::Digits, 8},
        {"Edit1", InputFilter::Digits, 3},
        {"Edit_aesKey", InputFilter::HexUpper, 32},
        {"Edit_export_separator", InputFilter::AnyCharacter, 1},
    };
    for (const Field& field : kFields) {
        QObject* object = mainWindow->findChild<QObject*>(QLatin1String(field.name));
        // A spin box keeps its own limits; only plain fields get the length.
        const bool spin = qobject_cast<QAbstractSpinBox*>(object) != nullptr;
        AttachInputFilter(LineEditOf(object), field.filter, spin ? 0 : field.maxLength);
    }
}

#include "app/ui/input_filters.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QValidator>
#include <QWidget>

#include <algorithm>

namespace {

// The validator of one filtered field. QLineEdit validates the whole text
// after every change. A change the program made (setText, an item chosen in
// a combo box, undo back to such text) leaves the field unmodified: it is
// taken as it stands. Any other change is the user's: the part of the text
// that differs from the last validated text is what the edit put in; only
// that part is filtered and cut, so that text already in the field is never
// lost to a keystroke.
class FieldValidator : public QValidator {
public:
    FieldValidator(QLineEdit* edit, InputFilter filter, int maxLength, const QValidator* inner)
        : QValidator(edit), edit_(edit), filter_(filter), maxLength_(maxLength), inner_(inner), last_(edit->text())
    {}

    State validate(QString& input, int& pos) const override
    {
        if (edit_ && edit_->isModified())
            FilterEdit(input, pos);
        const State state = inner_ ? inner_->validate(input, pos) : Acceptable;
        if (state != Invalid)  // an invalid edit is undone by the field
            last_ = input;
        return state;
    }

private:
    void FilterEdit(QString& input, int& pos) const
    {
        // The edit replaced last_[start, last_.size() - tail) by
        // input[start, end); the cursor stands at or after the inserted text.
        const qsizetype cursor = std::clamp<qsizetype>(pos, 0, input.size());
        const qsizetype shorter = std::min(last_.size(), input.size());
        qsizetype start = 0;
        while (start < shorter && start < cursor && last_[start] == input[start])
            ++start;
        qsizetype tail = 0;
        while (tail < shorter - start && tail < input.size() - cursor
               && last_[last_.size() - 1 - tail] == input[input.size() - 1 - tail])
            ++tail;
        const qsizetype end = input.size() - tail;
        if (end <= start)
            return;  // nothing put in: a deletion
        const QString inserted = input.mid(start, end - start);
        QString kept = FilterText(filter_, inserted);
        if (maxLength_ > 0) {
            const qsizetype rest = input.size() - inserted.size();
            kept.truncate(std::max<qsizetype>(maxLength_ - rest, 0));
        }
        if (kept == inserted)
            return;
        // The cursor keeps its place after the characters kept before it.
        const qsizetype before = std::min(cursor, end) - start;
        const qsizetype keptBefore = std::min(FilterText(filter_, inserted.left(before)).size(), kept.size());
        input = input.left(start) + kept + input.mid(end);
        pos = int(cursor >= end ? cursor - (inserted.size() - kept.size()) : start + keptBefore);
    }

    QPointer<QLineEdit> edit_;
    InputFilter filter_;
    int maxLength_;
    QPointer<const QValidator> inner_;
    mutable QString last_;
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
    edit->setMaxLength(32767);  // QLineEdit's default: no limit of its own
    edit->setValidator(new FieldValidator(edit, filter, maxLength, edit->validator()));
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
        {"Combo_medium", InputFilter::AnyCharacter, 16},
    };
    for (const Field& field : kFields) {
        QObject* object = mainWindow->findChild<QObject*>(QLatin1String(field.name));
        // A spin box keeps its own limits; only plain fields get the length.
        const bool spin = qobject_cast<QAbstractSpinBox*>(object) != nullptr;
        AttachInputFilter(LineEditOf(object), field.filter, spin ? 0 : field.maxLength);
    }
}

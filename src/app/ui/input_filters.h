#pragma once
// Character filters of the edit fields: a typed character that the field
// does not accept is discarded before the field takes it; pasted or dropped
// text loses its rejected characters too. Backspace, Enter (CR) and line feed
// always pass. Text the program writes into a field is not filtered.
#include <QString>

class QWidget;
class QLineEdit;

enum class InputFilter {
    Digits,          // 0-9
    HexUpper,        // 0-9, A-F (capitals only)
    HexAnyCase,      // 0-9, A-F, a-f (the key entry dialog)
    AnyCharacter,    // every character: a length limit only (the separator)
};

bool FilterAccepts(InputFilter filter, QChar c);
// text without the characters the filter rejects; letters keep their case.
QString FilterText(InputFilter filter, const QString& text);

// Attaches a filter and a length limit to one field (the filter object is a
// child of the field). The limit applies to what the user types or pastes,
// not to text the program writes (QLineEdit::maxLength is left alone);
// maxLength <= 0: no limit.
void AttachInputFilter(QLineEdit* edit, InputFilter filter, int maxLength);

// The main window's filters, by objectName: Edit_currentID 8, Edit_timeout 5,
// Edit_IDnano 8, Edit_ZELK_ID 8, Edit1 3 (digits); Edit_aesKey 32 (0-9 A-F);
// Edit_export_separator 1 (any character; a longer separator from the
// settings file stays as it is).
// A field that is a spin box or combo box gets the filter on its line edit.
// Missing fields are skipped.
void InstallInputFilters(QWidget* mainWindow);

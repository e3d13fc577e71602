#pragma once
// Character filters of the edit fields. Each filtered field gets a validator
// that, for every edit the user makes (typing, pasting, dropping, undo),
// drops the characters the field does not accept from what the edit put in
// and then cuts what is left to the field's length limit; Backspace, Enter
// (CR) and line feed always work. Text the program writes into a field
// (from the settings file, from the selected table row) is neither filtered
// nor cut, and the user's later edits leave it as it stands.
#include <QString>

class QWidget;
class QLineEdit;

enum class InputFilter {
    Digits,        // 0-9
    HexUpper,      // 0-9, A-F (capitals only)
    AnyCharacter,  // every character: a length limit only
};

bool FilterAccepts(InputFilter filter, QChar c);
// text without the characters the filter rejects; letters keep their case.
QString FilterText(InputFilter filter, const QString& text);

// Attaches a filter and a length limit (counted in accepted characters) to
// one field through its validator; maxLength <= 0: no limit. The field's own
// maxLength is lifted, since it would also cut program-written text. A field
// that already has a validator (a spin box's line edit) keeps it: that
// validator sees the filtered text.
void AttachInputFilter(QLineEdit* edit, InputFilter filter, int maxLength);

// The main window's filters, by objectName: Edit_currentID 8, Edit_timeout 5,
// Edit_IDnano 8, Edit_ZELK_ID 8, Edit1 3 (digits); Edit_aesKey 32 (0-9 A-F);
// Edit_export_separator 1 and Combo_medium 16 (any character).
// A field that is a spin box or combo box gets the filter on its line edit;
// a spin box keeps its own range instead of the length limit.
// Missing fields are skipped.
void InstallInputFilters(QWidget* mainWindow);

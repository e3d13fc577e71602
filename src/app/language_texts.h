#pragma once
// The interface texts that follow the language choice: English (code 1, and
// any code other than 2) or Italian (code 2). Data only; the widgets are
// written by ApplyLanguageTexts (ui/apply_language.h).
#include <QString>
#include <QStringList>
#include <vector>

inline constexpr int kLanguageEnglish = 1;
inline constexpr int kLanguageItalian = 2;

struct LanguageText {
    // What the text is written into.
    enum class Target {
        HeaderCell,  // meter table header, column `column`
        Widget,      // label or button text of the object named `objectName`
        MenuTitle,   // title of the menu named `objectName`
        Action,      // text of the menu item named `objectName`
        Text,        // a title, heading or message a window reads for itself
    };
    Target target;
    int column;              // HeaderCell only
    const char* objectName;  // all but HeaderCell
    const char* english;
    const char* italian;
    // Menus and their items: the letter of the text that opens or picks it
    // with the keyboard (Alt+letter on the menu bar, the letter in an open
    // menu); 0 for none. Marked with "&" only in the control's text, so the
    // caption the user sees and reads out stays the text above.
    char englishKey = 0;
    char italianKey = 0;

    QString text(int code) const;
    // The text as written into the control: menus with "&" before the first
    // occurrence of their key letter.
    QString controlText(int code) const;
};

// Every entry, in the order the texts are applied.
const std::vector<LanguageText>& LanguageTextTable();

// The five header texts of the meter table (the same in both languages).
QStringList MeterTableHeaderTexts(int code);

// Text of one named object for a language as written into the control
// (menus with their mnemonic); empty for an unknown name.
QString LanguageTextFor(const QString& objectName, int code);

// `text` with "&" before the first occurrence of `key` (none when `key` is 0
// or not in the text). The texts of the table hold no "&" of their own.
QString WithMnemonic(const QString& text, char key);

// A Yes/No question of the main window, asked in the language of the Exit
// question: English when the "English" menu item bears the check mark.
struct LanguageQuestion {
    const char* englishTitle;
    const char* italianTitle;
    const char* english;
    const char* italian;

    QString title(bool englishChecked) const;
    QString text(bool englishChecked) const;
};

// Before MASTER RESET is sent.
const LanguageQuestion& MasterResetQuestion();
// Before "Get all meters from ZELK" replaces a table with unsaved changes.
const LanguageQuestion& ReplaceTableQuestion();

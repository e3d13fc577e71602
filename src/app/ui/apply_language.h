#pragma once
// Writes the language-dependent texts into the main window's controls,
// found by objectName below mainWindow, and the meter table's header row.
// Touches nothing else (no check marks, no stored language). GUI thread.
class QWidget;
class MeterTable;

// code 2: Italian texts; any other code: English texts.
void ApplyLanguageTexts(QWidget* mainWindow, MeterTable& table, int code);

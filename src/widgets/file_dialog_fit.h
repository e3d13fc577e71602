#pragma once
// Qt's own file dialog opens at a fixed size with narrow columns, so the
// Size, Type and Date of a file are cut ("159…tes"). FitFileDialog() makes a
// dialog open wide enough for its Name, Size, Type and Date columns to read
// whole, as far as the screen allows, centred on the window it belongs to.
// A dialog of the desktop (native) is left as it is.
class QFileDialog;
class QWidget;

// Call before the dialog is shown; the sizes are set as it shows. `window`
// (may be null: then the dialog is centred on its screen) is the window the
// dialog belongs to.
void FitFileDialog(QFileDialog* dialog, QWidget* window);

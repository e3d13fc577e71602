#pragma once
// The AES-128 key entry dialog: the installer types a key of up to 32
// hexadecimal characters and writes it into the meter table's key column,
// for the selected row or for every numbered row. Nothing is sent to the
// receiver. Created once, hidden; showCentred() shows it without waiting
// (not modal), always on top, centred on the main window. The controls keep
// their contents between openings. Its size and control places follow the
// font, so every caption shows whole. GUI thread only.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class MeterTable;

class TEnterAES : public QDialog {
    Q_OBJECT
public:
    TEnterAES(MeterTable& table, QWidget* mainWindow);

    // Shows the dialog centred on the main window and returns at once.
    void showCentred();

    // "Done": pads the key with "0" to 32 characters, writes it into the key
    // cell of the selected row (nothing with no data row selected) or, with
    // "Use this Key for all" ticked, of every row whose number cell is not
    // empty; then hides.
    void BitBtn1Click();
    // "Cancel": hides; the table and the key field stay as they are.
    void BitBtn2Click();

    QLineEdit* keyField() const { return editKey_; }
    QCheckBox* allCheck() const { return checkAll_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void placeControls(QLabel* labelKey, QLabel* note, QLabel* label2);

    MeterTable& table_;
    QWidget* mainWindow_;
    QLineEdit* editKey_ = nullptr;
    QCheckBox* checkAll_ = nullptr;
    QPushButton* buttonDone_ = nullptr;
    QPushButton* buttonCancel_ = nullptr;
};

#pragma once
// The AES-128 key entry dialog: the installer types a key of 32 hexadecimal
// characters and writes it into the meter table's key column, for the
// selected row or for every numbered row. Only a whole key is written: a
// shorter one is refused with the count of digits it holds, which shows live
// while typing. Nothing is sent to the receiver. Created once, hidden; showCentred() shows it without waiting
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

    // Shows the dialog centred on the main window and returns at once. The
    // kept key is selected, so that typing replaces it.
    void showCentred();

    // "Done": a key of 32 characters is written into the key cell of the
    // selected row (nothing with no data row selected) or, with "Use this
    // Key for all" ticked, of every row whose number cell is not empty; then
    // the dialog hides. A shorter key writes nothing: the dialog stays open
    // and its count line says how many digits it holds.
    void BitBtn1Click();
    // "Cancel": hides; the table and the key field stay as they are.
    void BitBtn2Click();

    QLineEdit* keyField() const { return editKey_; }
    QCheckBox* allCheck() const { return checkAll_; }
    // "N of 32 digits" under the key field.
    QLabel* countLabel() const { return labelCount_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void placeControls(QLabel* labelKey, QLabel* note, QLabel* label2);
    // Shows the count of the key field; `refused` marks it as the reason Done
    // did nothing.
    void showCount(bool refused);

    MeterTable& table_;
    QWidget* mainWindow_;
    QLineEdit* editKey_ = nullptr;
    QLabel* labelCount_ = nullptr;
    QCheckBox* checkAll_ = nullptr;
    QPushButton* buttonDone_ = nullptr;
    QPushButton* buttonCancel_ = nullptr;
};

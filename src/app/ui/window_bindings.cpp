#include "app/ui/window_bindings.h"

#include "app/language_texts.h"
#include "app/ui/main_window.h"
#include "app/ui/up_down.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

QString WindowBindings::portNameText() const
{
    return w_.Combo_comName->currentText();
}
QString WindowBindings::speedText() const
{
    return w_.Combo_speed->currentText();
}
QString WindowBindings::parityText() const
{
    return w_.Combo_parity->currentText();
}
bool WindowBindings::rtsTicked() const
{
    return w_.Check_rts->isChecked();
}
bool WindowBindings::englishChecked() const
{
    return w_.English1->isChecked();
}
void WindowBindings::setStatusText(const QString& text)
{
    // The panel is 150 pixels wide; a long port path is still readable in full
    // from the tooltip.
    w_.StatusPanel0->setText(text);
    w_.StatusPanel0->setToolTip(text);
}
void WindowBindings::setConnectCaption(const QString& text)
{
    w_.BitBtn22->setText(text);
}

void WindowBindings::setPortListsEnabled(bool enabled)
{
    w_.Combo_comName->setEnabled(enabled);
    w_.Combo_speed->setEnabled(enabled);
    w_.Combo_parity->setEnabled(enabled);
    w_.Combo_dataBits->setEnabled(enabled);
}

void WindowBindings::logLine(const QString& line)
{
    w_.activityLog().append(line);
}
void WindowBindings::logKeyLine(const QString& line)
{
    w_.activityLog().append(line, ActivityLog::Content::Key);
}
QString WindowBindings::currentZelkId() const
{
    return w_.Edit_currentID->text();
}
QString WindowBindings::meterIdField() const
{
    return w_.Edit_IDnano->text();
}
void WindowBindings::setKeyField(const QString& text)
{
    w_.Edit_aesKey->setText(text);
}
MeterTable& WindowBindings::table()
{
    return w_.meterTable();
}
WorkingState& WindowBindings::state()
{
    return w_.state();
}

QString WindowBindings::zelkId() const
{
    return w_.Edit_currentID->text();
}
QString WindowBindings::meterId() const
{
    return w_.Edit_IDnano->text();
}
void WindowBindings::setMeterId(const QString& id)
{
    w_.Edit_IDnano->setText(id);
}
QString WindowBindings::keyText() const
{
    return w_.Edit_aesKey->text();
}
QString WindowBindings::mediumText() const
{
    return w_.Combo_medium->currentText();
}
bool WindowBindings::allTicked() const
{
    return w_.Check_deleteAll->isChecked();
}
void WindowBindings::setAllTicked(bool ticked)
{
    w_.Check_deleteAll->setChecked(ticked);
}
int WindowBindings::retries() const
{
    return w_.UD_retry_read->position();
}
int WindowBindings::responseTimeout() const
{
    return w_.UD_timeout->position();
}
QString WindowBindings::newZelkId() const
{
    return w_.Edit_ZELK_ID->text();
}
QString WindowBindings::wirelessModeText() const
{
    return w_.Combo_wirelessMode->currentText();
}
QString WindowBindings::clockValueText() const
{
    return w_.Edit1->text();
}
bool WindowBindings::clockOn() const
{
    return w_.Check_onClock->isChecked();
}
QString WindowBindings::flagName() const
{
    return w_.Combo_qorFlags->currentText();
}
bool WindowBindings::flagOn() const
{
    return w_.Check_nanoFlag->isChecked();
}
QTime WindowBindings::localTime() const
{
    return QTime::currentTime();
}

namespace {

// Warning icon, Yes/No with No the default; true only for Yes.
bool AskYesNo(QWidget* parent, const QString& title, const QString& text)
{
    return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

}  // namespace

bool WindowBindings::confirmDeleteAll()
{
    return AskYesNo(&w_, QStringLiteral("Exit Confirmation"), QStringLiteral("Are you sure you want to delete ALL?"));
}

bool WindowBindings::confirmMasterReset()
{
    const LanguageQuestion& q = MasterResetQuestion();
    return AskYesNo(&w_, q.title(englishChecked()), q.text(englishChecked()));
}

bool WindowBindings::confirmReplaceTable()
{
    const LanguageQuestion& q = ReplaceTableQuestion();
    return AskYesNo(&w_, q.title(englishChecked()), q.text(englishChecked()));
}

void WindowBindings::setBatchUi(bool running)
{
    w_.Butt_stop->setVisible(running);
    w_.ProgressBar1->setVisible(running);
    w_.BitBtn42->setEnabled(!running);
    w_.BitBtn43->setEnabled(!running);
}

void WindowBindings::setProgressMaximum(int maximum)
{
    w_.ProgressBar1->setMaximum(maximum);
}
int WindowBindings::progressValue() const
{
    return w_.ProgressBar1->value();
}
void WindowBindings::setProgressValue(int value)
{
    w_.ProgressBar1->setValue(value);
}

void WindowBindings::stepProgress()
{
    w_.ProgressBar1->setValue(std::min(w_.ProgressBar1->value() + 1, w_.ProgressBar1->maximum()));
}

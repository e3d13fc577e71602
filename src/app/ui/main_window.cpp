#include "app/ui/main_window.h"

#include "app/ui/about.h"
#include "app/ui/apply_language.h"
#include "app/ui/compare_dialog.h"
#include "app/ui/input_filters.h"
#include "app/ui/key_import_dialogs.h"
#include "app/ui/log_commands.h"
#include "app/ui/log_panel.h"
#include "app/ui/up_down.h"
#include "app/ui/user_manual.h"
#include "app/ui/window_bindings.h"
#include "core/settings.h"
#include "operations/connection_link.h"
#include "operations/device_operations.h"
#include "operations/line_guard.h"
#include "serial/connection.h"
#include "serial/port_reconnect.h"
#include "serial/receive_path.h"
#include "serial/vacomm.h"
#include "table/ui/enter_aes.h"
#include "table/ui/meter_grid.h"
#include "table/ui/meter_list_dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <cstdio>

TForm11::TForm11(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("M-bus and wireless configuration and read utility"));
    buildControls();
    // Client area 1105 x 792 under the menu bar; fitted to the screen and
    // centred when first shown.
    resize(1105, 792 + menuBar()->sizeHint().height());
    wireCore();
    wireControls();
    FormCreate();
}

TForm11::~TForm11()
{
    // The operations and the receive path hold references into the bindings
    // and the connection: stop their timers before those go away.
    delete operations_;
    operations_ = nullptr;
    delete receive_;
    receive_ = nullptr;
    // The grid refers to the table, a member that dies before the children.
    delete takeCentralWidget();
    delete connection_;
    connection_ = nullptr;
    delete Comm1;
    Comm1 = nullptr;
}

void TForm11::wireCore()
{
    bindings_ = std::make_unique<WindowBindings>(*this);
    Comm1 = new TVaComm(this);
    Comm1->setObjectName(QStringLiteral("Comm1"));
    connection_ = new Connection(*Comm1, *bindings_, log_, state_, this);
    lineLink_ = std::make_unique<ConnectionLink>(*connection_);
    auto guard = std::make_unique<LineGuard>(*lineLink_);
    lineGuard_ = guard.get();
    link_ = std::move(guard);
    lineGuard_->setOnTakenChanged([this](bool taken) { BitBtn22->setEnabled(!taken); });
    receive_ = new ReceivePath(state_, *bindings_, *lineGuard_, this);
    receive_->setReader(
        [this](char* area, int count) { return lineGuard_->taken() ? 0 : connection_->ReadBytes(area, count); });
    receive_->setResponseTimeout([this] { return bindings_->responseTimeout(); });
    operations_ = new DeviceOperations(*bindings_, *link_, state_, table_, this);
    connect(Comm1, &TVaComm::OnRxChar, this, &TForm11::Comm1RxChar);
    // A port the device lost stops what was running on it, and is reopened
    // when its name returns unless the user picks another port first.
    connect(connection_, &Connection::lostByDevice, operations_, &DeviceOperations::StopAfterPortLost);
    reconnect_ = new PortReconnect(*connection_, *bindings_, log_, connection_);
    connect(Combo_comName, &QComboBox::currentTextChanged, reconnect_, &PortReconnect::cancel);
    // A device path is often longer than the box: its tooltip carries the whole name.
    connect(Combo_comName, &QComboBox::currentTextChanged, Combo_comName, &QWidget::setToolTip);

    connect(&log_, &ActivityLog::lineAppended, Memo_current, &LogPanel::appendLine);
    connect(&log_, &ActivityLog::cleared, Memo_current, &LogPanel::clearLines);
}

void TForm11::wireControls()
{
    StringGrid1->setSelectionTargets(Edit_IDnano, Edit_aesKey, Combo_medium);
    StringGrid1->setLog(&log_);

    connect(BitBtn22, &QPushButton::clicked, this, &TForm11::BitBtn22Click);
    connect(Check_rts, &QCheckBox::toggled, connection_, &Connection::FollowRtsBox);
    connect(Exit1, &QAction::triggered, this, &TForm11::Exit1Click);
    connect(English1, &QAction::triggered, this, &TForm11::English1Click);
    connect(Italian1, &QAction::triggered, this, &TForm11::Italian1Click);
    connect(About1, &QAction::triggered, this, &TForm11::About1Click);
    connect(UserManual1, &QAction::triggered, this, &TForm11::UserManual1Click);
    connect(CompareZelk1, &QAction::triggered, this, &TForm11::openCompareDialog);

    DeviceOperations* ops = operations_;
    connect(BitBtn42, &QToolButton::clicked, ops, &DeviceOperations::BitBtn42Click);
    connect(BitBtn43, &QToolButton::clicked, ops, &DeviceOperations::BitBtn43Click);
    connect(Butt_setAES, &QToolButton::clicked, ops, &DeviceOperations::Butt_setAESClick);
    connect(Butt_readAES, &QToolButton::clicked, ops, &DeviceOperations::Butt_readAESClick);
    connect(BitBtn19, &QPushButton::clicked, ops, &DeviceOperations::BitBtn19Click);
    connect(BitBtn44, &QToolButton::clicked, ops, &DeviceOperations::BitBtn44Click);
    connect(Butt_stop, &QPushButton::clicked, ops, &DeviceOperations::Butt_stopClick);
    connect(BitBtn52, &QPushButton::clicked, ops, &DeviceOperations::BitBtn52Click);
    connect(BitBtn53, &QPushButton::clicked, ops, &DeviceOperations::BitBtn53Click);
    connect(BitBtn51, &QPushButton::clicked, ops, &DeviceOperations::BitBtn51Click);
    connect(Button6, &QPushButton::clicked, ops, &DeviceOperations::Button6Click);
    connect(Button8, &QPushButton::clicked, ops, &DeviceOperations::Button8Click);
    connect(BitBtn23, &QPushButton::clicked, ops, &DeviceOperations::BitBtn23Click);
    connect(BitBtn24, &QPushButton::clicked, ops, &DeviceOperations::BitBtn24Click);

    // Routes of the meter table's keys and context menu.
    connect(StringGrid1, &MeterGrid::addThisIdRequested, this, [this](const QString& id) {
        Edit_IDnano->setText(id);
        operations_->TableAddRoute();
    });
    connect(StringGrid1, &MeterGrid::deleteThisIdRequested, this, [this](const QString& id) {
        Edit_IDnano->setText(id);
        operations_->TableDeleteRoute();
    });
    connect(StringGrid1, &MeterGrid::setAesKeyRequested, ops, &DeviceOperations::TableSetKeyRoute);
    connect(StringGrid1, &MeterGrid::sendTableRequested, ops, &DeviceOperations::TableDeleteAllRoute);

    // Meter list file.
    auto separator = [this] { return Edit_export_separator->text(); };
    auto exportList = [this, separator] { ExportMeterList(this, table_, state_.settingsDir, separator); };
    auto importList = [this, separator] {
        ImportMeterList(this, table_, state_.settingsDir, separator,
                        [this](const QString& line) { log_.append(line); });
    };
    connect(StringGrid1, &MeterGrid::exportRequested, this, exportList);
    connect(StringGrid1, &MeterGrid::importRequested, this, importList);
    connect(Butt_save_data, &QPushButton::clicked, this, exportList);
    connect(Butt_load_data, &QPushButton::clicked, this, importList);
    connect(Save1, &QAction::triggered, this, exportList);
    connect(Open1, &QAction::triggered, this, importList);
    connect(ImportKeys1, &QAction::triggered, this,
            [this, separator] { ImportKeysWithDialogs(this, table_, log_, state_.settingsDir, separator()); });
    connect(Butt_clear_grid, &QPushButton::clicked, StringGrid1, &MeterGrid::clearTable);
    connect(StringGrid1, &MeterGrid::enterAesKeyRequested, this, [this] {
        if (auto* dlg = qobject_cast<TEnterAES*>(keyDialog_.data()))
            dlg->showCentred();
    });

    // Activity log commands.
    connect(BitBtn5, &QPushButton::clicked, &log_, &ActivityLog::clear);
    connect(BitBtn6, &QPushButton::clicked, this, [this] { SaveLogWithDialog(this, log_, state_.settingsDir); });
    connect(BitBtn7, &QPushButton::clicked, this, [this] { PrintLogWithDialog(this, log_); });

    InstallInputFilters(this);
}

void TForm11::FormCreate()
{
    exeDir_ = QCoreApplication::applicationDirPath();
    QDir::setCurrent(exeDir_);
    settingsPath_ = SettingsFilePath();
    loadSettings();
    PageControl1->setCurrentIndex(0);
    if (state_.language == 2) {
        Italian1->setChecked(true);
        ApplyLanguageTexts(this, table_, 2);
    } else {
        English1->setChecked(true);
        ApplyLanguageTexts(this, table_, 1);
    }
    state_.connected = false;
    table_.clearMarks();
    table_.setMarkAllPending(false);
    state_.rxBuffer.clear();
    state_.rxCount = 0;
    state_.replyLatched = false;
}

void TForm11::loadSettings()
{
    const AppSettings s = ReadSettings(settingsPath_, DefaultSettingsDir());
    Combo_comName->setEditText(s.comName);
    Combo_speed->setEditText(s.speed);
    Combo_parity->setEditText(s.parity);
    const int bitsIndex = Combo_dataBits->findText(s.dataBits);
    if (bitsIndex >= 0)
        Combo_dataBits->setCurrentIndex(bitsIndex);
    else {
        Combo_dataBits->addItem(s.dataBits);
        Combo_dataBits->setCurrentIndex(Combo_dataBits->count() - 1);
    }
    Check_rts->setChecked(s.rts);
    Edit_export_separator->setText(s.exportSeparator);
    UD_retry_read->setPosition(s.retry);
    UD_timeout->setPosition(s.timeout);
    state_.settingsDir = s.dir;
    state_.language = s.language;
    Edit_currentID->setText(s.secondary);
}

void TForm11::reloadSettings(const QString& path)
{
    settingsPath_ = path;
    loadSettings();
    const bool italian = state_.language == 2;
    Italian1->setChecked(italian);
    English1->setChecked(!italian);
    ApplyLanguageTexts(this, table_, state_.language);
}

bool TForm11::saveSettings(QString* error)
{
    AppSettings s;
    s.comName = Combo_comName->currentText();
    s.speed = Combo_speed->currentText();
    s.parity = Combo_parity->currentText();
    s.dataBits = Combo_dataBits->currentText();
    s.rts = Check_rts->isChecked();
    s.exportSeparator = Edit_export_separator->text();
    s.retry = UD_retry_read->position();
    s.timeout = UD_timeout->position();
    s.dir = state_.settingsDir;
    s.language = state_.language;
    s.secondary = Edit_currentID->text();
    return WriteSettings(settingsPath_, s, error);
}

void TForm11::FormActivate()
{
    ApplyLanguageTexts(this, table_, state_.language == 2 ? 2 : 1);
}

void TForm11::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QMainWindow::changeEvent(event);
}

void TForm11::Exit1Click()
{
    const bool english = English1->isChecked();
    const auto answer = QMessageBox::warning(
        this, english ? QStringLiteral("Exit Confirmation") : QStringLiteral("Conferma uscita"),
        english ? QStringLiteral("Are you sure you want to exit?") : QStringLiteral("Sei sicuro di voler uscire?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        close();
}

void TForm11::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!placed_) {
        placed_ = true;
        placeOnScreen();
        // On another screen the controls scroll when the window's minimum
        // exceeds it, and stop scrolling on one that holds it again.
        connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
            if (screen)
                fitControlsTo(screen->availableGeometry().size().shrunkBy(windowHandle()->frameMargins()));
        });
    }
}

void TForm11::closeEvent(QCloseEvent* event)
{
    if (compareDialog_ && compareDialog_->busy())
        compareDialog_->stop(true);
    if (!closing_) {
        closing_ = true;
        FormClose();
    }
    event->accept();
}

void TForm11::CloseForStopSignal()
{
    closingForSignal_ = true;
    close();
}

void TForm11::FormClose()
{
    reconnect_->cancel();
    QDir::setCurrent(exeDir_);
    QString reason;
    if (!saveSettings(&reason)) {
        if (closingForSignal_)
            std::fprintf(stderr, "zelk-duv: settings not saved to %s: %s\n",
                         qPrintable(QDir::toNativeSeparators(settingsPath_)), qPrintable(reason));
        else
            QMessageBox::warning(this, QStringLiteral("Saving settings"),
                                 QStringLiteral("Settings will not be saved, no write permission"));
    }
    if (state_.connected)
        connection_->ToggleConnection();
    if (about_)
        about_->hide();
    if (keyDialog_)
        keyDialog_->hide();
}

void TForm11::BitBtn22Click()
{
    connection_->ToggleConnection();
}

void TForm11::English1Click()
{
    English1->setChecked(true);
    Italian1->setChecked(false);
    state_.language = 1;
    ApplyLanguageTexts(this, table_, 1);
}

void TForm11::Italian1Click()
{
    English1->setChecked(false);
    Italian1->setChecked(true);
    ApplyLanguageTexts(this, table_, 2);
    state_.language = 2;
}

void TForm11::About1Click()
{
    if (auto* about = qobject_cast<TFAbout*>(about_.data()))
        about->ShowAbout();
    else if (about_)
        about_->show();
}

void TForm11::UserManual1Click()
{
    OpenUserManual(English1->isChecked());
}

void TForm11::Comm1RxChar(QObject* sender, int count)
{
    if (!deliverToLineTaker(count))
        receive_->Comm1RxChar(sender, count);
}

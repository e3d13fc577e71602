#pragma once
// The main window: owns the serial device, the timers (through the receive
// path and the operations), the meter table, the activity log and the working
// state for the whole run. It builds its controls in code, wires them to the
// core objects, and does no protocol or file work itself.
#include "app/ui/log_panel.h"
#include "core/activity_log.h"
#include "core/working_state.h"
#include "table/meter_table.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolButton;
class UpDown;
class ControlsScrollArea;
class MeterGrid;
class TVaComm;
class Connection;
class ReceivePath;
class DeviceOperations;
class PortReconnect;
class WindowBindings;
class OperationLink;
class LineGuard;
class CompareDialog;

class TForm11 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);
    ~TForm11() override;

    // The two secondary windows, created by the program entry after this
    // window and only shown and hidden afterwards.
    void setAboutWindow(QWidget* about) { about_ = about; }
    void setKeyDialog(QWidget* keyDialog) { keyDialog_ = keyDialog; }

    ActivityLog& activityLog() { return log_; }
    MeterTable& meterTable() { return table_; }
    WorkingState& state() { return state_; }
    TVaComm& comm() { return *Comm1; }
    Connection& connection() { return *connection_; }
    DeviceOperations& operations() { return *operations_; }

    // The settings file used by FormCreate and FormClose.
    QString settingsPath() const { return settingsPath_; }
    // Uses another settings file (tests); reads it as FormCreate does.
    void reloadSettings(const QString& path);
    // Closes as File > Exit does after Yes, for a stop signal: nobody may be
    // there to answer a box, so settings that cannot be written are reported
    // in one line on standard error instead.
    void CloseForStopSignal();

public slots:
    void Exit1Click();
    void BitBtn22Click();  // connect button
    void English1Click();
    void Italian1Click();
    void About1Click();
    void UserManual1Click();
    void Comm1RxChar(QObject* sender, int count);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class WindowBindings;

    void buildMenus();
    // The Receiver menu and the dialog it opens (main_window_receiver.cpp).
    void buildReceiverMenu();
    void openCompareDialog();
    // The hook of the line guard: while another exchange holds the line,
    // received bytes go to it, not to the window's receive rules.
    bool deliverToLineTaker(int count);
    void buildControls();
    QWidget* buildCommunicationGroup();
    void addPortControls(QGroupBox* box, QGridLayout* g);
    void addExchangeControls(QGroupBox* box, QGridLayout* g);
    QWidget* buildGlobalGroup();
    QWidget* buildSingleMeterGroup();
    QWidget* buildMeterTab();
    QWidget* buildLogArea();
    void buildStatusBar();
    void wireCore();
    void wireControls();

    void FormCreate();
    void FormActivate();
    void FormClose();
    void loadSettings();
    bool saveSettings(QString* error);
    void placeOnScreen(int attempt = 0);
    // Lets the controls above the log scroll so that the window's minimum
    // fits `room` (the screen's available area without the frame).
    void fitControlsTo(const QSize& room);
    void refreshMinimumSize();

    // core objects (owned for the whole run)
    ActivityLog log_;
    MeterTable table_;
    WorkingState state_;
    TVaComm* Comm1 = nullptr;
    std::unique_ptr<WindowBindings> bindings_;
    std::unique_ptr<OperationLink> lineLink_;  // the port itself, for the exchange that holds the line
    std::unique_ptr<OperationLink> link_;      // the window's operations: through lineGuard_
    LineGuard* lineGuard_ = nullptr;
    QPointer<CompareDialog> compareDialog_;
    Connection* connection_ = nullptr;
    ReceivePath* receive_ = nullptr;
    DeviceOperations* operations_ = nullptr;
    PortReconnect* reconnect_ = nullptr;  // child of the connection

    QString settingsPath_;
    QString exeDir_;
    bool closing_ = false;
    bool closingForSignal_ = false;
    bool placed_ = false;

    QPointer<QWidget> about_;
    QPointer<QWidget> keyDialog_;

public:
    // Controls, named as the window design names them (objectName equal).
    QComboBox* Combo_comName = nullptr;
    QComboBox* Combo_speed = nullptr;
    QComboBox* Combo_parity = nullptr;
    QComboBox* Combo_dataBits = nullptr;
    QCheckBox* Check_rts = nullptr;
    QPushButton* BitBtn22 = nullptr;
    QLineEdit* Edit_retry = nullptr;
    UpDown* UD_retry_read = nullptr;
    QLineEdit* Edit_export_separator = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label_ms = nullptr;
    QLineEdit* Edit_timeout = nullptr;
    UpDown* UD_timeout = nullptr;
    QLineEdit* Edit_currentID = nullptr;

    QLineEdit* Edit_ZELK_ID = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* BitBtn51 = nullptr;
    QPushButton* BitBtn52 = nullptr;
    QPushButton* BitBtn53 = nullptr;
    QComboBox* Combo_wirelessMode = nullptr;
    QPushButton* Button8 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QCheckBox* Check_onClock = nullptr;
    QPushButton* BitBtn24 = nullptr;
    QPushButton* BitBtn23 = nullptr;

    ControlsScrollArea* ScrollBox_controls = nullptr;  // around everything above the log
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* Edit_IDnano = nullptr;
    QToolButton* BitBtn42 = nullptr;
    QToolButton* BitBtn43 = nullptr;
    QCheckBox* Check_deleteAll = nullptr;
    QLineEdit* Edit_aesKey = nullptr;
    QToolButton* Butt_setAES = nullptr;
    QToolButton* Butt_readAES = nullptr;
    QComboBox* Combo_medium = nullptr;
    QPushButton* BitBtn19 = nullptr;
    QCheckBox* Check_nanoFlag = nullptr;
    QComboBox* Combo_qorFlags = nullptr;
    QToolButton* BitBtn44 = nullptr;
    QPushButton* Butt_stop = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    MeterGrid* StringGrid1 = nullptr;
    QPushButton* Butt_load_data = nullptr;
    QPushButton* Butt_save_data = nullptr;
    QPushButton* Butt_clear_grid = nullptr;

    LogPanel* Memo_current = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QLabel* StatusPanel0 = nullptr;

    QMenu* File1 = nullptr;
    QMenu* Language1 = nullptr;
    QMenu* Receiver1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* ImportKeys1 = nullptr;  // File > "Import keys..." (meter makers' key files)
    QAction* Exit1 = nullptr;
    QAction* English1 = nullptr;
    QAction* Italian1 = nullptr;
    QAction* About1 = nullptr;
    QAction* UserManual1 = nullptr;
    QAction* CompareZelk1 = nullptr;
};

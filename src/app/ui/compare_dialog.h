#pragma once
// "Compare with ZELK": reads the receiver's list (and with "Include keys"
// the keys it holds for the table's meters) without touching the meter
// table, shows one row per meter with its state, and programs the
// differences (adds, keys, media, and when asked, deletes) with the engine's
// plan, then reads back and shows the new states.
//
// While it works the serial line is the dialog's (LineGuard): the window's
// own operations send nothing and its receive rules see none of the
// replies. The engine's wait keeps the event loop running; the buttons that
// would start a second run are disabled meanwhile, Stop ends the run after
// the exchange in flight, and closing the dialog stops it first.
#include "operations/provisioner.h"

#include <QDialog>
#include <QHash>
#include <memory>

class ActivityLog;
class LineGuard;
class MeterTable;
class OperationHost;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class RequestEngine;

class CompareDialog final : public QDialog, private ProvisionObserver {
    Q_OBJECT
public:
    CompareDialog(LineGuard& guard, const OperationHost& host, const MeterTable& table, ActivityLog& log, int language,
                  QWidget* parent = nullptr);
    ~CompareDialog() override;

    bool busy() const { return engine_ != nullptr; }
    // The summary line above the table.
    QString summary() const;

public slots:
    void compare();
    void programDifferences();
    // Ends the run after the exchange in flight; `now` also ends the wait.
    void stop(bool now = false);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QString text(const char* name) const;
    // Takes the line and makes the engine; false (saying why) when the port
    // is not open.
    bool begin(int steps);
    void end(const QString& outcome);
    // Reads the receiver and shows the plan; false when the run stopped.
    bool survey();
    void showPlan();
    // Deleting asks first, and again when the guard finds more deletes than
    // wanted meters; without "Also delete" the plan's deletes are dropped.
    bool confirmDeletes(ProgramPlan* plan);
    bool ask(const QString& question);

    bool interrupted() override { return stopRequested_; }
    void advance(const QString& what) override;
    bool accept(const RequestResult& r, const QString& id, const QString& step) override;
    void report(const QString&, const QStringList&) override {}

    LineGuard& guard_;
    const OperationHost& host_;
    const MeterTable& table_;
    ActivityLog& log_;
    int language_;

    QLabel* summary_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QCheckBox* includeKeys_ = nullptr;
    QCheckBox* alsoDelete_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* program_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
    QProgressBar* progress_ = nullptr;

    std::unique_ptr<RequestEngine> engine_;
    std::unique_ptr<Provisioner> provisioner_;
    std::vector<ProgramRow> wanted_;
    ProgramPlan plan_;
    bool planValid_ = false;
    QHash<QString, QString> refusals_;  // meter ID -> the receiver's refusal
    QString stopReason_;
    bool stopRequested_ = false;
    bool closeWhenDone_ = false;
};

#pragma once
// The main window seen through the narrow interfaces of the core: what the
// connection, the receive path and the device operations read from and write
// to its controls. Every call runs on the GUI thread and returns at once,
// except the confirm...() calls, which show a modal question.
#include "operations/operation_host.h"
#include "protocol/reply_target.h"
#include "serial/connection.h"

class TForm11;

class WindowBindings final : public ConnectionView, public ReplyTarget, public OperationHost {
public:
    explicit WindowBindings(TForm11& window) : w_(window) {}

    // ConnectionView
    QString portNameText() const override;
    QString speedText() const override;
    QString parityText() const override;
    bool rtsTicked() const override;
    bool englishChecked() const override;
    void setStatusText(const QString& text) override;
    void setConnectCaption(const QString& text) override;
    void setPortListsEnabled(bool enabled) override;

    // ReplyTarget
    void logLine(const QString& line) override;
    void logKeyLine(const QString& line) override;
    QString currentZelkId() const override;
    QString meterIdField() const override;
    void setKeyField(const QString& text) override;
    MeterTable& table() override;
    WorkingState& state() override;

    // OperationHost
    QString zelkId() const override;
    QString meterId() const override;
    void setMeterId(const QString& id) override;
    QString keyText() const override;
    QString mediumText() const override;
    bool allTicked() const override;
    void setAllTicked(bool ticked) override;
    int retries() const override;
    int responseTimeout() const override;
    QString newZelkId() const override;
    QString wirelessModeText() const override;
    QString clockValueText() const override;
    bool clockOn() const override;
    QString flagName() const override;
    bool flagOn() const override;
    QTime localTime() const override;
    bool confirmDeleteAll() override;
    bool confirmMasterReset() override;
    bool confirmReplaceTable() override;
    void setBatchUi(bool running) override;
    void setProgressMaximum(int maximum) override;
    int progressValue() const override;
    void setProgressValue(int value) override;
    void stepProgress() override;

private:
    TForm11& w_;
};

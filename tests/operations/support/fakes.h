#pragma once
// Test doubles for the device operations: a window with plain fields and a
// serial link that records every telegram instead of writing it.
#include "core/working_state.h"
#include "operations/device_operations.h"
#include "operations/operation_host.h"
#include "operations/operation_link.h"
#include "table/meter_table.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTime>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>

// Readable failure output for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << "{";
    for (const QString& s : l)
        *os << " \"" << s.toStdString() << "\"";
    *os << " }";
}

// Creates the process-wide QCoreApplication once (timers need it).
void EnsureTestApp();
// Runs the event loop for about ms milliseconds.
void SpinFor(int ms);
// Runs the event loop until pred() holds or timeoutMs passes; gives pred().
bool SpinUntil(const std::function<bool()>& pred, int timeoutMs);

class FakeHost : public OperationHost {
public:
    QString zelk = QStringLiteral("01020304");
    QString meter = QStringLiteral("87654321");
    QString key;
    QString medium;
    bool all = false;
    int retryTimes = 1;
    int timeoutMs = 300;
    QString newId;
    QString mode;
    QString clock = QStringLiteral("256");
    bool clockSwitch = false;
    QString flag;
    bool flagSwitch = false;
    QTime now = QTime(13, 45, 10);

    bool confirmAnswer = true;
    int confirmCount = 0;
    std::function<void()> duringConfirm;  // runs while the question is "open"
    bool resetAnswer = true;              // confirmMasterReset()
    bool replaceAnswer = true;            // confirmReplaceTable()
    QStringList asked;                    // "reset" / "replace", each time asked

    bool batchRunning = false;  // last setBatchUi()
    int batchUiCalls = 0;
    int progressMax = 100;
    int progress = 0;
    QStringList meterIdsWritten;  // every setMeterId(), in order

    QString zelkId() const override { return zelk; }
    QString meterId() const override { return meter; }
    void setMeterId(const QString& id) override
    {
        meter = id;
        meterIdsWritten << id;
    }
    QString keyText() const override { return key; }
    QString mediumText() const override { return medium; }
    bool allTicked() const override { return all; }
    void setAllTicked(bool ticked) override { all = ticked; }
    int retries() const override { return retryTimes; }
    int responseTimeout() const override { return timeoutMs; }
    QString newZelkId() const override { return newId; }
    QString wirelessModeText() const override { return mode; }
    QString clockValueText() const override { return clock; }
    bool clockOn() const override { return clockSwitch; }
    QString flagName() const override { return flag; }
    bool flagOn() const override { return flagSwitch; }
    QTime localTime() const override { return now; }
    bool confirmDeleteAll() override
    {
        ++confirmCount;
        if (duringConfirm)
            duringConfirm();
        return confirmAnswer;
    }
    bool confirmMasterReset() override { return asked << QStringLiteral("reset"), resetAnswer; }
    bool confirmReplaceTable() override { return asked << QStringLiteral("replace"), replaceAnswer; }
    void setBatchUi(bool running) override
    {
        batchRunning = running;
        ++batchUiCalls;
    }
    void setProgressMaximum(int maximum) override { progressMax = maximum; }
    int progressValue() const override { return progress; }
    void setProgressValue(int value) override { progress = value; }
    void stepProgress() override { progress = std::min(progress + 1, progressMax); }
};

// A link that is "connected" once EnsurePortOpen succeeded. Telegrams are
// recorded (and logged as the real transmit path does) only while open;
// while closed they are logged as not sent.
class FakeLink : public OperationLink, public CommandSink {
public:
    bool open = false;
    bool openFails = false;
    int ensureCalls = 0;
    int releaseCalls = 0;
    QByteArray waitingInput;      // handed out by the next ReadIfConnected
    bool throwOnRead = false;     // ReadIfConnected raises std::runtime_error("line gone")
    QList<QByteArray> telegrams;  // everything handed to TransmitTelegram while open
    QStringList lines;            // the activity log

    bool EnsurePortOpen() override
    {
        ++ensureCalls;
        if (open)
            return true;
        if (openFails) {
            lines << QStringLiteral("Exception opening serial port - no such device");
            return false;
        }
        open = true;
        return true;
    }
    void ReleasePort() override
    {
        ++releaseCalls;
        open = false;
    }
    QByteArray ReadIfConnected() override
    {
        if (throwOnRead)
            throw std::runtime_error("line gone");
        if (!open) {
            lines << QStringLiteral("No valid physical connection... ");
            return {};
        }
        QByteArray b;
        b.swap(waitingInput);
        return b;
    }
    CommandSink& sink() override { return *this; }
    void logLine(const QString& line) override { lines << line; }
    void TransmitTelegram(const QByteArray& telegram) override;
};

// Everything one test needs, wired like the window wires it.
struct OpsRig {
    OpsRig() { EnsureTestApp(); }
    FakeHost host;
    FakeLink link;
    WorkingState state;
    MeterTable table;
    DeviceOperations ops{host, link, state, table};

    // Fills the data rows with these meter IDs (other cells empty).
    void setIds(const QStringList& ids);
    QStringList linesMatching(const QString& prefix) const;
};

// The frame the receiver expects: 16-byte head for zelkId (digits only),
// body, end byte. Written from the frame tables, independent of the builders.
QByteArray ExpectedFrame(const QString& zelkId, const QByteArray& body);
// Four packed-BCD bytes, last digit pair first ("FFFFFFFF" gives FF FF FF FF).
QByteArray Bcd(const QString& id);
QByteArray Hex(const char* spaced);  // "0F FF 01" -> bytes

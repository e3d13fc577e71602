#pragma once
// What the device operations read from and write to the main window. The
// window implements it over its controls; tests implement it with plain
// fields. Every call is made on the GUI thread and returns at once, except
// confirmDeleteAll(), which shows a modal question (a nested event loop: timer
// ticks and receive events keep running while it is open), and likewise the
// other confirm...() questions.
#include <QString>
#include <QTime>

class OperationHost {
public:
    virtual ~OperationHost() = default;

    // "Current RF-ZELK ID" (Edit_currentID).
    virtual QString zelkId() const = 0;
    // Meter ID field (Edit_IDnano); the sequences write each row's ID into it.
    virtual QString meterId() const = 0;
    virtual void setMeterId(const QString& id) = 0;
    // AES-128 key field (Edit_aesKey), 32 hexadecimal symbols when complete.
    virtual QString keyText() const = 0;
    // Medium box text (Combo_medium).
    virtual QString mediumText() const = 0;
    // "All" tick box beside the delete button (Check_deleteAll).
    virtual bool allTicked() const = 0;
    virtual void setAllTicked(bool ticked) = 0;
    // "Retry times:" spin position (UD_retry_read), 0 to 9.
    virtual int retries() const = 0;
    // Response timeout spin position (UD_timeout), milliseconds, 300 to 30000.
    virtual int responseTimeout() const = 0;

    // Global settings box.
    virtual QString newZelkId() const = 0;         // Edit_ZELK_ID
    virtual QString wirelessModeText() const = 0;  // Combo_wirelessMode text
    virtual QString clockValueText() const = 0;    // Edit1
    virtual bool clockOn() const = 0;              // Check_onClock
    // Flag controls of the single-meter box.
    virtual QString flagName() const = 0;  // Combo_qorFlags text
    virtual bool flagOn() const = 0;       // Check_nanoFlag
    // Local clock (hour and minute go into the read-status telegram).
    virtual QTime localTime() const = 0;

    // Modal "Are you sure you want to delete ALL?", title "Exit Confirmation",
    // warning icon, Yes/No. True only for Yes.
    virtual bool confirmDeleteAll() = 0;
    // Modal question before MASTER RESET, which makes the receiver forget
    // every meter and key. Warning icon, Yes/No, No the default; true only
    // for Yes.
    virtual bool confirmMasterReset() = 0;
    // Modal question before "Get all meters from ZELK" replaces a meter table
    // holding unsaved changes. Yes/No, No the default; true only for Yes.
    virtual bool confirmReplaceTable() = 0;

    // running: shows "Stop programming" (Butt_stop) and ProgressBar1 and
    // disables the add and delete buttons (BitBtn42, BitBtn43); !running hides
    // both and enables the buttons again.
    virtual void setBatchUi(bool running) = 0;
    // ProgressBar1 (minimum 0).
    virtual void setProgressMaximum(int maximum) = 0;
    virtual int progressValue() const = 0;
    virtual void setProgressValue(int value) = 0;
    // One step forward; never beyond the maximum.
    virtual void stepProgress() = 0;
};

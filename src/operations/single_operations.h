#pragma once
// The per-meter operations of the single-meter box: add, delete, set key,
// read key, set medium. Also the ZELK ID check and the common frame every
// operation runs first. With "All" ticked, add, delete and set key hand over
// to the batch sequences. All calls run on the GUI thread and return at once.
#include "operations/key_resend.h"
#include "operations/operation_context.h"

#include <QString>

class BatchSequences;
class RetryTimer;

class SingleOperations final : public KeyResend {
public:
    SingleOperations(const OperationContext& ctx, RetryTimer& retry, BatchSequences& batch);

    // True when the ZELK ID has exactly 8 characters; otherwise logs
    // "RF-ZELK ID is wrong, must be 8 digits..." and gives false.
    bool CheckZelkId();
    // The common frame: CheckZelkId, then the operation's own silent input
    // check (inputOk), then EnsurePortOpen. True when the operation may go on.
    // noChannelLine: also log "No channel for communication..." when the port
    // does not open (delete). When it goes on, the hold-off of the previous
    // reply ends and no meter-list reply is awaited any more.
    bool RunCommonFrame(bool inputOk, bool noChannelLine = false);

    void BitBtn42Click();      // add meter ID, or add-all with "All"
    void BitBtn43Click();      // delete meter ID, or delete-all with "All"
    void Butt_setAESClick();   // set AES key, or key-all with "All"
    void Butt_readAESClick();  // read AES key back
    void BitBtn19Click();      // set medium

    // Convert the key field, write it into every row with the meter ID, send
    // it (also the retry timer's send-again for code 5).
    void RunKeySteps() override;

private:
    static bool HasEightChars(const QString& text) { return text.size() == 8; }

    OperationContext ctx_;
    RetryTimer& retry_;
    BatchSequences& batch_;
};

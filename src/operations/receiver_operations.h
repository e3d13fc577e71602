#pragma once
// The receiver-wide operations of the global settings box (and the flag
// button of the single-meter box): read status, get all meters, set new ID,
// set wireless mode, master reset, clock adjust, set or clear flag. Each runs
// the common frame of SingleOperations first. GUI thread only; nothing blocks.
#include "operations/operation_context.h"

class RetryTimer;
class SingleOperations;

class ReceiverOperations {
public:
    ReceiverOperations(const OperationContext& ctx, RetryTimer& retry, SingleOperations& single);

    void BitBtn52Click();  // read status
    void BitBtn53Click();  // read status, second button (keeps retryCount)
    void BitBtn51Click();  // get all meters (empties the meter table first; asks when it holds unsaved changes)
    void Button6Click();   // set new ID
    void Button8Click();   // set wireless mode
    void BitBtn23Click();  // master reset, after the question
    void BitBtn24Click();  // clock adjust
    void BitBtn44Click();  // set or clear flag

private:
    OperationContext ctx_;
    RetryTimer& retry_;
    SingleOperations& single_;
};

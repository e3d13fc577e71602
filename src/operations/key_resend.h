#pragma once
// What the retry timer needs from the set-key operation: its send-again for
// code 5 is the whole of the key steps (convert the key field, write it into
// the matching rows, send it). The single operations implement it; the timer
// knows only this, so the dependency runs from the operations to the timer.
class KeyResend {
public:
    // Convert the key field, write it into every row with the meter ID and
    // send it, reading the fields afresh.
    virtual void RunKeySteps() = 0;

protected:
    ~KeyResend() = default;
};

#pragma once
// The receive path: reads what the serial device reports, assembles frames,
// accepts only frames from the receiver named in the "Current RF-ZELK ID"
// box, logs each accepted frame in hexadecimal, holds further frames off for
// 1000 ms and routes the frame to its reply decoder. Everything runs on the
// GUI thread (the device hands its notification over to it), so the working
// state needs no lock. No call blocks beyond the device reads it makes.
//
// Frames are found by their content: a reply from the current receiver that
// follows stray noise such as 68 F0 (a start byte announcing a long frame
// that never comes) is taken as soon as it is complete. An incomplete frame
// otherwise waits for its pieces, however slowly they come (adapters, radio
// and network serial links pause for hundreds of milliseconds); its start
// byte is given up only after the line has been silent for the response
// timeout, at least kMinSilenceMs.
#include "serial/frame_assembler.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class CommandSink;
class ReplyTarget;
struct WorkingState;

class ReceivePath : public QObject {
    Q_OBJECT
public:
    // Bytes read per device read; a larger notification is read in pieces.
    static constexpr int kReadArea = 1024;
    static constexpr int kHoldOffMs = 1000;
    static constexpr int kMinSilenceMs = 1000;
    // Reads up to count bytes into area and gives the number read (0 when
    // nothing or closed); may throw std::exception on a device error.
    using Reader = std::function<int(char* area, int count)>;

    ReceivePath(WorkingState& state, ReplyTarget& target, CommandSink& sink, QObject* parent = nullptr);

    // The device read, normally TVaComm::ReadBytes. Without one nothing is read.
    void setReader(Reader read);
    // The response timeout in ms (the "Timeout" setting), asked at each
    // notification while a frame waits; without one kMinSilenceMs is used.
    void setResponseTimeout(std::function<int()> milliseconds);
    // Silence after which an incomplete frame's start byte is given up: the
    // response timeout, at least kMinSilenceMs.
    static int SilenceGapMs(int responseTimeoutMs);

    // The one-shot hold-off timer, objectName "Timer_noDecode".
    QTimer& noDecodeTimer() { return noDecode_; }
    // Armed while an incomplete frame waits; restarted by every notification.
    QTimer& silenceTimer() { return silence_; }

    // Filters, logs and routes one frame (start byte through end byte).
    void DispatchFrame(const QByteArray& frame);

public slots:
    // OnRxChar handler: count bytes are waiting at the device. Reads them all
    // in pieces of at most kReadArea bytes, dispatches every complete frame,
    // then applies the overflow rule. A failure logs "Exception receiving - "
    // + message and empties the buffer.
    void Comm1RxChar(QObject* sender, int count);
    // End of the hold-off: reopens the latch and, when the second meter-list
    // telegram is due, sends the follow-up request.
    void Timer_noDecodeTimer();
    // The line stayed silent with an incomplete frame: bytes that are waiting
    // unannounced are taken first; otherwise the start byte is given up.
    void onLineSilent();

private:
    // Reads up to count bytes in pieces and assembles them; gives the number read.
    int readAndAssemble(int count);
    void armSilence();
    void failed(const QString& message);
    // Runs one read step, then the overflow rule and the silence timer; an
    // error is logged and empties the buffer.
    template <typename Step>
    void guarded(Step step);

    WorkingState& state_;
    ReplyTarget& target_;
    CommandSink& sink_;
    FrameAssembler assembler_;
    Reader read_;
    std::function<int()> responseTimeout_;
    QTimer noDecode_;
    QTimer silence_;
};

#pragma once
// Test helpers for the serial device (free of any test framework, so that
// every test program of this folder can link them): a pseudo-terminal pair standing in for
// the line (the slave path is the device to open; the master is "the other
// end"), a process-wide QCoreApplication, and bounded waits that keep Qt
// events flowing. Waits are bounds, never measurements.
#include <QByteArray>
#include <QString>

#include <functional>
#include <termios.h>

namespace serialtest {

class PtyPair {
public:
    PtyPair();   // ok() tells whether the pair could be made
    ~PtyPair();  // closes the master if still open
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0 && !slavePath_.isEmpty(); }
    QString slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // Writes every byte to the master (the device receives them); false on
    // failure.
    bool write(const QByteArray& bytes);
    // Reads from the master until `count` bytes came or `boundMs` passed.
    QByteArray read(int count, int boundMs = 5000);
    // Everything the master can read right now.
    QByteArray drain();
    // Closes the master: the slave side hangs up (an unplugged adapter).
    void closeMaster();

private:
    int master_ = -1;
    QString slavePath_;
};

// Creates the process's QCoreApplication on first use (GUI thread = the test
// thread).
void EnsureCoreApplication();

// Processes Qt events until `done` answers true or `boundMs` passed; returns
// the last answer.
bool WaitFor(const std::function<bool()>& done, int boundMs = 5000);

// Processes Qt events for `ms` milliseconds (lets stray notifications arrive).
void Settle(int ms = 200);

// Waits (without processing Qt events: the GUI thread stays busy) until
// `done` answers true or `boundMs` passed.
bool WaitBusy(const std::function<bool()>& done, int boundMs = 5000);

// The line settings of this process's descriptor open on `path` (found
// through /proc/self/fd); false when none is open.
bool SettingsOfOpenDevice(const QString& path, termios* out);

}  // namespace serialtest

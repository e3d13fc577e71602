#pragma once
// A test's own end of the simulator's pseudo-terminal: raw bytes in and out,
// without any of the utility's serial code. Calls block for at most their
// timeouts and do not run Qt events (use it in tests without a window).
#include <QByteArray>
#include <QString>

class SimLine {
public:
    SimLine() = default;
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    // Opens the slave path in raw mode. False when it cannot be opened.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // Writes all bytes (bounded by 2 s). False when they did not all go out.
    bool write(const QByteArray& bytes);
    // Everything that arrives until no byte came for quietMs (or totalMs passed).
    QByteArray readUntilQuiet(int quietMs, int totalMs = 5000);
    // The next complete frame (0x68, L, L bytes, 0x16) within timeoutMs; bytes
    // before its start byte are returned through skipped when given. Bytes after
    // it stay buffered for the next call. Empty when none came.
    QByteArray readFrame(int timeoutMs, QByteArray* skipped = nullptr);
    // Bytes received but not yet returned.
    QByteArray pending() const { return buf_; }

private:
    bool fill(int timeoutMs);  // reads what arrives within timeoutMs; false when nothing

    int fd_ = -1;
    QByteArray buf_;
};

#pragma once
// The working state that the serial link, the reply decoders and the device
// operations share. The main window owns the program's one instance; the
// command-line program's session and its request engine each own one of
// their own. Everything that touches an instance runs on its owner's thread.
#include <QByteArray>
#include <QString>
#include <cstdint>

struct WorkingState {
    // true while the serial port is open for this program
    bool connected = false;

    // receive path: bytes received and not yet taken into a frame
    QByteArray rxBuffer;
    int rxCount = 0;
    int frameStart = 0;  // 1-based position of the start byte found, 0 for none
    int frameEnd = 0;    // 1-based position of the end byte of the frame just taken
    bool replyLatched = false;

    // a reply to the last command has been decoded
    bool replyReceived = false;
    // code 1 to 13 of the last command started, 0 before the first
    std::uint8_t lastCommand = 0;
    bool meterListPending = false;
    bool listTailPending = false;

    // device operations
    int batchRow = 0;
    int retryCount = 0;

    // 1 English, 2 Italian; any other value shows English
    std::uint8_t language = 1;
    // folder in which the open and save dialogs start
    QString settingsDir;
};

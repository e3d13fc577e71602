#pragma once
// A ReplyTarget without a window, plus builders of received frames, for the
// decoder, receive path and fuzz tests.
#include "core/working_state.h"
#include "protocol/reply_target.h"
#include "table/meter_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>

class FakeReplyTarget : public ReplyTarget {
public:
    void logLine(const QString& line) override { lines << line; }
    void logKeyLine(const QString& line) override
    {
        lines << line;
        ++keyLines;
    }
    QString currentZelkId() const override { return zelkId; }
    QString meterIdField() const override { return meterId; }
    void setKeyField(const QString& text) override
    {
        keyField = text;
        ++keyWrites;
    }
    MeterTable& table() override { return meterTable; }
    WorkingState& state() override { return workingState; }

    QStringList lines;
    int keyLines = 0;  // lines that were logged as showing a key
    QString zelkId = QStringLiteral("01020304");
    QString meterId;
    QString keyField;
    int keyWrites = 0;
    MeterTable meterTable;
    WorkingState workingState;
};

// A received frame: 68 L 06 DA 46 <sender, 4 bytes> 00 1B 7A 00 00 00 00
// <body> 16, L = 14 + body size, so the frame is 17 + body size bytes and
// the body starts at offset 16. `sender` is the identifier as four bytes in
// frame order (low byte first).
inline QByteArray ReplyFrame(const QByteArray& body, const QByteArray& sender = QByteArray("\x04\x03\x02\x01", 4))
{
    QByteArray f;
    f.append(char(0x68));
    f.append(char(std::uint8_t(14 + body.size())));
    f.append("\x06\xDA\x46", 3);
    f.append(sender);
    f.append("\x00\x1B\x7A\x00\x00\x00\x00", 7);
    f.append(body);
    f.append(char(0x16));
    return f;
}

// A frame of exactly `size` bytes (size >= 17) with the given body start,
// the rest of the body filled with `fill`.
inline QByteArray ReplyFrameOfSize(int size, const QByteArray& bodyStart = {}, char fill = 0)
{
    QByteArray body = bodyStart.left(size - 17);
    while (body.size() < size - 17)
        body.append(fill);
    return ReplyFrame(body);
}

inline QByteArray RawBytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(std::uint8_t(v)));
    return out;
}

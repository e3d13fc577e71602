#pragma once
// A CommandSink that records what the command builders hand over, for tests.
#include "protocol/command_sink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <ostream>

class RecordingSink : public CommandSink {
public:
    void logLine(const QString& line) override { lines << line; }
    void TransmitTelegram(const QByteArray& telegram) override { sent << telegram; }

    QStringList lines;
    QList<QByteArray> sent;
};

// Byte string from literal values, for writing expected frames.
inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(std::uint8_t(v)));
    return out;
}

// gtest prints QByteArray as hex through this.
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    static const char digits[] = "0123456789ABCDEF";
    for (char c : bytes) {
        const auto b = std::uint8_t(c);
        *os << digits[b >> 4] << digits[b & 0x0F] << ' ';
    }
}
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Arbitrary received byte streams, cut at arbitrary points, through frame
// assembly, the receive path (read in pieces, sender filter, hold-off,
// routing) and every reply decoder, with arbitrary pending flags, last
// command, table size and box contents. Aborts when the receive state breaks
// its rules: rxCount not the buffer size, more than 1024 bytes left after a
// notification, a frame start position that does not hold 0x68, a table
// without its header and data row, or a frame handed over that breaks the
// envelope.
//
// Input layout: byte 0 flags (bit 0 meterListPending, bit 1 listTailPending,
// bit 2 replyLatched, bit 3 box holds a different ID, bit 4 reader returns
// short reads), byte 1 lastCommand, byte 2 table data rows - 1 (mod 40),
// then steps: one op byte, 0xFF = the hold-off timer ends, 0xFE = flip the
// pending flags, otherwise a notification of (op & 0x7F) bytes, times 20 when
// bit 7 is set (so notifications above the 1024-byte read area occur);
// 0xFD = a reply from the current receiver follows: one byte its body size
// (mod 200), one byte where its two notifications are cut, then the body,
// which may hold anything, frame-like runs naming the receiver included.
// While no other chunk held a start byte and nothing overflowed, every such
// reply must come out of the assembly whole and in order.
//
// Long run (from the repository root, after the build described in the
// build notes of the project):
//   build-fuzz-rx/fuzz/fuzz_receive -max_total_time=3600 -jobs=2 -workers=2 \
//       /tmp/receive-work fuzz/corpus/receive
#include "core/working_state.h"
#include "protocol/command_sink.h"
#include "protocol/reply_decoders.h"
#include "protocol/reply_target.h"
#include "serial/frame_assembler.h"
#include "serial/receive_path.h"
#include "table/meter_table.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

class Target : public ReplyTarget {
public:
    void logLine(const QString&) override { ++lines; }
    QString currentZelkId() const override { return zelkId; }
    QString meterIdField() const override { return meterId; }
    void setKeyField(const QString& text) override { Check(text.size() == 32); }
    MeterTable& table() override { return meterTable; }
    WorkingState& state() override { return workingState; }

    int lines = 0;
    QString zelkId = QStringLiteral("01020304");
    QString meterId = QStringLiteral("01020304");
    MeterTable meterTable;
    WorkingState workingState;
};

class Sink : public CommandSink {
public:
    void logLine(const QString&) override {}
    void TransmitTelegram(const QByteArray& telegram) override
    {
        Check(telegram.size() >= 3 && std::uint8_t(telegram[0]) == 0x68);
        ++sent;
    }
    int sent = 0;
};

void CheckFrame(const QByteArray& f)
{
    Check(f.size() >= 3);
    Check(std::uint8_t(f[0]) == 0x68);
    Check(f.size() == std::uint8_t(f[1]) + 3);
    Check(std::uint8_t(f[f.size() - 1]) == 0x16);
}

void CheckState(const WorkingState& s, const MeterTable& table)
{
    Check(s.rxCount == s.rxBuffer.size());
    Check(s.rxCount <= FrameAssembler::kOverflowLimit);
    Check(s.frameStart >= 0 && s.frameStart <= s.rxCount);
    if (s.frameStart > 0)
        Check(std::uint8_t(s.rxBuffer[s.frameStart - 1]) == 0x68);
    Check(s.frameEnd == 0);
    Check(table.rowCount() >= 2);
}

void PrepareTable(MeterTable& table, int dataRows)
{
    table.setRowCount(dataRows + 1);
    for (int r = 1; r <= dataRows; ++r)
        table.setCell(MeterTable::ColSerial, r, r % 2 ? QStringLiteral("01020304") : QStringLiteral("87654321"));
}

// Every decoder on one frame, whatever its kind.
void DecodeAll(const QByteArray& frame, Target& t)
{
    DecodeStatusOrError(frame, t);
    DecodeMeterList(frame, t);
    DecodeListTail(frame, t);
    DecodeKeyReadBack(frame, t);
    Check(t.meterTable.rowCount() >= 2);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The hold-off timer needs an application object; it never fires here.
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint8_t flags = data[0];
    Target t;
    WorkingState& s = t.workingState;
    s.meterListPending = flags & 0x01;
    s.listTailPending = flags & 0x02;
    s.replyLatched = flags & 0x04;
    if (flags & 0x08)
        t.zelkId = QStringLiteral("01020305");
    const bool shortReads = flags & 0x10;
    s.lastCommand = data[1];
    PrepareTable(t.meterTable, data[2] % 40 + 1);

    Sink sink;
    ReceivePath path(s, t, sink);
    QByteArray pending;
    path.setReader([&](char* area, int count) {
        Check(count > 0 && count <= ReceivePath::kReadArea);
        int n = std::min<int>(count, int(pending.size()));
        if (shortReads && n > 1)
            n = n / 2;
        std::memcpy(area, pending.constData(), std::size_t(n));
        pending.remove(0, n);
        return n;
    });

    // A second assembly of the same stream that gives every frame to every decoder.
    WorkingState direct;
    FrameAssembler assembler(direct);
    assembler.setCurrentId([&t] { return t.zelkId; });
    Target decoded;
    PrepareTable(decoded.meterTable, data[2] % 40 + 1);

    QList<QByteArray> injected, handed;
    bool clean = t.zelkId == QStringLiteral("01020304");
    const auto deliver = [&](const QByteArray& chunk) {
        pending = chunk;
        path.Comm1RxChar(nullptr, int(chunk.size()));
        Check(pending.isEmpty());  // every reported byte is read
        pending.clear();
        CheckState(s, t.meterTable);

        assembler.append(chunk, [&](const QByteArray& frame) {
            CheckFrame(frame);
            if (frame.size() >= 9 && frame.mid(5, 4) == QByteArray("\x04\x03\x02\x01", 4))
                handed << frame;
            DecodeAll(frame, decoded);
        });
        if (assembler.dropOverflow())
            clean = false;
        CheckState(direct, decoded.meterTable);
    };

    std::size_t i = 3;
    while (i < size) {
        const std::uint8_t op = data[i++];
        if (op == 0xFF) {
            path.Timer_noDecodeTimer();
            Check(!s.replyLatched);
            continue;
        }
        if (op == 0xFE) {
            s.meterListPending = !s.meterListPending;
            s.listTailPending = !s.listTailPending;
            continue;
        }
        if (op == 0xFD && i + 2 <= size) {
            const std::size_t len = std::min<std::size_t>(data[i] % 200, size - i - 2);
            const int cut = data[i + 1];
            QByteArray reply("\x68\x00\x06\xDA\x46\x04\x03\x02\x01\x00\x1B\x7A\x00\x00\x00\x00", 16);
            reply.append(reinterpret_cast<const char*>(data + i + 2), qsizetype(len)).append(char(0x16));
            reply[1] = char(reply.size() - 3);
            i += 2 + len;
            injected << reply;
            deliver(reply.left(cut % reply.size()));
            deliver(reply.mid(cut % reply.size()));
            continue;
        }
        std::size_t len = op & 0x7F;
        if (op & 0x80)
            len *= 20;
        len = std::min(len, size - i);
        const QByteArray chunk(reinterpret_cast<const char*>(data + i), qsizetype(len));
        i += len;
        if (chunk.contains(char(0x68)))
            clean = false;
        deliver(chunk);
    }
    if (clean)
        Check(handed == injected);
    // The whole input as one frame too: decoders must stay inside any length.
    DecodeAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), decoded);
    return 0;
}

// Arbitrary bytes, read as Latin-1 and as UTF-8 text, through the identifier,
// key and hexadecimal conversions and every command builder. Aborts when a
// frame breaks the envelope (length L + 3, start 0x68, end 0x16), a builder
// sends more than one frame or reports a send it did not make, or a
// conversion gives a result of the wrong size.
#include "protocol/commands.h"
#include "protocol/identifier.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

class CountingSink : public CommandSink {
public:
    void logLine(const QString&) override {}
    void TransmitTelegram(const QByteArray& telegram) override { sent << telegram; }
    QList<QByteArray> sent;
};

// Checks the one frame a builder may have sent and forgets it.
void CheckSent(CountingSink& sink, int expectedLength, const QString& zelkId, bool* sent = nullptr)
{
    Check(sink.sent.size() <= 1);
    if (sent)
        *sent = !sink.sent.isEmpty();
    if (sink.sent.isEmpty())
        return;
    const QByteArray f = sink.sent.takeFirst();
    Check(f.size() == expectedLength);
    Check(f.size() == std::uint8_t(f[1]) + 3);
    Check(std::uint8_t(f[0]) == 0x68);
    Check(std::uint8_t(f[f.size() - 1]) == 0x16);
    Check(std::uint8_t(f[2]) == 0x06 && std::uint8_t(f[3]) == 0xDA && std::uint8_t(f[4]) == 0x46);
    Check(f.mid(5, 4) == EncodeIdentifier(zelkId, LogFn()));
}

void RunText(const QString& text, std::uint8_t flags)
{
    // Conversions on the whole text.
    const QByteArray id = EncodeIdentifier(text, LogFn());
    Check(id.isEmpty() || id.size() == 4);
    const QByteArray key = KeyBytesFromText(text, LogFn());
    Check(key.isEmpty() || key.size() == 16);
    bool ok = false;
    QString error;
    const std::int32_t value = HexTextValue(text, &ok, &error);
    if (ok) {
        Check(error.isEmpty());
        Check(QString::number(std::uint32_t(value), 16).rightJustified(8, u'0').toUpper() == text.toUpper());
    } else {
        Check(value == 0 && !error.isEmpty());
    }
    (void)MediumNameFromCode(std::uint8_t(MediumCodeFromName(text)));

    // Fields for the builders: the text split at line breaks.
    const QStringList parts = text.split(QLatin1Char('\n'));
    const QString zelkId = parts.value(0);
    const QString meterId = parts.value(1);
    const QString other = parts.value(2);
    const bool on = flags & 1;

    CountingSink sink;
    bool sent = false;
    CmdAddDeleteMeter(sink, zelkId, meterId, on);
    CheckSent(sink, 25, zelkId);
    CmdSetReceiverId(sink, zelkId, meterId);
    CheckSent(sink, 26, zelkId);
    CmdFollowUp(sink, zelkId);
    CheckSent(sink, 23, zelkId);
    CmdGetMeterList(sink, zelkId);
    CheckSent(sink, 25, zelkId);
    const bool modeSent = CmdSetWirelessMode(sink, zelkId, other);
    CheckSent(sink, 22, zelkId, &sent);
    Check(modeSent == sent);
    const bool resetSent = CmdMasterReset(sink, zelkId);
    CheckSent(sink, 25, zelkId, &sent);
    Check(resetSent == sent);
    const bool clockSent = CmdClockAdjust(sink, zelkId, other, on);
    CheckSent(sink, 23, zelkId, &sent);
    Check(clockSent == sent);
    CmdSetMeterKey(sink, zelkId, meterId, KeyBytesFromText(other, LogFn()));
    CheckSent(sink, 41, zelkId);
    CmdSetMeterKey(sink, zelkId, meterId, other.toLatin1());
    CheckSent(sink, 41, zelkId);
    CmdSetMeterMedium(sink, zelkId, meterId, MediumCodeFromName(other) + (flags << 8));
    CheckSent(sink, 26, zelkId);
    CmdSetReceiverFlag(sink, zelkId, other, on);
    CheckSent(sink, 25, zelkId);
    CmdReadStatus(sink, zelkId, QTime(flags % 24, flags % 60));
    CheckSent(sink, 23, zelkId);
    CmdReadMeterKey(sink, zelkId, meterId);
    CheckSent(sink, 25, zelkId);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    const std::uint8_t flags = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    RunText(QString::fromLatin1(text, length), flags);
    RunText(QString::fromUtf8(text, length), flags);
    return 0;
}

#include "protocol/commands.h"

#include "protocol/identifier.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <limits>

namespace {

constexpr char kEndByte = char(0x16);
// The record head of the set-key telegram, right after the 16-byte head.
constexpr int kRecordOffset = 16;
constexpr std::array<std::uint8_t, 4> kSetKeyRecord{0x0F, 0xFF, 0x0A, 0x14};

// Collects one command frame. Every identifier that does not convert is
// logged (through EncodeIdentifier) and spoils the frame, which is then
// never sent: a frame shorter than its L byte must not reach the receiver.
class Frame {
public:
    Frame(CommandSink& sink, const QString& zelkId, std::uint8_t L) : sink_(sink), length_(L)
    {
        bytes_ = BuildTelegramHeader(zelkId, L, logger());
        ok_ = !bytes_.isEmpty();
    }

    Frame& add(std::initializer_list<std::uint8_t> bytes)
    {
        for (std::uint8_t b : bytes)
            bytes_.append(char(b));
        return *this;
    }

    Frame& addIdentifier(const QString& text)
    {
        const QByteArray id = EncodeIdentifier(text, logger());
        if (id.isEmpty())
            ok_ = false;
        bytes_.append(id);
        return *this;
    }

    Frame& addBytes(const QByteArray& bytes)
    {
        bytes_.append(bytes);
        return *this;
    }

    // Appends the end byte and hands the frame over; false when it was spoilt.
    bool send()
    {
        bytes_.append(kEndByte);
        if (!ok_ || bytes_.size() != qsizetype(length_) + 3)
            return false;
        sink_.TransmitTelegram(bytes_);
        return true;
    }

private:
    LogFn logger() const
    {
        CommandSink* sink = &sink_;
        return [sink](const QString& line) { sink->logLine(line); };
    }

    CommandSink& sink_;
    std::uint8_t length_;
    QByteArray bytes_;
    bool ok_ = false;
};

struct NameByte {
    const char* name;
    std::uint8_t value;
};

constexpr std::array<NameByte, 4> kModes = {{
    {"Mode T", 0x01},
    {"Mode S", 0x03},
    {"Mode C", 0x05},
    {"Mode T+C", 0x00},
}};

constexpr std::array<NameByte, 8> kFlags = {{
    {"REPEATER", 0x03},
    {"HOP COUNT", 0x04},
    {"ENCRPYT Own", 0x05},
    {"SHOW TIME", 0x06},
    {"ONLY TOTAL", 0x07},
    {"SHOW DEBUG", 0x08},
    {"OUT 512Hz", 0x09},
    {"SHOW LOGIN ID", 0x0B},
}};

template <std::size_t N>
bool LookUp(const std::array<NameByte, N>& table, const QString& name, std::uint8_t* value)
{
    for (const auto& entry : table) {
        if (name == QLatin1String(entry.name)) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

template <std::size_t N>
QStringList Names(const std::array<NameByte, N>& table)
{
    QStringList names;
    names.reserve(int(N));
    for (const auto& entry : table)
        names << QLatin1String(entry.name);
    return names;
}

// Strict decimal integer: optional sign, then one or more ASCII digits, in
// the signed 32-bit range. No blanks, no hexadecimal forms.
bool ParseDecimal(const QString& text, std::int32_t* value)
{
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            return false;
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<std::int32_t>::max())
        return false;
    *value = std::int32_t(v);
    return true;
}

}  // namespace

void CmdAddDeleteMeter(CommandSink& sink, const QString& zelkId, const QString& meterId, bool add)
{
    if (zelkId.isEmpty()) {
        sink.logLine(QStringLiteral("Not a valid ZELK-DUV ID set in the field"));
        return;
    }
    if (meterId.size() != 8) {
        sink.logLine(QStringLiteral("Not a valid meter ID for programming..."));
        return;
    }
    Frame(sink, zelkId, 22).add({0x0F, 0xFF, std::uint8_t(add ? 0x01 : 0x81), 0x04}).addIdentifier(meterId).send();
}

void CmdSetReceiverId(CommandSink& sink, const QString& zelkId, const QString& newId)
{
    // DIF 0x07, VIF 0x79, then seven data bytes: new ID, manufacturer, device type.
    Frame(sink, zelkId, 23).add({0x07, 0x79}).addIdentifier(newId).add({0xDA, 0x46, 0x1B}).send();
}

void CmdFollowUp(CommandSink& sink, const QString& zelkId)
{
    Frame(sink, zelkId, 20).add({0x0F, 0xFF, 0x22, 0x02, 0x01, 0x10}).send();
}

void CmdGetMeterList(CommandSink& sink, const QString& zelkId)
{
    Frame(sink, zelkId, 22).add({0x0F, 0xFF, 0x02, 0x04, 0x01, 0x10, 0x00, 0x00}).send();
}

bool CmdSetWirelessMode(CommandSink& sink, const QString& zelkId, const QString& mode)
{
    std::uint8_t modeByte = 0;
    if (!LookUp(kModes, mode, &modeByte))
        return false;
    return Frame(sink, zelkId, 19).add({0x0F, 0xFF, 0x20, 0x01, modeByte}).send();
}

bool CmdMasterReset(CommandSink& sink, const QString& zelkId)
{
    return Frame(sink, zelkId, 22).add({0x0F, 0xFF, 0x82, 0x04, 0x01, 0x10, 0x00, 0x00}).send();
}

bool CmdClockAdjust(CommandSink& sink, const QString& zelkId, const QString& value, bool on)
{
    std::int32_t v = 0;
    if (!ParseDecimal(value, &v) || v == -1)
        return false;
    const auto low = std::uint8_t(v & 0xFF);
    auto high = std::uint8_t((v / 256) & 0xFF);  // quotient truncated toward zero
    if (on)
        high |= 0x80;
    return Frame(sink, zelkId, 20).add({0x0F, 0xFF, 0x32, 0x02, low, high}).send();
}

void CmdSetMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId, const QByteArray& key)
{
    Frame frame(sink, zelkId, 38);
    frame.addBytes(QByteArray(reinterpret_cast<const char*>(kSetKeyRecord.data()), kSetKeyRecord.size()))
        .addIdentifier(meterId);
    if (key.size() != 16) {
        sink.logLine(QStringLiteral("Error in AES key for ") + meterId);
        return;
    }
    frame.addBytes(key).send();
}

void CmdSetMeterMedium(CommandSink& sink, const QString& zelkId, const QString& meterId, int mediumCode)
{
    Frame(sink, zelkId, 23)
        .add({0x0F, 0xFF, 0x28, 0x05})
        .addIdentifier(meterId)
        .add({std::uint8_t(mediumCode & 0xFF)})
        .send();
}

void CmdSetReceiverFlag(CommandSink& sink, const QString& zelkId, const QString& flagName, bool on)
{
    std::uint8_t flag = 0x00;
    LookUp(kFlags, flagName, &flag);  // unknown names go out as flag 0x00
    Frame(sink, zelkId, 22).add({0x0F, 0xFF, 0x05, 0x04, flag, std::uint8_t(on ? 0x01 : 0x00), 0x00, 0x00}).send();
}

void CmdReadStatus(CommandSink& sink, const QString& zelkId, const QTime& localTime)
{
    const QTime time = localTime.isValid() ? localTime : QTime::currentTime();
    // DIF 0x04, VIF 0x6D; minute and hour as plain numbers, day and month fixed at 1.
    Frame(sink, zelkId, 20)
        .add({0x04, 0x6D, std::uint8_t(time.minute()), std::uint8_t(time.hour()), 0x01, 0x01})
        .send();
}

void CmdReadStatus(CommandSink& sink, const QString& zelkId)
{
    CmdReadStatus(sink, zelkId, QTime::currentTime());
}

void CmdReadMeterKey(CommandSink& sink, const QString& zelkId, const QString& meterId)
{
    Frame(sink, zelkId, 22).add({0x0F, 0xFF, 0x8A, 0x04}).addIdentifier(meterId).send();
}

QStringList WirelessModeNames()
{
    return Names(kModes);
}

QStringList ReceiverFlagNames()
{
    return Names(kFlags);
}

bool CarriesMeterKey(const QByteArray& telegram)
{
    if (telegram.size() < kRecordOffset + int(kSetKeyRecord.size()))
        return false;
    for (std::size_t i = 0; i < kSetKeyRecord.size(); ++i)
        if (std::uint8_t(telegram[kRecordOffset + qsizetype(i)]) != kSetKeyRecord[i])
            return false;
    return true;
}

#include "protocol/reply_decoders.h"

#include "core/working_state.h"
#include "protocol/hex.h"
#include "protocol/key_text.h"
#include "protocol/medium.h"
#include "protocol/reply_target.h"
#include "table/meter_table.h"

#include <exception>
#include <vector>

namespace {

constexpr int kSlots = 16;
// The first meter-list telegram is read through offset 103 (media of the
// last slot); a shorter frame cannot hold a whole list.
constexpr int kMeterListMinSize = 104;
constexpr int kListTailMinSize = 100;
constexpr int kKeyReplyMinSize = 38;

std::uint8_t At(const QByteArray& f, int offset)
{
    return static_cast<std::uint8_t>(f[offset]);
}

// True when f holds the four bytes h0..h3 at offsets 16 to 19.
bool RecordHeadIs(const QByteArray& f, std::uint8_t h0, std::uint8_t h1, std::uint8_t h2, std::uint8_t h3)
{
    return f.size() >= 20 && At(f, 16) == h0 && At(f, 17) == h1 && At(f, 18) == h2 && At(f, 19) == h3;
}

QString Hex2(std::uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

void CheckStopByte(const QByteArray& f, ReplyTarget& target)
{
    if (f.isEmpty() || At(f, f.size() - 1) != 0x16)
        target.logLine(QStringLiteral("Wrong STOP byte"));
}

QString WirelessModeName(std::uint8_t code)
{
    switch (code) {
    case 0x00: return QStringLiteral("S2");
    case 0x10: return QStringLiteral("T1");
    case 0x20: return QStringLiteral("T2");
    case 0x30: return QStringLiteral("S1");
    case 0x40: return QStringLiteral("R");
    case 0x50: return QStringLiteral("C");
    default: return QString();
    }
}

struct FlagLine {
    std::uint8_t bit;
    const char* text;
};
// Reported in this order; bits 0x01 and 0x02 are not reported.
constexpr FlagLine kFlagLines[] = {
    {0x04, "Repeating is ON"},    {0x08, "HOP counter is ON"}, {0x10, "Encrypted communication"},
    {0x20, "Showing Time is ON"}, {0x40, "Shows only TOTAL"},  {0x80, "Service info in status bar is ON"},
};

QString ExceptionText(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

}  // namespace

QString ErrorExplanation(std::uint8_t code)
{
    switch (code) {
    case ReceiverError::AlreadyProgrammed: return QStringLiteral("Error: ID already programmed");
    case ReceiverError::SoftwareError: return QStringLiteral("Software error, impossible to happen");
    case ReceiverError::IdNotFound: return QStringLiteral("ID not found!");
    case ReceiverError::InvalidIdOrFlag: return QStringLiteral("Invalid ID/Wrong Flag");
    default: return QString();
    }
}

bool DecodeStatusOrError(const QByteArray& frame, ReplyTarget& target)
{
    try {
        if (frame.size() >= 20 && At(frame, 16) == 0x01 && At(frame, 17) == 0xFD && At(frame, 18) == 0x17) {
            const std::uint8_t code = At(frame, 19);
            target.logLine(QStringLiteral("Error from ZELK-DUV, error code: 0x") + Hex2(code));
            const QString explanation = ErrorExplanation(code);
            if (!explanation.isEmpty())
                target.logLine(explanation);
            target.state().replyReceived = true;
            target.errorDecoded(code, explanation);
            return true;
        }
        if (frame.size() > 32 && RecordHeadIs(frame, 0x0F, 0xFF, 0x06, 0x04)) {
            target.logLine(QStringLiteral("ZELK-DUV ") + target.currentZelkId() + QStringLiteral(" info: "));
            StatusReport report;
            report.usedIds = At(frame, 20);
            report.mode = WirelessModeName(At(frame, 23));
            target.logLine(QStringLiteral("Currently used IDs: ") + QString::number(report.usedIds));
            target.logLine(QStringLiteral("Current wireless mode: ") + report.mode);
            target.logLine(QString(32, QLatin1Char('-')));
            if (At(frame, 24) == 0x0F && At(frame, 25) == 0xFF && At(frame, 26) == 0x05 && At(frame, 27) == 0x04) {
                const std::uint8_t flags = At(frame, 28);
                for (const FlagLine& f : kFlagLines)
                    if (flags & f.bit)
                        report.flags << QString::fromLatin1(f.text);
                for (const QString& line : report.flags)
                    target.logLine(line);
            }
            target.state().replyReceived = true;
            target.statusDecoded(report);
            return true;
        }
        return false;
    } catch (const std::exception& e) {
        target.logLine(QStringLiteral("Exception - ") + ExceptionText(e));
        return false;
    }
}

bool DecodeMeterList(const QByteArray& frame, ReplyTarget& target)
{
    CheckStopByte(frame, target);
    if (frame.size() < kMeterListMinSize || !RecordHeadIs(frame, 0x0F, 0xFF, 0x79, 0x40)) {
        target.logLine(QStringLiteral("Error in telegram with all devices - Error 0x18..."));
        return false;
    }
    WorkingState& state = target.state();
    try {
        std::vector<MeterTable::Row> rows(kSlots);
        for (int k = 0; k < kSlots; ++k) {
            MeterTable::Row& row = rows[std::size_t(k)];
            row[MeterTable::ColNumber] = QString::number(k + 1);
            row[MeterTable::ColSerial] = IdentifierText(frame, 20 + 4 * k);
            row[MeterTable::ColMedium] = MediumNameFromCode(At(frame, 88 + k));
        }
        MeterTable& table = target.table();
        // Clearing also drops every row mark; the 16 rows then replace the
        // single empty data row in one go.
        table.ClearMeterTable();
        table.replaceDataRows(std::move(rows));
        // The receiver's list is what the table now holds: nothing to save.
        table.setModified(false);
        state.listTailPending = true;
        state.replyReceived = true;
        return true;
    } catch (const std::exception& e) {
        target.logLine(QStringLiteral("Exception decoding - ") + ExceptionText(e));
        state.listTailPending = false;
        state.replyReceived = false;
        return false;
    }
}

void DecodeListTail(const QByteArray& frame, ReplyTarget& target)
{
    CheckStopByte(frame, target);
    MeterTable& table = target.table();
    const int dataRows = table.rowCount() - 1;
    if (dataRows < 1 || frame.size() < kListTailMinSize)
        return;
    WorkingState& state = target.state();
    state.replyReceived = true;
    // The values complete the receiver's list; they are no edit of the user's.
    const bool modified = table.modified();
    for (int r = 1; r <= dataRows; ++r) {
        const int offset = 18 + 6 * (r - 1);
        // A row whose value is not wholly inside the frame keeps its cell;
        // so do all later rows.
        if (offset + 4 > frame.size())
            break;
        bool ok = false;
        QString error;
        std::int32_t value = 0;
        try {
            const QString text = IdentifierText(frame, offset);
            value = HexTextValue(text, &ok, &error);
        } catch (const std::exception&) {
            ok = false;
        }
        if (ok) {
            table.setCell(MeterTable::ColNotes, r, QString::number(value));
        } else {
            table.setCell(MeterTable::ColNotes, r, QString());
            target.logLine(QStringLiteral("Exception decoding value in row ") + QString::number(r));
            state.replyReceived = false;
        }
    }
    table.setModified(modified);
}

void DecodeKeyReadBack(const QByteArray& frame, ReplyTarget& target)
{
    if (frame.size() < kKeyReplyMinSize)
        return;
    target.state().replyReceived = true;
    const QString key = QString::fromLatin1(frame.mid(20, 16).toHex().toUpper());
    target.setKeyField(key);
    MeterTable& table = target.table();
    const QString meterId = target.meterIdField();
    for (int r = 1; r < table.rowCount(); ++r)
        if (table.cell(MeterTable::ColSerial, r) == meterId)
            table.setCell(MeterTable::ColKey, r, key);
}

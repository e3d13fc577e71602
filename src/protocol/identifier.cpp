#include "protocol/identifier.h"

#include <algorithm>

namespace {

const QString kErrorPrefix = QStringLiteral("Error in ZUDozad ID, exception ");

// Text positions (0-based) of d7 d8 d5 d6 d3 d4 d1 d2: the order in which
// the digit pairs go on the wire, lowest pair first.
constexpr int kWireOrder[8] = {6, 7, 4, 5, 2, 3, 0, 1};

void Log(const LogFn& log, const QString& line)
{
    if (log)
        log(line);
}

}  // namespace

QByteArray EncodeIdentifier(const QString& text, const LogFn& log)
{
    if (text == QLatin1String("FFFFFFFF"))
        return QByteArray(4, char(0xFF));

    if (text.size() < 8) {
        Log(log, kErrorPrefix + QStringLiteral("ID must have 8 digits"));
        return {};
    }

    QByteArray out;
    out.reserve(4);
    for (int pair = 0; pair < 4; ++pair) {
        int nibbles[2];
        for (int half = 0; half < 2; ++half) {
            const QChar ch = text.at(kWireOrder[pair * 2 + half]);
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
                Log(log, kErrorPrefix + QStringLiteral("'%1' is not a valid integer value").arg(ch));
                return {};
            }
            nibbles[half] = ch.unicode() - '0';
        }
        out.append(char(((nibbles[0] << 4) | nibbles[1]) & 0xFF));
    }
    return out;
}

QByteArray BuildTelegramHeader(const QString& zelkId, std::uint8_t L, const LogFn& log)
{
    const QByteArray id = EncodeIdentifier(zelkId, log);
    if (id.isEmpty())
        return {};
    QByteArray head;
    head.reserve(kTelegramHeaderSize);
    head.append(char(0x68));
    head.append(char(L));
    head.append(char(0x06));  // C-field
    head.append(char(0xDA));  // manufacturer code 0x46DA, low byte first
    head.append(char(0x46));
    head.append(id);
    head.append(char(0x00));  // version
    head.append(char(0x1B));  // device type
    head.append(char(0x7A));  // CI-field: short header follows
    head.append(char(0x00));  // access number
    head.append(char(0x00));  // status
    head.append(char(0x00));  // configuration field
    head.append(char(0x00));
    return head;
}

bool IsIdentifierText(const QString& text)
{
    return text.size() == 8 && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

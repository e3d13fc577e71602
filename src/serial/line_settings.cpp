#include "serial/line_settings.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, TVaBaudrate>, 10> kSpeeds{{
    {300, br300},
    {600, br600},
    {1200, br1200},
    {2400, br2400},
    {4800, br4800},
    {9600, br9600},
    {19200, br19200},
    {38400, br38400},
    {57600, br57600},
    {115200, br115200},
}};
constexpr std::array<std::pair<const char*, TVaParity>, 5> kParities{{
    {"None", paNone},
    {"Even", paEven},
    {"Odd", paOdd},
    {"Mark", paMark},
    {"Space", paSpace},
}};

// The texts of a table's entries, in its order.
template <typename Entry, std::size_t N, typename Text>
QStringList TextsOf(const std::array<Entry, N>& entries, Text text)
{
    QStringList out;
    for (const Entry& entry : entries)
        out << text(entry.first);
    return out;
}

}  // namespace

const QStringList& LineSpeedTexts()
{
    static const QStringList texts = TextsOf(kSpeeds, [](int bps) { return QString::number(bps); });
    return texts;
}

const QStringList& ParityTexts()
{
    static const QStringList texts = TextsOf(kParities, [](const char* name) { return QString::fromLatin1(name); });
    return texts;
}

TVaBaudrate RateFromText(const QString& text)
{
    bool ok = false;
    const int bps = text.toInt(&ok);
    for (const auto& [offered, rate] : kSpeeds)
        if (ok && bps == offered)
            return rate;
    return br2400;
}

TVaParity ParityFromText(const QString& text)
{
    for (const auto& [name, parity] : kParities)
        if (text == QLatin1String(name))
            return parity;
    return paEven;
}

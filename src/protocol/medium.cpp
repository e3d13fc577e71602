#include "protocol/medium.h"

#include <array>

namespace {

struct NameCode {
    const char* name;
    int code;
};

// The medium box, in its order. Deliberately not the inverse of kCodeNames:
// the receiver's list shows some codes under other names.
constexpr std::array<NameCode, 14> kBoxNames = {{
    {"Oil", 0x01},
    {"Electricity", 0x02},
    {"Steam", 0x05},
    {"Hot water", 0x06},
    {"Water", 0x07},
    {"Cold water", 0x16},
    {"Gas", 0x03},
    {"H.C.A", 0x08},
    {"Heat meter", 0x04},
    {"Cooling meter", 0x0A},
    {"Cooling, ft", 0x0B},
    {"Pressure", 0x18},
    {"Dual water", 0x17},
    {"Other", 0x00},
}};

constexpr int kUnknownCode = 0x0F;

// Names for codes 0x00..0x19; nullptr marks a code with no name.
constexpr std::array<const char*, 0x1A> kCodeNames = {
    "Other",      "Oil",        "Electricity", "Gas",         "Heat (rt)",     "Steam",     "Hot water",
    "Water",      "Heat C.A.",  "Compr. Air",  "Cooling, rt", "Cooling, ft",   "Heat (ft)", "H/C load meter",
    "Bus/System", "Unknown",    nullptr,       nullptr,       nullptr,         nullptr,     nullptr,
    nullptr,      "Cold water", "Dual water",  "Pressure",    "A/D converter",
};

struct Found {
    QString name;
    int code = -1;
};

// The box's names first: "H.C.A" and "Heat C.A." both name 0x08, and a name
// of both tables gives the same code in each.
Found FindAnyName(const QString& text)
{
    const QString wanted = text.trimmed();
    for (const auto& entry : kBoxNames)
        if (wanted.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return {QLatin1String(entry.name), entry.code};
    for (std::size_t code = 0; code < kCodeNames.size(); ++code)
        if (kCodeNames[code] && wanted.compare(QLatin1String(kCodeNames[code]), Qt::CaseInsensitive) == 0)
            return {QLatin1String(kCodeNames[code]), int(code)};
    return {};
}

// The consumption types of meter makers' key files whose meaning is clear,
// written without case, blanks, hyphens or underscores, and the box name
// each one means. A heat and cooling meter counts as a heat meter: the box
// has no combined name, and heat is what such a meter measures first.
struct ConsumptionName {
    const char* type;
    const char* boxName;
};
constexpr std::array<ConsumptionName, 14> kConsumptionNames = {{
    {"coldwater", "Cold water"},
    {"water", "Water"},
    {"warmwater", "Hot water"},
    {"hotwater", "Hot water"},
    {"domestichotwater", "Hot water"},
    {"heat", "Heat meter"},
    {"heating", "Heat meter"},
    {"cooling", "Cooling meter"},
    {"heatandcooling", "Heat meter"},
    {"heatcooling", "Heat meter"},
    {"heatcool", "Heat meter"},
    {"gas", "Gas"},
    {"electricity", "Electricity"},
    {"electric", "Electricity"},
}};

}  // namespace

QString MediumBoxNameForConsumption(const QString& type)
{
    QString folded;
    for (const QChar ch : type)
        if (ch.isLetter())
            folded += ch.toLower();
    for (const auto& entry : kConsumptionNames)
        if (folded == QLatin1String(entry.type))
            return QLatin1String(entry.boxName);
    return {};
}

QStringList MediumBoxNames()
{
    QStringList names;
    names.reserve(int(kBoxNames.size()));
    for (const auto& entry : kBoxNames)
        names << QLatin1String(entry.name);
    return names;
}

QStringList MediumCodeNames()
{
    QStringList names;
    for (const char* name : kCodeNames)
        if (name)
            names << QLatin1String(name);
    return names;
}

int MediumCodeFromName(const QString& name)
{
    for (const auto& entry : kBoxNames) {
        if (name == QLatin1String(entry.name))
            return entry.code;
    }
    return kUnknownCode;
}

QString MediumTableName(const QString& name)
{
    return FindAnyName(name).name;
}

int MediumCodeFromAnyName(const QString& name)
{
    return FindAnyName(name).code;
}

QString MediumNameFromCode(std::uint8_t code)
{
    if (code < kCodeNames.size() && kCodeNames[code])
        return QLatin1String(kCodeNames[code]);
    return QStringLiteral("Unknown");
}

#pragma once
// Medium names and codes: two separate tables that do not mirror each other.
#include <QString>
#include <QStringList>
#include <cstdint>

// The names of the medium box, in its order.
QStringList MediumBoxNames();
// The names of the code table (the names MediumNameFromCode gives).
QStringList MediumCodeNames();
// Exact, case-sensitive name to code; any other text gives 0x0F.
int MediumCodeFromName(const QString& name);
// The rule of everything but the medium box: a name of either table, in any
// case and without regard to blanks around it, gives its code, so every name
// the receiver's list shows ("Unknown", "Heat (rt)") reads back as its code.
// -1 for any other text.
int MediumCodeFromAnyName(const QString& name);
// That name as its table spells it ("heat (RT)" gives "Heat (rt)"); empty
// for any other text.
QString MediumTableName(const QString& name);
// Code to name; codes not in the table give "Unknown".
QString MediumNameFromCode(std::uint8_t code);
// The box name that a consumption type of a meter maker's key file means
// ("Cold water", "WarmWater", "heat & cooling", ...; case, blanks and
// punctuation do not count); empty for a type without a clear meaning.
QString MediumBoxNameForConsumption(const QString& type);

#include "protocol/medium.h"

QStringList MediumBoxNames() { return {}; }
int MediumCodeFromName(const QString&) { return 0x0F; }
QString MediumNameFromCode(std::uint8_t) { return QStringLiteral("Unknown"); }

#include "protocol/identifier.h"

QByteArray EncodeIdentifier(const QString&, const LogFn&) { return {}; }
QByteArray BuildTelegramHeader(const QString&, std::uint8_t, const LogFn&) { return {}; }

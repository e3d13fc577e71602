#include "protocol/key_text.h"

QByteArray KeyBytesFromText(const QString&, const LogFn&) { return {}; }
std::int32_t HexTextValue(const QString&, bool* ok, QString*)
{
    if (ok) *ok = false;
    return 0;
}

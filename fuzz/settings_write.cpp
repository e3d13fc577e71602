// Settings read from file contents of any shape and written back into them
// read back to the same values, and a second save with the same values
// changes nothing.
#include "core/settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const AppSettings settings = ParseSettings(input, QStringLiteral("/home/user/"));

    const QByteArray written = SettingsFileText(input, settings);
    if (!(ParseSettings(written, QStringLiteral("/elsewhere/")) == settings))
        std::abort();
    if (SettingsFileText(written, settings) != written)
        std::abort();
    return 0;
}

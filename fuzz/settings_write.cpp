// Settings written into file contents of any shape read back to the same
// values, and a second save with the same values changes nothing: both for
// the values read from the contents and for values the program may hold.
#include "core/settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString defaultDir = QStringLiteral("/home/user/");
    AppSettings settings = ParseSettings(input, defaultDir);

    const QByteArray written = SettingsFileText(input, settings);
    if (!(ParseSettings(written, QStringLiteral("/elsewhere/")) == settings))
        std::abort();
    if (SettingsFileText(written, settings) != written)
        std::abort();

    // Values the program may hold, written into the same contents.
    if (size > 0) {
        settings.comName = QString::fromLatin1(input.left(12));
        settings.exportSeparator = QString(QChar(data[0]));
        settings.language = data[size - 1];
        const QByteArray again = SettingsFileText(input, settings);
        AppSettings expected = settings;
        expected.comName.replace(QLatin1Char('\n'), QLatin1Char(' '));
        expected.exportSeparator.replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!(ParseSettings(again, defaultDir) == expected))
            std::abort();
    }
    return 0;
}

// Values the program may hold (any port name, separator and language),
// written into file contents of any shape, read back as they were written:
// the same, except that a line feed becomes a blank.
#include "core/settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString defaultDir = QStringLiteral("/home/user/");
    AppSettings settings = ParseSettings(input, defaultDir);
    settings.comName = QString::fromLatin1(input.left(12));
    settings.exportSeparator = QString(QChar(data[0]));
    settings.language = data[size - 1];

    const QByteArray written = SettingsFileText(input, settings);
    AppSettings expected = settings;
    expected.comName.replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected.exportSeparator.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!(ParseSettings(written, defaultDir) == expected))
        std::abort();
    return 0;
}

// Settings file contents of any shape: reading never fails, a document is
// written back byte for byte when nothing changes, and the values read stay
// inside their ranges.
#include "core/settings.h"
#include "core/settings_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    if (IniDocument::fromBytes(input).toBytes() != input)
        std::abort();

    const AppSettings settings = ParseSettings(input, QStringLiteral("/home/user/"));
    if (settings.retry < kRetryMin || settings.retry > kRetryMax || settings.timeout < kTimeoutMin
        || settings.timeout > kTimeoutMax)
        std::abort();
    return 0;
}

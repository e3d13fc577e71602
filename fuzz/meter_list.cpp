// Meter list files (after byte 0, the separator) through decoding and the
// import parse: rows match lines, numbered by position, cells within 50
// characters without line breaks or separators, and survive export + import
// (also by the reader that reads a last field without a separator after it).
#include "table/meter_list_file.h"

#include <cstdint>
#include <cstdlib>

#define CHECK(condition)                                                                                               \
    if (!(condition))                                                                                                  \
    std::abort()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace MeterListFile;
    if (size == 0)
        return 0;
    const QChar sep = QChar(char16_t(data[0]));
    const QString text = DecodeMeterListBytes(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    const ParsedMeterList parsed = ParseMeterList(text, sep);
    const bool tooMany = parsed.outcome == ImportOutcome::TooManyData;
    CHECK(qsizetype(parsed.rows.size()) == SplitLines(text).size() || tooMany);
    for (size_t r = 0; r + (tooMany ? 1 : 0) < parsed.rows.size(); ++r) {
        CHECK(parsed.rows[r][0] == QString::number(r + 1));
        for (int c = 1; c < MeterTable::kColumns; ++c)
            CHECK(parsed.rows[r][c].size() <= kMaxFieldChars && !parsed.rows[r][c].contains(u'\r')
                  && !parsed.rows[r][c].contains(u'\n') && !parsed.rows[r][c].contains(sep));
    }
    // Unless the separator is a line break or a digit (which the row numbers
    // hold), what was imported is exported and read back unchanged.
    if (tooMany || parsed.rows.empty() || sep == u'\r' || sep == u'\n' || (sep >= u'0' && sep <= u'9'))
        return 0;
    MeterTable table;
    table.replaceDataRows(parsed.rows);
    const QString written = DecodeMeterListBytes(SerialiseMeterList(table, sep));
    const ParsedMeterList again = ParseMeterList(written, sep);
    CHECK(again.outcome == ImportOutcome::Imported && again.rows == parsed.rows);
    // A reader that takes the text after the last separator as a field reads
    // the window's own files alike.
    CHECK(ParseMeterList(written, sep, {}, LastField::Read).rows == parsed.rows);
    return 0;
}

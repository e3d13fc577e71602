// Meter list files of any shape through decoding, line splitting and the
// import parse. Byte 0 picks the separator character (its Latin-1 value),
// the rest is the file. Aborts when an import breaks its rules: more rows
// than lines, a row not numbered by its position, a cell over 50 characters
// or holding a line break or the separator, a faulty line not reported as
// the last (empty) row; and when a table without separators or line breaks
// in its cells does not come back unchanged through export and import.
#include "table/meter_list_file.h"
#include "table/meter_table.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    using namespace MeterListFile;
    const QString separator = QChar(char16_t(data[0]));
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    const QString text = DecodeMeterListBytes(bytes);
    const qsizetype lines = SplitLines(text).size();
    const ParsedMeterList parsed = ParseMeterList(text, separator);
    Check(qsizetype(parsed.rows.size()) <= lines);
    const bool tooMany = parsed.outcome == ImportOutcome::TooManyData;
    Check(tooMany || qsizetype(parsed.rows.size()) == lines);
    for (size_t r = 0; r < parsed.rows.size(); ++r) {
        const MeterTable::Row& row = parsed.rows[r];
        if (tooMany && r + 1 == parsed.rows.size()) {
            for (const QString& cell : row)
                Check(cell.isEmpty());
            continue;
        }
        Check(row[MeterTable::ColNumber] == QString::number(r + 1));
        for (int c = 1; c < MeterTable::kColumns; ++c) {
            const QString& cell = row[size_t(c)];
            Check(cell.size() <= kMaxFieldChars);
            Check(!cell.contains(u'\r') && !cell.contains(u'\n') && !cell.contains(separator));
        }
    }

    // What was imported is exported and read back unchanged, unless the
    // separator is a line break or a digit (which the row numbers hold).
    const QChar sep = separator.at(0);
    if (tooMany || sep == u'\r' || sep == u'\n' || (sep >= u'0' && sep <= u'9'))
        return 0;
    MeterTable table;
    Check(ImportMeterListBytes(table, bytes, separator) == ImportOutcome::Imported);
    const ParsedMeterList again = ParseMeterList(DecodeMeterListBytes(SerialiseMeterList(table, separator)), separator);
    Check(again.outcome == ImportOutcome::Imported);
    if (parsed.rows.empty()) {
        Check(again.rows.size() == 1);   // the cleared table: one empty data row
        return 0;
    }
    Check(again.rows.size() == parsed.rows.size());
    for (size_t r = 0; r < parsed.rows.size(); ++r)
        Check(again.rows[r] == parsed.rows[r]);
    return 0;
}

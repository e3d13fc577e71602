#pragma once
// The meter list file: the meter table as delimited text, one line per data
// row, five cells each followed by the separator, CR LF after every line, no
// header, no quoting. Plain functions over bytes and the table model; the
// file dialogs and message boxes live in ui/meter_list_dialogs.
//
// Encoding: a file that is valid UTF-8 (with or without a byte-order mark) is
// read as UTF-8, any other as Windows-1252. A table is written in
// Windows-1252 when every character fits, otherwise in UTF-8 (no byte-order
// mark), so that no character is lost.
//
// Every function here runs on the caller's thread and blocks for the file
// access only.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "table/meter_table.h"

namespace MeterListFile {

// At most this many separators in one line; one more stops the import.
inline constexpr int kMaxSeparators = 9;
// A field keeps at most its first this many characters.
inline constexpr int kMaxFieldChars = 50;

// The bytes of the file for every data row of `table`: for columns 0 to 4 the
// cell text followed by `separator`, each line ended by CR LF.
QByteArray SerialiseMeterList(const MeterTable& table, const QString& separator);

// Decodes file bytes: UTF-8 when valid (a leading byte-order mark dropped),
// Windows-1252 otherwise.
QString DecodeMeterListBytes(const QByteArray& bytes);
// Encodes text: Windows-1252 when every character fits and the bytes read
// back as the same text, else UTF-8.
QByteArray EncodeMeterListText(const QString& text);

// Splits text into lines ending at CR LF, a lone CR or a lone LF. A line
// break at the very end adds no empty line; an empty text has no lines.
QStringList SplitLines(const QString& text);

// What a line's text after its last separator is. The window's own files
// end every cell with a separator, and the window drops that text; files
// written by other tools often leave the separator off the last cell, and a
// reader that must not miss it reads it as the last field. Both read the
// window's files alike.
enum class LastField { Dropped, Read };

enum class ImportOutcome {
    Imported,     // every line gave a row (or the file had no lines)
    TooManyData,  // a line held more than kMaxSeparators separators
};

struct ParsedMeterList {
    ImportOutcome outcome = ImportOutcome::Imported;
    // Data rows in file order, numbered 1, 2, 3 ... in column 0. After
    // TooManyData: the rows of the lines before the faulty one, then one
    // empty row.
    std::vector<MeterTable::Row> rows;
    // Lines that hold more than their row number (a leading number) but
    // give no meter ID: the lines of a file read with another separator
    // than its own are all such lines, while an empty row as the window
    // writes it (3;;;;;) is not one.
    qsizetype linesWithoutId = 0;
    qsizetype firstLineWithoutId = 0;  // the first of them, counted from 1; 0 when none
    // When that first line holds no separator but ',', ';' or a tab: the
    // one of these it holds most often, the separator its file seems to use.
    QChar likelySeparator;
};

// Parses the lines of a file. A character equal to `separator` (compared as
// one character, so an empty or longer separator never matches) ends a
// field; fields 2 to 5 fill columns 1 to 4, fields 6 to 10 are dropped, text
// after the last separator is a field only with LastField::Read. A field the
// line lacks gives an empty cell. `progress`, when given, is called every few thousand lines
// with the characters done and the total; when it returns false the parse
// stops there (the rows so far are returned).
using ParseProgress = std::function<bool(qsizetype done, qsizetype total)>;
ParsedMeterList ParseMeterList(const QString& text, const QString& separator, const ParseProgress& progress = {},
                               LastField lastField = LastField::Dropped);

// Writes a whole file through a temporary file beside it that replaces the
// old file only once complete, so a failed write leaves any old file intact.
// With `privateFile` set (a table that holds keys) the file is a private
// one: readable and writable by its owner only when new, the old file's
// owner bits alone when it replaces one. Otherwise it keeps the permissions
// of the file it replaces, or gets the usual ones when new.
// False (with the reason in *error) when any step fails.
bool WriteMeterListFile(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                        bool privateFile = false);

// Whether any data row of `table` has a key.
bool HoldsKeys(const MeterTable& table);

// The name the save dialog returns, with ".<suffix>" added when the file
// name itself has no extension.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

}  // namespace MeterListFile

#pragma once
// What importing a key file does to the meter table: the state of each meter
// of the file against the table (the preview), and applying it through the
// table's ordinary cell and row calls. Plain code; the dialogs only show it.
#include "protocol/key_file.h"
#include "table/meter_table.h"

#include <QString>
#include <vector>

namespace KeyImport {

enum class RowState {
    NewRow,      // the table has no row with this meter ID
    KeyAdded,    // the row has no key yet
    SameKey,     // the row holds this key already
    KeyDiffers,  // the row holds another key
    Conflict,    // the file gives this meter different keys
};

// "new row", "key added", "same key", "key differs", "conflict in file".
QString StateText(RowState state);

struct PreviewRow {
    KeyFile::Meter meter;
    RowState state = RowState::NewRow;
    int tableRow = 0;  // the table row of the meter ID (the first one), 0 for none
};

// The file's meters in file order, then every occurrence of a conflicting
// meter, each with its state against `table`.
std::vector<PreviewRow> Preview(const KeyFile::Result& file, const MeterTable& table);

struct Choices {
    bool addNewMeters = true;           // "Add meters that are not in the table"
    bool replaceDifferingKeys = false;  // "Replace keys that differ"
};

struct Counts {
    int added = 0;      // new rows
    int updated = 0;    // keys written into existing rows
    int unchanged = 0;  // the row held the same key
    int skipped = 0;    // not imported: refused by the file's checks, in conflict, or left out by a choice
};

// Writes keys into the key column and a medium only into an empty Medium
// cell; new meters become rows after the last, numbered on from it (an empty
// table's one empty row is used first). `fileSkipped` counts the entries the
// reader skipped, conflicts included.
Counts Apply(const std::vector<PreviewRow>& rows, int fileSkipped, const Choices& choices, MeterTable& table);

// "Keys imported from NAME: N added, N updated, N unchanged, N skipped".
QString LogLine(const QString& fileName, const Counts& counts);

// "••••" and the key's last four digits.
QString MaskedKey(const QString& key);

}  // namespace KeyImport

#pragma once
// program's input and plan: the meters of a meter list file, and what must
// change on the receiver for it to hold them as asked. The same comparison
// makes the plan of --dry-run and finds the differences of --verify.
#include "cli/cli_options.h"
#include "table/meter_table.h"

#include <QHash>
#include <QString>
#include <vector>

// One meter of a meter list file that program works through.
struct ProgramRow {
    int line = 0;
    QString id;
    QString medium;  // a name of the medium box or of the receiver's list, or empty
    QString key;     // 32 upper-case hex digits, or empty
};

// Reads and checks a meter list file for program with the window's reader
// (a device, named pipe, folder or oversized file is refused unread), the
// text after a line's last separator taken as its last field: empty rows
// (3;;;;;) and rows with FFFFFFFF are skipped; a line that holds more but no
// meter ID, an ID that is not 8 digits, a key that is not 32 hex digits
// (with --keys), a medium that is not a medium name (with --media), a meter
// ID given twice, a line with too many fields or a file without a meter ID
// is an error, named with the file (and line) in *error.
bool LoadProgramFile(const CliOptions& options, std::vector<ProgramRow>* rows, QString* error);

// What one meter needs. Deletions come first in a plan, then the file's
// rows in file order.
struct MeterStep {
    QString id;
    bool add = false;                // in the file, not in the receiver's list
    bool remove = false;             // in the list, not in the file (exact only)
    bool setKey = false;             // the file has a key the receiver does not hold
    bool setMedium = false;          // the file has a medium the list does not show
    QString fileKey, heldKey;        // heldKey: as read back, or "not read"
    QString fileMedium, heldMedium;  // heldMedium: the name the list shows
    int changes() const { return int(add) + int(remove) + int(setKey) + int(setMedium); }
};

struct ProgramPlan {
    std::vector<MeterStep> steps;
    int changes() const;
};

// Compares the file's rows with the receiver's list rows and the keys read
// back (meter ID -> key text; a meter missing from `keys` was not read). A
// held meter whose file row has a key (or medium) needs it set unless the
// same key (or a medium of the same code) is held. With `exact` every held
// meter the file does not list is removed; empty slots (FFFFFFFF) never are.
ProgramPlan PlanProgram(const std::vector<ProgramRow>& rows, const std::vector<MeterTable::Row>& held,
                        const QHash<QString, QString>& keys, bool exact);

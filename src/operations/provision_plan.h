#pragma once
// Provisioning a receiver's meter list: the meters wanted (from a meter list
// file or the window's meter table), what must change on the receiver for it
// to hold them, and the guard on deleting what is not wanted. The same
// comparison makes a plan, the window's comparison and the verification
// after programming.
#include "table/meter_table.h"

#include <QHash>
#include <QString>
#include <vector>

// One wanted meter.
struct ProgramRow {
    int line = 0;  // its line in the file or its row in the table
    QString id;
    QString medium;  // a medium name, or empty: not compared
    QString key;     // 32 upper-case hex digits, or empty: not compared
};

// What one meter needs. Deletions come first in a plan, then the wanted
// meters in their order.
struct MeterStep {
    QString id;
    bool add = false;                // wanted, not in the receiver's list
    bool remove = false;             // in the list, not wanted (exact only)
    bool setKey = false;             // a key is wanted that the receiver does not hold
    bool setMedium = false;          // a medium is wanted that the list does not show
    QString fileKey, heldKey;        // heldKey: as read back, or "not read"
    QString fileMedium, heldMedium;  // heldMedium: the name the list shows
    int changes() const { return int(add) + int(remove) + int(setKey) + int(setMedium); }
};

struct ProgramPlan {
    std::vector<MeterStep> steps;
    int changes() const;
    int deletes() const;
};

// Compares the wanted rows with the receiver's list rows and the keys read
// back (meter ID -> key text; a meter missing from `keys` was not read). A
// held meter whose row has a key (or medium) needs it set unless the same
// key (or a medium of the same code) is held. With `exact` every held meter
// that is not wanted is removed; empty slots (FFFFFFFF) never are.
ProgramPlan PlanProgram(const std::vector<ProgramRow>& rows, const std::vector<MeterTable::Row>& held,
                        const QHash<QString, QString>& keys, bool exact);

// True when `wanted` names a medium and the list's `heldName` is not that
// medium's code (the list names codes by the receiver's own table).
bool MediumDiffers(const QString& wanted, const QString& heldName);

// Deleting what is not wanted never follows a doubtful plan: nothing wanted
// (a misread file or an empty table would wipe the receiver) is refused
// always, and more deletes than wanted meters only when forced.
enum class DeleteVerdict { Allowed, NothingWanted, MoreThanWanted };
DeleteVerdict CheckDeletes(int wanted, int deletes, bool force);

// The wanted meters of a meter table: rows whose Serial/ID is 8 digits and
// not FFFFFFFF, the first of a repeated ID, with the medium cell and (with
// `keys`) a key cell of 32 hex digits.
std::vector<ProgramRow> WantedMeters(const MeterTable& table, bool keys);

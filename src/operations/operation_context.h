#pragma once
// The things every device operation works with, bundled so the operation
// classes take one argument. Nothing here is owned: the main window owns the
// host, the link, the working state and the meter table and outlives the
// operations.
#include "operations/operation_host.h"
#include "operations/operation_link.h"

class MeterTable;
struct WorkingState;

struct OperationContext {
    OperationHost& host;
    OperationLink& link;
    WorkingState& state;
    MeterTable& table;

    CommandSink& sink() const { return link.sink(); }
    void log(const QString& line) const { link.sink().logLine(line); }
};

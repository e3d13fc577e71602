#pragma once
// Files of the simulator: the state file, the record file and the initial slots.
#include "receiver.h"

#include <string>

namespace sim {

// The state as key=value lines (see --help).
std::string stateText(const ReceiverState& s);
// Writes the state to path.tmp and renames it over path, so a reader never
// sees a half-written file. False on an I/O error (errno kept).
bool writeStateFile(const std::string& path, const ReceiverState& s);

// Appends one record line ("68 16 ... 16 ", or "! ..." for discarded bytes)
// and flushes it to the file at once. False on an I/O error.
bool appendRecord(const std::string& path, const Bytes& bytes, bool discarded);

// Fills slots from "ID:medium[:key]" items separated by commas or newlines
// (blank items and # comments skipped), in slot order from slot 1, or applies
// key=value lines as stateText writes them. False with a message on a bad item.
bool applySlotsText(const std::string& text, ReceiverState& s, std::string& error);
bool readTextFile(const std::string& path, std::string& out);

}  // namespace sim

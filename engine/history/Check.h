// Whether the change that a group of the history's lines tells of is in the
// database: asked of the lines a writer left without their mark (see History.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/history/History.h"

namespace modDB::history {

// The whole lines of text (a stretch of the history from offset `at`).
std::vector<HistoryEntry> EntriesOf(const std::string& text, int64_t at);

// Whether the database file holds what the lines say: each field line's value after
// the change, each imported record counted, a pack's kept records, a design save's
// form. Lines of no kind it knows, or a database it cannot read, count as not made.
bool ChangeMade(const std::string& dbFile, const std::vector<HistoryEntry>& lines);

}  // namespace modDB::history

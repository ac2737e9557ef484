// Where the checks keep their files beside a database (the engine's companion
// names), and the one writer of the exceptions file: an append-only log of the
// engine (engine/files/AppendLog.h) in its older form, without marks.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/files/AppendLog.h"

namespace qfchecks {

// base + ".Qfc" and base + ".Qfe" of a database name (FILE or FILE.Qfd).
std::string ChecksFileOf(const std::string& database);
std::string ExceptionsFileOf(const std::string& database);

// Appends whole lines (each ending in LF) to the exceptions file of `database`,
// heading first when the file is new, and the history's lines of the same change, all
// under the database's writers' lock. A tail that another writer left unfinished is
// ended first, so that the new lines stand whole. `historyLog` is called under the
// lock before the lines are written and returns a guard that keeps its lines only
// once Done. "" when done, else the reason (nothing is written then).
using HistoryGuard = modDB::detail::Alongside;
std::string AppendExceptionLines(const std::string& database, const std::string& heading, const std::string& lines,
                                 const std::function<std::unique_ptr<HistoryGuard>()>& historyLog);

// The rows of the exceptions file in file order: the lines of eight cells, heading
// and damaged lines left out. "" when read, else the reason.
std::string ReadExceptionRows(const std::string& database, std::vector<std::vector<std::string>>& rows);

}  // namespace qfchecks

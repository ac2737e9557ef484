// Where the checks keep their files beside a database (the engine's companion
// names), and the one writer of the exceptions file, kept apart so that the
// engine's append-only writer can take its place in one step.
#pragma once

#include <functional>
#include <memory>
#include <string>

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
struct HistoryGuard {
  virtual ~HistoryGuard() = default;
  virtual void Done() = 0;
};
std::string AppendExceptionLines(const std::string& database, const std::string& heading, const std::string& lines,
                                 const std::function<std::unique_ptr<HistoryGuard>()>& historyLog);

}  // namespace qfchecks

// Companion names and the exceptions file's writer (see Companion.h).
#include "checks/Companion.h"

#include "engine/files/Companions.h"

namespace qfchecks {

namespace d = modDB::detail;

std::string ChecksFileOf(const std::string& database) { return d::Companions::Of(database).Checks(); }
std::string ExceptionsFileOf(const std::string& database) { return d::Companions::Of(database).Exceptions(); }

std::string AppendExceptionLines(const std::string& database, const std::string& heading, const std::string& lines,
                                 const std::function<std::unique_ptr<HistoryGuard>()>& historyLog) {
  d::CompanionGroup g;
  g.heading = heading;
  g.lines = lines;
  g.marks = false;
  g.sync = true;
  g.alongside = historyLog;
  return d::AppendCompanion(d::Companions::Of(database).Named(), ExceptionsFileOf(database), g);
}

std::string ReadExceptionRows(const std::string& database, std::vector<std::vector<std::string>>& rows) {
  return d::AppendLog::ReadRows(ExceptionsFileOf(database), 8, rows);
}

}  // namespace qfchecks

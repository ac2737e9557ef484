#include "verify/Companion.h"

#include "engine/files/AppendLog.h"
#include "engine/files/Companions.h"
#include "lib/CsvText.h"

namespace qfverify {

namespace d = modDB::detail;

std::string AppendGroup(const std::string& database, const std::string& path, const std::string& heading,
                        const std::string& lines, bool create, bool* written) {
  d::CompanionGroup g;
  g.heading = heading;
  g.lines = lines;
  g.create = create;
  return d::AppendCompanion(d::Companions::Of(database).Named(), path, g, written);
}

std::string ReadRows(const std::string& path, std::vector<std::vector<std::string>>& rows) {
  return d::AppendLog::ReadRows(path, 0, rows);
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string out;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) out += ',';
    modDB::AppendCsvCell(out, cells[i]);
  }
  return out + "\n";
}

}  // namespace qfverify

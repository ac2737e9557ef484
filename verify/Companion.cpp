#include "verify/Companion.h"

#include <fcntl.h>

#include "engine/DatabaseFile.h"
#include "engine/FileIo.h"
#include "engine/files/AppendLog.h"
#include "engine/files/Companions.h"
#include "engine/history/Format.h"

namespace qfverify {

namespace d = modDB::detail;

std::string AppendGroup(const std::string& database, const std::string& path, const std::string& heading,
                        const std::string& lines, bool create, bool* written) {
  if (written) *written = false;
  const std::string dbFile = d::Companions::Of(database).Named();
  try {
    d::DatabaseFile db = d::OpenDatabaseFile(dbFile);
    if (!db.readOnlyWhy.empty()) return "FILE:" + dbFile + " may only be read: " + db.readOnlyWhy;
    d::WriterLock lock(db.fd.get());
    d::AppendLog::Standing s = d::AppendLog::Look(path);
    if (!s.kept) {
      if (!create) return "";
      d::AppendLog::Create(path, heading);
      s = d::AppendLog::Look(path);
    }
    if (!s.refusal.empty()) return "FILE:" + path + " cannot be written: " + s.refusal;
    d::AppendLog log;
    log.Open(path);
    log.Size();
    if (log.size() == 0) {  // made, but its heading never written
      log.Append(heading + "\n");
      log.Mark();
    }
    // A writer that stopped between its lines and their mark: its work was done.
    if (log.Unmarked(modDB::history::IsLineStart) >= 0) log.Mark(true);
    if (!lines.empty()) {
      log.Append(lines);
      log.Mark();
    }
    if (written) *written = true;
    return "";
  } catch (const std::exception& e) {
    return d::UnexpectedError(e, path);
  }
}

std::string ReadRows(const std::string& path, std::vector<std::vector<std::string>>& rows) {
  rows.clear();
  const d::AppendLog::Standing s = d::AppendLog::Look(path);
  if (!s.kept) return "";
  try {
    d::Fd fd(d::OpenFile(path, O_RDONLY));
    std::string text(static_cast<size_t>(d::FileSize(fd.get())), '\0');
    text.resize(d::ReadAt(fd.get(), text.data(), text.size(), 0));
    modDB::history::LineSink sink;
    sink.onRow = [&](std::vector<std::string>& row, int64_t) { rows.push_back(std::move(row)); };
    modDB::history::ForEachLine(text, 0, true, sink);
    return "";
  } catch (const std::exception& e) {
    return d::UnexpectedError(e, path);
  }
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string out;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) out += ',';
    modDB::history::AppendCsv(out, cells[i]);
  }
  return out + "\n";
}

}  // namespace qfverify

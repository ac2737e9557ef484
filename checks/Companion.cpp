// Companion names and the exceptions file's writer (see Companion.h).
#include "checks/Companion.h"

#include <fcntl.h>

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "engine/files/Companions.h"
#include "engine/modDB.h"

namespace qfchecks {

std::string ChecksFileOf(const std::string& database) { return modDB::detail::Companions::Of(database).Checks(); }
std::string ExceptionsFileOf(const std::string& database) {
  return modDB::detail::Companions::Of(database).Exceptions();
}

std::string AppendExceptionLines(const std::string& database, const std::string& heading, const std::string& lines,
                                 const std::function<std::unique_ptr<HistoryGuard>()>& historyLog) {
  namespace d = modDB::detail;
  const std::string dbFile = modDB::detail::Companions::Of(database).Named();
  const std::string path = ExceptionsFileOf(database);
  try {
    d::DatabaseFile db = d::OpenDatabaseFile(dbFile);
    if (!db.readOnlyWhy.empty()) return "FILE:" + dbFile + " may only be read: " + db.readOnlyWhy;
    d::WriterLock lock(db.fd.get());
    d::Fd fd(d::OpenFile(path, O_RDWR | O_CREAT));
    int64_t size = d::FileSize(fd.get());
    std::string text;
    if (size == 0) {
      text = heading + "\n";
    } else {
      char last = '\n';
      d::ReadAt(fd.get(), &last, 1, size - 1);
      if (last != '\n') text = "\n";
    }
    text += lines;
    std::unique_ptr<HistoryGuard> history = historyLog ? historyLog() : nullptr;
    try {
      d::WriteAt(fd.get(), text.data(), text.size(), size);
      d::SyncFile(fd.get());
    } catch (...) {
      d::TruncateFile(fd.get(), size);
      throw;
    }
    if (history) history->Done();
    return "";
  } catch (const std::exception& e) {
    return d::UnexpectedError(e, path);
  }
}

}  // namespace qfchecks

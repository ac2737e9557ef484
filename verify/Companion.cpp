#include "verify/Companion.h"

#include <fcntl.h>

#include "engine/files/AppendLog.h"
#include "engine/files/Companions.h"
#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
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
    // Every line that starts with a time and reads as one whole CSV row; whatever
    // lies between such lines is damage and is passed over.
    const size_t n = text.size();
    auto nextStart = [&](size_t from) {
      for (size_t q = from; (q = text.find('\n', q)) != std::string::npos; ++q) {
        size_t r = q + 1;
        while (r < n && text[r] == '\n') ++r;
        if (r == n || modDB::history::IsLineStart(text, r)) return q + 1;
      }
      return n;
    };
    for (size_t i = text.find('\n'); i != std::string::npos && i < n;) {
      if (text[i] == '\n') {
        ++i;
        continue;
      }
      const size_t j = nextStart(i);
      if (modDB::history::IsLineStart(text, i) && text[j - 1] == '\n') {
        const std::string chunk = text.substr(i, j - i);
        std::vector<std::vector<std::string>> got;
        const size_t used = modDB::detail::ParseCsvLines(chunk, 0, [&](std::vector<std::string>& row, size_t) {
          got.push_back(row);
        });
        if (got.size() == 1 && used == chunk.size()) rows.push_back(std::move(got[0]));
      }
      i = j;
    }
    return "";
  } catch (const std::exception& e) {
    return d::UnexpectedError(e, path);
  }
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

// Reading the change history (see History.h): every whole line, past any damage,
// and the lines of one record followed through packs.
#include <fcntl.h>

#include <cstdlib>
#include <exception>

#include "engine/files/FileIo.h"
#include "engine/history/Check.h"
#include "engine/files/AppendLog.h"
#include "engine/history/Format.h"
#include "engine/history/Scan.h"
#include "engine/history/History.h"
#include "engine/modDB.h"

namespace modDB {

using namespace history;

std::string ReadHistory(const std::string& database, std::vector<HistoryEntry>& out,
                        std::vector<HistoryDamage>* damage) {
  const std::string path = HistoryFileOf(database);
  out.clear();
  if (damage) damage->clear();
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    std::string text(static_cast<size_t>(detail::FileSize(fd.get())), '\0');
    text.resize(detail::ReadAt(fd.get(), text.data(), text.size(), 0));
    // Where the lines after the last mark start, and how many of them there are.
    int64_t afterMark = -1;
    size_t unmarked = 0;
    LineSink sink;
    sink.onRow = [&](std::vector<std::string>& row, int64_t) {
      out.push_back(EntryOf(row));
      ++unmarked;
    };
    sink.onMark = [&](int64_t at) {
      afterMark = at + 1;
      unmarked = 0;
    };
    sink.onDamage = [&](int64_t, int64_t bytes, int64_t line) {
      if (damage) damage->push_back({line + 1, bytes});
    };
    ForEachLine(text, 0, true, sink);
    // Lines at the end without their mark (in a history that has marks) belong to a
    // writer that stopped, or is at work now: shown only when their change is made.
    if (afterMark >= 0 && unmarked > 0) {
      const std::vector<HistoryEntry> group(out.end() - static_cast<std::ptrdiff_t>(unmarked), out.end());
      std::string name = database;
      if (!ChangeMade(BaseFileName(name) + ".Qfd", group)) out.resize(out.size() - unmarked);
    }
  } catch (const std::exception& e) {
    return detail::UnexpectedError(e, path);
  }
  return "";
}

std::string ReadRecordHistory(const std::string& database, int32_t n, std::vector<HistoryEntry>& out,
                              std::vector<HistoryDamage>* damage) {
  const std::string path = HistoryFileOf(database);
  out.clear();
  if (damage) damage->clear();
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    const history::ReadFn read = [&](void* buf, size_t len, int64_t at) { return detail::ReadAt(fd.get(), buf, len, at); };
    int64_t end = detail::FileSize(fd.get());
    // Lines at the end without their mark count only when their change is made.
    if (const int64_t from = detail::AppendLog::Unmarked(read, end, IsLineStart); from >= 0) {
      std::string text(static_cast<size_t>(end - from), '\0');
      text.resize(read(text.data(), text.size(), from));
      std::string name = database;
      if (!ChangeMade(BaseFileName(name) + ".Qfd", EntriesOf(text, from))) end = from;
    }
    std::vector<std::pair<int64_t, int64_t>> damaged;  // lines after, bytes
    std::vector<std::string> row;
    const int64_t total = ScanBack(read, end, [&](std::string_view line, int64_t, int64_t after) {
      std::string_view op;
      int32_t r = 0;
      const bool quick = OpAndRecord(line, op, r);
      if (quick && op != "pack" && op != "design save" && r != n) return true;
      if (!Row(line, row)) {
        damaged.push_back({after, static_cast<int64_t>(line.size())});
        return true;
      }
      HistoryEntry e = EntryOf(row);
      if (e.operation == "design save") {
        out.push_back(std::move(e));
      } else if (e.operation == "pack") {
        int32_t old = 0;
        for (const Run& run : ParseMap(e.after))
          if (n >= run.newFirst && n <= run.newFirst + (run.oldLast - run.oldFirst)) old = run.oldFirst + (n - run.newFirst);
        e.record = std::to_string(n);
        e.before = old ? std::to_string(old) : "";
        e.after = std::to_string(n);
        out.push_back(std::move(e));
        n = old;
        return n > 0;
      } else if (std::atoi(e.record.c_str()) == n) {
        out.push_back(std::move(e));
      }
      return true;
    });
    if (damage && total >= 0)
      for (auto it = damaged.rbegin(); it != damaged.rend(); ++it) damage->push_back({total - it->first + 1, it->second});
  } catch (const std::exception& e) {
    return detail::UnexpectedError(e, path);
  }
  return "";
}

std::string HistoryDamageNote(const std::string& database, const std::vector<HistoryDamage>& damage) {
  if (damage.empty()) return "";
  std::string where;
  for (size_t i = 0; i < damage.size() && i < 5; ++i)
    where += (i ? ", " : "") + std::to_string(damage[i].line);
  if (damage.size() > 5) where += " and " + std::to_string(damage.size() - 5) + " more";
  return "Note: FILE:" + HistoryFileOf(database) + " is damaged at line" + (damage.size() > 1 ? "s " : " ") + where +
         ": what stands there is no whole history line and is left out; every whole line is shown.";
}

std::vector<HistoryEntry> RecordHistory(const std::vector<HistoryEntry>& all, int32_t n) {
  std::vector<HistoryEntry> out;
  for (auto it = all.rbegin(); it != all.rend() && n > 0; ++it) {
    if (it->operation == "design save") {
      out.push_back(*it);
    } else if (it->operation == "pack") {
      int32_t old = 0;
      for (const Run& r : ParseMap(it->after))
        if (n >= r.newFirst && n <= r.newFirst + (r.oldLast - r.oldFirst)) old = r.oldFirst + (n - r.newFirst);
      HistoryEntry e = *it;
      e.record = std::to_string(n);
      e.before = old ? std::to_string(old) : "";
      e.after = std::to_string(n);
      out.push_back(e);
      n = old;
    } else if (std::atoi(it->record.c_str()) == n) {
      out.push_back(*it);
    }
  }
  return out;
}

}  // namespace modDB

// Reading the change history (see History.h): every whole line, past any damage,
// and the lines of one record followed through packs.
#include <fcntl.h>

#include <cstdlib>
#include <exception>

#include "engine/FileIo.h"
#include "engine/history/Check.h"
#include "engine/history/Format.h"
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

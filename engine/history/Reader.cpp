// Reading the change history (see History.h): every whole line, past any damage,
// and the lines of one record followed through packs.
#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "engine/files/FileIo.h"
#include "engine/history/Check.h"
#include "engine/files/AppendLog.h"
#include "engine/history/Format.h"
#include "engine/history/Scan.h"
#include "engine/history/History.h"
#include "engine/history/IndexFile.h"
#include "engine/files/Companions.h"
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

namespace {

// The line of the history that starts at `at` (without its line ends).
std::string LineAt(const history::ReadFn& read, int64_t at) {
  std::string buf;
  for (size_t want = 512;; want *= 4) {
    buf.resize(want);
    buf.resize(read(buf.data(), want, at));
    size_t end = 1;
    while (end < buf.size() && !(buf[end - 1] == '\n' && IsLineStart(buf, end))) ++end;
    if (end < buf.size() || buf.size() < want) {
      buf.resize(std::min(end, buf.size()));
      while (!buf.empty() && buf.back() == '\n') buf.pop_back();
      return buf;
    }
  }
}

// The numbers of the lines that start at the given offsets (sorted), counted in one
// pass through the history.
std::vector<int64_t> LineNumbers(const history::ReadFn& read, const std::vector<int64_t>& offsets) {
  std::vector<int64_t> out;
  std::string buf(size_t{1} << 20, '\0');
  int64_t at = 0, ends = 0;
  for (const int64_t to : offsets) {
    while (at < to) {
      const size_t got = read(buf.data(), static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buf.size()), to - at)), at);
      if (got == 0) break;
      ends += std::count(buf.data(), buf.data() + got, '\n');
      at += static_cast<int64_t>(got);
    }
    out.push_back(ends + 1);
  }
  return out;
}

// One record's lines, newest first, as the callback of ScanBack takes them.
struct RecordLines {
  int32_t n;
  std::vector<HistoryEntry>& out;
  std::vector<std::pair<int64_t, int64_t>> damaged;  // where, bytes
  std::vector<std::string> row;

  bool operator()(std::string_view line, int64_t at) {
    std::string_view op;
    int32_t r = 0;
    const bool quick = OpAndRecord(line, op, r);
    if (quick && op != "pack" && op != "design save" && r != n) return true;
    if (!Row(line, row)) {
      damaged.push_back({at, static_cast<int64_t>(line.size())});
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
  }
};

// The lines of [0, end) through the index: the part after what it covers read back
// from the end, then only the lines the index gives. False when the index is not
// usable (nothing was taken then).
bool ReadThroughIndex(const std::string& database, const history::ReadFn& read, int64_t end, RecordLines& lines) {
  const std::string index = detail::Companions::Of(database).HistoryIndex();
  const int64_t covered = IndexFile::Covered(index, read, end);
  if (covered < 0) return false;
  const history::ReadFn after = [&](void* buf, size_t len, int64_t at) { return read(buf, len, at + covered); };
  const size_t outWas = lines.out.size();
  bool more = true;
  ScanBack(after, end - covered, [&](std::string_view line, int64_t at, int64_t) {
    return more = lines(line, at + covered);
  });
  std::vector<int64_t> offsets;
  if (more && !IndexFile::Lines(index, covered, lines.n, offsets)) {
    lines.out.resize(outWas);
    lines.damaged.clear();
    return false;
  }
  for (size_t i = 0; more && i < offsets.size(); ++i) more = lines(LineAt(read, offsets[i]), offsets[i]);
  return true;
}

}  // namespace

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
    RecordLines lines{n, out, {}, {}};
    int64_t total = -1;  // the line ends before `end`, when the whole file was looked through
    if (!ReadThroughIndex(database, read, end, lines)) {
      std::vector<int64_t> after;  // the line ends between each damaged line and `end`
      total = ScanBack(read, end, [&](std::string_view line, int64_t at, int64_t ends) {
        const size_t was = lines.damaged.size();
        const bool more = lines(line, at);
        if (lines.damaged.size() > was) after.push_back(ends);
        return more;
      });
      if (damage && total >= 0)
        for (size_t i = lines.damaged.size(); i-- > 0;) damage->push_back({total - after[i] + 1, lines.damaged[i].second});
    } else if (damage && !lines.damaged.empty()) {
      std::sort(lines.damaged.begin(), lines.damaged.end());
      std::vector<int64_t> at;
      for (const auto& d : lines.damaged) at.push_back(d.first);
      const std::vector<int64_t> numbers = LineNumbers(read, at);
      for (size_t i = 0; i < at.size(); ++i) damage->push_back({numbers[i], lines.damaged[i].second});
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

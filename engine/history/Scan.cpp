#include "engine/history/Scan.h"

#include <algorithm>
#include <charconv>

#include "engine/history/Format.h"

namespace modDB::history {

int64_t ScanBack(const ReadFn& read, int64_t end,
              const std::function<bool(std::string_view line, int64_t at, int64_t linesAfter)>& onLine) {
  constexpr int64_t kBlock = int64_t{1} << 20;
  std::string buf;
  int64_t lo = end, linesAfter = 0;
  int64_t upTo = end;  // what lies from here on has been handed on
  while (upTo > 0) {
    lo = std::max<int64_t>(0, lo - kBlock);
    buf.resize(static_cast<size_t>(upTo - lo));
    buf.resize(read(buf.data(), buf.size(), lo));
    // The line starts in buf, newest first; a line that starts before lo waits for
    // the next block (unless this is the file's start).
    size_t stop = buf.size();
    bool any = false;
    for (size_t i = buf.size(); i-- > 0;) {
      const bool start = (i == 0 ? lo == 0 : buf[i - 1] == '\n') && IsLineStart(buf, i);
      if (!start) continue;
      any = true;
      std::string_view line(buf.data() + i, stop - i);
      const size_t ends = static_cast<size_t>(std::count(line.begin(), line.end(), '\n'));
      while (!line.empty() && line.back() == '\n') line.remove_suffix(1);
      linesAfter += static_cast<int64_t>(ends);
      if (!onLine(line, lo + static_cast<int64_t>(i), linesAfter)) return -1;
      stop = i;
    }
    if (lo == 0)  // what is left before the first line is the heading
      return linesAfter + std::count(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(stop), '\n');
    if (any) upTo = lo + static_cast<int64_t>(stop);
  }
  return linesAfter;
}

bool OpAndRecord(std::string_view line, std::string_view& op, int32_t& record) {
  size_t at = 0;
  for (int cell = 0; cell < 4; ++cell) {
    const size_t comma = line.find(',', at);
    if (comma == std::string_view::npos || line.substr(at, comma - at).find('"') != std::string_view::npos) return false;
    at = comma + 1;
  }
  const size_t c5 = line.find(',', at);
  if (c5 == std::string_view::npos) return false;
  op = line.substr(at, c5 - at);
  if (op.find('"') != std::string_view::npos) return false;
  const size_t c6 = line.find(',', c5 + 1);
  if (c6 == std::string_view::npos) return false;
  record = 0;
  std::from_chars(line.data() + c5 + 1, line.data() + c6, record);
  return true;
}

bool Row(std::string_view line, std::vector<std::string>& row) {
  const std::string text = std::string(line) + "\n";
  int rows = 0;
  const size_t used = detail::ParseCsvLines(text, 0, [&](std::vector<std::string>& r, size_t) {
    if (++rows == 1) row = std::move(r);
  });
  return rows == 1 && row.size() == 10 && used == text.size();
}

}  // namespace modDB::history

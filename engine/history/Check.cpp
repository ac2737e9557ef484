#include "engine/history/Check.h"

#include <fcntl.h>

#include <cstdlib>
#include <exception>

#include "engine/files/FileIo.h"
#include "engine/StoreCommon.h"
#include "engine/history/Format.h"
#include "lib/Codepage.h"

namespace modDB::history {

std::vector<HistoryEntry> EntriesOf(const std::string& text, int64_t at) {
  std::vector<HistoryEntry> out;
  LineSink sink;
  sink.onRow = [&](std::vector<std::string>& row, int64_t) { out.push_back(EntryOf(row)); };
  ForEachLine(text, at, false, sink);
  return out;
}

bool ChangeMade(const std::string& dbFile, const std::vector<HistoryEntry>& lines) {
  if (lines.empty()) return false;
  try {
    detail::Fd fd(detail::OpenFile(dbFile, O_RDONLY));
    FormHeader h;
    if (!detail::ReadCheckedHeader(fd.get(), dbFile, h).empty()) return false;
    const int32_t count = h.RecordCount;
    const size_t len = static_cast<size_t>(h.RecordLength);
    std::string rec;
    int32_t read = 0;
    for (const HistoryEntry& e : lines) {
      if (e.operation == "pack") {
        int64_t kept = 0;
        for (const Run& r : ParseMap(e.after)) kept += r.oldLast - r.oldFirst + 1;
        if (kept != count) return false;
        continue;
      }
      if (e.operation == "design save") {
        if (Size(h, count) != e.after) return false;
        continue;
      }
      const int32_t n = std::atoi(e.record.c_str());
      if (n < 1 || n > count) return false;
      if (e.operation == "import" || e.operation == "accept") continue;  // accept says nothing of values
      if (read != n) {
        rec.assign(len, ' ');
        detail::ReadAt(fd.get(), rec.data(), len, RecordPosition(n, h.RecordLength));
        read = n;
      }
      if (e.field == "*") {
        if ((rec[0] == '*') != (e.after == "*")) return false;
        continue;
      }
      const FieldDef* field = nullptr;
      for (int16_t s = 1; s <= kMaxFields && !field; ++s)
        if (h.Fields[s].Page != 0 && modLIB::Cp1252ToUtf8(h.Fields[s].Name.Trimmed()) == e.field) field = &h.Fields[s];
      if (!field || Value(rec, *field) != e.after) return false;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace modDB::history

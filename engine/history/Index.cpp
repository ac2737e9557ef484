#include "engine/history/Index.h"

#include <vector>

#include "engine/history/Format.h"
#include "engine/history/Scan.h"

namespace modDB::history {

RecordValues* Index::Find(int32_t n) {
  const auto it = records_.find(n);
  return it == records_.end() ? nullptr : &it->second;
}

FieldValues& Index::Fields(const detail::AppendLog& log, RecordValues& rec) {
  if (rec.importedAt >= 0) {
    // The import's line alone (its values, a JSON object, hold no line end).
    std::string text;
    std::vector<std::string> row;
    for (size_t want = 4096;; want *= 4) {
      text.resize(want);
      text.resize(log.Read(text.data(), want, rec.importedAt));
      const size_t end = text.find('\n');
      if (end == std::string::npos && text.size() == want) continue;
      if (Row(std::string_view(text).substr(0, end), row)) {
        auto values = ParseValues(row[9]);
        rec.fields.reserve(values.size());
        for (auto& [name, value] : values) rec.fields.emplace(std::move(name), std::move(value));
      }
      break;
    }
    rec.importedAt = -1;
  }
  return rec.fields;
}

void Index::Apply(const detail::AppendLog& log, const std::string& operation, int32_t n,
                  const std::string& field, const std::string& after, int64_t at) {
  if (operation == "accept") return;  // says nothing of the values
  if (operation == "design save") {
    records_.clear();
    return;
  }
  if (operation == "pack") {
    std::unordered_map<int32_t, RecordValues> moved;
    for (const Run& r : ParseMap(after))
      for (int32_t i = r.oldFirst; i <= r.oldLast; ++i) {
        auto it = records_.find(i);
        if (it != records_.end()) moved[r.newFirst + (i - r.oldFirst)] = std::move(it->second);
      }
    records_.swap(moved);
    return;
  }
  if (n < 1 || field.empty()) return;
  RecordValues& rec = records_[n];
  if (operation == "import") {
    rec.fields.clear();
    rec.importedAt = at;
    rec.added = false;
    rec.looked = true;
    return;
  }
  if (operation == "add" && !rec.added) {
    rec.fields.clear();
    rec.importedAt = -1;
    rec.added = true;
    rec.looked = true;
  }
  Fields(log, rec)[field] = after;
}

}  // namespace modDB::history

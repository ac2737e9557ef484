// What the change history last recorded for each field of each record, kept by a
// program that writes the history so that it can tell a change made outside it
// ("outside change"). Built from the history's lines in file order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/files/AppendLog.h"

namespace modDB::history {

// A record's recorded values by field name. A record has few, so they are kept side
// by side in the order they came (an index of every record holds tens of thousands).
class FieldValues {
 public:
  using Entry = std::pair<std::string, std::string>;
  using iterator = std::vector<Entry>::iterator;
  using const_iterator = std::vector<Entry>::const_iterator;

  iterator find(std::string_view name) {
    return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.first == name; });
  }
  const_iterator find(std::string_view name) const { return const_cast<FieldValues*>(this)->find(name); }
  size_t count(std::string_view name) const { return find(name) != end() ? 1 : 0; }
  std::string& operator[](std::string_view name) {
    const auto it = find(name);
    return it != end() ? it->second : entries_.emplace_back(std::string(name), std::string()).second;
  }
  // Keeps a value the field has already.
  void emplace(std::string name, std::string value) {
    if (find(name) == end()) entries_.emplace_back(std::move(name), std::move(value));
  }
  void reserve(size_t n) { entries_.reserve(n); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }
  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  std::vector<Entry> entries_;
};

struct RecordValues {
  int64_t importedAt = -1;  // the import line that holds the values, not yet read
  bool added = false;       // an add was recorded: the fields it did not name were blank
  bool looked = false;      // the lines before the index began have been consulted
  FieldValues fields;
};

class Index {
 public:
  // Takes one line into the index; `at` is where it starts in the log.
  void Apply(const detail::AppendLog& log, const std::string& operation, int32_t n, const std::string& field, const std::string& after, int64_t at);
  // The record's entry, or nullptr when the history recorded nothing of it.
  RecordValues* Find(int32_t n);
  // The values recorded for a record: an import line's are read from the log when
  // first wanted.
  FieldValues& Fields(const detail::AppendLog& log, RecordValues& rec);
  RecordValues& At(int32_t n) { return records_[n]; }
  void Clear() { records_.clear(); }
  std::unordered_map<int32_t, RecordValues>& Records() { return records_; }

 private:
  std::unordered_map<int32_t, RecordValues> records_;
};

}  // namespace modDB::history

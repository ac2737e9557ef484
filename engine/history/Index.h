// What the change history last recorded for each field of each record, kept by a
// program that writes the history so that it can tell a change made outside it
// ("outside change"). Built from the history's lines in file order.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/files/AppendLog.h"

namespace modDB::history {

struct RecordValues {
  int64_t importedAt = -1;  // the import line that holds the values, not yet read
  bool added = false;       // an add was recorded: the fields it did not name were blank
  bool looked = false;      // the lines before the index began have been consulted
  std::unordered_map<std::string, std::string> fields;
};

class Index {
 public:
  // Takes one line into the index; `at` is where it starts in the log.
  void Apply(const detail::AppendLog& log, const std::string& operation, int32_t n, const std::string& field, const std::string& after, int64_t at);
  // The record's entry, or nullptr when the history recorded nothing of it.
  RecordValues* Find(int32_t n);
  // The values recorded for a record: an import line's are read from the log when
  // first wanted.
  std::unordered_map<std::string, std::string>& Fields(const detail::AppendLog& log, RecordValues& rec);
  RecordValues& At(int32_t n) { return records_[n]; }
  void Clear() { records_.clear(); }
  std::unordered_map<int32_t, RecordValues>& Records() { return records_; }

 private:
  std::unordered_map<int32_t, RecordValues> records_;
};

}  // namespace modDB::history

// Two clerks on one record: the record as this program read it, as the file holds it
// now (another program saved it meanwhile) and as this program would save it. The
// merge keeps each side's changes field by field; only a field both sides changed,
// to different values, needs the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FormHeader.h"

namespace modDB {

struct MergedRecord {
  std::string yours;           // every change of both sides; yours where both changed a field
  std::string theirs;          // the same, but theirs where both changed a field
  std::vector<int16_t> both;   // the slots both sides changed to different values
};

// Merges three texts of one record (each RecordLength bytes). A field, and the
// deletion mark, that only one side changed takes that side's value.
MergedRecord MergeRecord(const FormHeader& h, const std::string& asRead, const std::string& inFile,
                         const std::string& mine);

// The question for a merge with fields both sides changed: each such field with its
// value as read, theirs and yours; Yes saves yours, No keeps theirs, Cancel goes back.
std::string MergeQuestion(const FormHeader& h, int32_t record, const MergedRecord& m, const std::string& asRead,
                          const std::string& inFile, const std::string& mine);

}  // namespace modDB

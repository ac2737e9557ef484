#include "engine/store/Merge.h"

#include <algorithm>

#include "lib/modLIB.h"

namespace modDB {

namespace {

// How many fields the question lists, and how much of a long value it shows.
constexpr size_t kListed = 8;
constexpr size_t kShown = 40;

std::string Slice(const std::string& rec, const FieldDef& f) {
  return rec.substr(static_cast<size_t>(f.Offset), static_cast<size_t>(f.Length));
}

std::string Quoted(const std::string& rec, const FieldDef& f) {
  std::string v = modLIB::Trim(Slice(rec, f));
  if (v.size() > kShown) v = v.substr(0, kShown - 3) + "...";
  return "\"" + v + "\"";
}

}  // namespace

MergedRecord MergeRecord(const FormHeader& h, const std::string& asRead, const std::string& inFile,
                         const std::string& mine) {
  MergedRecord m;
  // Byte by byte first (the mark, and any byte no field covers): a byte this side did
  // not change takes the file's.
  m.yours = inFile;
  const size_t n = std::min({asRead.size(), inFile.size(), mine.size()});
  for (size_t i = 0; i < n; ++i)
    if (mine[i] != asRead[i]) m.yours[i] = mine[i];
  m.theirs = m.yours;
  // Then field by field, so that a field is never half one side's and half the other's.
  for (int16_t k = 1; k <= kMaxFields; ++k) {
    const FieldDef& f = h.Fields[k];
    if (f.Page == 0 || static_cast<size_t>(f.Offset) + static_cast<size_t>(f.Length) > n) continue;
    const std::string read = Slice(asRead, f), file = Slice(inFile, f), own = Slice(mine, f);
    // The window shows values without their blanks around and saves them so: a value
    // the clerk left as shown is no change of theirs.
    const bool ownChanged = modLIB::Trim(own) != modLIB::Trim(read), fileChanged = file != read;
    const std::string& yours = ownChanged ? own : file;
    const std::string& theirs = fileChanged ? file : own;
    m.yours.replace(static_cast<size_t>(f.Offset), read.size(), yours);
    m.theirs.replace(static_cast<size_t>(f.Offset), read.size(), theirs);
    if (ownChanged && fileChanged && modLIB::Trim(own) != modLIB::Trim(file)) m.both.push_back(k);
  }
  return m;
}

std::string MergeQuestion(const FormHeader& h, int32_t record, const MergedRecord& m, const std::string& asRead,
                          const std::string& inFile, const std::string& mine) {
  const bool one = m.both.size() == 1;
  std::string text = "Record " + std::to_string(record) +
                     " was changed in another program since editing began, and you both changed " +
                     (one ? "this field" : "these fields") + " (as read, theirs, yours):";
  for (size_t i = 0; i < m.both.size() && i < kListed; ++i) {
    const FieldDef& f = h.Fields[m.both[i]];
    text += "\r\n" + f.Name.Trimmed() + ": " + Quoted(asRead, f) + ", " + Quoted(inFile, f) + ", " +
            Quoted(mine, f);
  }
  if (m.both.size() > kListed) text += "\r\n... and " + std::to_string(m.both.size() - kListed) + " more";
  const std::string which = one ? " in this field" : " in these fields";
  text += "\r\nYour other changes and theirs are both kept.\r\nYes: save yours" + which + ".\r\nNo: keep theirs" +
          which + ".\r\nCancel: go back to editing.";
  return text;
}

}  // namespace modDB

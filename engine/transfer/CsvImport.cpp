#include "engine/transfer/CsvImport.h"

#include <fcntl.h>
#include <time.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <map>

#include "engine/transfer/CsvExport.h"
#include "engine/transfer/CsvRows.h"
#include "engine/files/FileIo.h"
#include "engine/modDB.h"
#include "engine/State.h"
#include "engine/ValueRules.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace {

const char* const kTitle = "IMPORT";

// Asks for the new records' buffer to be backed by huge pages where the system offers
// them on request: filling 60 MB of fresh memory 4 KB at a time costs more than the
// reading and checking. Only the 2 MB-aligned inside of its capacity is concerned; it
// is a hint.
void PreferHugePages(std::string& s) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<uintptr_t>(s.data());
  const uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1), to = (begin + s.capacity()) & ~(kHuge - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)s;
#endif
}

std::string Upper(std::string_view s) { return modLIB::UCase(modLIB::Trim(s)); }

// Thrown from the checking of a row to end the reading at once; the reason is set.
struct StopReading {};

// Whether the file was changed between two looks at it.
bool Changed(const struct stat& a, const struct stat& b) {
  return a.st_size != b.st_size || a.st_mtim.tv_sec != b.st_mtim.tv_sec || a.st_mtim.tv_nsec != b.st_mtim.tv_nsec ||
         a.st_ctim.tv_sec != b.st_ctim.tv_sec || a.st_ctim.tv_nsec != b.st_ctim.tv_nsec;
}

// A write marks the file's change time when it starts, and a file system may keep
// times only in steps of a coarse clock: a write still under way when the file is
// first looked at, or two writes within one step, leave the same time behind. So the
// reading starts only once the file has been still for a moment (a file written just
// now is waited for, two seconds at most); a write from then on gives it a later
// time, which the look after the reading sees. A file that goes on being written is
// still read, and refused after.
void LetFreshWritesSettle(int fd, struct stat& st, const std::string& path) {
  constexpr int64_t kStep = 200'000'000, kLongest = 2'000'000'000;  // ns
  auto ns = [](const struct timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
  for (int64_t waited = 0; waited < kLongest;) {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const int64_t age = ns(now) - std::max(ns(st.st_mtim), ns(st.st_ctim));
    if (age >= kStep || age < -kLongest) return;  // settled, or a clock that is far off
    const int64_t pause = std::min(kStep - age, kStep);
    const struct timespec t{static_cast<time_t>(pause / 1'000'000'000), static_cast<long>(pause % 1'000'000'000)};
    ::nanosleep(&t, nullptr);
    waited += pause;
    if (detail::CurrentEnv().StatFd(fd, &st) != 0) throw detail::FileError(errno, "fstat", path);
  }
}

// Why the text of `path` is not read at all.
std::string RefusalText(const detail::CsvTextRead& read, const std::string& path) {
  switch (read.refusal) {
    case detail::CsvRefusal::Utf16:
      return path + " is UTF-16 (it starts with a UTF-16 byte order mark); save it as UTF-8 or Windows-1252 and import it again";
    case detail::CsvRefusal::NotUtf8WithMark:
      return path + " starts with a UTF-8 byte order mark, but its bytes are not UTF-8; give the encoding "
                    "windows-1252 to read it as Windows-1252";
    case detail::CsvRefusal::LongRow:
      return "the row at line " + std::to_string(read.line) + " of " + path +
             " is longer than 16 MB; no record comes from such a row";
    case detail::CsvRefusal::WideRow:
      return "the row at line " + std::to_string(read.line) + " of " + path + " has more than " +
             std::to_string(detail::kMaxValues) + " values; no record comes from such a row";
    case detail::CsvRefusal::None:
      break;
  }
  return "";
}

using detail::Copied;
using detail::CsvTextRead;
using detail::CsvValue;
using detail::ReadCsvRows;
using detail::RowView;
using detail::Stored;
using detail::StoreValue;
using detail::Unquoted;

// One reading of a file against the open database: the fields' names, formats and
// checks, worked out once, and what the current pass over the file has found. The
// rows come to OnRow; the first is the heading. A failure that refuses the whole
// file is set in `failure` (and a row past the limits also throws StopReading).
class Importer {
 public:
  Importer(const std::string& path, const CsvImportOptions& options, CsvImport& out, int64_t size);
  Importer(const Importer&) = delete;
  Importer& operator=(const Importer&) = delete;

  // A pass over the file begins (again, when a file that is not UTF-8 is read anew).
  void Start();
  void OnRow(const RowView& row, const std::string& error);

  bool headed = false;  // the heading line was read
  std::string failure;

 private:
  // Per column of the file, once the heading is read: the field its values go to, or
  // none (ignored, or a "#" field the store numbers).
  struct Column {
    const FieldDef* field = nullptr;
    const FormatRules* rules = nullptr;
    int16_t slot = 0;
  };

  void ReadHeading(const RowView& row, const std::string& error);
  void ReadRecord(const RowView& row, const std::string& error);
  void PutValue(const RowView& row, size_t c, char* record);
  void CheckRecord(const RowView& row, const char* record);
  void Refuse(const RowView& row, const std::string& field, const std::string& value, const std::string& reason) {
    out_.problems.push_back({row.line, field, value, reason});
  }
  void RefuseValue(const RowView& row, size_t c, const FieldDef& f, int16_t slot, const std::string& reason) {
    Refuse(row, f.Name.Trimmed(), Unquoted(row.values[c], row.cuts), reason);
    refusedIn_[slot] = row.line;
  }

  const std::string& path_;
  const CsvImportOptions& options_;
  CsvImport& out_;
  const int64_t size_;
  const int64_t room_;  // the rows that can become records: no more are built
  const FormHeader h_;
  const size_t len_;
  const int16_t order_;
  std::map<std::string, int16_t> byName_;  // upper-case name -> slot
  std::vector<std::string> formats_;
  std::vector<FormatRules> rules_;
  std::vector<bool> isNumbered_;
  std::vector<int16_t> checked_;  // the fields an update's checks can refuse
  std::vector<int16_t> numbered_;
  std::string scratch_, cased_;
  std::vector<Column> columns_;
  size_t deletedAt_ = SIZE_MAX;  // the column of the deletion marks
  std::vector<int64_t> refusedIn_;  // per field: the last line where its value was refused
};

Importer::Importer(const std::string& path, const CsvImportOptions& options, CsvImport& out, int64_t size)
    : path_(path),
      options_(options),
      out_(out),
      size_(size),
      room_(kMaxRecords - static_cast<int64_t>(GetRecordCount())),
      h_(GetHeader()),
      len_(static_cast<size_t>(h_.RecordLength)),
      order_(GetDateOrder()),
      formats_(kMaxFields + 1),
      rules_(kMaxFields + 1),
      isNumbered_(kMaxFields + 1, false),
      refusedIn_(kMaxFields + 1, 0) {
  for (int16_t k = 1; k <= GetFieldCount(); ++k) {
    byName_[Upper(h_.Fields[k].Name.Trimmed())] = k;
    formats_[k] = Upper(h_.Fields[k].Format.Trimmed());
    rules_[k] = FormatRules(formats_[k]);
    isNumbered_[k] = formats_[k].find('#') != std::string::npos;
    if (isNumbered_[k]) numbered_.push_back(k);
    else if (rules_[k].Checked()) checked_.push_back(k);
  }
}

void Importer::Start() {
  out_ = CsvImport{};
  out_.path = path_;
  out_.numbered = numbered_;
  // The records take about as much room as the text they come from, and never more
  // than those the database has room for.
  out_.records.reserve(std::min(static_cast<size_t>(size_) + len_, static_cast<size_t>(room_ + 1) * len_));
  PreferHugePages(out_.records);
  headed = false;
  failure.clear();
  columns_.clear();
  deletedAt_ = SIZE_MAX;
  std::fill(refusedIn_.begin(), refusedIn_.end(), 0);
}

void Importer::OnRow(const RowView& row, const std::string& error) {
  if (!failure.empty()) return;
  if (!headed) {
    headed = true;
    ReadHeading(row, error);
    return;
  }
  if (++out_.rows > kMaxRecords) {
    failure = path_ + " has more than " + std::to_string(kMaxRecords) + " rows; a database holds at most " +
              std::to_string(kMaxRecords) + " records; nothing was imported";
    throw StopReading{};
  }
  // The plain export quotes every value and never the record number: a row that
  // does otherwise says the file is no such export (rows refused before stay so).
  if (out_.plainExport && !row.values.empty() &&
      (row.values[0].quoted ||
       std::any_of(row.values.begin() + 1, row.values.end(), [](const CsvValue& v) { return !v.quoted; })))
    out_.plainExport = false;
  if (out_.preview.size() < kImportPreviewRows) out_.preview.push_back(Copied(row));
  const size_t before = out_.problems.size();
  const size_t kept = out_.records.size();
  ReadRecord(row, error);
  if (out_.problems.size() == before) {
    if (++out_.good > room_) {
      failure = "DB is Full: " + std::to_string(kMaxRecords - room_) + " records and at least " +
                std::to_string(room_ + 1) + " rows of " + path_ + " would pass the " + std::to_string(kMaxRecords) +
                " a database holds; nothing was imported";
      throw StopReading{};
    }
    return;
  }
  // A refused row: its record is taken off again, and the row kept with why.
  out_.records.resize(kept);
  std::string why;
  for (size_t p = before; p < out_.problems.size(); ++p) {
    const CsvProblem& pr = out_.problems[p];
    why += (why.empty() ? "" : "; ") + (pr.field.empty() ? pr.reason : pr.field + ": " + pr.reason);
  }
  out_.refused.push_back(Copied(row));
  out_.reasons.push_back(std::move(why));
}

// The heading: which field each column names, or the deletion marks.
void Importer::ReadHeading(const RowView& row, const std::string& error) {
  if (!error.empty()) {
    failure = "the heading line of " + path_ + " cannot be read: " + error;
    return;
  }
  std::map<int16_t, std::string> taken;
  // The plain export's heading: "#" and the names, none of them quoted.
  out_.plainExport = !options_.rfc4180 && !row.values.empty() && !row.values[0].quoted &&
                     row.values[0].text == "#" &&
                     std::none_of(row.values.begin(), row.values.end(), [](const CsvValue& v) { return v.quoted; });
  bool named = false;  // a column names a field that takes values
  for (size_t c = 0; c < row.values.size(); ++c) {
    const std::string name = Unquoted(row.values[c], row.cuts);
    const std::string key = Upper(name);
    int16_t slot = 0;
    if (key == modLIB::UCase(kDeletedColumn) && deletedAt_ == SIZE_MAX) {
      deletedAt_ = c;
    } else if (key != "#" && key != "RECNO") {
      const auto it = byName_.find(key);
      if (it == byName_.end()) {
        out_.unknown.push_back(modLIB::Trim(name));
      } else if (!taken.emplace(it->second, std::string(name)).second) {
        failure = "the field " + h_.Fields[it->second].Name.Trimmed() + " has two columns: \"" + taken[it->second] +
                  "\" and \"" + modLIB::Trim(name) + "\"";
        return;
      } else {
        slot = it->second;
      }
    }
    out_.heading.emplace_back(name);
    out_.fieldOf.push_back(slot);
    if (slot != 0 && !isNumbered_[slot]) columns_.push_back({&h_.Fields[slot], &rules_[slot], slot});
    else columns_.push_back({});
    named = named || (slot != 0 && !isNumbered_[slot]);
  }
  if (!out_.unknown.empty() && !options_.ignoreUnknown) {
    std::string list;
    for (const std::string& u : out_.unknown) list += (list.empty() ? "" : ", ") + ("\"" + u + "\"");
    failure = "no field of " + GetDatabaseName() + ".Qfd is named " + list +
              " (give --ignore-unknown to leave such columns out)";
  } else if (!named) {
    failure = "no column of " + path_ + " names a field of " + GetDatabaseName() + ".Qfd; nothing was imported";
  }
}

// A data row: refused whole when malformed or of the wrong width; else its record is
// built in place behind the good ones, value by value, and checked as an update is.
void Importer::ReadRecord(const RowView& row, const std::string& error) {
  if (!error.empty()) {
    Refuse(row, "", "", error);
    return;
  }
  if (row.values.size() != out_.heading.size()) {
    Refuse(row, "", "",
           "the row has " + std::to_string(row.values.size()) + " values; the heading names " +
               std::to_string(out_.heading.size()) + " columns");
    return;
  }
  const size_t at = out_.records.size();
  out_.records.resize(at + len_, ' ');
  char* record = out_.records.data() + at;
  for (size_t c = 0; c < row.values.size(); ++c) PutValue(row, c, record);
  CheckRecord(row, record);
}

// The value of column c into the record, or refused.
void Importer::PutValue(const RowView& row, size_t c, char* record) {
  const Column& column = columns_[c];
  if (c == deletedAt_) {
    const std::string mark = modLIB::Trim(Unquoted(row.values[c], row.cuts));
    if (mark == "*") record[0] = '*';
    else if (!mark.empty()) Refuse(row, kDeletedColumn, mark, "is neither \"*\" (marked for deletion) nor blank");
    return;
  }
  if (column.field == nullptr) return;
  const FieldDef& f = *column.field;
  const FormatRules& rule = *column.rules;
  if (out_.plainExport && row.values[c].cutCount > 0) {
    RefuseValue(row, c, f, column.slot,
                "reads as holding a double quote, which the plain export writes as it stands: the value "
                "cannot be read back exactly (export with --rfc4180)");
    return;
  }
  // The value goes straight into the record (blanks at its end are the field's
  // padding); one that does not fit is built aside for the checks' messages.
  char* field = record + f.Offset;
  const size_t room = static_cast<size_t>(f.Length);
  CsvValue value = row.values[c];
  value.text = modLIB::TrimRightView(value.text);
  std::string_view v;
  if (const size_t n = StoreValue(field, room, value, row.cuts); n <= room) {
    v = std::string_view(field, n);
  } else {
    std::fill(field, field + room, ' ');
    v = Stored(value, row.cuts, scratch_);
  }
  if (const size_t bad = rule.Refused(v, value.breaks); bad != std::string::npos) {
    const std::string ch =
        v[bad] == '\r' || v[bad] == '\n' ? "a line break" : "\"" + std::string(v.substr(bad, 1)) + "\"";
    RefuseValue(row, c, f, column.slot,
                "holds " + ch + ", which the format " + formats_[column.slot] + " does not allow");
    return;
  }
  if (rule.ChangesCase()) {
    char* text = field;
    if (v.data() != field) {  // a value too long for its field: changed aside
      cased_.assign(v);
      text = cased_.data();
    }
    rule.ApplyCase(text, v.size());
    v = std::string_view(text, v.size());
  }
  if (rule.IsTime() && v.size() < 8 && !v.empty()) {  // "9:30" is stored "09:30:00"
    std::string t = TimeAsStored(v);
    if (t.size() != v.size()) {
      cased_ = std::move(t);
      v = cased_;
    }
  }
  if (v.size() > room) {
    RefuseValue(row, c, f, column.slot,
                "has " + std::to_string(v.size()) + " characters; the field holds " + std::to_string(f.Length));
    return;
  }
  if (v.data() != field) std::memcpy(field, v.data(), v.size());
}

// The checks of an update, on the record as it would be saved.
void Importer::CheckRecord(const RowView& row, const char* record) {
  for (const int16_t k : checked_) {
    if (refusedIn_[k] == row.line) continue;
    const FieldDef& f = h_.Fields[k];
    const std::string_view v = modLIB::TrimView(std::string_view(record + f.Offset, static_cast<size_t>(f.Length)));
    const SaveCheck check = rules_[k].CheckForSave(v, order_);
    if (check != SaveCheck::Ok) Refuse(row, f.Name.Trimmed(), std::string(v), SaveCheckText(check, order_));
  }
}

}  // namespace

int16_t ReadCsvImport(const std::string& path, const CsvImportOptions& options, CsvImport& out) {
  out = CsvImport{};
  out.path = path;
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    return 0;
  }
  detail::Fd fd;
  int64_t size = 0;
  struct stat before {};
  try {
    fd = detail::Fd(detail::OpenFile(path, O_RDONLY));
    if (detail::CurrentEnv().StatFd(fd.get(), &before) != 0) throw detail::FileError(errno, "fstat", path);
    LetFreshWritesSettle(fd.get(), before, path);
    size = before.st_size;
  } catch (const std::exception& e) {
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }
  Importer importer(path, options, out, size);
  const auto onRow = [&](const RowView& row, const std::string& error) { importer.OnRow(row, error); };
  std::string& failure = importer.failure;
  try {
    importer.Start();
    CsvTextRead read = ReadCsvRows(fd.get(), size, options.encoding, onRow);
    if (read.notUtf8) {
      importer.Start();
      read = ReadCsvRows(fd.get(), size, CsvEncoding::Cp1252, onRow);
      read.how = "Windows-1252";
    }
    if (read.refusal != detail::CsvRefusal::None) failure = RefusalText(read, path);
    out.utf8 = read.utf8;
    out.encoding = read.how;
    out.replaced = read.replaced;
    struct stat after {};
    if (failure.empty() && (detail::CurrentEnv().StatFd(fd.get(), &after) != 0 || Changed(before, after)))
      failure = path + " was changed while it was read; nothing was taken from it (import it again once it is complete)";
  } catch (const StopReading&) {
  } catch (const std::exception& e) {
    out = CsvImport{};
    out.path = path;
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }
  if (failure.empty() && !importer.headed) failure = path + " is empty: it has no heading line";
  if (!failure.empty()) {
    out = CsvImport{};
    out.path = path;
    Fail(kTitle, failure);
    return 0;
  }
  return 1;
}

int16_t CanWriteCsvImport(const CsvImport& plan) {
  const int32_t count = GetRecordCount();
  if (GetFileNumber() == 0) return 0;
  if (!detail::S().readOnlyWhy.empty()) {
    Fail(kTitle, "FILE:" + GetDatabaseName() + ".Qfd cannot be written: " + detail::S().readOnlyWhy);
    return 0;
  }
  if (count + plan.good > kMaxRecords) {
    Fail(kTitle, "DB is Full: " + std::to_string(count) + " records and " + std::to_string(plan.good) +
                     " more would pass the " + std::to_string(kMaxRecords) + " a database holds; nothing was imported");
    return 0;
  }
  return 1;
}

int16_t WriteCsvImport(CsvImport& plan, bool skipBad) {
  if (!plan.refused.empty() && !skipBad) {
    Fail(kTitle, std::to_string(plan.refused.size()) + " of " + std::to_string(plan.rows) +
                     " rows are refused; nothing was imported");
    return 0;
  }
  if (CanWriteCsvImport(plan) != 1) return 0;
  return AppendRecords(plan.records, plan.numbered, kTitle);
}

std::string RejectedFileName(const std::string& path) {
  if (path.size() >= 4 && modLIB::UCase(path.substr(path.size() - 4)) == ".CSV")
    return path.substr(0, path.size() - 4) + ".rejected" + path.substr(path.size() - 4);
  return path + ".rejected.csv";
}

int16_t WriteRejectedCsv(const CsvImport& plan, const std::string& path) {
  std::string out;
  for (size_t c = 0; c < plan.heading.size(); ++c) {
    if (c > 0) out += ',';
    AppendCsvQuoted(out, plan.heading[c]);
  }
  out += plan.heading.empty() ? "Reason\r\n" : ",Reason\r\n";
  for (size_t r = 0; r < plan.refused.size(); ++r) {
    for (const std::string& v : plan.refused[r].values) {
      AppendCsvQuoted(out, v);
      out += ',';
    }
    AppendCsvQuoted(out, plan.reasons[r]);
    out += "\r\n";
  }
  if (plan.utf8) out = "\xEF\xBB\xBF" + modLIB::Cp1252ToUtf8(out);
  try {
    detail::FileBeside file(path);
    detail::WriteAt(file.get(), out.data(), out.size(), 0);
    file.PutInPlace();
  } catch (const std::exception& e) {
    Fail(kTitle, detail::UnexpectedError(e, path));
    return 0;
  }
  return 1;
}

std::string ProblemText(const CsvProblem& p) {
  constexpr size_t kShown = 200;
  std::string s = "line " + std::to_string(p.line);
  if (!p.field.empty()) {
    s += ", field " + p.field + ", value \"";
    s += p.value.size() <= kShown
             ? p.value + "\""
             : p.value.substr(0, kShown) + "...\" (" + std::to_string(p.value.size()) + " characters)";
  }
  return s + ": " + p.reason;
}

}  // namespace modDB

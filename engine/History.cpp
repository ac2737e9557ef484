// The change history beside a database (see History.h). The lines are written at
// the end of the file while the writer holds the database's writers' lock, so that
// no other writer of ours appends in between; each program remembers, per history
// file, the last value the history recorded for each field of each record, reading
// only what was appended since it last looked.
#include "engine/History.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <array>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "engine/FileIo.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"
#include "engine/transfer/CsvText.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

using modLIB::Cp1252ToUtf8;

namespace {

std::string& ProgramSetting() {
  static std::string program;
  return program;
}

std::string ProgramName() {
  if (!ProgramSetting().empty()) return ProgramSetting();
  return program_invocation_short_name;
}

const std::string& UserName() {
  static const std::string user = [] {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buf[4096];
    if (::getpwuid_r(::geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_name)
      return std::string(found->pw_name);
    const char* env = std::getenv("USER");
    return std::string(env ? env : std::to_string(::geteuid()));
  }();
  return user;
}

const std::string& HostName() {
  static const std::string host = [] {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return std::string();
    return std::string(buf);
  }();
  return host;
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm {};
  ::gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

// ---- CSV ---------------------------------------------------------------------------

void AppendLine(std::string& out, const HistoryEntry& e) {
  const std::string* cols[] = {&e.time,   &e.user,   &e.host,  &e.program, &e.operation,
                               &e.record, &e.number, &e.field, &e.before,  &e.after};
  bool first = true;
  for (const std::string* c : cols) {
    if (!first) out += ',';
    first = false;
    AppendCsvCell(out, *c);
  }
  out += '\n';
}

HistoryEntry EntryOf(std::vector<std::string>& row) {
  row.resize(10);
  return {row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8], row[9]};
}

// ---- The values of an import line ---------------------------------------------------

// Writes s at p as a JSON string inside a quoted CSV cell (the JSON quotes doubled)
// and returns the end: at most 6 bytes for each of s and 4 more. `cp1252` converts
// the text to UTF-8 on the way.
char* PutJsonCell(char* p, std::string_view s, bool cp1252) {
  static const auto utf8 = [] {
    std::array<std::string, 128> t;
    for (int c = 0x80; c <= 0xFF; ++c) t[c - 0x80] = Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
    return t;
  }();
  auto put = [&](const char* t, size_t n) {
    std::memcpy(p, t, n);
    p += n;
  };
  put("\"\"", 2);
  size_t i = 0;
  while (i < s.size()) {
    // The plain run from i: no quote, backslash, control character or (when
    // converting) byte of 0x80 and up.
    size_t j = i;
#ifdef __SSE2__
    // Sixteen at a time; a signed compare below 0x20 takes the bytes of 0x80 and up
    // too, which the byte loop below then looks at again when they are plain.
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), space = _mm_set1_epi8(0x20);
    for (; j + 16 <= s.size(); j += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + j));
      const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                       _mm_cmplt_epi8(v, space));
      if (const int mask = _mm_movemask_epi8(hit)) {
        j += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        break;
      }
    }
#endif
    while (j < s.size()) {
      const auto c = static_cast<unsigned char>(s[j]);
      if (c == '"' || c == '\\' || c < 0x20 || (cp1252 && c >= 0x80)) break;
      ++j;
    }
    put(s.data() + i, j - i);
    if (j == s.size()) break;
    const auto c = static_cast<unsigned char>(s[j]);
    if (c == '"') put("\\\"\"", 3);
    else if (c == '\\') put("\\\\", 2);
    else if (c == '\n') put("\\n", 2);
    else if (c == '\r') put("\\r", 2);
    else if (c == '\t') put("\\t", 2);
    else if (c >= 0x80) put(utf8[c - 0x80].data(), utf8[c - 0x80].size());
    else {
      static const char hex[] = "0123456789abcdef";
      const char u[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
      put(u, 6);
    }
    i = j + 1;
  }
  put("\"\"", 2);
  return p;
}

void AppendJsonCell(std::string& out, std::string_view s) {
  const size_t at = out.size();
  out.resize(at + s.size() * 6 + 4);
  out.resize(static_cast<size_t>(PutJsonCell(out.data() + at, s, false) - out.data()));
}

// Reads {"NAME":"value",...} as written above; stops at anything else.
std::vector<std::pair<std::string, std::string>> ParseValues(const std::string& s) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t i = 0;
  auto str = [&](std::string& v) {
    while (i < s.size() && s[i] != '"') ++i;
    if (i >= s.size()) return false;
    for (++i; i < s.size(); ++i) {
      char c = s[i];
      if (c == '"') {
        ++i;
        return true;
      }
      if (c == '\\' && i + 1 < s.size()) {
        c = s[++i];
        if (c == 'n') c = '\n';
        else if (c == 'r') c = '\r';
        else if (c == 't') c = '\t';
        else if (c == 'u' && i + 4 < s.size()) {
          c = static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16));
          i += 4;
        }
      }
      v += c;
    }
    return false;
  };
  for (;;) {
    std::string name, value;
    if (!str(name)) break;
    while (i < s.size() && s[i] != ':') ++i;
    if (!str(value)) break;
    out.emplace_back(std::move(name), std::move(value));
  }
  return out;
}

// ---- Pack maps ------------------------------------------------------------------------

// "a-b>c-d a>c ...": runs of old numbers and the new numbers they became.
struct Run {
  int32_t oldFirst, oldLast, newFirst;
};

std::string MapText(const std::vector<int32_t>& kept) {
  std::string out;
  auto range = [](int32_t a, int32_t b) { return a == b ? std::to_string(a) : std::to_string(a) + "-" + std::to_string(b); };
  for (size_t i = 0; i < kept.size();) {
    size_t j = i;
    while (j + 1 < kept.size() && kept[j + 1] == kept[j] + 1) ++j;
    if (!out.empty()) out += ' ';
    out += range(kept[i], kept[j]) + ">" +
           range(static_cast<int32_t>(i + 1), static_cast<int32_t>(j + 1));
    i = j + 1;
  }
  return out;
}

std::vector<Run> ParseMap(const std::string& s) {
  std::vector<Run> runs;
  const char* p = s.c_str();
  while (*p) {
    char* end = nullptr;
    const long a = std::strtol(p, &end, 10);
    if (end == p) break;
    long b = a;
    p = end;
    if (*p == '-') b = std::strtol(p + 1, &end, 10), p = end;
    if (*p != '>') break;
    const long c = std::strtol(p + 1, &end, 10);
    p = end;
    if (*p == '-') std::strtol(p + 1, &end, 10), p = end;
    runs.push_back({static_cast<int32_t>(a), static_cast<int32_t>(b), static_cast<int32_t>(c)});
    while (*p == ' ') ++p;
  }
  return runs;
}

// ---- What the history last recorded ----------------------------------------------------

struct Known;

struct RecordValues {
  int64_t importedAt = -1;  // the import line that holds the values, not yet read
  bool added = false;       // an add was recorded: the fields it did not name were blank
  std::unordered_map<std::string, std::string> fields;
};

using Index = std::unordered_map<int32_t, RecordValues>;

// A history file as this program knows it.
struct Known {
  detail::Fd fd;
  dev_t dev = 0;
  ino_t ino = 0;
  int64_t readTo = 0;  // the lines before this offset are in the index
  int64_t size = 0;    // the file's size when it was last looked at, under the lock
  Index index;
};

// The values the history last recorded for a record: an import line's are read
// from the file when first wanted.
std::unordered_map<std::string, std::string>& Fields(Known& k, RecordValues& rec) {
  if (rec.importedAt >= 0) {
    std::string text;
    for (size_t want = 4096;; want *= 4) {
      text.resize(want);
      text.resize(detail::ReadAt(k.fd.get(), text.data(), want, rec.importedAt));
      bool got = false;
      detail::ParseCsvLines(text, 0, [&](std::vector<std::string>& row, size_t) {
        if (got) return;
        got = true;
        if (row.size() >= 10)
          for (auto& [name, value] : ParseValues(row[9])) rec.fields.emplace(name, std::move(value));
      });
      if (got || text.size() < want) break;
    }
    rec.importedAt = -1;
  }
  return rec.fields;
}

// Takes one line into the index; `at` is where it starts in the file.
void Apply(Known& k, const std::string& operation, int32_t n, const std::string& field, const std::string& after,
           int64_t at) {
  Index& index = k.index;
  if (operation == "design save") {
    index.clear();
    return;
  }
  if (operation == "pack") {
    Index moved;
    for (const Run& r : ParseMap(after))
      for (int32_t i = r.oldFirst; i <= r.oldLast; ++i) {
        auto it = index.find(i);
        if (it != index.end()) moved[r.newFirst + (i - r.oldFirst)] = std::move(it->second);
      }
    index.swap(moved);
    return;
  }
  if (n < 1 || field.empty()) return;
  RecordValues& rec = index[n];
  if (operation == "import") {
    rec.fields.clear();
    rec.importedAt = at;
    rec.added = false;
    return;
  }
  if (operation == "add" && !rec.added) {
    rec.fields.clear();
    rec.importedAt = -1;
    rec.added = true;
  }
  Fields(k, rec)[field] = after;
}

std::map<std::string, std::unique_ptr<Known>>& KnownFiles() {
  static std::map<std::string, std::unique_ptr<Known>> files;
  return files;
}

class HistoryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& path, const std::exception& e) {
  std::string reason = e.what();
  if (const auto* se = dynamic_cast<const std::system_error*>(&e)) reason = std::strerror(se->code().value());
  throw HistoryError("its change history FILE:" + path + " could not be written: " + reason +
                     "; nothing was changed");
}

// The history of dbFile brought up to date with the file, or nullptr when the
// database keeps none. Under the writers' lock.
Known* Open(const std::string& path) {
  auto& files = KnownFiles();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    files.erase(path);
    if (errno == ENOENT || errno == ENOTDIR) return nullptr;
    Refuse(path, std::system_error(errno, std::generic_category()));
  }
  try {
    auto& known = files[path];
    if (!known || known->dev != st.st_dev || known->ino != st.st_ino || st.st_size < known->readTo) {
      known.reset();
      auto k = std::make_unique<Known>();
      k->fd = detail::Fd(detail::OpenFile(path, O_RDWR));
      k->dev = st.st_dev;
      k->ino = st.st_ino;
      known = std::move(k);
    }
    Known& k = *known;
    // The size the name's file has is the open file's (the same file, checked above).
    const int64_t size = k.size = st.st_size;
    if (size > k.readTo) {
      std::string text(static_cast<size_t>(size - k.readTo), '\0');
      text.resize(detail::ReadAt(k.fd.get(), text.data(), text.size(), k.readTo));
      bool heading = k.readTo == 0;
      const int64_t base = k.readTo;
      const size_t used = detail::ParseCsvLines(text, 0, [&](std::vector<std::string>& row, size_t at) {
        if (heading) {
          heading = false;
          return;
        }
        row.resize(10);
        Apply(k, row[4], std::atoi(row[5].c_str()), row[7], row[9], base + static_cast<int64_t>(at));
      });
      k.readTo += static_cast<int64_t>(used);
    }
    return &k;
  } catch (const HistoryError&) {
    throw;
  } catch (const std::exception& e) {
    files.erase(path);
    Refuse(path, e);
  }
}

// Writes the lines at the end of the history (a line left unfinished by a failed
// write of another program is ended first).
detail::HistoryLines Write(const std::string& path, Known& k, const std::string& text,
                           std::vector<detail::HistoryLines::Row> rows) {
  detail::HistoryLines lines;
  if (text.empty()) return lines;
  int64_t size = -1;
  try {
    size = k.size;
    int64_t at = size;
    if (size > k.readTo) {
      detail::WriteAt(k.fd.get(), "\n", 1, at++);
      for (auto& r : rows) ++r.at;
    }
    detail::WriteAt(k.fd.get(), text.data(), text.size(), at);
    lines.path = path;
    lines.from = size;
    lines.size = at + static_cast<int64_t>(text.size()) - size;
    lines.rows = std::move(rows);
  } catch (const std::exception& e) {
    detail::ShrinkBack(k.fd.get(), size);
    Refuse(path, e);
  }
  return lines;
}

std::string Value(const std::string& rec, const FieldDef& f) {
  if (rec.size() < static_cast<size_t>(f.Offset + f.Length)) return "";
  return Cp1252ToUtf8(modLIB::TrimView(std::string_view(rec).substr(f.Offset, f.Length)));
}

std::string NumberOf(const FormHeader& h, const std::string& rec) {
  for (int16_t k = 1; k <= kMaxFields; ++k) {
    const FieldDef& f = h.Fields[k];
    if (f.Page != 0 && f.Format.Trimmed().find('#') != std::string::npos) return Value(rec, f);
  }
  return "";
}

std::string Base(const std::string& database) {
  std::string name = database;
  return BaseFileName(name);
}

HistoryEntry Entry(const std::string& time, const char* program, const char* operation) {
  HistoryEntry e;
  e.time = time;
  e.user = UserName();
  e.host = HostName();
  e.program = program ? program : ProgramName();
  e.operation = operation;
  return e;
}

std::string Size(const FormHeader& h, int32_t count) {
  int fields = 0;
  for (int16_t k = 1; k <= kMaxFields; ++k) fields += h.Fields[k].Page != 0;
  return std::to_string(fields) + " fields, " + std::to_string(h.RecordLength) + " bytes a record, " +
         std::to_string(count) + " records";
}

}  // namespace

void SetHistoryProgram(const std::string& program) { ProgramSetting() = program; }

std::string HistoryFileOf(const std::string& database) { return detail::Companions::Of(database).History(); }

bool HistoryKept(const std::string& database) { return detail::IsFile(HistoryFileOf(database)); }

std::string StartHistory(const std::string& database) {
  const std::string path = HistoryFileOf(database);
  if (!detail::IsFile(Base(database) + ".Qfd")) return "FILE:" + Base(database) + ".Qfd not found!";
  try {
    int fd = -1;
    try {
      fd = detail::OpenFile(path, O_WRONLY | O_CREAT | O_EXCL);
    } catch (const detail::FileError& e) {
      if (e.code().value() == EEXIST && detail::IsFile(path)) return "";
      throw;
    }
    detail::Fd guard(fd);
    const std::string heading = HistoryHeading() + "\n";
    try {
      detail::WriteAt(fd, heading.data(), heading.size(), 0);
      detail::CloseFile(guard.release());
    } catch (...) {
      detail::RemoveFile(path);
      throw;
    }
  } catch (const std::exception& e) {
    return detail::UnexpectedError(e, path);
  }
  return "";
}

std::string HistoryHeading() { return "Time,User,Host,Program,Operation,Record,Number,Field,Before,After"; }

std::string HistoryLineText(const HistoryEntry& e) {
  std::string out;
  AppendLine(out, e);
  out.pop_back();
  return out;
}

std::string ReadHistory(const std::string& database, std::vector<HistoryEntry>& out) {
  const std::string path = HistoryFileOf(database);
  out.clear();
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    std::string text(static_cast<size_t>(detail::FileSize(fd.get())), '\0');
    text.resize(detail::ReadAt(fd.get(), text.data(), text.size(), 0));
    if (!text.empty() && text.back() != '\n') text += '\n';
    bool heading = true;
    detail::ParseCsvLines(text, 0, [&](std::vector<std::string>& row, size_t) {
      if (heading) {
        heading = false;
        return;
      }
      out.push_back(EntryOf(row));
    });
  } catch (const std::exception& e) {
    return detail::UnexpectedError(e, path);
  }
  return "";
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

namespace detail {

HistoryLines::HistoryLines(HistoryLines&& o) noexcept
    : path(std::move(o.path)), from(o.from), size(o.size), rows(std::move(o.rows)) {
  o.from = -1;
}

HistoryLines::~HistoryLines() {
  if (from < 0) return;
  // The change was not made: its lines go again.
  auto it = KnownFiles().find(path);
  if (it == KnownFiles().end()) return;
  try {
    TruncateFile(it->second->fd.get(), from);
  } catch (const std::exception&) {
  }
}

void HistoryLines::Done() {
  if (from < 0) return;
  auto it = KnownFiles().find(path);
  if (it != KnownFiles().end()) {
    Known& k = *it->second;
    for (const Row& r : rows) Apply(k, r.operation, r.record, r.field, r.after, from + r.at);
    k.readTo = from + size;
  }
  from = -1;
}

HistoryLines LogChange(const std::string& dbFile, const FormHeader& h, int32_t record, const std::string& before,
                       const std::string& after, const char* operation, const char* program) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(path);
  if (!k) return {};
  const bool adding = before.empty();
  const std::string blank(after.size(), ' ');
  const std::string& was = adding ? blank : before;
  if (!operation) {
    const bool markedBefore = !was.empty() && was[0] == '*', markedAfter = !after.empty() && after[0] == '*';
    operation = adding ? "add" : markedBefore == markedAfter ? "edit" : markedAfter ? "delete" : "undelete";
  }
  const std::string time = Now();
  HistoryEntry e = Entry(time, program, operation);
  e.record = std::to_string(record);
  e.number = NumberOf(h, after);
  if (e.number.empty()) e.number = NumberOf(h, was);
  HistoryEntry outside = Entry(time, program, "outside change");
  outside.record = e.record;
  outside.number = e.number;

  std::string text, changes;
  std::vector<HistoryLines::Row> rows, changed;
  RecordValues* recorded = nullptr;
  if (!adding) {
    auto it = k->index.find(record);
    if (it != k->index.end()) recorded = &it->second;
  }
  auto field = [&](const std::string& name, std::string old, std::string now) {
    if (recorded) {
      auto& fields = Fields(*k, *recorded);
      auto it = fields.find(name);
      const std::string* was = it != fields.end() ? &it->second : nullptr;
      static const std::string blank;
      if (!was && recorded->added && name != "*") was = &blank;
      if (was && *was != old) {
        outside.field = name;
        outside.before = *was;
        outside.after = old;
        AppendLine(text, outside);
        rows.push_back({0, record, outside.operation, name, old});
      }
    }
    if (old == now) return;
    e.field = name;
    e.before = std::move(old);
    e.after = std::move(now);
    AppendLine(changes, e);
    changed.push_back({0, record, e.operation, name, e.after});
  };
  field("*", was.empty() || was[0] != '*' ? "" : "*", after.empty() || after[0] != '*' ? "" : "*");
  // Only the fields that change, and those whose recorded value is to be compared.
  const auto* known = recorded ? &Fields(*k, *recorded) : nullptr;
  if (known && known->empty() && !recorded->added) known = nullptr;
  for (int16_t s = 1; s <= kMaxFields; ++s) {
    const FieldDef& f = h.Fields[s];
    if (f.Page == 0) continue;
    const bool same = was.compare(f.Offset, f.Length, after, f.Offset, f.Length) == 0;
    if (same && !known) continue;
    std::string name = Cp1252ToUtf8(f.Name.Trimmed());
    if (same && !recorded->added && known->find(name) == known->end()) continue;
    field(name, Value(was, f), Value(after, f));
  }
  rows.insert(rows.end(), changed.begin(), changed.end());
  return Write(path, *k, text + changes, std::move(rows));
}

HistoryLines LogImport(const std::string& dbFile, const FormHeader& h, int32_t first, const char* records,
                       int64_t count) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(path);
  if (!k) return {};
  // Each line: the common start, the numbers, then the values as a JSON object in
  // one CSV cell, written straight in its doubled-quote form.
  std::vector<std::pair<std::string, const FieldDef*>> fields;
  int16_t numbered = 0;
  for (int16_t s = 1; s <= kMaxFields; ++s) {
    const FieldDef& f = h.Fields[s];
    if (f.Page == 0) continue;
    std::string name = fields.empty() ? "" : ",";
    AppendJsonCell(name, Cp1252ToUtf8(f.Name.Trimmed()));
    fields.emplace_back(name + ":", &f);
    if (numbered == 0 && f.Format.Trimmed().find('#') != std::string::npos) numbered = s;
  }
  HistoryEntry e = Entry(Now(), nullptr, "import");
  std::string start;
  for (const std::string* c : {&e.time, &e.user, &e.host, &e.program, &e.operation}) {
    AppendCsvCell(start, *c);
    start += ',';
  }
  std::vector<HistoryLines::Row> rows;
  rows.reserve(static_cast<size_t>(count));
  const size_t len = static_cast<size_t>(h.RecordLength);
  int64_t size = -1;
  try {
    size = k->size;
    if (size > k->readTo) detail::WriteAt(k->fd.get(), "\n", 1, size);
  } catch (const std::exception& ex) {
    detail::ShrinkBack(k->fd.get(), size);
    Refuse(path, ex);
  }
  // The longest line a record can make.
  size_t longest = start.size() + 16 + 16 + 8;
  if (numbered) longest += 2 + 6 * static_cast<size_t>(h.Fields[numbered].Length);
  for (const auto& [name, f] : fields) longest += name.size() + 6 * static_cast<size_t>(f->Length) + 4;
  // A block of lines, about 4 MB, filled in place.
  struct Block {
    std::vector<char> bytes;
    size_t used = 0;
  };
  // The lines of the records from i on into `block`; returns the record after the
  // last one taken. `rel` is where the next line starts, counted from the first
  // line's start.
  int64_t rel = size > k->readTo ? 1 : 0;
  auto build = [&](int64_t i, Block& block) {
    char* const begin = block.bytes.data();
    char* p = begin;
    auto put = [&p](std::string_view t) {
      std::memcpy(p, t.data(), t.size());
      p += t.size();
    };
    for (; i < count && static_cast<size_t>(p - begin) < detail::kCopyBlock; ++i) {
      const std::string_view rec(records + static_cast<size_t>(i) * len, len);
      const int32_t n = static_cast<int32_t>(first + i);
      rows.push_back({rel + (p - begin), n, e.operation, {}, {}});
      put(start);
      p = std::to_chars(p, p + 16, n).ptr;
      *p++ = ',';
      if (numbered) {
        const FieldDef& f = h.Fields[numbered];
        std::string number;
        AppendCsvCell(number, Cp1252ToUtf8(modLIB::TrimView(rec.substr(f.Offset, f.Length))));
        put(number);
      }
      put(",(record),,\"{");
      for (const auto& [name, f] : fields) {
        put(name);
        p = PutJsonCell(p, modLIB::TrimView(rec.substr(f->Offset, f->Length)), true);
      }
      put("}\"\n");
    }
    block.used = static_cast<size_t>(p - begin);
    rel += static_cast<int64_t>(block.used);
    return i;
  };
  // One block is written while the next is built on a second thread, so that a large
  // import costs little more than the writing of its lines.
  Block blocks[2];
  for (auto& b : blocks) b.bytes.resize(detail::kCopyBlock + longest);
  int64_t at = size + (size > k->readTo ? 1 : 0);
  std::future<int64_t> next;
  try {
    int cur = 0;
    for (int64_t i = build(0, blocks[cur]);;) {
      if (i < count) {
        try {
          next = std::async(std::launch::async, build, i, std::ref(blocks[1 - cur]));
        } catch (const std::system_error&) {
          // No thread to spare: the next block is built after this one is written.
        }
      }
      detail::WriteAt(k->fd.get(), blocks[cur].bytes.data(), blocks[cur].used, at);
      at += static_cast<int64_t>(blocks[cur].used);
      if (i >= count) break;
      cur = 1 - cur;
      i = next.valid() ? next.get() : build(i, blocks[cur]);
    }
  } catch (const std::exception& ex) {
    if (next.valid()) next.wait();
    detail::ShrinkBack(k->fd.get(), size);
    Refuse(path, ex);
  }
  HistoryLines lines;
  lines.path = path;
  lines.from = size;
  lines.size = at - size;
  lines.rows = std::move(rows);
  return lines;
}

void ForgetHistory(const std::string& dbFile) { KnownFiles().erase(HistoryFileOf(dbFile)); }

HistoryLines LogPack(const std::string& dbFile, int32_t oldCount, const std::vector<int32_t>& kept) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(path);
  if (!k) return {};
  HistoryEntry e = Entry(Now(), nullptr, "pack");
  e.field = "(records)";
  e.before = oldCount > 0 ? "1-" + std::to_string(oldCount) : "";
  e.after = MapText(kept);
  std::string text;
  AppendLine(text, e);
  return Write(path, *k, text, {{0, 0, e.operation, e.field, e.after}});
}

HistoryLines LogDesignSave(const std::string& dbFile, const FormHeader& before, int32_t oldCount,
                           const FormHeader& after, int32_t newCount) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(path);
  if (!k) return {};
  HistoryEntry e = Entry(Now(), nullptr, "design save");
  e.field = "(form)";
  e.before = oldCount < 0 ? "" : Size(before, oldCount);
  e.after = Size(after, newCount);
  std::string text;
  AppendLine(text, e);
  return Write(path, *k, text, {{0, 0, e.operation, e.field, e.after}});
}

}  // namespace detail
}  // namespace modDB

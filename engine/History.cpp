// The change history beside a database (see History.h). The lines are written at
// the end of the file while the writer holds the database's writers' lock, so that
// no other writer of ours appends in between; each program remembers, per history
// file, the last value the history recorded for each field of each record, reading
// only what was appended since it last looked.
#include "History.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "Codepage.h"
#include "FileIo.h"
#include "StoreCommon.h"
#include "modDB.h"
#include "modLIB.h"

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

void AppendCsv(std::string& out, const std::string& v) {
  if (v.find_first_of(",\"\r\n") == std::string::npos) {
    out += v;
    return;
  }
  out += '"';
  for (const char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendLine(std::string& out, const HistoryEntry& e) {
  const std::string* cols[] = {&e.time,   &e.user,   &e.host,  &e.program, &e.operation,
                               &e.record, &e.number, &e.field, &e.before,  &e.after};
  bool first = true;
  for (const std::string* c : cols) {
    if (!first) out += ',';
    first = false;
    AppendCsv(out, *c);
  }
  out += '\n';
}

// Parses the complete lines of text[from ...]; returns where the unfinished rest
// starts (a line is complete at its LF outside quotes).
template <class OnRow>
size_t ParseCsv(const std::string& text, size_t from, OnRow&& onRow) {
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false, inQuotes = false;
  size_t done = from;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (inQuotes) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          inQuotes = false;
        }
      } else {
        cell += c;
      }
    } else if (c == '"' && cell.empty() && !quoted) {
      inQuotes = quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
      quoted = false;
    } else if (c == '\n') {
      if (!quoted && !cell.empty() && cell.back() == '\r') cell.pop_back();
      row.push_back(std::move(cell));
      cell.clear();
      quoted = false;
      onRow(row);
      row.clear();
      done = i + 1;
    } else {
      cell += c;
    }
  }
  return done;
}

HistoryEntry EntryOf(std::vector<std::string>& row) {
  row.resize(10);
  return {row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8], row[9]};
}

// ---- The values of an import line ---------------------------------------------------

void AppendJsonString(std::string& out, const std::string& s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  out += '"';
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

struct RecordValues {
  std::string imported;  // the values of an import line not yet taken apart
  std::unordered_map<std::string, std::string> fields;

  std::unordered_map<std::string, std::string>& Fields() {
    if (!imported.empty()) {
      for (auto& [name, value] : ParseValues(imported)) fields[name] = std::move(value);
      imported.clear();
    }
    return fields;
  }
};

using Index = std::unordered_map<int32_t, RecordValues>;

void Apply(Index& index, const HistoryEntry& e) {
  if (e.operation == "design save") {
    index.clear();
    return;
  }
  if (e.operation == "pack") {
    Index moved;
    for (const Run& r : ParseMap(e.after))
      for (int32_t k = r.oldFirst; k <= r.oldLast; ++k) {
        auto it = index.find(k);
        if (it != index.end()) moved[r.newFirst + (k - r.oldFirst)] = std::move(it->second);
      }
    index.swap(moved);
    return;
  }
  const int32_t n = std::atoi(e.record.c_str());
  if (n < 1 || e.field.empty()) return;
  RecordValues& rec = index[n];
  if (e.operation == "import") {
    rec.fields.clear();
    rec.imported = e.after;
    return;
  }
  rec.Fields()[e.field] = e.after;
}

// A history file as this program knows it.
struct Known {
  detail::Fd fd;
  dev_t dev = 0;
  ino_t ino = 0;
  int64_t readTo = 0;  // the lines before this offset are in the index
  Index index;
};

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
    const int64_t size = detail::FileSize(k.fd.get());
    if (size > k.readTo) {
      std::string text(static_cast<size_t>(size - k.readTo), '\0');
      text.resize(detail::ReadAt(k.fd.get(), text.data(), text.size(), k.readTo));
      bool heading = k.readTo == 0;
      const size_t used = ParseCsv(text, 0, [&](std::vector<std::string>& row) {
        if (heading) {
          heading = false;
          return;
        }
        Apply(k.index, EntryOf(row));
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
detail::HistoryLines Write(const std::string& path, Known& k, std::string text) {
  detail::HistoryLines lines;
  if (text.empty()) return lines;
  int64_t size = -1;
  try {
    size = detail::FileSize(k.fd.get());
    if (size > k.readTo) text.insert(0, "\n");
    detail::WriteAt(k.fd.get(), text.data(), text.size(), size);
    lines.path = path;
    lines.from = size;
    lines.text = std::move(text);
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

std::string HistoryFileOf(const std::string& database) { return Base(database) + ".Qfh"; }

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
    ParseCsv(text, 0, [&](std::vector<std::string>& row) {
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
    : path(std::move(o.path)), from(o.from), text(std::move(o.text)) {
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
    const size_t used = ParseCsv(text, 0, [&](std::vector<std::string>& row) { Apply(k.index, EntryOf(row)); });
    k.readTo = from + static_cast<int64_t>(used);
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
  RecordValues* recorded = nullptr;
  if (!adding) {
    auto it = k->index.find(record);
    if (it != k->index.end()) recorded = &it->second;
  }
  auto field = [&](const std::string& name, std::string old, std::string now) {
    if (recorded) {
      auto& fields = recorded->Fields();
      auto it = fields.find(name);
      if (it != fields.end() && it->second != old) {
        outside.field = name;
        outside.before = it->second;
        outside.after = old;
        AppendLine(text, outside);
      }
    }
    if (old == now) return;
    e.field = name;
    e.before = std::move(old);
    e.after = std::move(now);
    AppendLine(changes, e);
  };
  field("*", was.empty() || was[0] != '*' ? "" : "*", after.empty() || after[0] != '*' ? "" : "*");
  for (int16_t s = 1; s <= kMaxFields; ++s) {
    const FieldDef& f = h.Fields[s];
    if (f.Page == 0) continue;
    if (!recorded && was.compare(f.Offset, f.Length, after, f.Offset, f.Length) == 0) continue;
    field(Cp1252ToUtf8(f.Name.Trimmed()), Value(was, f), Value(after, f));
  }
  return Write(path, *k, text + changes);
}

HistoryLines LogImport(const std::string& dbFile, const FormHeader& h, int32_t first, const char* records,
                       int64_t count) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(path);
  if (!k) return {};
  std::vector<std::pair<std::string, const FieldDef*>> fields;
  int16_t numbered = 0;
  for (int16_t s = 1; s <= kMaxFields; ++s) {
    const FieldDef& f = h.Fields[s];
    if (f.Page == 0) continue;
    std::string name;
    AppendJsonString(name, Cp1252ToUtf8(f.Name.Trimmed()));
    fields.emplace_back(name + ":", &f);
    if (numbered == 0 && f.Format.Trimmed().find('#') != std::string::npos) numbered = s;
  }
  HistoryEntry e = Entry(Now(), nullptr, "import");
  e.field = "(record)";
  std::string text, values;
  text.reserve(static_cast<size_t>(count) * (static_cast<size_t>(h.RecordLength) / 2 + 96));
  const size_t len = static_cast<size_t>(h.RecordLength);
  for (int64_t i = 0; i < count; ++i) {
    const std::string_view rec(records + static_cast<size_t>(i) * len, len);
    values.assign("{");
    for (size_t j = 0; j < fields.size(); ++j) {
      if (j) values += ',';
      values += fields[j].first;
      const FieldDef& f = *fields[j].second;
      AppendJsonString(values, Cp1252ToUtf8(modLIB::TrimView(rec.substr(f.Offset, f.Length))));
    }
    values += '}';
    e.record = std::to_string(first + i);
    e.number = numbered ? Cp1252ToUtf8(modLIB::TrimView(rec.substr(h.Fields[numbered].Offset,
                                                                     h.Fields[numbered].Length)))
                        : "";
    e.after = values;
    AppendLine(text, e);
  }
  return Write(path, *k, std::move(text));
}

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
  return Write(path, *k, std::move(text));
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
  return Write(path, *k, std::move(text));
}

}  // namespace detail
}  // namespace modDB

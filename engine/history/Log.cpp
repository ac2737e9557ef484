// The change history's log: the writers' side (see History.h). The lines are
// appended to the history (an AppendLog) while the writer holds the database's
// writers' lock; the last value the history recorded for each field of each record
// comes from the history's index file (IndexFile), which the writer brings up to the
// history before its lines and extends with them once they are marked.
#include <fcntl.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "engine/files/FileIo.h"
#include "engine/StoreCommon.h"
#include "engine/files/AppendLog.h"
#include "engine/files/Companions.h"
#include "engine/history/Check.h"
#include "engine/history/Format.h"
#include "engine/history/History.h"
#include "engine/history/Index.h"
#include "engine/history/IndexFile.h"
#include "engine/history/Scan.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

using modLIB::Cp1252ToUtf8;
using namespace history;

namespace {

// A history file as this program knows it.
// A program reads none of the history when it opens it: what the history last
// recorded of a record is taken from the history's index file (IndexFile.h), brought
// up to the history under the writers' lock, so that a save costs the same beside a
// large history as beside a small one. Without a usable index file it is looked up
// back from the end of what was there (oldEnd) when a change of the record first
// wants it. Lines appended since go into the in-memory index as they come.
struct Known {
  detail::AppendLog log;
  int64_t readTo = 0;  // the lines before this offset are in the index, or before oldEnd
  int64_t oldEnd = 0;  // the lines before this offset are looked up when wanted
  bool oldValid = false;  // false once a pack or design save came after oldEnd
  Index index;
  IndexFile file;
  bool indexed = false;  // the index file covers the history up to oldEnd
};

std::map<std::string, std::unique_ptr<Known>>& KnownFiles() {
  static std::map<std::string, std::unique_ptr<Known>> files;
  return files;
}

class HistoryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void RefuseWhy(const std::string& path, const std::string& reason) {
  throw HistoryError("its change history FILE:" + path + " could not be written: " + reason +
                     "; nothing was changed");
}

[[noreturn]] void Refuse(const std::string& path, const std::exception& e) {
  std::string reason = e.what();
  if (const auto* fe = dynamic_cast<const detail::FileError*>(&e); fe && !fe->reason().empty()) reason = fe->reason();
  else if (const auto* se = dynamic_cast<const std::system_error*>(&e)) reason = std::strerror(se->code().value());
  RefuseWhy(path, reason);
}

std::string_view TrimEnd(std::string_view v) {
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

void ApplyLine(Known& k, const std::string& operation, int32_t n, const std::string& field, const std::string& after,
               int64_t at) {
  if (operation == "pack" || operation == "design save") k.oldValid = false;
  k.index.Apply(k.log, operation, n, field, after, at);
}

void ApplyRow(Known& k, std::vector<std::string>& row, int64_t at) {
  row.resize(10);
  ApplyLine(k, row[4], std::atoi(row[5].c_str()), row[7], row[9], at);
}

// What the lines before oldEnd recorded of record n, newest first, added to what the
// index knows (whose values are newer): back to the record's add or import, or to a
// design save, or until each of the form's `fields` has its value; through packs to
// the number the record had before.
void LookBack(Known& k, int32_t n, size_t fields) {
  RecordValues& rec = k.index.At(n);
  if (rec.looked) return;
  for (int attempt = 0; k.indexed && attempt < 2; ++attempt) {
    try {
      k.file.Load(n, rec);
      return;
    } catch (const std::exception&) {
      // Damaged: built anew (the lines before oldEnd are all it needs), else the
      // history is looked through.
      k.file.Forget();
      k.indexed = attempt == 0 && k.file.Sync(k.log);
      rec = RecordValues{};
    }
  }
  rec.looked = true;
  if (!k.oldValid || k.oldEnd <= 0) return;
  auto& known = k.index.Fields(k.log, rec);
  auto allKnown = [&] { return known.size() - known.count("*") >= fields; };
  if (allKnown()) return;
  int32_t m = n;
  bool inAdd = false;
  std::vector<std::string> row;
  ScanBack([&](void* buf, size_t len, int64_t at) { return k.log.Read(buf, len, at); }, k.oldEnd,
           [&](std::string_view line, int64_t, int64_t) {
             std::string_view op;
             int32_t r = 0;
             std::string opText;
             if (!OpAndRecord(line, op, r)) {
               if (!Row(line, row)) return true;  // damage: passed over
               opText = row[4];
               op = opText;
               r = std::atoi(row[5].c_str());
             }
             if (inAdd && !(op == "add" && r == m)) return false;  // the add's lines are over
             if (op == "design save") return false;
             if (op == "pack") {
               if (!Row(line, row)) return true;
               int32_t old = 0;
               for (const Run& run : ParseMap(row[9]))
                 if (m >= run.newFirst && m <= run.newFirst + (run.oldLast - run.oldFirst))
                   old = run.oldFirst + (m - run.newFirst);
               m = old;
               return old > 0;
             }
             if (r != m || op == "accept" || !Row(line, row)) return true;  // an accept's After is its note
             if (op == "import") {
               for (auto& [name, value] : ParseValues(row[9])) known.emplace(name, std::move(value));
               return false;
             }
             known.emplace(row[7], row[9]);
             if (op == "add") inAdd = rec.added = true;
             return inAdd || !allKnown();
           });
}

// Reads what other programs appended since this program last looked into the index.
void ReadNew(Known& k) {
  const int64_t size = k.log.size();
  if (size <= k.readTo) return;
  std::string text(static_cast<size_t>(size - k.readTo), '\0');
  text.resize(k.log.Read(text.data(), text.size(), k.readTo));
  LineSink sink;
  sink.onRow = [&](std::vector<std::string>& row, int64_t at) {
    ApplyRow(k, row, at);
  };
  k.readTo += static_cast<int64_t>(ForEachLine(text, k.readTo, false, sink));
}

// The history of dbFile, its lines whose change never landed dealt with, brought up
// to date with the file; nullptr when the database keeps none. Under the writers'
// lock.
Known* Open(const std::string& dbFile, const std::string& path) {
  auto& files = KnownFiles();
  const detail::AppendLog::Standing standing = detail::AppendLog::Look(path);
  if (!standing.kept) {
    files.erase(path);
    return nullptr;
  }
  if (!standing.refusal.empty()) {
    files.erase(path);
    RefuseWhy(path, standing.refusal);
  }
  try {
    auto& known = files[path];
    if (!known || !known->log.Same(known->readTo, standing)) {
      known = std::make_unique<Known>();
      known->log.Open(path);
    }
    Known& k = *known;  // its size learned as it was opened or found the same
    if (k.log.size() == 0) {  // made, but its heading never written
      k.log.Append(HistoryHeading() + "\n");
      k.log.Mark();
    }
    // The lines of a writer that stopped on the way: kept and marked when their
    // change is in the database, else taken away.
    const bool fresh = k.readTo == 0;
    const int64_t from = k.log.Unmarked(IsLineStart);
    if (from >= 0) {
      std::string text(static_cast<size_t>(k.log.size() - from), '\0');
      text.resize(k.log.Read(text.data(), text.size(), from));
      if (ChangeMade(dbFile, EntriesOf(text, from))) {
        k.log.Mark(true);
      } else {
        k.log.TakeBack(from);
        if (k.readTo > from) {
          k.index.Clear();
          k.readTo = 0;
        }
      }
    }
    // While the index file is used (or was, up to now), what this program remembers
    // starts at the history's end.
    const bool wasIndexed = k.indexed;
    k.indexed = k.file.Sync(k.log);
    if (fresh || k.indexed || wasIndexed) {
      k.index.Clear();
      k.readTo = k.oldEnd = k.log.size();
      k.oldValid = true;
    }
    ReadNew(k);
    return &k;
  } catch (const HistoryError&) {
    throw;
  } catch (const std::exception& e) {
    files.erase(path);
    Refuse(path, e);
  }
}

detail::HistoryLines Lines(const std::string& dbFile, const std::string& path, const detail::AppendLog::Group& g,
                           std::vector<detail::HistoryLines::Row> rows, std::string_view text = {}) {
  detail::HistoryLines lines;
  lines.path = path;
  lines.dbFile = dbFile;
  lines.from = g.from;
  lines.lines = g.lines;
  lines.rows = std::move(rows);
  lines.to = g.to;
  lines.tail = text.substr(text.size() - std::min<size_t>(text.size(), 63));
  return lines;
}

// Writes the lines at the end of the history in one write.
detail::HistoryLines Write(const std::string& dbFile, Known& k, const std::string& text,
                           std::vector<detail::HistoryLines::Row> rows) {
  if (text.empty()) return {};
  try {
    return Lines(dbFile, k.log.path(), k.log.Append(text), std::move(rows), text);
  } catch (const std::exception& e) {
    Refuse(k.log.path(), e);
  }
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

}  // namespace

void SetHistoryProgram(const std::string& program) { ProgramSetting() = program; }

std::string HistoryFileOf(const std::string& database) { return detail::Companions::Of(database).History(); }

bool HistoryKept(const std::string& database) { return detail::AppendLog::Look(HistoryFileOf(database)).kept; }

std::string HistoryRefusal(const std::string& database) {
  const std::string path = HistoryFileOf(database);
  const auto standing = detail::AppendLog::Look(path);
  return standing.refusal.empty() ? "" : "FILE:" + path + " cannot be written: " + standing.refusal;
}

std::string StartHistory(const std::string& database) {
  const std::string path = HistoryFileOf(database);
  if (!detail::IsFile(Base(database) + ".Qfd")) return "FILE:" + Base(database) + ".Qfd not found!";
  const auto standing = detail::AppendLog::Look(path);
  if (standing.kept) return standing.refusal.empty() ? "" : "FILE:" + path + " cannot be written: " + standing.refusal;
  try {
    if (!detail::AppendLog::Create(path, HistoryHeading())) return HistoryRefusal(database);
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

namespace detail {

HistoryLines::HistoryLines(HistoryLines&& o) noexcept
    : path(std::move(o.path)),
      from(o.from),
      lines(o.lines),
      dbFile(std::move(o.dbFile)),
      rows(std::move(o.rows)),
      first(o.first),
      imported(std::move(o.imported)),
      to(o.to),
      tail(std::move(o.tail)) {
  o.from = -1;
}

HistoryLines& HistoryLines::operator=(HistoryLines&& o) noexcept {
  if (this != &o) {
    HistoryLines gone(std::move(*this));
    path = std::move(o.path);
    from = o.from;
    lines = o.lines;
    dbFile = std::move(o.dbFile);
    rows = std::move(o.rows);
    first = o.first;
    imported = std::move(o.imported);
    to = o.to;
    tail = std::move(o.tail);
    o.from = -1;
  }
  return *this;
}

HistoryLines::~HistoryLines() {
  if (from < 0) return;
  // The change was not made: its lines go again.
  auto it = KnownFiles().find(path);
  if (it != KnownFiles().end()) it->second->log.TakeBack(from);
}

void HistoryLines::Done() {
  if (from < 0) return;
  auto it = KnownFiles().find(path);
  if (it != KnownFiles().end()) {
    Known& k = *it->second;
    try {
      k.log.Mark();
    } catch (const std::exception&) {
      // The change is made; the next program to open the history finds it in the
      // database and marks its lines.
      from = -1;
      return;
    }
    k.readTo = k.log.size();
    if (k.indexed) {
      // The file ends with the lines and their mark when no one else wrote since.
      const std::string end = k.log.size() == to + 1 ? tail + "\n" : std::string();
      k.indexed = imported.empty() ? k.file.Add(k.log, from, lines, rows, end)
                                   : k.file.AddImport(k.log, from, first, lines, imported, end);
    }
    // Without the index file the lines go into what this program remembers.
    if (!k.indexed) {
      for (const Row& r : rows) ApplyLine(k, r.operation, r.record, r.field, r.after, lines + r.at);
      for (size_t i = 0; i < imported.size(); ++i)
        ApplyLine(k, "import", first + static_cast<int32_t>(i), "(record)", {}, lines + imported[i]);
    }
  }
  from = -1;
}

HistoryLines LogChange(const std::string& dbFile, const FormHeader& h, int32_t record, const std::string& before,
                       const std::string& after, const char* operation, const char* program) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(dbFile, path);
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
  const int16_t numbered = NumberField(h);
  e.number = NumberOf(h, numbered, after);
  if (e.number.empty()) e.number = NumberOf(h, numbered, was);
  HistoryEntry outside = Entry(time, program, "outside change");
  outside.record = e.record;
  outside.number = e.number;

  std::string text, changes;
  std::vector<HistoryLines::Row> rows, changed;
  if (!adding) {
    size_t fields = 0;
    for (int16_t s = 1; s <= kMaxFields; ++s) fields += h.Fields[s].Page != 0;
    LookBack(*k, record, fields);
  }
  RecordValues* recorded = adding ? nullptr : k->index.Find(record);
  auto field = [&](const std::string& name, std::string old, std::string now) {
    if (recorded) {
      auto& fields = k->index.Fields(k->log, *recorded);
      auto it = fields.find(name);
      const std::string* was = it != fields.end() ? &it->second : nullptr;
      static const std::string blank;
      if (!was && recorded->added && name != "*") was = &blank;
      if (was && *was != old) {
        outside.field = name;
        outside.before = *was;
        outside.after = old;
        rows.push_back({static_cast<int64_t>(text.size()), record, outside.operation, name, old});
        AppendLine(text, outside);
      }
    }
    if (old == now) return;
    e.field = name;
    e.before = std::move(old);
    e.after = std::move(now);
    changed.push_back({static_cast<int64_t>(changes.size()), record, e.operation, name, e.after});
    AppendLine(changes, e);
  };
  field("*", was.empty() || was[0] != '*' ? "" : "*", after.empty() || after[0] != '*' ? "" : "*");
  // Only the fields that change, and those whose recorded value is to be compared.
  const auto* known = recorded ? &k->index.Fields(k->log, *recorded) : nullptr;
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
  for (HistoryLines::Row& r : changed) r.at += static_cast<int64_t>(text.size());
  rows.insert(rows.end(), changed.begin(), changed.end());
  return Write(dbFile, *k, text + changes, std::move(rows));
}

HistoryLines LogImport(const std::string& dbFile, const FormHeader& h, int32_t first, const char* records,
                       int64_t count) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(dbFile, path);
  if (!k) return {};
  // Each line: the common start, the numbers, then the values as a JSON object in
  // one CSV cell, written straight in its doubled-quote form.
  std::vector<std::pair<std::string, const FieldDef*>> fields;
  const int16_t numbered = NumberField(h);
  for (int16_t s = 1; s <= kMaxFields; ++s) {
    const FieldDef& f = h.Fields[s];
    if (f.Page == 0) continue;
    std::string name = fields.empty() ? "" : ",";
    AppendJsonCell(name, Cp1252ToUtf8(f.Name.Trimmed()));
    fields.emplace_back(name + ":", &f);
  }
  HistoryEntry e = Entry(Now(), nullptr, "import");
  std::string start;
  for (const std::string* c : {&e.time, &e.user, &e.host, &e.program, &e.operation}) {
    AppendCsvCell(start, *c);
    start += ',';
  }
  std::vector<int64_t> starts;
  starts.reserve(static_cast<size_t>(count));
  const size_t len = static_cast<size_t>(h.RecordLength);
  detail::AppendLog::Group group;
  try {
    group = k->log.Append("");
  } catch (const std::exception& ex) {
    Refuse(path, ex);
  }
  // The longest line a record can make.
  size_t longest = start.size() + 16 + 16 + 8;
  if (numbered) longest += 2 + 6 * static_cast<size_t>(h.Fields[numbered].Length);
  longest += 16;  // the deletion mark
  for (const auto& [name, f] : fields) longest += name.size() + 6 * static_cast<size_t>(f->Length) + 4;
  // A block of lines, about 4 MB, filled in place.
  struct Block {
    std::vector<char> bytes;
    size_t used = 0;
  };
  // The lines of the records from i on into `block`; returns the record after the
  // last one taken. `rel` is where the next line starts, counted from the first
  // line's start.
  int64_t rel = 0;
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
      starts.push_back(rel + (p - begin));
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
        p = PutJsonCell(p, TrimEnd(rec.substr(f->Offset, f->Length)), true);
      }
      if (rec[0] == '*') put(",\"\"*\"\":\"\"*\"\"");  // imported with its deletion mark
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
      k->log.AppendMore(group, blocks[cur].bytes.data(), blocks[cur].used);
      if (i >= count) break;
      cur = 1 - cur;
      i = next.valid() ? next.get() : build(i, blocks[cur]);
    }
  } catch (const std::exception& ex) {
    if (next.valid()) next.wait();
    k->log.TakeBack(group.from);
    Refuse(path, ex);
  }
  detail::HistoryLines lines = Lines(dbFile, path, group, {});
  lines.first = first;
  lines.imported = std::move(starts);
  return lines;
}

void ForgetHistory(const std::string& dbFile) { KnownFiles().erase(HistoryFileOf(dbFile)); }

HistoryLines LogPack(const std::string& dbFile, int32_t oldCount, const std::vector<int32_t>& kept) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(dbFile, path);
  if (!k) return {};
  HistoryEntry e = Entry(Now(), nullptr, "pack");
  e.field = "(records)";
  e.before = oldCount > 0 ? "1-" + std::to_string(oldCount) : "";
  e.after = MapText(kept);
  std::string text;
  AppendLine(text, e);
  return Write(dbFile, *k, text, {{0, 0, e.operation, e.field, e.after}});
}

HistoryLines LogAccept(const std::string& dbFile, int32_t record, const std::string& number,
                       const std::string& field, const std::string& rule, const std::string& note) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(dbFile, path);
  if (!k) return {};
  HistoryEntry e = Entry(Now(), nullptr, "accept");
  e.record = std::to_string(record);
  e.number = Cp1252ToUtf8(number);
  e.field = Cp1252ToUtf8(field);
  e.before = Cp1252ToUtf8(rule);
  e.after = Cp1252ToUtf8(note);
  std::string text;
  AppendLine(text, e);
  return Write(dbFile, *k, text, {{0, record, e.operation, e.field, e.after}});
}

HistoryLines LogDesignSave(const std::string& dbFile, const FormHeader& before, int32_t oldCount,
                           const FormHeader& after, int32_t newCount) {
  const std::string path = HistoryFileOf(dbFile);
  Known* k = Open(dbFile, path);
  if (!k) return {};
  HistoryEntry e = Entry(Now(), nullptr, "design save");
  e.field = "(form)";
  e.before = oldCount < 0 ? "" : Size(before, oldCount);
  e.after = Size(after, newCount);
  std::string text;
  AppendLine(text, e);
  return Write(dbFile, *k, text, {{0, 0, e.operation, e.field, e.after}});
}

}  // namespace detail
}  // namespace modDB

#include "engine/history/IndexFile.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "engine/FormHeader.h"
#include "engine/history/Format.h"

namespace modDB::history {

struct IndexFile::Header {
  char magic[8];
  uint32_t version, busy;
  int64_t covered;
  uint64_t hash;
  int64_t used;
  char zeros[24];
};

namespace {

using Header = IndexFile::Header;
using Slot = IndexFile::Slot;
static_assert(sizeof(Header) == 64 && sizeof(Slot) == 24);

constexpr char kMagic[8] = "QfIndex";
constexpr uint32_t kVersion = 1;
constexpr int64_t kSlots = kMaxRecords + 1;
constexpr int64_t kTable = 64 + kSlots * static_cast<int64_t>(sizeof(Slot));
constexpr size_t kBlock = size_t{4} << 20;
// How far the index may stay behind the history for the lines this writer took
// (readers read what it does not cover from the history itself), and for how many
// records (each a slot to write).
constexpr int64_t kLag = 16 << 10;
constexpr size_t kWaiting = 64;
// How many line offsets a build holds before it writes them.
constexpr size_t kHeld = size_t{1} << 20;

class Damaged : public std::runtime_error {
 public:
  Damaged() : std::runtime_error("the history's index is damaged") {}
};

detail::AppendLog::ReadFn ReaderOf(const detail::AppendLog& log) {
  return [&log](void* buf, size_t n, int64_t at) { return log.Read(buf, n, at); };
}

// A hash of the last 64 bytes before `covered` (`got` bytes at `tail`) and of
// `covered` itself: a history replaced by another hardly ever gives the same.
uint64_t HashOf(const char* tail, size_t got, int64_t covered) {
  uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(covered) ^ kVersion;
  for (size_t i = 0; i < got; ++i) {
    h ^= static_cast<unsigned char>(tail[i]);
    h *= 1099511628211ull;
  }
  return h;
}

uint64_t TailHash(const detail::AppendLog::ReadFn& read, int64_t covered) {
  char buf[64];
  const int64_t from = std::max<int64_t>(0, covered - 64);
  return HashOf(buf, read(buf, static_cast<size_t>(covered - from), from), covered);
}

// The header, when the file is an index of this version as long as it says.
bool ReadHeader(int fd, Header& h) {
  return detail::ReadAt(fd, &h, sizeof h, 0) == sizeof h && std::memcmp(h.magic, kMagic, 8) == 0 &&
         h.version == kVersion && detail::FileSize(fd) >= h.used;
}

// Whether the header tells of a whole index of the first part of this history.
bool Usable(const Header& h, const detail::AppendLog::ReadFn& read, int64_t size) {
  return h.busy == 0 && h.covered >= 0 && h.covered <= size && h.used >= kTable &&
         h.hash == TailHash(read, h.covered);
}

Slot ReadSlotAt(int fd, int32_t n, int64_t used) {
  Slot s;
  if (detail::ReadAt(fd, &s, sizeof s, 64 + n * static_cast<int64_t>(sizeof s)) != sizeof s ||  // the table is cut
      s.run < 0 || s.run >= used || s.values < 0 || s.length < 0 || (!(s.flags & 2) && s.values + s.length > used))
    throw Damaged();
  return s;
}

// The head of a run of line offsets.
struct RunHead {
  int64_t prev;
  int32_t count, zero;
};
static_assert(sizeof(RunHead) == 16);

// The offsets of the runs from `run` back.
void ReadRuns(int fd, int64_t run, int64_t used, std::vector<int64_t>& out) {
  while (run > 0) {
    RunHead head;
    if (detail::ReadAt(fd, &head, sizeof head, run) != sizeof head || head.prev >= run || head.prev < 0 ||
        head.count < 0 || run + 16 + int64_t{head.count} * 8 > used)
      throw Damaged();
    const size_t was = out.size();
    out.resize(was + static_cast<size_t>(head.count));
    const size_t bytes = static_cast<size_t>(head.count) * 8;
    if (detail::ReadAt(fd, out.data() + was, bytes, run + 16) != bytes) throw Damaged();
    run = head.prev;
  }
}

// The index is opened without its reads marking it accessed (a read right after a
// write would otherwise write the file's times again), where its owner may.
int OpenIndex(const std::string& path) {
  try {
    return detail::OpenFile(path, O_RDWR | O_CREAT | O_NOATIME);
  } catch (const detail::FileError& e) {
    if (e.code().value() != EPERM) throw;
  }
  return detail::OpenFile(path, O_RDWR | O_CREAT);
}

template <class T>
void Put(std::string& out, const T& v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void PutText(std::string& out, const std::string& s) {
  Put(out, static_cast<uint32_t>(s.size()));
  out += s;
}

// A pack renumbers the records, a design save starts their values afresh.
bool Renumbers(const IndexLine& l) { return l.operation == "pack" || l.operation == "design save"; }

}  // namespace

// Runs work on the index file; a failure lets the file go (the history is read
// instead) and returns false.
template <class Work>
bool IndexFile::Guarded(Work work) {
  try {
    work();
    return true;
  } catch (const std::exception&) {
    Forget();
    return false;
  }
}

bool IndexFile::Sync(const detail::AppendLog& log) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      if (attempt > 0 || !Open(log)) Rebuild();
      if (covered_ < log.size()) Extend(log);
      return true;
    } catch (const Damaged&) {
      Drop();  // built anew on the second attempt
    } catch (const std::exception&) {
      break;
    }
  }
  Close();
  return false;
}

bool IndexFile::Add(const detail::AppendLog& log, int64_t from, int64_t base, const std::vector<IndexLine>& lines,
                    const std::string& tail) {
  if (fd_.get() < 0 || covered_ != from) return Sync(log);
  return Guarded([&] {
    // A few changes' lines wait here, the file behind the history by them as by
    // another program's lines, and are written with the next ones (or taken from the
    // history by the next writer); a pack or a design save is written at once.
    const bool renumbers = std::any_of(lines.begin(), lines.end(), Renumbers);
    if (!renumbers && log.size() - written_ <= kLag && runs_.size() < kWaiting) {
      Apply(log, base, lines);
      covered_ = log.size();
      return;
    }
    SetBusy();
    Apply(log, base, lines);
    Finish(log, log.size(), tail);
  });
}

bool IndexFile::AddImport(const detail::AppendLog& log, int64_t from, int32_t first, int64_t base,
                          const std::vector<int64_t>& starts, const std::string& tail) {
  if (fd_.get() < 0 || covered_ != from) return Sync(log);
  return Guarded([&] {
    SetBusy();
    Flush();
    TakeImport(first, base, starts);
    Finish(log, log.size(), tail);
  });
}

// An import's records: each slot gets a run of its one line, and the line as its
// values; the slots, one after the other in the table, are read and written at once.
void IndexFile::TakeImport(int32_t first, int64_t base, const std::vector<int64_t>& starts) {
  const int64_t count = static_cast<int64_t>(starts.size());
  if (count == 0) return;
  if (first < 1 || first + count - 1 > kMaxRecords) throw Damaged();
  std::vector<Slot> slots(starts.size());
  const int64_t at = 64 + first * int64_t{sizeof(Slot)};
  const size_t bytes = slots.size() * sizeof(Slot);
  if (detail::ReadAt(fd_.get(), slots.data(), bytes, at) != bytes) throw Damaged();  // the table is cut
  struct Run {
    RunHead head;
    int64_t line;
  };
  std::vector<Run> runs(starts.size());
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].run < 0 || slots[i].run >= used_) throw Damaged();
    runs[i] = {{slots[i].run, 1, 0}, base + starts[i]};
    slots[i] = {used_ + static_cast<int64_t>(i * sizeof(Run)), base + starts[i], 0, 2};
  }
  detail::WriteAt(fd_.get(), runs.data(), runs.size() * sizeof(Run), used_);
  used_ += static_cast<int64_t>(runs.size() * sizeof(Run));
  detail::WriteAt(fd_.get(), slots.data(), bytes, at);
}

void IndexFile::Drop() {
  held_ = 0;
  values_.Clear();
  loaded_.clear();
  runs_.clear();
  slots_.clear();
  table_.clear();
}

void IndexFile::Close() {
  fd_ = detail::Fd();
  covered_ = written_ = -1;
  header_.clear();
  Drop();
}

void IndexFile::Forget() {
  try {
    if (fd_.get() >= 0) SetBusy();
  } catch (const std::exception&) {
  }
  Close();
}

bool IndexFile::Open(const detail::AppendLog& log) {
  const std::string path = log.path().substr(0, log.path().size() - 4) + ".Qfi";
  if (fd_.get() < 0 || path != path_) {
    Close();
    path_ = path;
    fd_ = detail::Fd(OpenIndex(path_));
  }
  Header h;
  if (!header_.empty() && detail::ReadAt(fd_.get(), &h, sizeof h, 0) == sizeof h &&
      std::memcmp(&h, header_.data(), sizeof h) == 0 && covered_ <= log.size())
    return true;  // as this writer left it
  header_.clear();
  Drop();  // what waited here is in the history, for the index to take again
  if (!ReadHeader(fd_.get(), h) || !Usable(h, ReaderOf(log), log.size())) return false;
  covered_ = written_ = h.covered;
  used_ = h.used;
  header_.assign(reinterpret_cast<const char*>(&h), sizeof h);
  return true;
}

void IndexFile::Rebuild() {
  Drop();
  header_.clear();
  detail::TruncateFile(fd_.get(), 0);
  detail::TruncateFile(fd_.get(), kTable);
  Header h{};
  std::memcpy(h.magic, kMagic, 8);
  h.version = kVersion;
  h.busy = 1;
  h.used = kTable;
  detail::WriteAt(fd_.get(), &h, sizeof h, 0);
  covered_ = written_ = 0;
  used_ = kTable;
  table_.assign(static_cast<size_t>(kSlots), Slot{});  // all empty, none read
}

void IndexFile::SetBusy() {
  header_.clear();
  const uint32_t busy = 1;
  detail::WriteAt(fd_.get(), &busy, sizeof busy, offsetof(Header, busy));
}

// Takes the whole lines from covered_ to the log's end, a block at a time, each block
// cut where a line starts so that no line is split.
void IndexFile::Extend(const detail::AppendLog& log) {
  SetBusy();
  const int64_t end = log.size();
  int64_t at = covered_;
  std::string text;
  for (size_t want = kBlock; at < end;) {
    const size_t asked = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(want), end - at));
    text.resize(asked);
    text.resize(log.Read(text.data(), asked, at));
    const bool last = text.size() < asked || at + static_cast<int64_t>(text.size()) >= end;
    if (!last) {
      size_t cut = text.size();
      while (cut > 0 && !(text[cut - 1] == '\n' && IsLineStart(text, cut))) --cut;
      if (cut == 0) {
        want *= 2;
        continue;
      }
      text.resize(cut);
    }
    std::vector<IndexLine> lines;
    LineSink sink;
    sink.onRow = [&](std::vector<std::string>& row, int64_t a) {
      lines.push_back({a, std::atoi(row[5].c_str()), std::move(row[4]), std::move(row[7]), std::move(row[9])});
    };
    sink.onDamage = [&](int64_t a, int64_t, int64_t) { lines.push_back({a, 0, {}, {}, {}}); };
    const size_t used = ForEachLine(text, at, false, sink);
    Apply(log, 0, lines);
    if (held_ >= kHeld) {  // a long history's line offsets go to the file as they come
      std::string tail;
      PutRuns(tail);
    }
    at += static_cast<int64_t>(used);
    if (last) break;
  }
  Finish(log, at);
}

void IndexFile::Apply(const detail::AppendLog& log, int64_t base, const std::vector<IndexLine>& lines) {
  for (const IndexLine& l : lines) {
    const int64_t at = base + l.at;
    const bool renumbers = Renumbers(l);
    const bool own = l.record >= 1 && l.record <= kMaxRecords && !l.operation.empty() && !renumbers;
    if (renumbers) {
      Flush();
      Renumber(l.operation == "pack" ? &l.after : nullptr);
    }
    runs_[own ? l.record : 0].push_back(at);
    ++held_;
    if (!own || l.operation == "accept") continue;
    RecordValues& rec = values_.At(l.record);
    if (!rec.looked && l.operation != "import") {  // an import's values replace them
      auto it = loaded_.find(l.record);
      if (it == loaded_.end()) {
        Read(l.record, rec);
      } else {
        rec = std::move(it->second);
        loaded_.erase(it);
      }
    }
    values_.Apply(log, l.operation, l.record, l.field.empty() ? "(record)" : l.field, l.after, at);
  }
}

IndexFile::Slot& IndexFile::SlotOf(int32_t n) {
  if (!table_.empty()) return table_[static_cast<size_t>(n)];
  auto it = slots_.find(n);
  if (it == slots_.end()) it = slots_.emplace(n, ReadSlotAt(fd_.get(), n, used_)).first;
  return it->second;
}

void IndexFile::Load(int32_t n, RecordValues& rec) {
  if (RecordValues* waiting = values_.Find(n)) {  // newer than the file's
    rec = *waiting;
    return;
  }
  Read(n, rec);
  loaded_[n] = rec;  // for the lines this writer takes next
}

void IndexFile::Read(int32_t n, RecordValues& rec) {
  rec = RecordValues{};
  rec.looked = true;
  if (n < 1 || n > kMaxRecords) return;
  const Slot s = SlotOf(n);
  rec.added = s.flags & 1;
  if (s.flags & 2) {
    rec.importedAt = s.values;
    return;
  }
  std::string bytes(static_cast<size_t>(s.length), '\0');
  if (!bytes.empty() && detail::ReadAt(fd_.get(), bytes.data(), bytes.size(), s.values) != bytes.size()) throw Damaged();
  for (size_t at = 0; at < bytes.size();) {
    std::string text[2];
    for (std::string& t : text) {
      uint32_t len = 0;
      if (at + 4 > bytes.size()) throw Damaged();
      std::memcpy(&len, bytes.data() + at, 4);
      if (len > bytes.size() - at - 4) throw Damaged();
      t.assign(bytes, at + 4, len);
      at += 4 + len;
    }
    rec.fields[std::move(text[0])] = std::move(text[1]);
  }
}

// Writes what was taken since the last flush: each record's values and new run
// after the used part, then their slots.
void IndexFile::Flush() {
  TableIfMany();
  std::string tail;
  for (auto& [n, rec] : values_.Records()) {
    Slot& s = SlotOf(n);
    s.flags = rec.added ? 1 : 0;
    s.length = 0;
    s.values = 0;
    if (rec.importedAt >= 0) {
      s.flags |= 2;
      s.values = rec.importedAt;
      continue;
    }
    s.values = used_ + static_cast<int64_t>(tail.size());
    for (const auto& [name, value] : rec.fields) {
      PutText(tail, name);
      PutText(tail, value);
    }
    s.length = static_cast<int32_t>(used_ + static_cast<int64_t>(tail.size()) - s.values);
    rec.fields = FieldValues();
    Spill(tail, false);
  }
  PutRuns(tail);
  if (!table_.empty()) {
    WriteTable(table_);
  } else {
    for (const auto& [n, s] : slots_) detail::WriteAt(fd_.get(), &s, sizeof s, 64 + n * int64_t{sizeof s});
  }
  Drop();
}

// Appends the runs of line offsets taken, each let go once it is in `tail` (their
// slots are written by the flush).
void IndexFile::PutRuns(std::string& tail) {
  TableIfMany();
  for (auto& [n, offsets] : runs_) {
    Slot& s = SlotOf(n);
    const int64_t run = used_ + static_cast<int64_t>(tail.size());
    Put(tail, RunHead{s.run, static_cast<int32_t>(offsets.size()), 0});
    tail.append(reinterpret_cast<const char*>(offsets.data()), offsets.size() * 8);
    s.run = run;
    std::vector<int64_t>().swap(offsets);
    Spill(tail, false);
  }
  runs_.clear();
  held_ = 0;
  Spill(tail, true);
}

// Many records taken: their slots are read (and written) with the whole table.
void IndexFile::TableIfMany() {
  if (!table_.empty() || values_.Records().size() + runs_.size() <= 256) return;
  table_ = ReadTable();
  for (const auto& [n, s] : slots_) table_[static_cast<size_t>(n)] = s;
  slots_.clear();
}

// Appends `tail` to the used part once it holds a block (or `all` of it).
void IndexFile::Spill(std::string& tail, bool all) {
  if (tail.empty() || (!all && tail.size() < kBlock)) return;
  detail::WriteAt(fd_.get(), tail.data(), tail.size(), used_);
  used_ += static_cast<int64_t>(tail.size());
  tail.clear();
}

std::vector<IndexFile::Slot> IndexFile::ReadTable() {
  std::vector<Slot> table(static_cast<size_t>(kSlots));
  const size_t bytes = table.size() * sizeof(Slot);
  const size_t got = detail::ReadAt(fd_.get(), table.data(), bytes, 64);
  std::memset(reinterpret_cast<char*>(table.data()) + got, 0, bytes - got);
  return table;
}

void IndexFile::WriteTable(const std::vector<Slot>& table) {
  detail::WriteAt(fd_.get(), table.data(), table.size() * sizeof(Slot), 64);
}

// A pack (its map) gives the records their new numbers; a design save (no map)
// forgets every recorded value.
void IndexFile::Renumber(const std::string* map) {
  std::vector<Slot> table = ReadTable();
  if (!map) {
    for (Slot& s : table) s.values = s.length = 0, s.flags = 0;
  } else {
    std::vector<Slot> moved(table.size());
    moved[0] = table[0];
    for (const Run& r : ParseMap(*map))
      for (int32_t i = r.oldFirst; i <= r.oldLast; ++i) {
        const int32_t to = r.newFirst + (i - r.oldFirst);
        if (i >= 1 && i <= kMaxRecords && to >= 1 && to <= kMaxRecords) moved[static_cast<size_t>(to)] = table[static_cast<size_t>(i)];
      }
    table.swap(moved);
  }
  WriteTable(table);
}

void IndexFile::Finish(const detail::AppendLog& log, int64_t end, const std::string& tail) {
  Flush();
  Header h{};
  std::memcpy(h.magic, kMagic, 8);
  h.version = kVersion;
  h.covered = end;
  const size_t last = static_cast<size_t>(std::min<int64_t>(64, end));
  h.hash = tail.size() >= last ? HashOf(tail.data() + tail.size() - last, last, end) : TailHash(ReaderOf(log), end);
  h.used = used_;
  detail::WriteAt(fd_.get(), &h, sizeof h, 0);
  covered_ = written_ = end;
  header_.assign(reinterpret_cast<const char*>(&h), sizeof h);
}

int64_t IndexFile::Covered(const std::string& path, const detail::AppendLog::ReadFn& history, int64_t end) {
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    Header h;
    return ReadHeader(fd.get(), h) && Usable(h, history, end) ? h.covered : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

bool IndexFile::Lines(const std::string& path, int64_t covered, int32_t n, std::vector<int64_t>& out) {
  out.clear();
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    Header h, again;
    if (!ReadHeader(fd.get(), h) || h.busy || h.covered != covered) return false;
    if (n >= 1 && n <= kMaxRecords) ReadRuns(fd.get(), ReadSlotAt(fd.get(), n, h.used).run, h.used, out);
    ReadRuns(fd.get(), ReadSlotAt(fd.get(), 0, h.used).run, h.used, out);
    if (!ReadHeader(fd.get(), again) || std::memcmp(&h, &again, sizeof h) != 0) return false;
  } catch (const std::exception&) {
    return false;
  }
  std::sort(out.begin(), out.end(), std::greater<>());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  while (!out.empty() && out.front() >= covered) out.erase(out.begin());
  return true;
}

}  // namespace modDB::history

#include "engine/transfer/CsvExport.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <exception>
#include <optional>
#include <string_view>

#include "engine/transfer/CsvImport.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace {

constexpr size_t kFlushAt = static_cast<size_t>(detail::kWriteBackStep);

bool SameFile(const struct stat& a, const std::string& path) {
  struct stat b {};
  return detail::CurrentEnv().Stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the existing regular file `path` (whose status is `st`) must not be written
// over: it is the open database or one of its companions (under any name), or
// any other file that holds a form database.
bool IsProtected(const std::string& path, const struct stat& st) {
  struct stat open {};
  if (detail::CurrentEnv().StatFd(detail::S().fd, &open) == 0 && open.st_dev == st.st_dev && open.st_ino == st.st_ino) return true;
  for (const std::string& name : detail::Companions::Of(detail::S().DatabaseName).Protected())
    if (SameFile(st, name)) return true;
  if (st.st_size < kHeaderSize) return false;
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    FormHeader h;
    return detail::ReadHeaderAt(fd.get(), h) == static_cast<size_t>(kHeaderSize) && CheckLayout(h).empty();
  } catch (const std::exception&) {
    return true;  // what cannot be looked at is not written over either
  }
}

// Where the export goes. A pipe, FIFO, terminal or other device is written as a
// stream; so is a regular file reached through an open descriptor's name
// (/dev/stdout, /proc/self/fd/N), written in place. Any other regular file, new or
// not, is replaced by a complete new one written beside it; a symbolic link is
// followed to the file it names, which is replaced, never the link itself.
struct Target {
  std::string path;  // the file replaced (links followed), or the name opened
  bool stream = false;
  std::string refusal;  // why nothing can be written there
};

Target TargetOf(const std::string& path) {
  Target t;
  t.path = path;
  struct stat st {};
  if (detail::CurrentEnv().Stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) t.refusal = "it is a folder";
    t.stream = true;
    return t;
  }
  // Follows the links one by one: the file replaced is the last name.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat ls {};
    if (detail::CurrentEnv().LinkStat(t.path, &ls) != 0 || !S_ISLNK(ls.st_mode)) return t;
    std::string to(PATH_MAX, '\0');
    const ssize_t n = detail::CurrentEnv().ReadLink(t.path, to.data(), to.size());
    if (n < 0 || static_cast<size_t>(n) >= to.size()) break;
    to.resize(static_cast<size_t>(n));
    if (to.starts_with("/proc/") || to.starts_with("/dev/fd/")) {  // an open descriptor's file
      t.path = path;
      t.stream = true;
      return t;
    }
    if (!to.starts_with("/")) {
      const size_t slash = t.path.rfind('/');
      to = (slash == std::string::npos ? std::string() : t.path.substr(0, slash + 1)) + to;
    }
    t.path = to;
  }
  t.refusal = "its symbolic links go round or too deep";
  return t;
}

// Writes all n bytes at the stream's position.
void WriteStream(int fd, const char* data, size_t n, const std::string& path) {
  while (n > 0) {
    const ssize_t k = detail::CurrentEnv().Write(fd, data, n, -1);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) throw detail::FileError(k < 0 ? errno : EIO, "write", path);
    data += k;
    n -= static_cast<size_t>(k);
  }
}

// The message of a failed export: the file and the system's reason.
std::string CannotWrite(const std::string& path, const std::exception& e) {
  std::string reason = e.what();
  if (const auto* f = dynamic_cast<const detail::FileError*>(&e))
    reason = f->reason().empty() ? f->code().message() : f->reason();
  else if (const auto* f = dynamic_cast<const std::system_error*>(&e))
    reason = f->code().message();
  return "FILE:" + path + " cannot be written: " + reason;
}

// The open place the export is written to: a stream (written in order) or a new
// file beside the target, put in place once complete.
class Sink {
 public:
  // Opens the place for `target`; `st` is the target's status (zeroed when it does
  // not exist). Throws when it cannot be opened.
  Sink(const Target& target, const struct stat& st, const std::string& path, bool utf8)
      : path_(path), utf8_(utf8) {
    if (!target.stream) {
      beside_.emplace(target.path);
      return;
    }
    // Waits for the reader of a FIFO, as writing to one does. A regular file reached
    // through a descriptor's name is emptied first.
    const int flags = O_WRONLY | O_CLOEXEC | (S_ISREG(st.st_mode) ? O_TRUNC : 0);
    int raw;
    do raw = detail::CurrentEnv().Open(target.path, flags, 0);
    while (raw < 0 && errno == EINTR);
    if (raw < 0) throw detail::FileError(errno, "open", path);
    fd_ = detail::Fd(raw);
  }

  // Writes out and empties it (in UTF-8 when asked, the first time behind a mark).
  void Flush(std::string& out) {
    if (utf8_) out = (written_ == 0 ? "\xEF\xBB\xBF" : "") + modLIB::Cp1252ToUtf8(out);
    if (!beside_) {
      WriteStream(fd_.get(), out.data(), out.size(), path_);
    } else {  // taken to the disk as it comes, so that the flush at the end is short
      detail::WriteAt(beside_->get(), out.data(), out.size(), written_);
      detail::StartWriteBack(beside_->get(), written_, static_cast<int64_t>(out.size()));
    }
    written_ += static_cast<int64_t>(out.size());
    out.clear();
  }

  // Closes the stream, or puts the new file in place.
  void Finish() {
    if (beside_) beside_->PutInPlace();
    else detail::CloseFile(fd_.release());
  }

 private:
  std::string path_;
  bool utf8_;
  std::optional<detail::FileBeside> beside_;
  detail::Fd fd_;
  int64_t written_ = 0;
};

// A selected field's place in the record.
struct Column {
  size_t offset, length;
};

// The selected fields in slot order, and the heading line into `out`. The
// spreadsheet export quotes the names (the plain export's heading never does): the
// import tells the two apart by it.
std::vector<Column> Heading(const std::vector<bool>& selected, const CsvExportOptions& options, std::string& out) {
  std::vector<Column> columns;
  out = "#";
  auto name = [&](const std::string& text) {
    out += ',';
    if (options.rfc4180) AppendCsvQuoted(out, text);
    else out += text;
  };
  if (options.withDeleted) name(kDeletedColumn);
  for (int16_t i = 1; i <= GetFieldCount(); ++i) {
    FieldDef def;
    if (static_cast<size_t>(i) >= selected.size() || !selected[i] || GetFieldDef(i, def) == 0) continue;
    columns.push_back({static_cast<size_t>(def.Offset), static_cast<size_t>(def.Length)});
    name(def.Name.Trimmed());
  }
  out += "\r\n";
  return columns;
}

// The line of record r into `out`.
void RecordLine(int32_t r, std::string_view rec, const std::vector<Column>& columns, const CsvExportOptions& options,
                std::string& out) {
  char number[16];
  out.append(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, r).ptr - number));
  if (options.withDeleted) out += rec[0] == '*' ? ",\"*\"" : ",\"\"";
  for (const Column& c : columns) {
    out += ',';
    if (options.rfc4180) AppendCsvQuoted(out, modLIB::TrimRightView(rec.substr(c.offset, c.length)));
    else AppendPlainCsvValue(out, modLIB::TrimView(rec.substr(c.offset, c.length)));
  }
  out += "\r\n";
}

// Where the export may go: "" when it may be written to `target`, else the message.
std::string Refusal(const std::string& path, const Target& target, struct stat& st) {
  if (!target.refusal.empty()) return "FILE:" + path + " cannot be written: " + target.refusal;
  if (detail::CurrentEnv().Stat(target.path, &st) != 0) st = {};
  if (S_ISREG(st.st_mode) && IsProtected(target.path, st))
    return "FILE:" + path + " is a form database or its backup; it is not written over";
  return "";
}

}  // namespace

std::string ExportTarget(const std::string& path, std::string& refusal) {
  const Target target = TargetOf(path);
  struct stat st {};
  refusal = target.refusal.empty() && target.stream ? "FILE:" + path + " cannot be written: it is not a regular file"
                                                     : Refusal(path, target, st);
  return target.path;
}

std::string CsvFileName(const std::string& name) {
  if (name.size() >= 4 && modLIB::UCase(name.substr(name.size() - 4)) == ".CSV") return name;
  return name + ".csv";
}

int16_t ExportCsv(const std::string& path, const std::vector<bool>& selected, const CsvExportOptions& options) {
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    return 0;
  }
  Host& host = GetHost();
  const char* title = "EXPORT";
  // A device or pipe is written straight; a file is replaced by a complete new one,
  // written beside it under a passing name, so that a failed export leaves the old
  // file as it was.
  const Target target = TargetOf(path);
  struct stat st {};
  if (const std::string why = Refusal(path, target, st); !why.empty()) {
    Fail(title, why);
    return 0;
  }
  std::optional<Sink> sink;
  try {
    sink.emplace(target, st, path, options.rfc4180 && options.utf8);
  } catch (const std::exception& e) {
    Fail(title, CannotWrite(path, e));
    return 0;
  }
  const int32_t remembered = GetRecordNo();
  int32_t n = detail::S().header.RecordCount;
  std::string out;
  const std::vector<Column> columns = Heading(selected, options, out);

  // Records are taken from the file many at a time: each line holds what
  // SetRecordNo and ReadField would give for that record, blanks beyond the end of
  // the file included.
  std::string failure;
  try {
    // The count as it is now (another program may have appended).
    if (detail::ReadRecordCount(detail::S().fd, detail::S().header.RecordCount)) n = detail::S().header.RecordCount;
    const size_t len = static_cast<size_t>(detail::S().header.RecordLength);
    detail::ReadRecordBlocks(
        detail::S().fd, len, n, detail::RecordsPerBlock(len),
        [&](int32_t r, const char* bytes) {
          host.ShowPer(r, n);
          RecordLine(r, std::string_view(bytes, len), columns, options, out);
        },
        [&] {
          if (out.size() >= kFlushAt) sink->Flush(out);
        });
    sink->Flush(out);
    sink->Finish();
  } catch (const std::exception& e) {
    failure = CannotWrite(path, e);
  }
  sink.reset();
  // The current record is the one before, as after visiting each record in turn
  // (the records were read straight from the file: the record text is unchanged).
  if (remembered == 0 && n > 0) SetRecordNo(n);
  host.HidePer();
  if (!failure.empty()) {
    Fail(title, failure);
    return 0;
  }
  return 1;
}

}  // namespace modDB

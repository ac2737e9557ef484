#include "engine/CsvExport.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <string_view>

#include "engine/CsvImport.h"
#include "engine/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/History.h"
#include "engine/modDB.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace {

constexpr size_t kFlushAt = size_t{1} << 20;

void AppendValue(std::string& out, std::string_view value) {
  out += '"';
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;  // CR LF -> LF
    out += value[i];
  }
  out += '"';
}

bool SameFile(const struct stat& a, const std::string& path) {
  struct stat b {};
  return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the existing regular file `path` (whose status is `st`) must not be written
// over: it is the open database, its backup, working file or history (under any name), or
// any other file that holds a form database.
bool IsProtected(const std::string& path, const struct stat& st) {
  struct stat open {};
  if (::fstat(detail::S().fd, &open) == 0 && open.st_dev == st.st_dev && open.st_ino == st.st_ino) return true;
  const std::string base = detail::S().DatabaseName;
  if (SameFile(st, base + ".Bak") || SameFile(st, base + ".QfB") || SameFile(st, HistoryFileOf(base))) return true;
  if (st.st_size < kHeaderSize) return false;
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    HeaderBytes bytes{};
    if (detail::ReadAt(fd.get(), bytes.data(), bytes.size(), 0) < bytes.size()) return false;
    FormHeader h;
    DecodeHeader(bytes.data(), h);
    return CheckLayout(h).empty();
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
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) t.refusal = "it is a folder";
    t.stream = true;
    return t;
  }
  // Follows the links one by one: the file replaced is the last name.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat ls {};
    if (::lstat(t.path.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode)) return t;
    std::string to(PATH_MAX, '\0');
    const ssize_t n = ::readlink(t.path.c_str(), to.data(), to.size());
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
    const ssize_t k = ::write(fd, data, n);
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

}  // namespace

void AppendCsvQuoted(std::string& out, std::string_view value) {
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string ExportTarget(const std::string& path, std::string& refusal) {
  const Target target = TargetOf(path);
  std::string why = target.refusal;
  struct stat st {};
  if (why.empty() && target.stream) why = "it is not a regular file";
  refusal = why.empty() ? "" : "FILE:" + path + " cannot be written: " + why;
  if (why.empty() && ::stat(target.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && IsProtected(target.path, st))
    refusal = "FILE:" + path + " is a form database or its backup; it is not written over";
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
  if (!target.refusal.empty()) {
    Fail(title, "FILE:" + path + " cannot be written: " + target.refusal);
    return 0;
  }
  struct stat st {};
  if (::stat(target.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && IsProtected(target.path, st)) {
    Fail(title, "FILE:" + path + " is a form database or its backup; it is not written over");
    return 0;
  }
  const bool direct = target.stream;
  std::optional<detail::FileBeside> beside;
  detail::Fd fd;
  try {
    if (direct) {
      // Waits for the reader of a FIFO, as writing to one does. A regular file reached
      // through a descriptor's name is emptied first.
      const int flags = O_WRONLY | O_CLOEXEC | (S_ISREG(st.st_mode) ? O_TRUNC : 0);
      int raw;
      do raw = ::open(target.path.c_str(), flags);
      while (raw < 0 && errno == EINTR);
      if (raw < 0) throw detail::FileError(errno, "open", path);
      fd = detail::Fd(raw);
    } else {
      beside.emplace(target.path);
    }
  } catch (const std::exception& e) {
    Fail(title, CannotWrite(path, e));
    return 0;
  }
  const int32_t remembered = GetRecordNo();
  int32_t n = detail::S().header.RecordCount;

  // The selected fields in slot order, and the heading line.
  struct Column {
    size_t offset, length;
  };
  std::vector<Column> columns;
  const bool rfc = options.rfc4180, utf8 = options.rfc4180 && options.utf8;
  // The spreadsheet export quotes the names (the plain export's heading never does):
  // the import tells the two apart by it.
  std::string out = "#";
  auto name = [&](const std::string& text) {
    out += ',';
    if (rfc) AppendCsvQuoted(out, text);
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

  // Records are taken from the file many at a time: each line holds what
  // SetRecordNo and ReadField would give for that record, blanks beyond the end of
  // the file included.
  std::string failure;
  try {
    // The count as it is now (another program may have appended).
    if (detail::ReadRecordCount(detail::S().fd, detail::S().header.RecordCount)) n = detail::S().header.RecordCount;
    const size_t len = static_cast<size_t>(detail::S().header.RecordLength);
    int64_t written = 0;
    auto flush = [&] {
      if (utf8) out = (written == 0 ? "\xEF\xBB\xBF" : "") + modLIB::Cp1252ToUtf8(out);
      if (direct) WriteStream(fd.get(), out.data(), out.size(), path);
      else detail::WriteAt(beside->get(), out.data(), out.size(), written);
      written += static_cast<int64_t>(out.size());
      out.clear();
    };
    detail::ReadRecordBlocks(
        detail::S().fd, len, n, detail::RecordsPerBlock(len),
        [&](int32_t r, const char* bytes) {
        host.ShowPer(r, n);
        const std::string_view rec(bytes, len);
        out += std::to_string(r);
        if (options.withDeleted) out += rec[0] == '*' ? ",\"*\"" : ",\"\"";
        for (const Column& c : columns) {
          out += ',';
          if (rfc) AppendCsvQuoted(out, modLIB::TrimRightView(rec.substr(c.offset, c.length)));
          else AppendValue(out, modLIB::TrimView(rec.substr(c.offset, c.length)));
        }
        out += "\r\n";
        },
        [&] { if (out.size() >= kFlushAt) flush(); });
    flush();
    if (direct) detail::CloseFile(fd.release());
    else beside->PutInPlace();
  } catch (const std::exception& e) {
    failure = CannotWrite(path, e);
    fd = detail::Fd();
    beside.reset();
  }
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

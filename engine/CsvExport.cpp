#include "CsvExport.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "FileIo.h"
#include "Codepage.h"
#include "HeaderLayout.h"
#include "State.h"
#include "StoreCommon.h"
#include "modDB.h"
#include "modLIB.h"

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
// over: it is the open database, its backup or working file (under any name), or
// any other file that holds a form database.
bool IsProtected(const std::string& path, const struct stat& st) {
  struct stat open {};
  if (::fstat(detail::S().fd, &open) == 0 && open.st_dev == st.st_dev && open.st_ino == st.st_ino) return true;
  const std::string base = detail::S().DatabaseName;
  if (SameFile(st, base + ".Bak") || SameFile(st, base + ".QfB")) return true;
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

}  // namespace

void AppendCsvQuoted(std::string& out, std::string_view value) {
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
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
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const bool direct = exists && !S_ISREG(st.st_mode);
  if (exists && S_ISREG(st.st_mode) && IsProtected(path, st)) {
    Fail(title, "FILE:" + path + " is a form database or its backup; it is not written over");
    return 0;
  }
  std::optional<detail::FileBeside> beside;
  detail::Fd fd;
  try {
    if (direct) fd = detail::Fd(detail::OpenFile(path, O_WRONLY | O_TRUNC, true));
    else beside.emplace(path);
  } catch (const std::exception&) {
    Fail(title, "FILE:" + path + " cannot be written");
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
  std::string out = "#";
  for (int16_t i = 1; i <= GetFieldCount(); ++i) {
    FieldDef def;
    if (static_cast<size_t>(i) >= selected.size() || !selected[i] || GetFieldDef(i, def) == 0) continue;
    columns.push_back({static_cast<size_t>(def.Offset), static_cast<size_t>(def.Length)});
    out += "," + def.Name.Trimmed();
  }
  out += "\r\n";

  // Records are taken from the file many at a time: each line holds what
  // SetRecordNo and ReadField would give for that record, blanks beyond the end of
  // the file included.
  bool ok = true;
  try {
    // The count as it is now (another program may have appended).
    if (detail::ReadRecordCount(detail::S().fd, detail::S().header.RecordCount)) n = detail::S().header.RecordCount;
    const size_t len = static_cast<size_t>(detail::S().header.RecordLength);
    int64_t written = 0;
    auto flush = [&] {
      if (utf8) out = (written == 0 ? "\xEF\xBB\xBF" : "") + modLIB::Cp1252ToUtf8(out);
      detail::WriteAt(direct ? fd.get() : beside->get(), out.data(), out.size(), written);
      written += static_cast<int64_t>(out.size());
      out.clear();
    };
    detail::ReadRecordBlocks(
        detail::S().fd, len, n, detail::RecordsPerBlock(len),
        [&](int32_t r, const char* bytes) {
        host.ShowPer(r, n);
        const std::string_view rec(bytes, len);
        out += std::to_string(r);
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
  } catch (const std::exception&) {
    ok = false;
    fd = detail::Fd();
    beside.reset();
  }
  // The current record is the one before, as after visiting each record in turn
  // (the records were read straight from the file: the record text is unchanged).
  if (remembered == 0 && n > 0) SetRecordNo(n);
  host.HidePer();
  if (!ok) {
    Fail(title, "FILE:" + path + " cannot be written");
    return 0;
  }
  return 1;
}

}  // namespace modDB

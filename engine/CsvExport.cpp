#include "CsvExport.h"

#include <fcntl.h>

#include <algorithm>
#include <exception>
#include <string_view>

#include "FileIo.h"
#include "HeaderLayout.h"
#include "State.h"
#include "modDB.h"
#include "modLIB.h"

namespace modDB {

namespace {

constexpr size_t kFlushAt = size_t{1} << 20;
constexpr size_t kReadChunk = size_t{4} << 20;

std::string_view Trimmed(std::string_view v) {
  while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

void AppendValue(std::string& out, std::string_view value) {
  out += '"';
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;  // CR LF -> LF
    out += value[i];
  }
  out += '"';
}

}  // namespace

std::string CsvFileName(const std::string& name) {
  if (name.size() >= 4 && modLIB::UCase(name.substr(name.size() - 4)) == ".CSV") return name;
  return name + ".csv";
}

int16_t ExportCsv(const std::string& path, const std::vector<bool>& selected) {
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    return 0;
  }
  Host& host = GetHost();
  detail::Fd fd;
  try {
    fd = detail::Fd(detail::OpenFile(path, O_WRONLY | O_CREAT | O_TRUNC));
  } catch (const std::exception&) {
    Fail("EXPORT", "FILE:" + path + " cannot be written");
    return 0;
  }
  const int32_t remembered = GetRecordNo();
  const int32_t n = GetRecordCount();

  // The selected fields in slot order, and the heading line.
  struct Column {
    size_t offset, length;
  };
  std::vector<Column> columns;
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
    const size_t len = static_cast<size_t>(detail::S().header.RecordLength);
    const size_t perChunk = std::max<size_t>(1, kReadChunk / len);
    std::vector<char> in(perChunk * len);
    int64_t inPos = kHeaderSize, written = 0;
    auto flush = [&] {
      detail::WriteAt(fd.get(), out.data(), out.size(), written);
      written += static_cast<int64_t>(out.size());
      out.clear();
    };
    for (int32_t r = 1; r <= n;) {
      const int32_t batch = static_cast<int32_t>(std::min<int64_t>(perChunk, n - r + 1));
      const size_t want = static_cast<size_t>(batch) * len;
      const size_t got = detail::ReadAt(detail::S().fd, in.data(), want, inPos);
      std::fill(in.begin() + static_cast<std::ptrdiff_t>(got), in.begin() + static_cast<std::ptrdiff_t>(want), ' ');
      inPos += static_cast<int64_t>(want);
      for (int32_t k = 0; k < batch; ++k, ++r) {
        host.ShowPer(r, n);
        const std::string_view rec(in.data() + static_cast<size_t>(k) * len, len);
        out += std::to_string(r);
        for (const Column& c : columns) {
          out += ',';
          AppendValue(out, Trimmed(rec.substr(c.offset, c.length)));
        }
        out += "\r\n";
      }
      if (out.size() >= kFlushAt) flush();
    }
    flush();
    detail::CloseFile(fd.release());
  } catch (const std::exception&) {
    ok = false;
  }
  // The current record is the one before, as after visiting each record in turn.
  if (remembered != 0) SetRecordNo(remembered);
  else if (n > 0) SetRecordNo(n);
  host.HidePer();
  if (!ok) {
    Fail("EXPORT", "FILE:" + path + " cannot be written");
    return 0;
  }
  return 1;
}

}  // namespace modDB

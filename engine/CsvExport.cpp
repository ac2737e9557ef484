#include "CsvExport.h"

#include <fcntl.h>

#include <exception>

#include "FileIo.h"
#include "modDB.h"
#include "modLIB.h"

namespace modDB {

namespace {

constexpr size_t kFlushAt = size_t{1} << 20;

void AppendValue(std::string& out, const std::string& value) {
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
  const int16_t fields = GetFieldCount();
  auto isSelected = [&](int i) { return static_cast<size_t>(i) < selected.size() && selected[i]; };

  detail::Fd fd;
  try {
    fd = detail::Fd(detail::OpenFile(path, O_WRONLY | O_CREAT | O_TRUNC));
  } catch (const std::exception&) {
    Fail("EXPORT", "FILE:" + path + " cannot be written");
    return 0;
  }
  const int32_t remembered = GetRecordNo();
  const int32_t n = GetRecordCount();
  std::string out = "#";
  FieldDef def;
  for (int i = 1; i <= fields; ++i)
    if (isSelected(i) && GetFieldDef(static_cast<int16_t>(i), def)) out += "," + def.Name.Trimmed();
  out += "\r\n";

  bool ok = true;
  int64_t written = 0;
  auto flush = [&] {
    detail::WriteAt(fd.get(), out.data(), out.size(), written);
    written += static_cast<int64_t>(out.size());
    out.clear();
  };
  std::string value;
  try {
    for (int32_t r = 1; r <= n; ++r) {
      host.ShowPer(r, n);
      SetRecordNo(r);
      out += std::to_string(r);
      for (int i = 1; i <= fields; ++i) {
        if (!isSelected(i)) continue;
        value.clear();
        ReadField(static_cast<int16_t>(i), value);
        out += ',';
        AppendValue(out, value);
      }
      out += "\r\n";
      if (out.size() >= kFlushAt) flush();
    }
    flush();
    detail::CloseFile(fd.release());
  } catch (const std::exception&) {
    ok = false;
  }
  if (remembered != 0) SetRecordNo(remembered);
  host.HidePer();
  if (!ok) {
    Fail("EXPORT", "FILE:" + path + " cannot be written");
    return 0;
  }
  return 1;
}

}  // namespace modDB

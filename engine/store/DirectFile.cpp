#include "engine/store/DirectFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <memory>

#include "engine/Database.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"

namespace modDB {

namespace {

// The databases opened beside the record store's, by handle.
std::map<int16_t, std::unique_ptr<Database>>& Others() {
  static std::map<int16_t, std::unique_ptr<Database>> others;
  return others;
}

// The descriptor behind a handle: the record store's own, another open database's,
// or, for a descriptor opened elsewhere, the handle itself; -1 for 0.
int DescriptorOf(int16_t handle) {
  if (handle == 0) return -1;
  if (handle == detail::S().fileNumber) return detail::S().fd;
  return handle;
}

// The database behind a handle, where the engine opened it: the record store's own or
// one opened beside it; nullptr for a descriptor opened elsewhere.
Database* Opened(int16_t handle) {
  if (handle != 0 && handle == detail::S().fileNumber) return &detail::S();
  const auto it = Others().find(handle);
  return it == Others().end() ? nullptr : it->second.get();
}

std::string ReadBytes(int16_t handle, int64_t offset, size_t n) {
  std::string out(n, '\0');
  const int fd = DescriptorOf(handle);
  size_t got = 0;
  while (fd >= 0 && got < n) {
    size_t r = 0;
    try {
      r = detail::ReadAt(fd, out.data() + got, n - got, offset + static_cast<int64_t>(got));
    } catch (const std::exception&) {
    }
    if (r == 0) break;
    got += r;
  }
  out.resize(got);
  return out;
}

bool ValidField(const FormHeader& h, int32_t n, int16_t slot) {
  return n >= 1 && slot >= 1 && slot <= kMaxFields && h.Fields[slot].Length > 0 && h.RecordLength > 0 &&
         h.Fields[slot].Offset + h.Fields[slot].Length <= h.RecordLength;
}

}  // namespace

int16_t OpenOtherDatabase(const std::string& path, std::string& why) {
  auto db = std::make_unique<Database>();
  const Status opened = db->Open(path);
  if (!opened) {
    why = opened.reason;
    return 0;
  }
  if (db->fd < 1 || db->fd > 32767) {
    why = "too many files are open";
    return 0;
  }
  const auto handle = static_cast<int16_t>(db->fd);
  db->fileNumber = handle;
  Others()[handle] = std::move(db);
  return handle;
}

void CloseOtherDatabase(int16_t handle) {
  const auto it = Others().find(handle);
  if (it == Others().end()) return;
  it->second->Close();
  Others().erase(it);
}

bool ReadHeaderDirect(int16_t handle, FormHeader& out) {
  try {
    return detail::ReadHeaderAt(DescriptorOf(handle), out) == static_cast<size_t>(kHeaderSize);
  } catch (const std::exception&) {
    return false;
  }
}

std::string ReadFieldDirect(int16_t handle, const FormHeader& h, int32_t n, int16_t slot, bool asRead) {
  if (!ValidField(h, n, slot)) return "";
  const FieldDef& f = h.Fields[slot];
  const auto other = Others().find(handle);
  Database* db = asRead && other != Others().end() ? other->second.get() : nullptr;
  if (!db || !ValidField(db->header, n, slot))
    return ReadBytes(handle, RecordPosition(n, h.RecordLength) + f.Offset, static_cast<size_t>(f.Length));
  // Read through the database, which keeps the value as read for a later write.
  std::string out;
  db->ReadFieldOf(n, slot, out);
  return out;
}

std::vector<std::string> ReadColumnDirect(int16_t handle, const FormHeader& h, int16_t slot, int32_t count) {
  std::vector<std::string> cells(static_cast<size_t>(std::max(count, 0)) + 1);
  if (count < 1 || !ValidField(h, 1, slot)) return cells;
  const FieldDef& f = h.Fields[slot];
  const int64_t length = h.RecordLength;
  const int32_t run = static_cast<int32_t>(std::max<int64_t>(1, (int64_t{1} << 20) / length));
  for (int32_t first = 1; first <= count; first += run) {
    const int32_t n = std::min(run, count - first + 1);
    const std::string block = ReadBytes(handle, RecordPosition(first, h.RecordLength),
                                        static_cast<size_t>(n) * static_cast<size_t>(length));
    for (int32_t k = 0; k < n; ++k) {
      const size_t at = static_cast<size_t>(k * length + f.Offset);
      if (at >= block.size()) return cells;  // the file ends early
      cells[static_cast<size_t>(first + k)] = block.substr(at, static_cast<size_t>(f.Length));
    }
  }
  return cells;
}

std::string ReadRecordsDirect(int16_t handle, const FormHeader& h, int32_t first, int32_t n) {
  if (first < 1 || n < 1 || h.RecordLength < 1) return "";
  return ReadBytes(handle, RecordPosition(first, h.RecordLength),
                   static_cast<size_t>(n) * static_cast<size_t>(h.RecordLength));
}

std::string WriteFieldDirect(int16_t handle, const FormHeader& h, int32_t n, int16_t slot, const std::string& text) {
  Database* db = Opened(handle);
  if (!db || !ValidField(h, n, slot) || !ValidField(db->header, n, slot)) return std::strerror(EBADF);
  const Status written = db->WriteFieldOf(n, slot, text, "form script");
  return written ? "" : written.reason;
}

}  // namespace modDB

#include "DirectFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "FileIo.h"
#include "FileLock.h"
#include "HeaderLayout.h"
#include "State.h"
#include "StoreCommon.h"

namespace modDB {

int DescriptorOfHandle(int16_t handle) {
  if (handle == 0) return -1;
  if (handle == detail::S().fileNumber) return detail::S().fd;
  return handle;
}

std::string ReadBytesDirect(int16_t handle, int64_t offset, size_t n) {
  std::string out(n, '\0');
  const int fd = DescriptorOfHandle(handle);
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

bool ReadHeaderDirect(int16_t handle, FormHeader& out) {
  const std::string bytes = ReadBytesDirect(handle, 0, kHeaderSize);
  if (bytes.size() != static_cast<size_t>(kHeaderSize)) return false;
  DecodeHeader(reinterpret_cast<const uint8_t*>(bytes.data()), out);
  return true;
}

std::string WriteBytesDirect(int16_t handle, int32_t recordLength, int64_t offset, const std::string& bytes) {
  const int fd = DescriptorOfHandle(handle);
  if (fd < 0 || recordLength < 1 || offset < kHeaderSize) return std::strerror(EBADF);
  try {
    WriterLock lock(fd);
    const int64_t size = detail::FileSize(fd);
    // The end of the record that holds the last byte written.
    const int64_t last = offset + static_cast<int64_t>(bytes.size()) - 1;
    const int64_t end = kHeaderSize + ((last - kHeaderSize) / recordLength + 1) * recordLength;
    try {
      if (size < end) detail::WriteBlanks(fd, size, end - size);
      detail::WriteAt(fd, bytes.data(), bytes.size(), offset);
    } catch (...) {
      detail::ShrinkBack(fd, size);
      throw;
    }
  } catch (const std::system_error& e) {
    return std::strerror(e.code().value());
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

}  // namespace modDB

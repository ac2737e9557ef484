#include "DirectFile.h"

#include <unistd.h>

#include "HeaderLayout.h"
#include "State.h"

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
    const ssize_t r = ::pread(fd, out.data() + got, n - got, static_cast<off_t>(offset + got));
    if (r <= 0) break;
    got += static_cast<size_t>(r);
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

}  // namespace modDB

#include "engine/HeaderFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/HeaderLayout.h"

namespace modDB {

bool ReadHeaderFile(const std::string& path, FormHeader& out, std::string& why, int64_t* fileSize) {
  // Without waiting: a FIFO opened for reading would wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  HeaderBytes bytes{};
  ssize_t got = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    got = ::pread(fd, bytes.data(), bytes.size(), 0);
  } else {
    ::close(fd);
    why = path + " is not a regular file";
    return false;
  }
  const int err = errno;
  ::close(fd);
  if (got < 0) {
    why = path + ": " + std::strerror(err);
    return false;
  }
  if (fileSize) *fileSize = st.st_size;
  if (got < kHeaderSize) {
    why = path + " is not a form database: it has " + std::to_string(st.st_size) +
          " bytes, fewer than the 23496 of a header";
    return false;
  }
  DecodeHeader(bytes.data(), out);
  return true;
}

}  // namespace modDB

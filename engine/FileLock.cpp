#include "FileLock.h"

#include <fcntl.h>

#include <cerrno>
#include <system_error>

namespace modDB {

namespace {
int LockByteZero(int fd, short type, int cmd) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  fl.l_pid = 0;  // required for open-file-description locks
  int rc;
  do rc = ::fcntl(fd, cmd, &fl);
  while (rc != 0 && errno == EINTR);
  return rc;
}
}  // namespace

WriterLock::WriterLock(int fd) : fd_(fd) {
  if (LockByteZero(fd_, F_WRLCK, F_OFD_SETLKW) != 0)
    throw std::system_error(errno, std::generic_category(), "lock");
}

WriterLock::~WriterLock() { LockByteZero(fd_, F_UNLCK, F_OFD_SETLK); }

}  // namespace modDB

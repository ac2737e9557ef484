// The writers' lock of a form database: a lock of the single byte at file offset 0,
// shared by every process on the machine.
//
// It is an open-file-description lock (F_OFD_SETLKW): it belongs to the open file,
// not to the process, so closing another descriptor of the same file elsewhere in the
// program never drops it, and two opens of one file in one program exclude each other
// like two programs do. Every writer of a record or of the record count holds it for
// the duration of the write only: the record store, and whoever else writes into a
// form database by its layout (the script's second database). The guard releases it
// when it goes out of scope, also when the write in between throws.
#pragma once

namespace modDB {

class WriterLock {
 public:
  // Waits until the byte is free; throws std::system_error when the lock cannot be
  // taken at all.
  explicit WriterLock(int fd);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

 private:
  int fd_;
};

}  // namespace modDB

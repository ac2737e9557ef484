#include "engine/store/WriteTxn.h"

#include "engine/files/FileIo.h"
#include "engine/StoreCommon.h"

namespace modDB::detail {

WriteTxn::WriteTxn(int fd, const std::string& path) : fd_(fd), lock_(fd) {
  named_ = detail::StillNamed(fd_, path, &size_);
  restore_ = size_;
}

WriteTxn::~WriteTxn() {
  if (done_) return;
  // Taken back: the file's size first, then (as lines_ goes) the history's lines.
  ShrinkBack(fd_, restore_);
}

void WriteTxn::Write(const void* bytes, size_t n, int64_t at) {
  WriteAt(fd_, bytes, n, at);
  size_ = std::max<int64_t>(size_, at + static_cast<int64_t>(n));
}

void WriteTxn::FillTo(int64_t end) {
  if (size_ < 0) size_ = FileSize(fd_);
  if (size_ >= end) return;
  WriteBlanks(fd_, size_, end - size_);
  size_ = end;
}

void WriteTxn::CutTo(int64_t end) {
  if (size_ < 0) size_ = FileSize(fd_);
  if (size_ <= end) return;
  TruncateFile(fd_, end);
  size_ = restore_ = end;
}

void WriteTxn::Done() {
  done_ = true;
  lines_.Done();
}

}  // namespace modDB::detail

#include "engine/store/FileReplace.h"

#include <fcntl.h>

#include <exception>

#include "engine/HeaderLayout.h"

namespace modDB::detail {

FileReplace::FileReplace(const Companions& names)
    : database_(names.Database()),
      backup_(names.Backup()),
      work_(names.Work()),
      end_(kHeaderSize),
      handed_(kHeaderSize) {
  RemoveFile(work_);
  fd_ = Fd(OpenFile(work_, O_WRONLY | O_CREAT | O_TRUNC));
}

FileReplace::~FileReplace() {
  if (placed_) return;
  fd_ = Fd();
  try {
    RemoveFile(work_);
  } catch (const std::exception&) {
  }
}

// A failure that names no file names the working file, not the database.
template <class Step>
void FileReplace::OnWork(Step step) {
  try {
    step();
  } catch (const FileError& e) {
    if (!e.file().empty()) throw;
    throw FileError(e.code().value(), "write", work_, e.reason());
  }
}

void FileReplace::WriteHeader(const FormHeader& h) {
  HeaderBytes bytes{};
  EncodeHeader(h, bytes.data());
  OnWork([&] { WriteAt(fd_.get(), bytes.data(), bytes.size(), 0); });
}

void FileReplace::Append(const char* data, size_t n) {
  if (n == 0) return;
  OnWork([&] { WriteAt(fd_.get(), data, n, end_); });
  end_ += static_cast<int64_t>(n);
  if (end_ - handed_ < kWriteBackStep) return;
  StartWriteBack(fd_.get(), handed_, end_ - handed_);
  handed_ = end_;
}

void FileReplace::Complete() {
  OnWork([&] {
    SyncFile(fd_.get());
    CloseFile(fd_.release());
  });
}

void FileReplace::PutInPlace(bool existing) {
  if (existing) LinkOver(database_, backup_);
  // A new database never takes the name of a file that came meanwhile.
  existing ? RenameFile(work_, database_) : RenameToFreeName(work_, database_);
  placed_ = true;
  SyncFolderOf(database_);
}

}  // namespace modDB::detail

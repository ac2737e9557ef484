// Pack: the live records of the open database, in order, go to the working file
// base + ".QfB" behind a copy of the header; once that file is complete and on disk
// the database becomes base + ".Bak" and the working file takes its name. Until the
// renames the database file is untouched; between them the backup holds it whole.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <string>
#include <system_error>
#include <vector>

#include "FileIo.h"
#include "HeaderLayout.h"
#include "State.h"
#include "modDB.h"

namespace modDB {

using detail::S;

namespace {

constexpr size_t kChunk = size_t{4} << 20;

// Copies the live records among 1 ... count from the open database to `out`, behind
// the header; returns how many were kept. Records beyond the end of the file read as
// blanks, like everywhere in the store.
int32_t CopyLiveRecords(int out, int32_t count) {
  Host& host = GetHost();
  const size_t len = static_cast<size_t>(S().header.RecordLength);
  const size_t perChunk = std::max<size_t>(1, kChunk / len);
  std::vector<char> in(perChunk * len), buf;
  buf.reserve(in.size());
  int64_t inPos = kHeaderSize, outPos = kHeaderSize;
  int32_t kept = 0;
  for (int32_t i = 1; i <= count;) {
    const int32_t batch = static_cast<int32_t>(std::min<int64_t>(perChunk, count - i + 1));
    const size_t want = static_cast<size_t>(batch) * len;
    const size_t got = detail::ReadAt(S().fd, in.data(), want, inPos);
    std::fill(in.begin() + static_cast<std::ptrdiff_t>(got), in.begin() + static_cast<std::ptrdiff_t>(want), ' ');
    inPos += static_cast<int64_t>(want);
    buf.clear();
    for (int32_t r = 0; r < batch; ++r, ++i) {
      host.DoEvents();
      host.ShowPer(i, count);
      const char* rec = in.data() + static_cast<size_t>(r) * len;
      if (rec[0] == '*') continue;
      buf.insert(buf.end(), rec, rec + len);
      ++kept;
    }
    detail::WriteAt(out, buf.data(), buf.size(), outPos);
    detail::StartWriteBack(out, outPos, static_cast<int64_t>(buf.size()));
    outPos += static_cast<int64_t>(buf.size());
  }
  return kept;
}

void WriteHeader(int fd, const FormHeader& h) {
  HeaderBytes bytes{};
  EncodeHeader(h, bytes.data());
  detail::WriteAt(fd, bytes.data(), bytes.size(), 0);
}

}  // namespace

int16_t PackRecords() {
  if (GetFileNumber() == 0) {
    Fail("PACK RECORDS", "DB not open!");
    return 0;
  }
  Host& host = GetHost();
  const int answer = host.MsgBox(
      "Make sure database is not opened by other users!\r\nThis can corrupt your database!!!\r\nContinue Yes/No?",
      vbYesNo | vbDefaultButton2, "Pack");
  if (answer != vbYes) return 0;

  const std::string base = S().DatabaseName;
  const std::string file = base + ".Qfd", backup = base + ".Bak", work = base + ".QfB";
  bool renaming = false;
  try {
    // The old backup goes without its permissions being touched: a read-only backup
    // stops the pack here, before anything is written.
    if (detail::IsFile(backup)) {
      if (!detail::IsWritable(backup)) throw std::system_error(EACCES, std::generic_category(), backup);
      detail::RemoveFile(backup);
    }
    detail::RemoveFile(work);
    detail::Fd out(detail::OpenFile(work, O_WRONLY | O_CREAT | O_TRUNC));
    FormHeader h = S().header;
    WriteHeader(out.get(), h);

    // The count as it is now: records appended since it was last read are kept too.
    GetRecordCount();
    GotoFirstRecord();  // says "DB is empty" when there is nothing to copy
    h.RecordCount = CopyLiveRecords(out.get(), S().header.RecordCount);
    WriteHeader(out.get(), h);
    detail::SyncFile(out.get());
    detail::CloseFile(out.release());

    renaming = true;
    ::close(S().fd);
    S().fd = -1;
    S().fileNumber = 0;
    detail::RenameFile(file, backup);
    detail::RenameFile(work, file);
    detail::SyncFolderOf(file);
  } catch (const std::exception&) {
    if (!renaming) {
      try {
        detail::RemoveFile(work);
      } catch (const std::exception&) {
      }
    }
    host.HidePer();
    Fail("Pack Database", "Unexpected Error");
    // Closed before the renames: open whatever is the database now, so that the
    // program goes on with a database when one is there.
    if (renaming && detail::IsFile(file)) {
      std::string name = base;
      OpenDatabase(name);
    }
    return 0;
  }
  std::string name = base;
  const int16_t opened = OpenDatabase(name);
  host.HidePer();
  return opened;
}

}  // namespace modDB

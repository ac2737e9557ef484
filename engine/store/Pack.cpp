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

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/history/History.h"
#include "engine/Database.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"
#include "engine/store/FileReplace.h"
#include "engine/modDB.h"

namespace modDB {

namespace {

// Copies the live records among 1 ... count of the open database into the working
// file, behind the header; their old numbers go to `kept`.
void CopyLiveRecords(const Database& d, detail::FileReplace& out, int32_t count, std::vector<int32_t>& kept) {
  Host& host = GetHost();
  const size_t len = static_cast<size_t>(d.header.RecordLength);
  detail::CopyRecords(d.fd, len, count, out, len, [&](int32_t i, const char* rec, char* to) {
    host.DoEvents();
    host.ShowPer(i, count);
    if (rec[0] == '*') return false;
    std::copy_n(rec, len, to);
    kept.push_back(i);
    return true;
  });
}

// Under the writers' lock (no append may fall between the copy and the
// replacement): the live records to the working file, and the files exchanged.
// `replaced`: the open file is no longer the database; `renamed`: the packed file
// has the database's name.
void PackUnderLock(Database& d, const std::string& file, const detail::Companions& names, bool& replaced, bool& renamed) {
  detail::WriterLock lock(d.fd);
  if (!detail::StillNamed(d.fd, file)) {
    replaced = true;
    throw detail::FileError(ESTALE, "pack", file);
  }
  // The old backup goes without its permissions being touched: a read-only backup
  // stops the pack here, before anything is written.
  if (detail::IsFile(names.Backup()) && !detail::IsWritable(names.Backup()))
    throw detail::FileError(EACCES, "replace", names.Backup());
  detail::FileReplace out(names);

  // The count as it is now: records appended since it was last read are kept too.
  detail::ReadRecordCount(d.fd, d.header.RecordCount);
  if (d.header.RecordCount == 0) Fail("GOTO FIRST RECORD", "DB is empty");
  std::vector<int32_t> kept;
  kept.reserve(static_cast<size_t>(d.header.RecordCount));
  CopyLiveRecords(d, out, d.header.RecordCount, kept);
  // The header goes in once, with the count of the records kept.
  FormHeader h = d.header;
  h.RecordCount = static_cast<int32_t>(kept.size());
  out.WriteHeader(h);
  out.Complete();

  auto logged = detail::LogPack(file, d.header.RecordCount, kept);
  try {
    out.PutInPlace(true);
  } catch (...) {
    renamed = out.Placed();
    throw;
  }
  renamed = true;
  logged.Done();
}

}  // namespace

int16_t PackRecords() { return PackRecords(detail::S()); }

int16_t PackRecords(Database& d) {
  if (!d.IsOpen()) {
    Fail("PACK RECORDS", "DB not open!");
    return 0;
  }
  const std::string base = d.DatabaseName;
  const std::string file = base + ".Qfd";
  if (!d.readOnlyWhy.empty()) {
    Fail("PACK RECORDS", "FILE:" + file + " cannot be written: " + d.readOnlyWhy);
    return 0;
  }
  // Another program of ours that has the database open would go on writing into
  // the file that becomes the backup: refused before the question, and again after
  // it should such a program have come meanwhile.
  if (detail::OpenElsewhere(d.fd)) {
    Fail("PACK RECORDS", detail::OpenElsewhereText(file));
    return 0;
  }
  Host& host = GetHost();
  const int answer = d.Ask(
      "Pack removes the records marked for deletion for good and numbers the other records again from 1.\r\n"
      "The file as it is now is kept as the backup (\".Bak\"), in place of the previous one.\r\nContinue?",
      vbYesNo | vbDefaultButton2, "Pack");
  if (answer != vbYes) return 0;
  bool sole = false;
  try {
    sole = detail::TakeSoleUse(d.fd);
  } catch (const std::exception& e) {
    Fail("Pack Database", detail::UnexpectedError(e, file));
    return 0;
  }
  if (!sole) {
    Fail("PACK RECORDS", detail::OpenElsewhereText(file));
    return 0;
  }

  // A database reached through a symbolic link is packed in place of the link's
  // target: the link stays a link, the backup and working file sit beside the target.
  const detail::Companions names = detail::Companions::Of(file);
  // The name given to OpenDatabase again: the base with its extension, so that a
  // base that itself ends in ".qfd" is not shortened a second time.
  std::string reopen = file;
  bool renamed = false, failed = false, replaced = false;
  try {
    PackUnderLock(d, file, names, replaced, renamed);
  } catch (const std::exception& e) {
    if (!renamed) detail::EndSoleUse(d.fd);
    failed = true;
    host.HidePer();
    if (replaced)
      Fail("PACK RECORDS", detail::ReplacedText(file) + "\r\nNothing was changed: open it again to go on.");
    else
      Fail("Pack Database", detail::UnexpectedError(e, file));
    if (!renamed) return 0;  // the database is open and untouched
  }
  // Open the database under its name again: the packed file (or, after a failure,
  // whatever has the name now). Closing the old file ends sole use and the lock.
  detail::CloseQuietly(d.fd);
  d.fd = -1;
  d.fileNumber = 0;
  const int16_t opened = OpenDatabase(d, reopen);
  if (failed) return 0;
  host.HidePer();
  return opened;
}

}  // namespace modDB

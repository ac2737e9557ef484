// Header load and save. Saving over a database rebuilds every record in the new
// layout, carrying each value over by field name; the new file is built beside the
// database as base + ".QfB", flushed to disk, and only then does the old file become
// base + ".Bak" and the new one take the database's name. At every moment the
// previous database is whole in base + ".Qfd" or in base + ".Bak".
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "engine/DatabaseFile.h"
#include "engine/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/History.h"
#include "engine/SaveLoss.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

namespace modDB {

using detail::S;

namespace {

FormHeader& H() { return S().header; }

// Where an old field's value goes in the new record.
struct Carry {
  int32_t from, to, length;
};

// Fields that keep their name keep their values: old slot j goes to the new slot of
// the same name, cut to the new length.
std::vector<Carry> CarryPlan(const FormHeader& old) {
  std::vector<Carry> plan;
  for (int j = 1; j <= old.FieldCount; ++j) {
    const FieldDef& of = old.Fields[j];
    const int16_t k = FindField(of.Name.Trimmed());
    if (k == 0) continue;
    const FieldDef& nf = H().Fields[k];
    plan.push_back({of.Offset, nf.Offset, std::min<int32_t>(of.Length, nf.Length)});
  }
  return plan;
}

// Writes the new file (header, then `count` records rebuilt from `old`) to `work`,
// and flushes it to disk.
void BuildNewFile(const std::string& work, int oldFd, const FormHeader& old, int32_t count) {
  detail::Fd out(detail::OpenFile(work, O_WRONLY | O_CREAT | O_TRUNC));
  HeaderBytes head{};
  EncodeHeader(H(), head.data());
  detail::WriteAt(out.get(), head.data(), head.size(), 0);
  int64_t outPos = kHeaderSize;

  if (count > 0) {
    Host& host = GetHost();
    const std::vector<Carry> plan = CarryPlan(old);
    const size_t oldLen = static_cast<size_t>(old.RecordLength);
    const size_t newLen = static_cast<size_t>(H().RecordLength);
    const size_t perBlock = detail::RecordsPerBlock(std::max(oldLen, newLen));
    std::vector<char> buf;
    buf.reserve(perBlock * newLen);
    detail::ReadRecordBlocks(
        oldFd, oldLen, count, perBlock,
        [&](int32_t i, const char* src) {
          host.DoEvents();
          host.ShowPer(i, count);
          const size_t at = buf.size();
          buf.resize(at + newLen, ' ');
          char* dst = buf.data() + at;
          for (const Carry& c : plan) std::copy_n(src + c.from, c.length, dst + c.to);
          dst[0] = src[0];  // the deletion mark travels with the record
        },
        [&] {
          detail::WriteAt(out.get(), buf.data(), buf.size(), outPos);
          detail::StartWriteBack(out.get(), outPos, static_cast<int64_t>(buf.size()));
          outPos += static_cast<int64_t>(buf.size());
          buf.clear();
        });
  }
  detail::SyncFile(out.get());
  detail::CloseFile(out.release());
}

// Makes `work` the database: the old file (if any) becomes the backup. The database
// name never goes missing: the backup is first made a second name of the database
// (replacing the previous backup in one step), then the new file takes the
// database's name in one step.
void PutInPlace(const std::string& file, const std::string& backup, const std::string& work, bool existing) {
  if (existing) detail::LinkOver(file, backup);
  existing ? detail::RenameFile(work, file) : detail::RenameToFreeName(work, file);
  detail::SyncFolderOf(file);
}

}  // namespace

int16_t LoadHeader(const std::string& name) {
  const char* title = "LOAD HEADER";
  std::string n = name;
  const std::string file = BaseFileName(n) + ".Qfd";
  if (!detail::IsFile(file)) {
    Fail(title, "File not found");
    return 0;
  }
  FormHeader h;
  std::string damage;
  try {
    detail::Fd fd(detail::OpenFile(file, O_RDONLY));
    damage = detail::ReadCheckedHeader(fd.get(), file, h);
  } catch (const std::exception& e) {
    Fail("LoadHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  if (!damage.empty()) {
    Fail(title, damage);
    return 0;
  }
  H() = h;
  return 1;
}

int16_t SaveHeader(std::string& name) {
  const char* title = "SAVE HEADER";
  name = modLIB::Trim(name);
  if (name.empty()) {
    Fail(title, "Invalid File Name");
    return 0;
  }
  AssignOffsets();
  if (H().RecordLength == 1) {
    Fail(title, "No fields defined!");
    return 0;
  }
  if (H().RecordLength > kMaxRecordLength) {
    Fail(title, "Maximum Record Length can be " + std::to_string(kMaxRecordLength));
    return 0;
  }
  {
    // A definition put together outside the designer's operations must still make
    // a file that every program can open.
    FormHeader probe = H();
    probe.RecordCount = 0;
    if (std::string why = CheckLayout(probe); !why.empty()) {
      Fail(title, "The form definition cannot be saved: " + why);
      return 0;
    }
  }
  std::string n = name;
  const std::string file = BaseFileName(n) + ".Qfd";
  const bool existing = detail::IsFile(file);
  // For a symbolic link, the backup and the working file sit beside its target.
  const detail::Companions names = detail::Companions::Of(file);
  const std::string& real = names.Database();
  const std::string work = names.Work(), backup = names.Backup();
  const int32_t keptCount = H().RecordCount;

  if (!existing) {
    try {
      H().RecordCount = 0;
      BuildNewFile(work, -1, H(), 0);
      auto logged = detail::LogDesignSave(file, H(), -1, H(), 0);
      PutInPlace(file, backup, work, false);
      logged.Done();
      return 1;
    } catch (const std::exception& e) {
      H().RecordCount = keptCount;
      try {
        detail::RemoveFile(work);
      } catch (const std::exception&) {
      }
      Fail("SaveHeader", detail::UnexpectedError(e, file));
      return 0;
    }
  }

  // The old file is opened for writing: a database that may not be written is not
  // replaced either, and only a writer may hold it alone.
  FormHeader old;
  detail::Fd oldFd;
  std::string damage;
  try {
    if (const std::string why = detail::ReplaceRefusal(real); !why.empty()) {
      Fail(title, "FILE:" + file + " cannot be written: " + why);
      return 0;
    }
    try {
      oldFd = detail::Fd(detail::OpenFile(real, O_RDWR));
    } catch (const detail::FileError& e) {
      const int err = e.code().value();
      if (err != EACCES && err != EPERM && err != EROFS && err != ETXTBSY) throw;
      Fail(title, "FILE:" + file + " cannot be written: " + std::strerror(err));
      return 0;
    }
    damage = detail::ReadCheckedHeader(oldFd.get(), file, old);
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  // Another program of ours that has the database open would go on writing into the
  // file that becomes the backup: refused before the question, and again after it.
  if (detail::OpenElsewhere(oldFd.get())) {
    Fail(title, detail::OpenElsewhereText(file));
    return 0;
  }

  int32_t count = 0;
  if (!damage.empty()) {
    // A damaged file's records cannot be carried over; but the new design may
    // replace it, the damaged file becoming the backup.
    if (GetHost().MsgBox("File contains records!\r\nRecover data?", vbYesNo, "Recover Data") == vbYes) {
      Fail(title, damage);
      return 0;
    }
  } else if (old.RecordCount > 0) {
    if (GetHost().MsgBox("File contains records!\r\nRecover data?", vbYesNo, "Recover Data") == vbYes) {
      count = -1;  // every record, counted under the lock
    } else {
      // No leaves the new file empty: the records live on in the backup alone, which
      // the next save or pack replaces. Said with the count, and asked once more.
      const bool one = old.RecordCount == 1;
      const std::string what = one ? "The record" : "The " + std::to_string(old.RecordCount) + " records";
      const std::string text = what + " of " + file + (one ? " is" : " are") +
                               " not carried over: the new file has no records, and " +
                               (one ? "it stays" : "they stay") + " only in " + backup +
                               " until the next save or pack replaces it.\r\nSave without " + (one ? "it" : "them") +
                               "?";
      if (GetHost().MsgBox(text, vbYesNo | vbExclamation | vbDefaultButton2, "Recover Data") != vbYes) return 0;
    }
  }
  try {  // what a shorter or missing field would lose is said first; declined, nothing is written
    if (count != 0 && !AcceptSaveLoss(old, oldFd.get())) return 0;
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  bool sole = false;
  try {
    sole = detail::TakeSoleUse(oldFd.get());
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  if (!sole) {
    Fail(title, detail::OpenElsewhereText(file));
    return 0;
  }
  bool recovering = false;
  try {
    // No append may fall between the copy and the replacement.
    detail::WriterLock lock(oldFd.get());
    if (!detail::StillNamed(oldFd.get(), real)) {
      Fail(title, detail::ReplacedText(file) + "\r\nNothing was changed: save again.");
      return 0;
    }
    if (count < 0 && !detail::ReadRecordCount(oldFd.get(), count)) count = old.RecordCount;
    count = std::max(count, 0);
    recovering = count > 0;
    H().RecordCount = count;
    BuildNewFile(work, damage.empty() ? oldFd.get() : -1, old, count);
    auto logged = detail::LogDesignSave(file, old, damage.empty() ? old.RecordCount : 0, H(), count);
    PutInPlace(real, backup, work, true);
    logged.Done();
  } catch (const std::exception& e) {
    H().RecordCount = keptCount;
    try {
      detail::RemoveFile(work);
    } catch (const std::exception&) {
    }
    GetHost().HidePer();
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  if (recovering) GetHost().HidePer();
  return 1;
}

}  // namespace modDB

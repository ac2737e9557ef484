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

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/history/History.h"
#include "engine/store/SaveLoss.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "engine/files/Companions.h"
#include "engine/store/FileReplace.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

namespace modDB {

using detail::S;

namespace {

// Where an old field's value goes in the new record.
struct Carry {
  int32_t from, to, length;
};

// Fields that keep their name keep their values: old slot j goes to the slot of the
// same name in `now`, cut to the new length.
std::vector<Carry> CarryPlan(const FormHeader& now, const FormHeader& old) {
  std::vector<Carry> plan;
  for (int j = 1; j <= old.FieldCount; ++j) {
    const FieldDef& of = old.Fields[j];
    const int16_t k = FindField(now, of.Name.Trimmed());
    if (k == 0) continue;
    const FieldDef& nf = now.Fields[k];
    plan.push_back({of.Offset, nf.Offset, std::min<int32_t>(of.Length, nf.Length)});
  }
  return plan;
}

// Writes the new file: the definition `now` as its header, then `count` records
// rebuilt from those of `old` in the open file `oldFd`, in one pass.
void BuildNewFile(detail::FileReplace& out, const FormHeader& now, int oldFd, const FormHeader& old, int32_t count) {
  out.WriteHeader(now);
  if (count > 0) {
    Host& host = GetHost();
    const std::vector<Carry> plan = CarryPlan(now, old);
    detail::CopyRecords(oldFd, static_cast<size_t>(old.RecordLength), count, out,
                        static_cast<size_t>(now.RecordLength), [&](int32_t i, const char* src, char* dst) {
                          host.DoEvents();
                          host.ShowPer(i, count);
                          for (const Carry& c : plan) std::copy_n(src + c.from, c.length, dst + c.to);
                          dst[0] = src[0];  // the deletion mark travels with the record
                          return true;
                        });
  }
  out.Complete();
}

// Whether two headers describe the same form, their record counts aside.
bool SameLayout(const FormHeader& a, const FormHeader& b) {
  HeaderBytes x{}, y{};
  FormHeader a0 = a, b0 = b;
  a0.RecordCount = b0.RecordCount = 0;
  EncodeHeader(a0, x.data());
  EncodeHeader(b0, y.data());
  return x == y;
}

// The checks that come before any file is touched; false after their message.
bool CheckDesign(FormHeader& h, const char* title) {
  AssignOffsets(h);
  if (h.RecordLength == 1) {
    Fail(title, "No fields defined!");
    return false;
  }
  if (h.RecordLength > kMaxRecordLength) {
    Fail(title, "Maximum Record Length can be " + std::to_string(kMaxRecordLength));
    return false;
  }
  // A definition put together outside the designer's operations must still make a
  // file that every program can open.
  FormHeader probe = h;
  probe.RecordCount = 0;
  if (std::string why = CheckLayout(probe); !why.empty()) {
    Fail(title, "The form definition cannot be saved: " + why);
    return false;
  }
  return true;
}

// A new database: the header alone.
int16_t SaveNewDatabase(FormHeader& h, const std::string& file, const detail::Companions& names) {
  const int32_t keptCount = h.RecordCount;
  try {
    h.RecordCount = 0;
    detail::FileReplace out(names);
    BuildNewFile(out, h, -1, h, 0);
    auto logged = detail::LogDesignSave(file, h, -1, h, 0);
    out.PutInPlace(false);
    logged.Done();
    return 1;
  } catch (const std::exception& e) {
    h.RecordCount = keptCount;
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
}

// The existing database, opened for writing (a database that may not be written is
// not replaced either, and only a writer may hold it alone), and its header as read
// now, or its damage. False after a message.
bool OpenOld(const char* title, const std::string& file, const std::string& real, detail::Fd& fd, FormHeader& old,
             std::string& damage) {
  try {
    if (const std::string why = detail::ReplaceRefusal(real); !why.empty()) {
      Fail(title, "FILE:" + file + " cannot be written: " + why);
      return false;
    }
    try {
      fd = detail::Fd(detail::OpenFile(real, O_RDWR));
    } catch (const detail::FileError& e) {
      const int err = e.code().value();
      if (err != EACCES && err != EPERM && err != EROFS && err != ETXTBSY) throw;
      Fail(title, "FILE:" + file + " cannot be written: " + std::strerror(err));
      return false;
    }
    damage = detail::ReadCheckedHeader(fd.get(), file, old);
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return false;
  }
  // Another program of ours that has the database open would go on writing into the
  // file that becomes the backup: refused before the question, and again after it.
  if (detail::OpenElsewhere(fd.get())) {
    Fail(title, detail::OpenElsewhereText(file));
    return false;
  }
  return true;
}

// Takes the database for this program alone; false after a message.
bool TakeSoleUse(const char* title, const std::string& file, int fd) {
  bool sole = false;
  try {
    sole = detail::TakeSoleUse(fd);
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return false;
  }
  if (!sole) Fail(title, detail::OpenElsewhereText(file));
  return sole;
}

// What the answers before the lock decided.
struct Answers {
  bool asked = false;     // the file held records (or was damaged) when they were given
  bool recover = false;   // the records are carried over
  bool damaged = false;
};

// Under the writers' lock: the old header read again (everything the new file is
// built from is read now), the new file built from it and put in place. 1 done; 0
// after a message; -1 when the file changed since the answers in a way they did not
// cover (nothing is written, the save starts over).
int16_t RebuildUnderLock(FormHeader& h, const char* title, const std::string& file, const detail::Companions& names,
                         int fd, FormHeader old, const Answers& a) {
  // No append may fall between the copy and the replacement.
  detail::WriterLock lock(fd);
  if (!detail::StillNamed(fd, names.Database())) {
    Fail(title, detail::ReplacedText(file) + "\r\nNothing was changed: save again.");
    return 0;
  }
  if (!a.damaged) {
    FormHeader now;
    if (!detail::ReadCheckedHeader(fd, file, now).empty() || !SameLayout(now, old) ||
        (!a.asked && now.RecordCount > 0))
      return -1;
    old = now;
  }
  const int32_t count = a.recover ? std::max(old.RecordCount, 0) : 0;
  h.RecordCount = count;
  detail::FileReplace out(names);
  BuildNewFile(out, h, fd, old, count);
  auto logged = detail::LogDesignSave(file, old, a.damaged ? 0 : old.RecordCount, h, count);
  out.PutInPlace(true);
  logged.Done();
  return 1;
}

// One attempt at saving over an existing database; -1 when it must start over.
int16_t SaveOver(Database& d, const char* title, const std::string& file, const detail::Companions& names) {
  FormHeader old;
  detail::Fd oldFd;
  std::string damage;
  if (!OpenOld(title, file, names.Database(), oldFd, old, damage)) return 0;

  int32_t count = 0;
  const bool asked = !damage.empty() || old.RecordCount > 0;
  if (!damage.empty()) {
    // A damaged file's records cannot be carried over; but the new design may
    // replace it, the damaged file becoming the backup.
    if (d.Ask("File contains records!\r\nRecover data?", vbYesNo, "Recover Data") == vbYes) {
      Fail(title, damage);
      return 0;
    }
  } else if (old.RecordCount > 0) {
    if (d.Ask("File contains records!\r\nRecover data?", vbYesNo, "Recover Data") == vbYes) {
      count = -1;  // every record, counted under the lock
    } else {
      // No leaves the new file empty: the records live on in the backup alone, which
      // the next save or pack replaces. Said with the count, and asked once more.
      const bool one = old.RecordCount == 1;
      const std::string what = one ? "The record" : "The " + std::to_string(old.RecordCount) + " records";
      const std::string text = what + " of " + file + (one ? " is" : " are") +
                               " not carried over: the new file has no records, and " +
                               (one ? "it stays" : "they stay") + " only in " + names.Backup() +
                               " until the next save or pack replaces it.\r\nSave without " + (one ? "it" : "them") +
                               "?";
      if (d.Ask(text, vbYesNo | vbExclamation | vbDefaultButton2, "Recover Data") != vbYes) return 0;
    }
  }
  try {  // what a shorter or missing field would lose is said first; declined, nothing is written
    if (count != 0 && !AcceptSaveLoss(d, old, oldFd.get())) return 0;
  } catch (const std::exception& e) {
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
  if (!TakeSoleUse(title, file, oldFd.get())) return 0;
  FormHeader& h = d.header;
  const int32_t keptCount = h.RecordCount;
  try {
    const int16_t done = RebuildUnderLock(h, title, file, names, oldFd.get(), old, {asked, count != 0, !damage.empty()});
    if (done != 1) h.RecordCount = keptCount;
    if (count != 0) GetHost().HidePer();
    return done;
  } catch (const std::exception& e) {
    h.RecordCount = keptCount;
    GetHost().HidePer();
    Fail("SaveHeader", detail::UnexpectedError(e, file));
    return 0;
  }
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
  S().header = h;
  return 1;
}

int16_t SaveHeader(std::string& name) { return SaveHeader(S(), name); }

int16_t SaveHeader(Database& d, std::string& name) {
  const char* title = "SAVE HEADER";
  name = modLIB::Trim(name);
  if (name.empty()) {
    Fail(title, "Invalid File Name");
    return 0;
  }
  if (!CheckDesign(d.header, title)) return 0;
  std::string n = name;
  const std::string file = BaseFileName(n) + ".Qfd";
  // For a symbolic link, the backup and the working file sit beside its target.
  const detail::Companions names = detail::Companions::Of(file);
  if (!detail::IsFile(file)) return SaveNewDatabase(d.header, file, names);
  // Records that come into an empty database, or a layout changed, between the
  // questions and the lock start the save over: it asks again.
  for (int round = 0; round < 4; ++round)
    if (const int16_t done = SaveOver(d, title, file, names); done >= 0) return done;
  Fail(title, "FILE:" + file + " kept changing while it was saved over.\r\nNothing was changed: save again.");
  return 0;
}

}  // namespace modDB

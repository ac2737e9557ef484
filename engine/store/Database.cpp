// A Database's own operations: opening and closing its file, and reading and writing
// one field of a record straight through the file layout, as the form script uses
// its second database.
#include "engine/Database.h"

#include <cstring>
#include <exception>
#include <system_error>

#include "engine/files/DatabaseFile.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/history/History.h"
#include "engine/Host.h"
#include "engine/StoreCommon.h"
#include "engine/store/WriteTxn.h"
#include "lib/modLIB.h"

namespace modDB {

Database& CurrentDatabase() {
  static Database current;
  return current;
}

Database::~Database() {
  if (fd >= 0) detail::CloseQuietly(fd);
}

void Database::ResetOpen() {
  fd = -1;
  fileNumber = 0;
  DatabaseName.clear();
  CurrentRecord = 0;
  RecordText.clear();
  RecordAsRead.clear();
  FieldsAsRead.clear();
  readOnlyWhy.clear();
}

Status Database::Open(const std::string& path) {
  if (!detail::IsFile(path)) return {Status::NotFound, path, "not found", ""};
  detail::DatabaseFile db;
  FormHeader h;
  std::string damage;
  try {
    db = detail::OpenDatabaseFile(path);
    damage = detail::ReadCheckedHeader(db.fd.get(), path, h);
  } catch (const std::exception& e) {
    return {Status::Failed, path, detail::UnexpectedError(e, path), "Open Database"};
  }
  if (!damage.empty()) return {Status::Unusable, path, damage, ""};
  header = h;
  fd = db.fd.release();
  fileNumber = static_cast<int16_t>(fd > 0 && fd < 32767 ? fd : 1);
  DatabaseName = path.substr(0, path.size() - 4);
  readOnlyWhy = db.readOnlyWhy;
  RecordAsRead.clear();
  FieldsAsRead.clear();
  RecordText.assign(static_cast<size_t>(h.RecordLength), ' ');
  CurrentRecord = h.RecordCount < 1 ? 0 : 1;
  return {Status::Ok, path, "", ""};
}

void Database::Close() {
  if (!IsOpen()) return;
  detail::ForgetHistory(FileName());
  detail::CloseQuietly(fd);
  ResetOpen();
}

Status Database::ReadFieldOf(int32_t n, int16_t slot, std::string& out) {
  const FieldDef& f = header.Fields[slot];
  std::string bytes(static_cast<size_t>(f.Length), ' ');
  size_t got = 0;
  try {
    got = detail::ReadAt(fd, bytes.data(), bytes.size(), RecordPosition(n, header.RecordLength) + f.Offset);
  } catch (const std::exception& e) {
    return {Status::Failed, FileName(), e.what(), ""};
  }
  FieldsAsRead[{n, slot}] = bytes;
  out.assign(bytes, 0, got);
  return {Status::Ok, FileName(), "", ""};
}

Status Database::WriteFieldOf(int32_t n, int16_t slot, const std::string& text, const char* who) {
  const std::string file = FileName();
  if (!readOnlyWhy.empty()) return {Status::ReadOnly, file, readOnlyWhy, ""};
  const FieldDef& f = header.Fields[slot];
  const std::string bytes = modLIB::PadRight(text, static_cast<size_t>(f.Length));
  const int64_t at = RecordPosition(n, header.RecordLength);
  try {
    detail::WriteTxn txn(fd, file);
    if (!txn.StillNamed()) return {Status::Replaced, file, detail::ReplacedText(file), ""};
    // The record as it is and as it will be, for the history.
    std::string before(static_cast<size_t>(header.RecordLength), ' ');
    detail::ReadAt(fd, before.data(), before.size(), at);
    const auto seen = FieldsAsRead.find({n, slot});
    const std::string inFile = before.substr(static_cast<size_t>(f.Offset), bytes.size());
    if (seen != FieldsAsRead.end() && detail::ChangedSinceRead(inFile, seen->second, bytes))
      return {Status::Changed, file, detail::ChangedSinceReadText(file, n, f), ""};
    std::string after = before;
    after.replace(static_cast<size_t>(f.Offset), bytes.size(), bytes);
    txn.Log(detail::LogChange(file, header, n, before, after, nullptr, who));
    txn.FillTo(at + header.RecordLength);
    txn.Write(bytes.data(), bytes.size(), at + f.Offset);
    txn.Done();
  } catch (const std::system_error& e) {
    return {Status::Failed, file, std::strerror(e.code().value()), ""};
  } catch (const std::exception& e) {
    return {Status::Failed, file, e.what(), ""};
  }
  FieldsAsRead[{n, slot}] = bytes;
  return {Status::Ok, file, "", ""};
}

int Database::Ask(const std::string& text, int style, const std::string& title) const {
  return answerer ? answerer(text, style, title) : GetHost().MsgBox(text, style, title);
}

}  // namespace modDB

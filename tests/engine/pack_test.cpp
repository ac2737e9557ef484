// Pack: the question, the records kept and their order, the backup, the reopening,
// and the failures that leave the database as it was.
#include <cerrno>
#include <filesystem>

#include "engine/files/FileIo.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;
using qftest::I32At;
using qftest::kHead;
using qftest::ReadFile;
namespace fs = std::filesystem;

namespace {

class Pack : public StoreTest {
 protected:
  std::string FiveRecords(bool markSome) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 5; ++i)
      rows.push_back({std::string(markSome && (i == 2 || i == 4) ? "*" : "") + "r" + std::to_string(i), "v"});
    return MakeDb("db", {{"A", 4}, {"B", 2}}, rows);
  }
};

}  // namespace

TEST_F(Pack, RemovesTheMarkedRecordsAndKeepsTheRestInOrder) {
  const std::string path = FiveRecords(true);
  const std::string before = ReadFile(path + ".Qfd");
  Open(path);
  modDB::SetRecordNo(5);
  host.replies.push_back(modDB::vbYes);
  ASSERT_EQ(modDB::PackRecords(), 1) << host.Last();

  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Pack");
  EXPECT_EQ(host.boxes[0].text,
            "Pack removes the records marked for deletion for good and numbers the other records again from 1.\r\n"
            "The file as it is now is kept as the backup (\".Bak\"), in place of the previous one.\r\nContinue?");
  EXPECT_EQ(host.boxes[0].style, modDB::vbYesNo | modDB::vbDefaultButton2);
  EXPECT_EQ(host.showPer, 5);
  EXPECT_EQ(host.doEvents, 5);
  EXPECT_EQ(host.lastTotal, 5);
  EXPECT_EQ(host.hidePer, 1);

  EXPECT_NE(modDB::GetFileNumber(), 0);
  EXPECT_EQ(modDB::GetRecordNo(), 1);
  EXPECT_EQ(modDB::GetRecordCount(), 3);
  const std::string after = ReadFile(path + ".Qfd");
  EXPECT_EQ(I32At(after, 0), 3);
  EXPECT_EQ(after.substr(4, kHead - 4), before.substr(4, kHead - 4));  // only the count changed
  EXPECT_EQ(after.substr(kHead), " r1  v  r3  v  r5  v ");
  EXPECT_EQ(ReadFile(path + ".Bak"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB"));

  // A second pack with nothing marked rewrites the same records.
  host.Clear();
  host.replies.push_back(modDB::vbYes);
  ASSERT_EQ(modDB::PackRecords(), 1);
  EXPECT_EQ(ReadFile(path + ".Qfd"), after);
  EXPECT_EQ(ReadFile(path + ".Bak"), after);
}

TEST_F(Pack, RecordsAppendedByAnotherProgramSinceTheCountWasReadAreKept) {
  const std::string path = FiveRecords(false);
  Open(path);
  // Another program appends record 6 (the record, then the count).
  qftest::WriteFile(path + ".Qfd", qftest::WithI32(ReadFile(path + ".Qfd"), 0, 6) + " r6  w ");
  host.replies.push_back(modDB::vbYes);
  ASSERT_EQ(modDB::PackRecords(), 1);
  EXPECT_EQ(modDB::GetRecordCount(), 6);
  EXPECT_EQ(ReadFile(path + ".Qfd").substr(kHead + 5 * 7), " r6  w ");
}

TEST_F(Pack, AnsweringNoChangesNothing) {
  const std::string path = FiveRecords(true);
  const std::string before = ReadFile(path + ".Qfd");
  Open(path);
  modDB::SetRecordNo(3);
  EXPECT_EQ(modDB::PackRecords(), 0);  // no reply: the default button, No
  host.replies.push_back(modDB::vbNo);
  EXPECT_EQ(modDB::PackRecords(), 0);
  EXPECT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(modDB::GetRecordNo(), 3);
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".Bak"));
  EXPECT_FALSE(fs::exists(path + ".QfB"));
}

TEST_F(Pack, AnEmptyDatabaseSaysSoAndIsOpenAgain) {
  const std::string path = MakeDb("db", {{"A", 4}}, {});
  Open(path);
  host.replies.push_back(modDB::vbYes);
  ASSERT_EQ(modDB::PackRecords(), 1);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].title, "GOTO FIRST RECORD");
  EXPECT_EQ(host.boxes[1].text, "DB is empty");
  EXPECT_NE(modDB::GetFileNumber(), 0);
  EXPECT_EQ(modDB::GetRecordNo(), 0);
  EXPECT_EQ(ReadFile(path + ".Qfd").size(), kHead);
  EXPECT_TRUE(fs::exists(path + ".Bak"));
}

TEST_F(Pack, AReadOnlyBackupStopsThePackBeforeAnythingIsWritten) {
  const std::string path = FiveRecords(true);
  Open(path);
  host.replies.push_back(modDB::vbYes);
  ASSERT_EQ(modDB::PackRecords(), 1);
  const std::string packed = ReadFile(path + ".Qfd"), backup = ReadFile(path + ".Bak");
  fs::permissions(path + ".Bak", fs::perms::owner_read);
  modDB::SetRecordNo(2);
  modDB::DeleteRecord();
  const std::string marked = ReadFile(path + ".Qfd");
  host.Clear();
  host.hidePer = 0;
  host.replies.push_back(modDB::vbYes);
  EXPECT_EQ(modDB::PackRecords(), 0);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".Bak: Permission denied");
  EXPECT_EQ(host.hidePer, 1);
  EXPECT_EQ(ReadFile(path + ".Qfd"), marked);
  EXPECT_EQ(ReadFile(path + ".Bak"), backup);
  EXPECT_FALSE(fs::exists(path + ".QfB"));
  // Still open, where it was.
  EXPECT_NE(modDB::GetFileNumber(), 0);
  EXPECT_EQ(modDB::GetRecordNo(), 2);
  EXPECT_EQ(modDB::IsDeleted(), -1);
}

// A failure names the file it happened to: the working file when the disk is full,
// the backup when its name is taken by a folder. The database stays as it was.
TEST_F(Pack, AFailureNamesTheFileItHappenedTo) {
  const std::string path = FiveRecords(true);
  const std::string before = ReadFile(path + ".Qfd");
  Open(path);
  modDB::detail::SetIoFaultHook([](modDB::detail::IoCall call, int) { return call == modDB::detail::IoCall::Write ? ENOSPC : 0; });
  host.replies.push_back(modDB::vbYes);
  EXPECT_EQ(modDB::PackRecords(), 0);
  modDB::detail::SetIoFaultHook(nullptr);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".QfB: No space left on device");
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB"));

  fs::create_directory(path + ".Bak");
  host.replies.push_back(modDB::vbYes);
  EXPECT_EQ(modDB::PackRecords(), 0);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".Bak: Is a directory");
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".Bak.~new"));
}

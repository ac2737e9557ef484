// Pack: the question, the records kept and their order, the backup, the reopening,
// and the answers and failures that leave the database as it was.
#include <cerrno>

#include "engine/files/FileIo.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

class Pack : public StoreTest {
 protected:
  // Records r1 ... r5 (r2 and r4 marked), opened.
  std::string FiveRecords() {
    const std::string path = MakeDb("db", {{"A", 4}, {"B", 2}},
                                    {{"r1", "v"}, {"*r2", "v"}, {"r3", "v"}, {"*r4", "v"}, {"r5", "v"}});
    Open(path);
    return path;
  }
};

}  // namespace

TEST_F(Pack, RemovesTheMarkedRecordsKeepsTheRestInOrderAndOneAppendedMeanwhile) {
  const std::string path = FiveRecords(), file = path + ".Qfd", before = ReadFile(file);
  modDB::SetRecordNo(5);
  ASSERT_EQ(PackYes(), 1) << host.Last();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.Last(),
            "Pack: Pack removes the records marked for deletion for good and numbers the other records again from 1."
            "\r\nThe file as it is now is kept as the backup (\".Bak\"), in place of the previous one.\r\nContinue?");
  EXPECT_EQ(host.boxes[0].style, modDB::vbYesNo | modDB::vbDefaultButton2);
  EXPECT_EQ(host.Progress(), (std::vector<int>{5, 5, 5, 5, 1}));
  EXPECT_EQ(std::make_tuple(modDB::GetFileNumber() != 0, modDB::GetRecordNo(), modDB::GetRecordCount()),
            std::make_tuple(true, 1, 3));  // open again, at its first record
  std::string after = ReadFile(file);  // of the header only the count changed
  EXPECT_EQ(after, qftest::WithI32(before, 0, 3).substr(0, kHead) + " r1  v  r3  v  r5  v ");
  EXPECT_EQ(ReadFile(path + ".Bak"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB"));

  // Another program appends record 4 (the record, then the count) since the count was
  // read; a second pack, with nothing marked, rewrites the same records and keeps it.
  after = qftest::WithI32(after, 0, 4) + " r6  w ";
  qftest::WriteFile(file, after);
  host.Clear();
  ASSERT_EQ(PackYes(), 1);
  EXPECT_EQ(modDB::GetRecordCount(), 4);
  EXPECT_EQ(ReadFile(file), after);
  EXPECT_EQ(ReadFile(path + ".Bak"), after);
}

TEST_F(Pack, AnEmptyDatabaseSaysSoAndIsOpenAgain) {
  const std::string path = MakeDb("db", {{"A", 4}}, {});
  Open(path);
  ASSERT_EQ(PackYes(), 1);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.Last(), "GOTO FIRST RECORD: DB is empty");
  EXPECT_EQ(std::make_tuple(modDB::GetFileNumber() != 0, modDB::GetRecordNo(), ReadFile(path + ".Qfd").size()),
            std::make_tuple(true, 0, kHead));
  EXPECT_TRUE(fs::exists(path + ".Bak"));
}

// No (or no answer: the default button) changes nothing. A failure names the file it
// happened to: the working file when the disk is full, the backup when it is read-only
// or its name is taken by a folder. The database stays as it was, open where it was.
TEST_F(Pack, AnswersAndFailuresLeaveTheDatabaseAsItWas) {
  const std::string path = FiveRecords(), before = ReadFile(path + ".Qfd");
  modDB::SetRecordNo(3);
  EXPECT_EQ(modDB::PackRecords(), 0);
  host.replies.push_back(modDB::vbNo);
  EXPECT_EQ(modDB::PackRecords(), 0);
  EXPECT_EQ(host.boxes.size(), 2u);
  EXPECT_FALSE(fs::exists(path + ".Bak"));

  modDB::detail::SetIoFaultHook([](modDB::detail::IoCall call, int) { return call == modDB::detail::IoCall::Write ? ENOSPC : 0; });
  EXPECT_EQ(PackYes(), 0);
  modDB::detail::SetIoFaultHook(nullptr);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".QfB: No space left on device");
  EXPECT_FALSE(fs::exists(path + ".Bak"));

  qftest::WriteFile(path + ".Bak", "backup");
  fs::permissions(path + ".Bak", fs::perms::owner_read);
  host.hidePer = 0;
  EXPECT_EQ(PackYes(), 0);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".Bak: Permission denied");
  EXPECT_EQ(host.hidePer, 1);
  EXPECT_EQ(ReadFile(path + ".Bak"), "backup");

  fs::remove(path + ".Bak");
  fs::create_directory(path + ".Bak");
  EXPECT_EQ(PackYes(), 0);
  EXPECT_EQ(host.Last(), "Pack Database: Unexpected Error: FILE:" + path + ".Bak: Is a directory");
  EXPECT_FALSE(fs::exists(path + ".Bak.~new"));

  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB"));
  EXPECT_EQ(std::make_tuple(modDB::GetFileNumber() != 0, modDB::GetRecordNo(), modDB::IsDeleted()),
            std::make_tuple(true, 3, 0));
}

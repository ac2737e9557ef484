// Damaged, short, read-only and oddly named databases: the store keeps every record,
// refuses what it cannot do with a message that says why, and never writes a file it
// should not.

#include "engine/Database.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

// A: 3 at 1, B: 4 at 4; record length 8.
class Safety : public StoreTest {
 protected:
  std::string Db(int records, const std::string& name = "db") {
    std::vector<std::vector<std::string>> rs;
    for (int i = 1; i <= records; ++i) rs.push_back({"a" + std::to_string(i), "b" + std::to_string(i)});
    return MakeDb(name, {{"A", 3}, {"B", 4}}, rs);
  }
  static std::string Rec(const std::string& bytes, int n) { return qftest::RecordAt(bytes, n, 8); }
};

}  // namespace

TEST_F(Safety, WritesBeyondTheEndOfAShortFileFillTheGapWithBlankRecords) {
  const std::string path = Db(1), file = path + ".Qfd", blank(8, ' ');
  auto reopen = [&](const std::string& bytes) { modDB::CloseDatabase(), WriteFile(file, bytes), Open(path); };
  // The count says 5; the file holds record 1 cut after "b". Reading writes nothing.
  const std::string cut = WithI32(ReadFile(file), 0, 5).substr(0, kHead + 5);
  WriteFile(file, cut);
  Open(path);
  std::vector<std::string> read;
  for (const int32_t n : {3, 1}) read.push_back(modDB::SetRecordNo(n) == 1 ? modDB::GetRecordText() : "not read");
  EXPECT_EQ(read, (std::vector<std::string>{blank, " a1 b   "}));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(ReadFile(file), cut);
  ASSERT_EQ(modDB::SetRecordNo(3), 1);
  modDB::WriteField(1, "x3");
  ASSERT_EQ(modDB::WriteRecord(), 1) << host.Last();
  std::string bytes = ReadFile(file);
  EXPECT_EQ(bytes.substr(kHead), " a1 b   " + blank + " x3     " + blank + blank);

  // An append to a short file: the records up to the count are blanks, then the new one.
  reopen(WithI32(bytes.substr(0, kHead + 8), 0, 4));
  modDB::ClearRecord();
  modDB::WriteField(1, "new");
  ASSERT_EQ(modDB::AddRecord(), 1) << host.Last();
  EXPECT_EQ(modDB::GetRecordNo(), 5);
  bytes = ReadFile(file);
  EXPECT_EQ(I32At(bytes, 0), 5);
  EXPECT_EQ(bytes.substr(kHead), " a1 b   " + blank + blank + blank + " new    ");

  // A delete mark beyond the end, and a file cut inside a record.
  reopen(WithI32(bytes.substr(0, kHead + 8 + 3), 0, 3));
  ASSERT_EQ(modDB::SetRecordNo(3), 1);
  ASSERT_EQ(modDB::DeleteRecord(), 1) << host.Last();
  EXPECT_EQ(ReadFile(file).substr(kHead), " a1 b   " + blank + "*       ");  // no zero bytes in the gap

  // A second database's write of a field (as the form script's): B of record 4.
  modDB::CloseDatabase();
  WriteFile(file, WithI32(ReadFile(file), 0, 4));
  modDB::Database other;
  ASSERT_TRUE(other.Open(file));
  EXPECT_TRUE(other.WriteFieldOf(4, 2, "zz"));
  other.Close();
  EXPECT_EQ(ReadFile(file).substr(kHead), " a1 b   " + blank + "*       " + "    zz  ");
}

// Two programs' second databases on one file: a field the other changed since this
// one read it is not written over; the other fields, or a new read, let it write.
TEST_F(Safety, ASecondDatabaseNeverWritesOverAFieldChangedSinceItWasRead) {
  const std::string file = Db(2) + ".Qfd";
  modDB::Database mine, theirs;
  ASSERT_TRUE(mine.Open(file));
  ASSERT_TRUE(theirs.Open(file));
  std::string seen;
  ASSERT_TRUE(mine.ReadFieldOf(1, 1, seen));
  EXPECT_EQ(seen, "a1 ");
  ASSERT_TRUE(theirs.WriteFieldOf(1, 1, "zz"));
  const modDB::Status refused = mine.WriteFieldOf(1, 1, "me");
  EXPECT_EQ(refused.code, modDB::Status::Changed);
  EXPECT_EQ(refused.reason, "FILE:" + file + " record 1 field A was changed in another program since it was read.");
  EXPECT_EQ(Rec(ReadFile(file), 1), " zz b1  ");
  // What the other does to record 1 (slot, value, whether this one reads A again), what
  // this one writes into A and the record then.
  const std::tuple<const char*, int16_t, const char*, bool, const char*, const char*> cases[] = {
      {"read again after their change", 1, "yy", true, "me", " me b1  "},
      {"they changed another field", 2, "tt", false, "mo", " mo tt  "},
      {"they wrote what is written", 1, "mu", false, "mu", " mu tt  "},
  };
  for (const auto& [what, theirSlot, theirValue, readAgain, value, record] : cases) {
    SCOPED_TRACE(what);
    std::string theirSeen;
    ASSERT_TRUE(theirs.ReadFieldOf(1, theirSlot, theirSeen));
    ASSERT_TRUE(theirs.WriteFieldOf(1, theirSlot, theirValue));
    if (readAgain) {
      ASSERT_TRUE(mine.ReadFieldOf(1, 1, seen));
    }
    const modDB::Status written = mine.WriteFieldOf(1, 1, value);
    EXPECT_TRUE(written) << written.reason;
    EXPECT_EQ(Rec(ReadFile(file), 1), record);
  }
}

// A database opened for reading only (as for a user without the permission to write)
// refuses each write; one opened for writing names the reason of a failed write.
TEST_F(Safety, AReadOnlyDatabaseRefusesEachWriteAndErrorsNameTheFile) {
  const std::string path = Db(2), file = path + ".Qfd", before = ReadFile(file);
  // The file cannot be opened for writing (as for a user without the permission).
  modDB::detail::SetIoFaultHook([](modDB::detail::IoCall call, int flags) {
    return call == modDB::detail::IoCall::Open && (flags & O_ACCMODE) != O_RDONLY ? EACCES : 0;
  });
  std::string name = path;
  const int16_t opened = modDB::OpenDatabase(name);
  modDB::detail::SetIoFaultHook(nullptr);
  ASSERT_EQ(opened, 1) << host.Last();
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(Field1(1), "a1");
  ASSERT_EQ(modDB::GotoNextRecord(), 1);
  EXPECT_EQ(Field1(2), "b2");

  modDB::WriteField(1, "zz");
  const std::pair<std::function<int()>, std::string> writes[] = {
      {modDB::WriteRecord, "WRITE RECORD"}, {modDB::AddRecord, "ADD RECORD"},
      {modDB::DeleteRecord, "DELETE RECORD"}, {[] { return modDB::PackRecords(); }, "PACK RECORDS"}};
  for (const auto& [op, title] : writes) {
    host.replies = {modDB::vbYes};  // to the pack's question
    EXPECT_EQ(op(), 0) << title;
    EXPECT_EQ(host.Last(), title + ": FILE:" + file + " cannot be written: Permission denied");
  }
  EXPECT_EQ(modDB::GetRecordCount(), 2);
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_FALSE(fs::exists(path + ".Bak"));
  modDB::CloseDatabase();

  // Opened for writing, a write the disk refuses names the file and the reason.
  Open(path);
  modDB::detail::SetIoFaultHook([](modDB::detail::IoCall call, int) { return call == modDB::detail::IoCall::Write ? ENOSPC : 0; });
  modDB::WriteField(1, "q");
  const int16_t written = modDB::WriteRecord();
  modDB::detail::SetIoFaultHook(nullptr);
  EXPECT_EQ(written, 0);
  EXPECT_EQ(host.Last(), "WriteRecord: Unexpected Error: FILE:" + file + ": No space left on device");
}

// Odd names: ".qfd" twice, a FIFO; and record numbers of five places.
TEST_F(Safety, OddNamesAndNumbersOfFivePlaces) {
  const std::string path = MakeDb("a.qfd.Qfd", {{"A", 3}, {"B", 4}}, {{"a1", "b1"}, {"*a2", "b2"}, {"a3", "b3"}});
  EXPECT_EQ(path, dir / "a.qfd.Qfd");
  Open(path);
  EXPECT_EQ(modDB::GetDatabaseName(), dir / "a.qfd");
  ASSERT_EQ(PackYes(), 1) << host.Last();
  EXPECT_EQ(std::make_tuple(modDB::GetDatabaseName(), modDB::GetRecordCount(), I32At(ReadFile(path), 0)),
            std::make_tuple(dir / "a.qfd", 2, 2));
  EXPECT_TRUE(fs::exists(dir / "a.qfd.Bak"));
  EXPECT_FALSE(fs::exists(dir / "a.Qfd"));
  modDB::CloseDatabase();

  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo((pipe + ".Qfd").c_str(), 0600), 0);
  std::string name = pipe;
  EXPECT_EQ(modDB::OpenDatabase(name), 0);  // returns at once instead of waiting for a writer
  EXPECT_EQ(modDB::LoadHeader(pipe), 0);
  EXPECT_EQ(modDB::GetFileNumber(), 0);

  const auto text = modDB::AutoNumberText;  // the sign's blank goes
  EXPECT_EQ(text(1) + "|" + text(9999) + "|" + text(10000) + "|" + text(65530), " 1| 9999|10000|65530");
}

TEST_F(Safety, ADamagedDatabaseIsReplacedByANewDesignWhenNotRecovered) {
  const std::string path = Db(2);
  std::string damaged = ReadFile(path + ".Qfd");
  damaged[4] = 99;  // the record length no longer agrees with the fields
  WriteFile(path + ".Qfd", damaged);

  Design({{"C", 5}});
  std::string name = path;
  host.replies = {modDB::vbYes};  // recovering is impossible: refused, nothing changes
  EXPECT_EQ(modDB::SaveHeader(name), 0);
  EXPECT_EQ(host.All(), (std::vector<std::string>{"Recover Data: File contains records!\r\nRecover data?",
                                                  "SAVE HEADER: FILE:" + path + ".Qfd is damaged: record length 99 is "
                                                  "not 1 + the sum of the field lengths (8)"}));
  EXPECT_EQ(ReadFile(path + ".Qfd"), damaged);
  EXPECT_FALSE(fs::exists(path + ".Bak"));

  host.Clear();
  host.replies = {modDB::vbNo};
  ASSERT_EQ(modDB::SaveHeader(name), 1) << host.Last();
  EXPECT_EQ(ReadFile(path + ".Bak"), damaged);
  EXPECT_EQ(ReadFile(path + ".Qfd").size(), kHead);
  ASSERT_EQ(modDB::LoadHeader(path), 1) << host.Last();
  EXPECT_EQ(modDB::GetHeader().Fields[1].Name.Trimmed(), "C");
}

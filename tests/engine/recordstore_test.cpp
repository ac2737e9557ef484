// The record store: checks and messages in their order, byte positions in the file,
// the lock, and what other programs see.
#include <sys/resource.h>

#include <atomic>
#include <csignal>

#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

class RecordStore : public StoreTest {
 protected:
  // Fields A (20) and B (3): offsets 1 and 21, RecordLength 24.
  std::string TwoFieldDb(int records) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= records; ++i) rows.push_back({"name" + std::to_string(i), std::to_string(i)});
    return MakeDb("db", {{"A", 20}, {"B", 3}}, rows);
  }
  // Takes (F_WRLCK) or gives back (F_UNLCK) the writers' lock, byte 0, for fd's open
  // file description; 0 when done.
  static int Lock(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl);
  }
  // Whether another open file description could take the writers' lock right now.
  static bool LockIsFree(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDWR);
    const bool free = Lock(fd, F_WRLCK) == 0;
    ::close(fd);
    return free;
  }
};

}  // namespace

TEST_F(RecordStore, EveryOperationWithoutADatabaseSaysSoInItsOwnWords) {
  std::string text = "x";
  using Op = std::function<int()>;
  const std::vector<std::tuple<Op, std::string, std::string>> cases = {
      {modDB::CloseDatabase, "CLOSE DATABASE", "File not open!"},  {modDB::ReadRecord, "READ RECORD", "DB not open"},
      {modDB::WriteRecord, "WRITE RECORD", "DB not open"},         {modDB::AddRecord, "ADD RECORD", "DB not open"},
      {modDB::DeleteRecord, "DELETE RECORD", "DB not open"},       {modDB::IsDeleted, "IS DELETED", "DB not open"},
      {[&] { return modDB::ReadField(1, text); }, "READ FIELD", "DB not open"},
      {[] { return modDB::WriteField(1, "x"); }, "WRITE FIELD", "DB not open"},
      {[] { return static_cast<int>(modDB::GetRecordNo()); }, "GET RECORD NO", "DB not open"},
      {[] { return modDB::SetRecordNo(1); }, "SET RECORD NO", "DB not open"},
      {[] { return static_cast<int>(modDB::GetRecordCount()); }, "GET RECORD COUNT", "DB not open"},
      {modDB::GotoFirstRecord, "GOTO FIRST RECORD", "DB not open!"},
      {modDB::GotoLastRecord, "GOTO LAST RECORD", "DB not open!"},
      {modDB::GotoNextRecord, "GOTO NEXT RECORD", "DB not open!"},
      {modDB::GotoPreviousRecord, "GOTO PREVIOUS RECORD", "DB not open!"},
      {modDB::ClearRecord, "CLEAR RECORD", "DB not open!"},        {modDB::PackRecords, "PACK RECORDS", "DB not open!"},
  };
  for (const auto& [op, title, message] : cases) {
    EXPECT_EQ(op(), 0) << title;
    ASSERT_EQ(host.boxes.size(), 1u) << title;
    ExpectBox(title, message);
  }
  EXPECT_EQ(modDB::GetFileNumber(), 0);
  EXPECT_EQ(text, "x");
}

TEST_F(RecordStore, EmptyDatabaseSaysSoUntilARecordIsAdded) {
  const std::string path = TwoFieldDb(0), empty = ReadFile(path + ".Qfd");
  Open(path);
  EXPECT_EQ(modDB::GetRecordNo(), 0);
  EXPECT_TRUE(host.boxes.empty());
  const std::pair<std::function<int()>, std::string> cases[] = {
      {modDB::ReadRecord, "READ RECORD"},           {modDB::WriteRecord, "WRITE RECORD"},
      {modDB::DeleteRecord, "DELETE RECORD"},       {modDB::IsDeleted, "IS DELETED"},
      {modDB::GotoFirstRecord, "GOTO FIRST RECORD"}, {modDB::GotoLastRecord, "GOTO LAST RECORD"},
      {modDB::GotoNextRecord, ""},                   {modDB::GotoPreviousRecord, ""}};
  for (const auto& [op, title] : cases) {
    EXPECT_EQ(op(), 0) << title;
    if (title.empty()) EXPECT_TRUE(host.boxes.empty());
    else ExpectBox(title, "DB is empty");
  }
  EXPECT_EQ(modDB::SetRecordNo(1), 0);
  ExpectBox("SET RECORD NO", "Record Out of range!");
  EXPECT_EQ(ReadFile(path + ".Qfd"), empty);  // nothing of that wrote

  modDB::WriteField(1, "first");
  EXPECT_EQ(modDB::AddRecord(), 1);
  EXPECT_EQ(modDB::GetRecordNo(), 1);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(ReadFile(path + ".Qfd"), WithI32(empty, 0, 1) + " first" + std::string(18, ' '));
}

TEST_F(RecordStore, OpenChecksNamesAndDamage) {
  const std::string path = TwoFieldDb(2), file = path + ".Qfd";
  for (const auto& [given, box] : std::vector<std::pair<std::string, std::string>>{
           {"   ", "Invalid File Name"},
           {"  " + dir / "missing.Qfd" + " ", "FILE:" + dir / "missing" + " not found!"}}) {
    std::string name = given;
    EXPECT_EQ(modDB::OpenDatabase(name), 0);
    ExpectBox("OPEN DATABASE", box);
  }
  // The extension in any letter case, blanks around: the same database.
  std::string name = " " + path + ".qFD  ", again = path;
  ASSERT_EQ(modDB::OpenDatabase(name), 1);
  EXPECT_EQ(name + "|" + modDB::GetDatabaseName() + "|" + Field1(1), path + "|" + path + "|name1");
  EXPECT_EQ(modDB::OpenDatabase(again), 0);
  ExpectBox("OPEN DATABASE", "FILE:" + path + " already open");
  EXPECT_EQ(modDB::GetRecordNo(), 1);  // still the first database
  EXPECT_EQ(modDB::CloseDatabase(), 1);
  EXPECT_EQ(modDB::GetFileNumber(), 0);
  EXPECT_EQ(modDB::GetHeader(), [] { modDB::InitHeader(); return modDB::GetHeader(); }());

  // Damaged files, and what the boxes say of them after their name (each damage the
  // header's checks find: the header layout's test).
  const std::string good = ReadFile(file);
  const std::pair<std::string, std::string> damaged[] = {
      {good.substr(0, 1000), "not a form database: it has 1000 bytes, fewer than the 23496 of a header"},
      {"", "not a form database: it has 0 bytes, fewer than the 23496 of a header"},
      {WithI32(good, 4, 25), "damaged: record length 25 is not 1 + the sum of the field lengths (24)"},
      {WithI32(good, 0, 70000), "damaged: record count 70000 is outside 0 ... 65530"},
      {WithI16(good, 12360 + 53 + 51, 1), "damaged: field 2 starts at 1 instead of 21"},
  };
  for (const auto& [bytes, what] : damaged) {
    SCOPED_TRACE(what);
    WriteFile(file, bytes);
    name = path;
    EXPECT_EQ(modDB::OpenDatabase(name), 0);
    EXPECT_EQ(modDB::GetFileNumber(), 0);
    modDB::InitHeader();
    EXPECT_EQ(modDB::LoadHeader(path), 0);
    ASSERT_EQ(host.All(), (std::vector<std::string>{"OPEN DATABASE: FILE:" + file + " is " + what,
                                                    "LOAD HEADER: FILE:" + file + " is " + what}));
    EXPECT_EQ(host.boxes[0].style, modDB::vbCritical);
    host.Clear();
    EXPECT_EQ(modDB::GetFieldCount(), 0);  // the design in memory is left alone
    EXPECT_EQ(ReadFile(file), bytes);  // and the file too
  }
}

// Fields are cut, padded and trimmed in the buffer; a write lands at its byte offsets,
// a deletion marks its record, an add after it makes a live copy.
TEST_F(RecordStore, FieldsWritesAndMarksLandAtTheirBytes) {
  const std::string path = TwoFieldDb(3), file = path + ".Qfd";
  Open(path);
  std::vector<std::string> a;
  for (const char* typed : {"ab", "abcdefghijklmnopqrstuvw", "  z"}) {  // leading blanks stay in the record
    EXPECT_EQ(modDB::WriteField(1, typed), 1);
    a.push_back(modDB::GetRecordText().substr(1, 20) + "|" + Field1(1));
  }
  EXPECT_EQ(a, (std::vector<std::string>{"ab" + std::string(18, ' ') + "|ab",
                                         "abcdefghijklmnopqrst|abcdefghijklmnopqrst",
                                         "  z" + std::string(17, ' ') + "|z"}));
  EXPECT_EQ(modDB::GetRecordText().substr(21), "1  ");  // the neighbour is untouched
  std::string out = "keep";
  for (const auto& [n, text] : std::vector<std::pair<int16_t, std::string>>{
           {0, "Invalid Field Number"}, {129, "Invalid Field Number"}, {3, "Field not defined!"}}) {
    EXPECT_EQ(modDB::ReadField(n, out), 0);
    ExpectBox("READ FIELD", text);
    EXPECT_EQ(modDB::WriteField(n, "q"), 0);
    ExpectBox("WRITE FIELD", text + (n == 3 ? "" : "!"));
  }
  EXPECT_EQ(out, "keep");
  EXPECT_EQ(modDB::ClearRecord(), 1);
  EXPECT_EQ(modDB::GetRecordText(), std::string(24, ' '));
  ASSERT_EQ(modDB::SetRecordNo(1), 1);  // read again: WriteField alone never reaches the file
  EXPECT_EQ(Field1(1), "name1");

  ASSERT_EQ(modDB::SetRecordNo(2), 1);
  modDB::WriteField(2, "XYZ");
  ASSERT_EQ(modDB::WriteRecord(), 1);
  // Record 2 starts at kHead + 24 = 23520; its field B occupies 23541 ... 23543.
  std::string bytes = ReadFile(file);
  ASSERT_EQ(bytes.size(), kHead + 3 * 24u);
  EXPECT_EQ(bytes.substr(23520, 24), " name2" + std::string(15, ' ') + "XYZ");
  EXPECT_EQ(bytes.substr(kHead + 21, 3) + bytes.substr(23544 + 21, 3), "1  3  ");

  EXPECT_EQ(modDB::IsDeleted(), 0);
  ASSERT_EQ(modDB::DeleteRecord(), 1);
  EXPECT_EQ(modDB::IsDeleted(), -1);
  EXPECT_EQ(modDB::DeleteRecord(), 0);
  ExpectBox("DELETE RECORD", "Record is already marked for deletion!");
  ASSERT_EQ(modDB::AddRecord(), 1);  // without moving: the buffer's mark is reset
  EXPECT_EQ((std::vector<int>{modDB::GetRecordNo(), modDB::IsDeleted()}), (std::vector<int>{4, 0}));
  bytes = ReadFile(file);
  EXPECT_EQ(I32At(bytes, 0), 4);
  EXPECT_EQ(qftest::RecordAt(bytes, 2, 24), "*" + qftest::RecordAt(bytes, 4, 24).substr(1));
  EXPECT_EQ(bytes[kHead + 72], ' ');

  // A correction (double entry, Compare With) names the value it saw: a field another
  // program wrote since then is not written over.
  qftest::PatchFile(file, kHead + 24 + 1, "other");
  EXPECT_EQ(modDB::WriteFieldsOf(2, {{1, "mine", "name2"}}, "VERIFY"), 0);
  EXPECT_EQ(host.Last(), "VERIFY: FILE:" + file + " record 2 field A was changed in another program since it was read. "
                         "Nothing was written.");
  EXPECT_EQ(ReadFile(file).substr(kHead + 25, 6), "other ");
  EXPECT_EQ(modDB::WriteFieldsOf(2, {{1, "mine", "other"}}, "VERIFY"), 1) << host.Last();
  EXPECT_EQ(ReadFile(file).substr(kHead + 25, 6), "mine  ");
}

TEST_F(RecordStore, NavigationVisitsEveryRecordAndSeesOtherProgramsAppends) {
  const std::string path = MakeDb("db", {{"A", 20}, {"B", 3}}, {{"name1", "1"}, {"*name2", "2"}, {"name3", "3"}});
  Open(path);
  std::vector<std::string> seen{Field1(1)};
  while (modDB::GotoNextRecord() == 1) seen.push_back(Field1(1) + (modDB::IsDeleted() ? "*" : ""));
  EXPECT_EQ(seen, (std::vector<std::string>{"name1", "name2*", "name3"}));
  EXPECT_EQ(modDB::GotoNextRecord(), 0);
  EXPECT_EQ(modDB::GetRecordNo(), 3);
  EXPECT_TRUE(host.boxes.empty());

  // Another program appends record 4 as AddRecord does: the record, then the count.
  WriteFile(path + ".Qfd", WithI32(ReadFile(path + ".Qfd"), 0, 4) + " other" + std::string(18, ' '));
  // Each move's result, the record it leaves current and that record's A.
  std::vector<std::string> moves;
  for (const auto& move : std::vector<std::function<int()>>{
           modDB::GotoNextRecord, modDB::GotoFirstRecord, modDB::GotoPreviousRecord, modDB::GotoLastRecord,
           modDB::GotoPreviousRecord, [] { return modDB::SetRecordNo(0); }, [] { return modDB::SetRecordNo(5); }}) {
    const int result = move();
    moves.push_back(std::to_string(result) + " " + std::to_string(modDB::GetRecordNo()) + " " + Field1(1));
  }
  EXPECT_EQ(moves, (std::vector<std::string>{"1 4 other", "1 1 name1", "0 1 name1", "1 4 other", "1 3 name3",
                                             "0 3 name3", "0 3 name3"}));
  EXPECT_EQ(host.All(), std::vector<std::string>(2, "SET RECORD NO: Record Out of range!"));
  EXPECT_EQ(modDB::GetRecordCount(), 4);
  // AddRecord re-reads the count under the lock: the next number is 5, not 4.
  modDB::ClearRecord();
  ASSERT_EQ(modDB::AddRecord(), 1);
  EXPECT_EQ(modDB::GetRecordNo(), 5);
}

TEST_F(RecordStore, AFullDatabaseStaysExactlyAsItWas) {
  const std::string file = MakeDb("full", {{"A", 1}}, {}) + ".Qfd";
  // 65,530 records of 2 bytes; the last one says "z".
  const std::string bytes = WithI32(ReadFile(file), 0, 65530) + std::string(65530 * 2 - 1, ' ') + "z";
  WriteFile(file, bytes);
  Open(dir / "full");
  ASSERT_EQ(modDB::GotoLastRecord(), 1);
  EXPECT_EQ(std::to_string(modDB::GetRecordNo()) + " " + Field1(1), "65530 z");
  modDB::WriteField(1, "n");
  for (const bool onlyOnDisk : {false, true}) {
    if (onlyOnDisk) {  // another program filled it after this one read the count
      modDB::CloseDatabase();
      WriteFile(file, WithI32(bytes, 0, 65529));
      Open(dir / "full");
      WriteFile(file, bytes);
    }
    EXPECT_EQ(modDB::AddRecord(), 0);
    ExpectBox("ADD RECORD", "DB is Full");
    EXPECT_EQ(ReadFile(file), bytes);
    EXPECT_EQ(modDB::GetRecordNo(), onlyOnDisk ? 1 : 65530);
  }
}

// A writer waits for the lock and gives it back, also when its write fails.
TEST_F(RecordStore, WritersWaitForTheLockAndReleaseIt) {
  const std::string path = TwoFieldDb(1), file = path + ".Qfd";
  Open(path);
  EXPECT_TRUE(LockIsFree(file));

  // Another open file description holds byte 0: AddRecord waits for it.
  const int other = ::open(file.c_str(), O_RDWR);
  ASSERT_EQ(Lock(other, F_WRLCK), 0);
  std::atomic<int> result{-1};
  std::thread adder([&] { result = modDB::AddRecord(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(std::make_pair(result.load(), I32At(ReadFile(file), 0)), std::make_pair(-1, 1));
  ASSERT_EQ(Lock(other, F_UNLCK), 0);
  adder.join();
  ::close(other);
  EXPECT_EQ(std::make_pair(result.load(), I32At(ReadFile(file), 0)), std::make_pair(1, 2));
  EXPECT_TRUE(LockIsFree(file));
  for (const auto& write : {modDB::WriteRecord, modDB::DeleteRecord}) {
    ASSERT_EQ(write(), 1);
    EXPECT_TRUE(LockIsFree(file));
  }

  // The file may not grow: the append fails with EFBIG and changes nothing.
  const std::string before = ReadFile(file);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small{before.size(), old.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  modDB::ClearRecord();
  modDB::WriteField(1, "never");
  const int16_t added = modDB::AddRecord();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(added, 0);
  ExpectBox("AddRecord", "Unexpected Error: FILE:" + file + ": File too large");
  EXPECT_TRUE(LockIsFree(file));
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ((std::vector<int>{modDB::GetRecordNo(), modDB::GetRecordCount(), modDB::IsDeleted()}),
            (std::vector<int>{2, 2, 0}));
  ASSERT_EQ(modDB::AddRecord(), 1);  // the store goes on working
  EXPECT_EQ(modDB::GetRecordNo(), 3);
}

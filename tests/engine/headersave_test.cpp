// Header load and save: the checks before any file is touched, new databases, and
// saving over records with the backup and the carrying of values by field name,
// checked byte for byte in the files.

#include "engine/files/FileIo.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

class HeaderSave : public StoreTest {
 protected:
  // Three records over fields A (5), B (8), C (3): offsets 1, 6, 14; length 17.
  std::string ThreeRecords() {
    return MakeDb("db", {{"A", 5}, {"B", 8}, {"C", 3}},
                  {{"a1", "bbbbbbb1", "c1"}, {"*a2", "bbbbbbb2", "c2"}, {"a3", "bbbbbbb3", "c3"}});
  }
  // Loads the database's definition, lets `change` edit it, saves with `answer` (and
  // `lossAnswer` to the question of lost values, when given); only this save's boxes stay.
  int16_t Resave(const std::string& path, const std::function<void()>& change, int answer = modDB::vbYes,
                 int lossAnswer = 0) {
    EXPECT_EQ(modDB::LoadHeader(path), 1) << host.Last();
    host.Clear();
    change();
    host.replies.push_back(answer);
    if (lossAnswer != 0) host.replies.push_back(lossAnswer);
    std::string name = path;
    return modDB::SaveHeader(name);
  }
};

}  // namespace

// The checks before any file is touched; then a new database, the header alone.
TEST_F(HeaderSave, ChecksComeBeforeAnyFileThenANewDatabaseIsTheHeaderAlone) {
  auto refused = [this](std::string name, const std::string& why) {
    EXPECT_EQ(modDB::SaveHeader(name), 0);
    ExpectBox("SAVE HEADER", why);
  };
  refused("  ", "Invalid File Name");
  refused(dir / "none", "No fields defined!");

  // 31,999 characters of fields make a record of 32,000 bytes: accepted.
  Design({{"A", 8192}, {"B", 8192}, {"C", 8192}, {"D", 7423}});
  std::string name = "  " + dir / "big" + "  ";
  EXPECT_EQ(modDB::SaveHeader(name), 1) << host.Last();
  EXPECT_EQ(name, dir / "big");  // trimmed in place
  EXPECT_EQ(I32At(ReadFile(dir / "big.Qfd"), 4), 32000);
  Design({{"A", 8192}, {"B", 8192}, {"C", 8192}, {"D", 7424}});
  refused(dir / "bigger", "Maximum Record Length can be 32000");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);  // big.Qfd alone

  // A new database is the header alone.
  Design({{"Name", 10}});
  name = dir / "new.qfd";
  ASSERT_EQ(modDB::SaveHeader(name), 1);
  const std::string bytes = ReadFile(dir / "new.Qfd");
  ASSERT_EQ(bytes.size(), kHead);
  // The record count, the record length, the field count and field 1's offset.
  EXPECT_EQ((std::vector<int>{I32At(bytes, 0), I32At(bytes, 4), I16At(bytes, 70), I16At(bytes, 12360 + 51)}),
            (std::vector<int>{0, 11, 1, 1}));
  EXPECT_FALSE(fs::exists(dir / "new.Bak") || fs::exists(dir / "new.QfB"));
  EXPECT_TRUE(host.boxes.empty());

  const modDB::FormHeader saved = modDB::GetHeader();
  modDB::InitHeader();
  ASSERT_EQ(modDB::LoadHeader(dir / "new"), 1);
  EXPECT_EQ(modDB::GetHeader(), saved);

  EXPECT_EQ(modDB::LoadHeader(dir / "other"), 0);
  EXPECT_EQ(host.Last(), "LOAD HEADER: File not found");
}

TEST_F(HeaderSave, ReorderedFieldsKeepTheirValuesAtTheirNewPlaces) {
  const std::string path = ThreeRecords(), before = ReadFile(path + ".Qfd");
  ASSERT_EQ(Resave(path, [] { modDB::MoveFieldDown(1); }), 1) << host.Last();  // B, A, C

  EXPECT_EQ(host.All(), std::vector<std::string>{"Recover Data: File contains records!\r\nRecover data?"});
  EXPECT_EQ(host.boxes[0].style, modDB::vbYesNo);
  EXPECT_EQ(host.Progress(), (std::vector<int>{3, 3, 3, 3, 1}));

  const std::string after = ReadFile(path + ".Qfd");
  EXPECT_EQ(std::tuple(I32At(after, 0), I32At(after, 4)), std::tuple(3, 17));  // 3 records of 17 bytes
  EXPECT_EQ(after.substr(kHead), " bbbbbbb1a1   c1 *bbbbbbb2a2   c2  bbbbbbb3a3   c3 ");  // the mark travels along
  EXPECT_EQ(ReadFile(path + ".Bak"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB"));
  EXPECT_EQ(modDB::GetHeader().RecordCount, 3);
  Open(path);
  modDB::SetRecordNo(2);
  EXPECT_EQ(std::tuple(Field1(1), Field1(2), modDB::IsDeleted()), std::tuple("bbbbbbb2", "a2", -1));
}

TEST_F(HeaderSave, RenamedLengthenedShortenedAddedAndDroppedFields) {
  const std::string path = ThreeRecords(), before = ReadFile(path + ".Qfd");
  // A: 5 -> 8; B: 8 -> 5; C renamed c (letter case counts: a new field to the
  // matching); D added.
  const auto change = [this] { Design({{"A", 8}, {"B", 5}, {"c", 3}, {"D", 2}}); };
  // What the records would lose is asked about before anything is written; its
  // default answer is No.
  EXPECT_EQ(Resave(path, change), 0);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.Last(), "Recover Data: Recovering the records loses values:\r\nB: 3 values cut to 5 characters\r\n"
                         "C: 3 values dropped (no field has its name)\r\nSave anyway?");
  EXPECT_EQ(host.boxes[1].style, modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2);
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".Bak"));
  ASSERT_EQ(Resave(path, change, modDB::vbYes, modDB::vbYes), 1);
  // A 8 at 1, B 5 at 9, c 3 at 14, D 2 at 17: length 19.
  const std::string after = ReadFile(path + ".Qfd");
  EXPECT_EQ(I32At(after, 4), 19);
  EXPECT_EQ(after.substr(kHead), " a1      bbbbb     *a2      bbbbb      a3      bbbbb     ");

  // Deleting a field drops its values; shortening back cuts what was kept.
  ASSERT_EQ(Resave(path, [] { modDB::DeleteField(1); }, modDB::vbYes, modDB::vbYes), 1);
  EXPECT_EQ(ReadFile(path + ".Qfd").substr(kHead), " bbbbb     *bbbbb      bbbbb     ");
}

TEST_F(HeaderSave, AnsweringNoKeepsTheRecordsOnlyInTheBackup) {
  const std::string path = ThreeRecords(), before = ReadFile(path + ".Qfd");
  // Asked once more, with the count, No by default; that No writes nothing.
  const std::string one = MakeDb("one", {{"A", 5}}, {{"a1"}});
  EXPECT_EQ(Resave(one, [] {}, modDB::vbNo, modDB::vbNo), 0);
  EXPECT_EQ(host.Last(), "Recover Data: The record of " + one + ".Qfd is not carried over: the new file has no "
                         "records, and it stays only in " + one + ".Bak until the next save or pack replaces it."
                         "\r\nSave without it?");
  EXPECT_EQ(Resave(path, [] {}, modDB::vbNo, modDB::vbNo), 0);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[1].text, "The 3 records of " + path + ".Qfd are not carried over: the new file has no "
                                "records, and they stay only in " + path + ".Bak until the next save or pack "
                                "replaces it.\r\nSave without them?");
  EXPECT_EQ(host.boxes[1].style, modDB::vbYesNo | modDB::vbExclamation | modDB::vbDefaultButton2);
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  ASSERT_EQ(Resave(path, [] {}, modDB::vbNo, modDB::vbYes), 1);  // the second Yes: save without them
  const std::string after = ReadFile(path + ".Qfd");
  EXPECT_EQ(after, qftest::WithI32(before, 0, 0).substr(0, kHead));
  EXPECT_EQ(ReadFile(path + ".Bak"), before);
  EXPECT_EQ(std::make_pair(modDB::GetHeader().RecordCount, host.showPer), std::make_pair(0, 0));

  // With no records nothing is asked; the backup is replaced by the next save.
  ASSERT_EQ(Resave(path, [] {}), 1);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(ReadFile(path + ".Bak"), after);
}

// A failed save leaves the database in place. A read-only backup is only the previous
// file: it is replaced. A read-only database is never replaced, as it is never written
// by an add.
TEST_F(HeaderSave, AFailedSaveLeavesTheDatabaseInPlaceAndReadOnlyFilesAreHandled) {
  const std::string path = ThreeRecords(), before = ReadFile(path + ".Qfd");
  // The working file's name is taken by a folder: the new file cannot be made.
  fs::create_directory(path + ".QfB");
  EXPECT_EQ(Resave(path, [] { modDB::MoveFieldDown(1); }), 0);
  EXPECT_EQ(host.Last(), "SaveHeader: Unexpected Error: FILE:" + path + ".QfB: Is a directory");
  EXPECT_EQ(host.hidePer, 1);
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".Bak"));
  // A full disk while the new file is written names the working file.
  fs::remove(path + ".QfB");
  modDB::detail::SetIoFaultHook([](modDB::detail::IoCall call, int) { return call == modDB::detail::IoCall::Write ? ENOSPC : 0; });
  EXPECT_EQ(Resave(path, [] { modDB::MoveFieldDown(1); }), 0);
  modDB::detail::SetIoFaultHook(nullptr);
  EXPECT_EQ(host.Last(), "SaveHeader: Unexpected Error: FILE:" + path + ".QfB: No space left on device");
  EXPECT_EQ(ReadFile(path + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(path + ".QfB") || fs::exists(path + ".Bak"));

  ASSERT_EQ(Resave(path, [] {}), 1);
  const std::string current = ReadFile(path + ".Qfd");
  fs::permissions(path + ".Bak", fs::perms::owner_read | fs::perms::group_read);
  ASSERT_EQ(Resave(path, [] { modDB::MoveFieldUp(3); }), 1) << host.Last();
  EXPECT_EQ(host.boxes.size(), 1u);  // the question, no error
  EXPECT_EQ(ReadFile(path + ".Bak"), current);
  EXPECT_EQ(qftest::RecordAt(ReadFile(path + ".Qfd"), 3, 17), " a3   c3 bbbbbbb3");

  const std::string backup = ReadFile(path + ".Bak"), database = ReadFile(path + ".Qfd");
  fs::permissions(path + ".Qfd", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(Resave(path, [] { modDB::MoveFieldUp(2); }), 0);
  EXPECT_EQ(host.Last(), "SAVE HEADER: FILE:" + path + ".Qfd cannot be written: the file is read-only");
  EXPECT_EQ(ReadFile(path + ".Bak"), backup);
  EXPECT_EQ(ReadFile(path + ".Qfd"), database);
  EXPECT_FALSE(fs::exists(path + ".QfB"));
}

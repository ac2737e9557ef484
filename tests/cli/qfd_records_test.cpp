// qfd's batch commands, run as a user runs them: every command's effect checked in
// the file afterwards, failures with their messages and exit status, nothing lost.
#include <nlohmann/json.hpp>

#include "tests/cli/QfdFixture.h"

using namespace clitest;

namespace {

// Name 10 "AS", No "#" (5), City 8: offsets 1, 11, 16; record length 24.
const char* kDefinition = R"({
  "Fields": [
    {"Name": "Name", "Length": 10, "Format": "AS"},
    {"Name": "No", "Format": "#"},
    {"Name": "City", "Length": 8, "Page": 2}
  ],
  "Banners": [{"Caption": "People", "Page": 1}],
  "PageHeadings": ["One", "Two"],
  "Password": "pw"
})";

class QfdRecords : public QfdTest {
 protected:
  std::string Create() { return QfdTest::Create(kDefinition); }
  void Add(const std::string& db, const std::vector<std::string>& values, int expectNumber) {
    std::vector<std::string> args{"add", db};
    args.insert(args.end(), values.begin(), values.end());
    EXPECT_EQ(QfdOk(args).out, std::to_string(expectNumber) + "\n");
  }
};

}  // namespace

TEST_F(QfdRecords, CreateAddGetSetDeleteExportPackCheck) {
  const std::string db = Create();
  std::string bytes = ReadFile(db + ".Qfd");
  ASSERT_EQ(bytes.size(), kHead);
  EXPECT_EQ(I32At(bytes, 4), 24);
  // Nothing to pack in an empty database: said so (not a failure), and the file is left alone.
  QfdEnds({"pack", db, "--yes"}, 0, "qfd: " + db + ".Qfd holds no records; there is nothing to pack\n");
  EXPECT_FALSE(fs::exists(db + ".Bak"));

  Add(db, {"Name=Ann", "City=Rome"}, 1);
  Add(db, {"City=Caf\xC3\xA9", "Name=Bob"}, 2);  // UTF-8 on the line, one byte in the file
  Add(db, {"Name=Cy"}, 3);
  bytes = ReadFile(db + ".Qfd");
  ASSERT_EQ(bytes.size(), kHead + 3 * 24);
  EXPECT_EQ(I32At(bytes, 0), 3);
  // The "#" field holds the record's own number with a blank for the sign.
  EXPECT_EQ(bytes.substr(kHead + 24, 24), " Bob        2   Caf\xE9    ");

  auto j = QfdRecord(db, 2);
  EXPECT_EQ(nlohmann::json({j["Record"], j["Deleted"], j["Fields"]["City"], j["Fields"]["No"]}),
            nlohmann::json({2, false, "Caf\xC3\xA9", "2"}));

  QfdOk({"set", db, "1", "City=Oslo"});
  EXPECT_EQ(ReadFile(db + ".Qfd").substr(kHead, 24), " Ann        1   Oslo    ");
  QfdOk({"delete", db, "2"});
  EXPECT_EQ(Qfd({"get", db, "2"}).out, "Record 2 of 3 (marked for deletion)\nName: Bob\nNo: 2\nCity: Caf\xC3\xA9\n");
  QfdFails({"delete", db, "2"}, "DELETE RECORD: Record is already marked for deletion!\n");
  ASSERT_EQ(Qfd({"undelete", db, "2"}).status, 0);
  EXPECT_EQ(Qfd({"get", db, "2"}).out.substr(0, 15), "Record 2 of 3\nN");
  QfdFails({"undelete", db, "2"}, "UNDELETE RECORD: Record is not marked for deletion!\n");
  ASSERT_EQ(Qfd({"delete", db, "2"}).status, 0);

  QfdOk({"export", db, dir / "all.csv"});
  EXPECT_EQ(ReadFile(dir / "all.csv"),
            "#,Name,No,City\r\n1,\"Ann\",\"1\",\"Oslo\"\r\n2,\"Bob\",\"2\",\"Caf\xE9\"\r\n3,\"Cy\",\"3\",\"\"\r\n");

  QfdEnds({"pack", db}, 1);  // not confirmed: nothing happens
  EXPECT_FALSE(fs::exists(db + ".Bak"));
  QfdEnds({"pack", db, "--yes"}, 0, "");  // the question was answered by --yes
  bytes = ReadFile(db + ".Qfd");
  EXPECT_EQ(I32At(bytes, 0), 2);
  EXPECT_EQ(bytes.substr(kHead + 24, 24), " Cy         3           ");
  EXPECT_EQ(ReadFile(db + ".Bak").size(), kHead + 3 * 24);

  EXPECT_EQ(QfdOk({"check", db}).out, db + ".Qfd: ok, 2 records of 24 bytes\n");
}

TEST_F(QfdRecords, BadInputIsToldAndChangesNothing) {
  const std::string db = Create();
  Add(db, {"Name=Ann"}, 1);
  const std::string before = ReadFile(db + ".Qfd");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"add", db, "Nme=x"}, "qfd: no field named \"Nme\" in " + db + ".Qfd\n"},
      {{"add", db, "Name=much too long"}, "qfd: the value for \"Name\" has 13 characters; the field holds 10\n"},
      {{"add", db, "Name=a", "Name=b"}, "qfd: field \"Name\" is given twice\n"},
      {{"add", db, "Name"}, "qfd: \"Name\" is not NAME=VALUE\n"},
      {{"set", db, "2", "Name=x"}, "SET RECORD NO: Record Out of range!\n"},
      {{"set", db, "x", "Name=x"}, "qfd: \"x\" is not a record number\n"},
      {{"export", db, dir / "x.csv", "--fields", "Nope"}, "qfd: no field named \"Nope\" in " + db + ".Qfd\n"},
      {{"create", "--from", db + ".json", db}, "qfd: " + db + ".Qfd already exists; use resave to change its definition\n"},
  };
  for (const auto& [args, message] : cases) {
    QfdFails(args, message);
    EXPECT_EQ(ReadFile(db + ".Qfd"), before) << args[0];
  }
  EXPECT_FALSE(fs::exists(dir / "x.csv"));

  // A damaged file is refused with its name; check says what is wrong.
  std::string cut = before.substr(0, kHead + 10);
  WriteFile(db + ".Qfd", cut);
  QfdFails({"check", db}, "qfd: " + db + ".Qfd: the file has 23506 bytes; 1 records of 24 bytes need 23520\n");
  WriteFile(db + ".Qfd", before.substr(0, 500));
  QfdFails({"get", db, "1"}, "OPEN DATABASE: FILE:" + db +
                                 ".Qfd is not a form database: it has 500 bytes, fewer than the 23496 of a header\n");
}

// The rules themselves are the value rules' own test; here qfd applies them.
TEST_F(QfdRecords, ValuesAreCheckedAsAnUpdateChecksThem) {
  const std::string db = QfdTest::Create(R"({"Fields": [{"Name": "Name", "Length": 8, "Format": "!"},
    {"Name": "Born", "Format": "D"}, {"Name": "At", "Format": "T"}, {"Name": "Ok", "Format": "Y"}], "DateOrder": 2})", "v");
  Add(db, {"Name=Ann", "Born=02/29/2000", "At=23:59:59", "Ok=Y"}, 1);
  const std::string before = ReadFile(db + ".Qfd");
  QfdFails({"add", db, "Born=01/01/2000"}, "UPDATE: Field: Name, Cannot be empty\n");
  QfdFails({"set", db, "1", "Name="}, "UPDATE: Field: Name, Cannot be empty\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
  Add(db, {"Name=C", "At=9:30"}, 2);  // h:mm is taken, and kept as hh:mm:ss
  EXPECT_NE(Qfd({"get", db, "2"}).out.find("\nAt: 09:30:00\n"), std::string::npos);
}

TEST_F(QfdRecords, ResaveCarriesValuesOverOrLeavesThemInTheBackup) {
  const std::string db = Create();
  Add(db, {"Name=Ann", "City=Rome"}, 1);
  Add(db, {"Name=Bob", "City=Oslo"}, 2);
  const std::string before = ReadFile(db + ".Qfd");
  // City first and longer, Name renamed to Person: Person starts blank.
  WriteFile(dir / "new.json", R"({"Fields": [{"Name": "City", "Length": 12}, {"Name": "Person", "Length": 10},
                                            {"Name": "No", "Format": "#"}]})");
  // Name's values would be dropped: said per field, and nothing written unless allowed.
  QfdFails({"resave", db, "--from", dir / "new.json", "--recover", "yes"},
           "qfd: recovering the records would lose values; nothing was written (give --allow-loss to "
           "save anyway): Name: 2 values dropped (no field has its name)\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(db + ".Bak"));
  QfdEnds({"resave", db, "--from", dir / "new.json", "--recover", "yes", "--allow-loss"}, 0, "");  // the flags answer
  std::string bytes = ReadFile(db + ".Qfd");
  ASSERT_EQ(bytes.size(), kHead + 2 * 28);
  EXPECT_EQ(bytes.substr(kHead, 28), " Rome" + std::string(8 + 10 + 1, ' ') + "1   ");
  EXPECT_EQ(ReadFile(db + ".Bak"), before);
  // The password was not in the JSON: the database keeps its own.
  EXPECT_EQ(bytes.substr(23400, 2), "pw");

  // Not recovering leaves the records in the backup alone: a loss, refused unless allowed.
  QfdFails({"resave", db, "--from", db + ".json", "--recover", "no"},
           "qfd: --recover no leaves " + db +
               ".Qfd with no records: its 2 stay only in the backup until "
               "the next save or pack; nothing was written (give --allow-loss to save anyway)\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), bytes);
  QfdEnds({"resave", db, "--from", db + ".json", "--recover", "no", "--allow-loss"}, 0, "");  // the flags answer
  EXPECT_EQ(ReadFile(db + ".Qfd").size(), kHead);
  EXPECT_EQ(ReadFile(db + ".Bak"), bytes);

  WriteFile(dir / "bad.json", R"({"Fields": [{"Name": "9lives", "Length": 3}]})");
  QfdFails({"resave", db, "--from", dir / "bad.json", "--recover", "yes"}, "ADD FIELD: Invalid Field Name\n");
  EXPECT_EQ(ReadFile(db + ".Bak"), bytes);
}

// A new record's "#" number is one more than the highest the file holds: after a
// delete and a pack (which renumber the records, not their numbers) and for imported
// rows alike, no number repeats.
TEST_F(QfdRecords, NumbersNeverRepeat) {
  const std::string db = Create();
  for (int i = 1; i <= 5; ++i) Add(db, {"Name=r" + std::string(1, static_cast<char>('a' + i))}, i);
  ASSERT_EQ(Qfd({"delete", db, "2"}).status, 0);
  ASSERT_EQ(Qfd({"delete", db, "5"}).status, 0);
  ASSERT_EQ(Qfd({"pack", db, "--yes"}).status, 0);  // 1 3 4 left, as records 1-3
  Add(db, {"Name=new"}, 4);
  WriteFile(dir / "in.csv", "Name\r\nia\r\nib\r\n");
  ASSERT_EQ(Qfd({"import", db, dir / "in.csv"}).status, 0);
  const std::string bytes = ReadFile(db + ".Qfd");
  std::vector<std::string> numbers;
  for (size_t at = kHead + 11; at < bytes.size(); at += 24) numbers.push_back(bytes.substr(at, 5));
  EXPECT_EQ(numbers, (std::vector<std::string>{" 1   ", " 3   ", " 4   ", " 5   ", " 6   ", " 7   "}));
}

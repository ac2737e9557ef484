// The CSV export, byte for byte: heading, record lines, quoting without escapes,
// line breaks inside values, and the current record afterwards.

#include "engine/transfer/CsvExport.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

class CsvExport : public StoreTest {
 protected:
  std::string Db() {
    return MakeDb("db", {{"Name", 10}, {"City", 8}, {"Notes", 20}},
                  {{"Ann\xE9", "Rome", "one\r\ntwo"}, {"*Bob", "Oslo", "say \"hi\", ok"}, {"  Cy ", "", ""}});
  }
  std::vector<bool> Slots(std::initializer_list<int> slots) {
    std::vector<bool> v(modDB::kMaxFields + 1, false);
    for (int s : slots) v[s] = true;
    return v;
  }
};

}  // namespace

TEST_F(CsvExport, SelectedFieldsOfEveryRecord) {
  Open(Db());
  modDB::SetRecordNo(2);
  const std::string out = dir / "out.csv";
  auto exported = [&](std::initializer_list<int> slots, const modDB::CsvExportOptions& options = {}) {
    return modDB::ExportCsv(out, Slots(slots), options) == 1 ? ReadFile(out) : "not exported: " + host.Last();
  };
  EXPECT_EQ(exported({1, 3}),
            "#,Name,Notes\r\n"
            "1,\"Ann\xE9\",\"one\ntwo\"\r\n"
            "2,\"Bob\",\"say \"hi\", ok\"\r\n"
            "3,\"Cy\",\"\"\r\n");
  EXPECT_EQ(modDB::GetRecordNo(), 2);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(host.Progress(), (std::vector<int>{3, 0, 3, 3, 1}));

  EXPECT_EQ(exported({}), "#\r\n1\r\n2\r\n3\r\n");
  EXPECT_EQ(exported({1, 2, 3}).substr(0, 29), "#,Name,City,Notes\r\n1,\"Ann\xE9\",\"");

  // For a spreadsheet: values as stored (leading blanks kept), quotes doubled, line
  // breaks CR LF; in UTF-8 with its mark when asked.
  const std::string lines = "#,\"Name\",\"Notes\"\r\n1,\"Ann\xE9\",\"one\r\ntwo\"\r\n2,\"Bob\",\"say \"\"hi\"\", ok\"\r\n"
                            "3,\"  Cy\",\"\"\r\n";
  EXPECT_EQ(exported({1, 3}, {true, false}), lines);
  EXPECT_EQ(exported({1, 3}, {true, true}),
            "\xEF\xBB\xBF" + std::string(lines).replace(lines.find('\xE9'), 1, "\xC3\xA9"));
  // The deletion column, quoted: "*" for a marked record.
  EXPECT_EQ(exported({1, 3}, {.rfc4180 = true, .utf8 = false, .withDeleted = true}),
            "#,\"#Deleted\",\"Name\",\"Notes\"\r\n1,\"\",\"Ann\xE9\",\"one\r\ntwo\"\r\n"
            "2,\"*\",\"Bob\",\"say \"\"hi\"\", ok\"\r\n3,\"\",\"  Cy\",\"\"\r\n");
}

TEST_F(CsvExport, EmptyDatabaseFailuresAndFileNames) {
  Open(MakeDb("empty", {{"A", 3}}, {}));
  const std::string out = dir / "e.csv";
  ASSERT_EQ(modDB::ExportCsv(out, Slots({1})), 1);
  EXPECT_EQ(ReadFile(out), "#,A\r\n");
  EXPECT_EQ(modDB::GetRecordNo(), 0);
  EXPECT_TRUE(host.boxes.empty());

  EXPECT_EQ(modDB::ExportCsv(dir / "no/such/folder.csv", Slots({1})), 0);
  EXPECT_EQ(host.Last(), "EXPORT: FILE:" + dir / "no/such/folder.csv" + " cannot be written: No such file or directory");

  modDB::CloseDatabase();
  host.Clear();
  EXPECT_EQ(modDB::ExportCsv(dir / "closed.csv", Slots({1})), 0);
  EXPECT_EQ(host.Last(), "GET RECORD NO: DB not open");
  EXPECT_FALSE(fs::exists(dir / "closed.csv"));
  // The name given: ".csv" added unless it ends so, in any letter case.
  for (const auto& [given, named] : std::vector<std::pair<std::string, std::string>>{
           {"out.csv", "out.csv"}, {"OUT.Csv", "OUT.Csv"}, {"out", "out.csv"}, {"out.txt", "out.txt.csv"}, {"csv", "csv.csv"}})
    EXPECT_EQ(modDB::CsvFileName(given), named);
}

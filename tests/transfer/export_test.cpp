// Each export read back by a reader that is not ours, value by value and label by
// label.

#include "engine/history/History.h"
#include "tests/support/PgServer.h"
#include "tests/transfer/TransferFixture.h"

namespace {

using qftest::ReadFile;
using qftest::Which;

class ExportTest : public transfertest::TransferTest {
 protected:
  std::string Export(const std::string& file, modDB::ExportFormat format) {
    const std::string out = dir / file;
    EXPECT_EQ(modDB::ExportTo(out, format, all, {.withDeleted = true, .labels = labels, .csv = {}}), 1) << host.Last();
    return out;
  }
  std::string Read(const std::vector<std::string>& argv) {
    const qftest::RunResult r = qftest::Run(argv);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
};

TEST_F(ExportTest, StatsFilesLongTextsAndBigNumbersReadBackByReadStat) {
  MakeSurvey();
  // Stata: dates as days, times as milliseconds since midnight; SPSS: dates as seconds
  // since 1582-10-14, times as seconds.
  const std::tuple<const char*, modDB::ExportFormat, const char*> cases[] = {
      {"s.dta", modDB::ExportFormat::Stata,
       "\"Deleted_\",\"Id\",\"Name\",\"Sex\",\"Weight\",\"Born\",\"At\",\"Zip\",\"Code\"\n"
       "0,1,\"Zo\xC3\xAB \"\"Q\"\"\",1,72.500000,1999-12-31,29100000.000000,\"01234\",\"RM\"\n"
       "1,2,\"\",2,,,,\"\",\"\"\n"
       "0,3,\"Ann\",,0.250000,2000-02-01,86399000.000000,\"98765\",\"MI\"\n"},
      {"s.sav", modDB::ExportFormat::Spss,
       "\"Deleted_\",\"Id\",\"Name\",\"Sex\",\"Weight\",\"Born\",\"At\",\"Zip\",\"Code\"\n"
       "0.000000,1.000000,\"Zo\xC3\xAB \"\"Q\"\"\",1.000000,72.500000,13165977600.000000,29100.000000,\"01234\","
       "\"RM\"\n"
       "1.000000,2.000000,\"\",2.000000,,,,\"\",\"\"\n"
       "0.000000,3.000000,\"Ann\",,0.250000,13168742400.000000,86399.000000,\"98765\",\"MI\"\n"},
  };
  for (const auto& [file, format, csv] : cases) {
    const std::string out = Export(file, format);
    EXPECT_EQ(Read({Which("readstat"), out, "-"}), csv) << file;
    const std::string json = dir / (std::string(file) + ".json");
    Read({Which("extract_metadata"), out, json});
    const std::string meta = ReadFile(json);
    // Variable labels: the banner, else the field's name; value labels where the
    // format holds them (Stata on whole numbers, SPSS on short texts too).
    for (const char* part : {"\"name\": \"Name\", \"label\": \"Full name\"", "\"name\": \"Born\", \"format\": \"DATE",
                             "\"Male\"", "\"Female\""})
      EXPECT_NE(meta.find(part), std::string::npos) << part << " in " << meta;
    EXPECT_EQ(meta.find("\"Milano \xC3\xAB\"") != std::string::npos, format == modDB::ExportFormat::Spss) << meta;
  }

  // Texts longer than Stata's 2045 bytes go as strL; whole numbers beyond its int32 as
  // doubles shown without exponent (SPSS: F13.0).
  modDB::CloseDatabase();
  MakeForm("Long", {{"Notes", 3000, "*"}, {"Big", 12, "N"}}, {{std::string(2500, 'x') + "\xE9", "999999999999"}}, true);
  for (const auto& [file, format] : {std::pair{"l.dta", modDB::ExportFormat::Stata}, {"l.sav", modDB::ExportFormat::Spss}})
    EXPECT_EQ(Read({Which("readstat"), Export(file, format), "-"}),
              "\"Deleted_\",\"Notes\",\"Big\"\n" + std::string(file == std::string("l.dta") ? "0" : "0.000000") +
                  ",\"" + std::string(2500, 'x') + "\xC3\xA9\",999999999999.000000\n")
        << file;
}

TEST_F(ExportTest, SpreadsheetAndSqliteReadBack) {
  MakeSurvey();
  const std::string xlsx = Export("s.xlsx", modDB::ExportFormat::Xlsx);
  const std::string dump = Read({Which("python3", {"/usr/bin"}), "-c",
                                 "import sys, openpyxl\n"
                                 "for ws in openpyxl.load_workbook(sys.argv[1]):\n"
                                 "  print(ws.title)\n"
                                 "  for row in ws.iter_rows(values_only=True): print(repr(row))\n",
                                 xlsx});
  EXPECT_EQ(dump,
            "Data\n"
            "('Deleted_', 'Id', 'Name', 'Sex', 'Weight', 'Born', 'At', 'Zip', 'Code')\n"
            "(0, 1, 'Zo\xC3\xAB \"Q\"', 1, 72.5, datetime.datetime(1999, 12, 31, 0, 0), datetime.time(8, 5), "
            "'01234', 'RM')\n"
            "(1, 2, None, 2, None, None, None, None, None)\n"
            "(0, 3, 'Ann', None, 0.25, datetime.datetime(2000, 2, 1, 0, 0), datetime.time(23, 59, 59), "
            "'98765', 'MI')\n"
            "Variables\n('name', 'label', 'type')\n('Id', 'Id', 'integer')\n('Name', 'Full name', 'text')\n"
            "('Sex', 'Sex', 'integer')\n('Weight', 'Weight', 'decimal')\n('Born', 'Born', 'date')\n"
            "('At', 'At', 'time')\n('Zip', 'Zip', 'text')\n('Code', 'Code', 'text')\n"
            "Value labels\n('name', 'value', 'label')\n('Sex', '1', 'Male')\n('Sex', '2', 'Female')\n"
            "('Code', 'RM', 'Rome')\n('Code', 'MI', 'Milano \xC3\xAB')\n");

  const std::string db = Export("s.sqlite", modDB::ExportFormat::Sqlite);
  EXPECT_EQ(Read({Which("sqlite3"), "-csv", db,
                  "SELECT *, typeof(Weight), typeof(Zip) FROM Survey; SELECT * FROM variable_labels WHERE "
                  "label <> name; SELECT * FROM value_labels"}),
            "0,1,\"Zo\xC3\xAB \"\"Q\"\"\",1,72.5,1999-12-31,08:05:00,01234,RM,real,text\n"
            "1,2,,2,,,,,,null,null\n"
            "0,3,Ann,,0.25,2000-02-01,23:59:59,98765,MI,real,text\n"
            "Name,\"Full name\",text\n"
            "Sex,1,Male\nSex,2,Female\nCode,RM,Rome\nCode,MI,\"Milano \xC3\xAB\"\n");
}

// Whatever its name or format: the database (as itself, a hard link, a link to its
// backup), its backup, its change history and the history's index, or any other
// form database.
TEST_F(ExportTest, NeverOverADatabaseOrItsCompanionsAndOnlyWholeFiles) {
  namespace fs = std::filesystem;
  const std::string db = MakeSurvey();
  ASSERT_EQ(modDB::StartHistory(db), "");
  qftest::WriteFile(db + ".Qfi", "index");
  qftest::WriteFile(db + ".Bak", "backup");
  fs::copy_file(db + ".Qfd", dir / "other.Qfd");
  fs::create_hard_link(db + ".Qfd", dir / "alias.csv");
  fs::create_symlink(db + ".Bak", dir / "link.csv");
  const std::string before = ReadFile(db + ".Qfd"), history = ReadFile(db + ".Qfh");
  modDB::ExportOptions o;
  for (const std::string& target :
       {db + ".Qfd", db + ".Bak", db + ".Qfh", db + ".Qfi", dir / "alias.csv", dir / "link.csv", dir / "other.Qfd"})
    for (const auto format : {modDB::ExportFormat::Csv, modDB::ExportFormat::Stata, modDB::ExportFormat::Sqlite}) {
      EXPECT_EQ(modDB::ExportTo(target, format, all, o), 0) << target;
      EXPECT_EQ(host.Last(), "EXPORT: FILE:" + target + " is a form database or its backup; it is not written over");
    }
  EXPECT_EQ((std::vector<std::string>{ReadFile(db + ".Qfd"), ReadFile(dir / "other.Qfd"), ReadFile(db + ".Qfh"),
                                      ReadFile(db + ".Qfi"), ReadFile(db + ".Bak")}),
            (std::vector<std::string>{before, before, history, "index", "backup"}));
  // A failed export leaves no working file behind.
  fs::create_directory(dir / "sub");
  EXPECT_EQ(modDB::ExportTo(dir / "sub", modDB::ExportFormat::Xlsx, all, o), 0);
  EXPECT_EQ(host.Last(), "EXPORT: FILE:" + (dir / "sub") + " cannot be written: it is a folder");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 8);  // sub and the seven above
  EXPECT_EQ(modDB::ExportTo(dir / "none.xlsx", modDB::ExportFormat::Xlsx, {}, o), 0);
  EXPECT_EQ(host.Last(), "EXPORT: No field is selected: a .xlsx file needs one at least");
  EXPECT_EQ(modDB::ExportFormatOfFile("a/B.SAV"), modDB::ExportFormat::Spss);
  EXPECT_EQ(modDB::ExportFormatOfFile("a.b/c"), std::nullopt);
  EXPECT_EQ(modDB::ExportFormatNamed("stata"), modDB::ExportFormat::Stata);
}

}  // namespace

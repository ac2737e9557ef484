// qfd import and export --rfc4180 as a user runs them: the round trip of every
// example through a spreadsheet file into an empty copy of its form, the report of
// refused rows, all or nothing, --skip-bad, --dry-run, --encoding, and a second
// program that sees the new count.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

using qftest::I32At;
using qftest::Qfd;
using qftest::ReadFile;
using qftest::RunProgram;
using qftest::RunResult;
using qftest::TempDir;
using qftest::ToolPath;
using qftest::WriteFile;
namespace fs = std::filesystem;

namespace {

constexpr size_t kHeader = 23496;

class QfdImport : public ::testing::Test {
 protected:
  // An empty database of the same form as `source`.
  std::string EmptyCopy(const std::string& source, const std::string& name) {
    const RunResult dump = Qfd({"dump", "--json", "--with-password", source});
    EXPECT_EQ(dump.status, 0) << dump.err;
    WriteFile(dir / (name + ".json"), dump.out);
    const RunResult r = Qfd({"create", "--from", dir / (name + ".json"), dir / (name + ".Qfd")});
    EXPECT_EQ(r.status, 0) << r.err;
    return dir / name;
  }
  TempDir dir;
};

}  // namespace

TEST_F(QfdImport, EveryExampleComesBackByteForByte) {
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(QF_BINARY_DIR) / "examples")) {
    if (entry.path().extension() != ".Qfd") continue;
    ++examples;
    const std::string source = entry.path().string();
    const std::string stem = entry.path().stem().string();
    for (const bool utf8 : {false, true}) {
      const std::string csv = dir / (stem + (utf8 ? ".u.csv" : ".w.csv"));
      std::vector<std::string> args{"export", source, csv, "--rfc4180"};
      if (utf8) args.push_back("--utf8");
      RunResult r = Qfd(args);
      ASSERT_EQ(r.status, 0) << r.err;
      const std::string copy = EmptyCopy(source, stem + (utf8 ? "_u" : "_w"));
      r = Qfd({"import", copy, csv});
      ASSERT_EQ(r.status, 0) << stem << ": " << r.err;
      const std::string a = ReadFile(source), b = ReadFile(copy + ".Qfd");
      EXPECT_EQ(I32At(b, 0), I32At(a, 0)) << stem;
      EXPECT_EQ(b.substr(kHeader), a.substr(kHeader)) << stem << (utf8 ? " (UTF-8)" : "");
      EXPECT_EQ(r.out, std::string(utf8 ? "read as UTF-8 (byte order mark)\n"
                                        : "read as Windows-1252 (the program's own export)\n") +
                           std::to_string(I32At(a, 0)) + " rows read, " + std::to_string(I32At(a, 0)) +
                           " good, 0 refused\nrecords 1 to " + std::to_string(I32At(a, 0)) + " added\n");
    }
  }
  EXPECT_GE(examples, 2);
}

TEST_F(QfdImport, RefusedRowsAllOrNothingSkipBadDryRun) {
  WriteFile(dir / "def.json", R"({"Fields": [
    {"Name": "No", "Format": "#"}, {"Name": "Name", "Length": 8, "Format": "ASF"},
    {"Name": "Born", "Format": "D"}]})");
  ASSERT_EQ(Qfd({"create", "--from", dir / "def.json", dir / "db.Qfd"}).status, 0);
  const std::string db = dir / "db";
  const std::string before = ReadFile(db + ".Qfd");
  WriteFile(dir / "in.csv", "name,BORN\r\nann lee,01/02/2003\r\nbob,30/02/2003\r\n\"Zo\xC3\xAB \xCE\xA9\",\r\n");

  RunResult r = Qfd({"import", db, dir / "in.csv"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "qfd: line 3, field Born, value \"30/02/2003\": Invalid date. (DD/MM/YYYY or MM/DD/YYYY)\n"
            "qfd: line 4, field Name, value \"Zo\xC3\xAB ?\": holds \"\xC3\xAB\", which the format ASF does not allow\n"
            "qfd: 1 character(s) outside Windows-1252 became \"?\"\n"
            "qfd: nothing was imported (give --skip-bad to import the good rows)\n");
  EXPECT_EQ(r.out, "read as UTF-8\n3 rows read, 1 good, 2 refused\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);

  r = Qfd({"import", db, dir / "in.csv", "--dry-run", "--skip-bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(dir / "in.rejected.csv"));

  r = Qfd({"import", db, dir / "in.csv", "--skip-bad"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "read as UTF-8\n3 rows read, 1 good, 2 refused\nrecords 1 to 1 added\nrefused rows written to " +
                       dir / "in.rejected.csv" + "\n");
  const std::string after = ReadFile(db + ".Qfd");
  EXPECT_EQ(I32At(after, 0), 1);
  EXPECT_EQ(after.substr(kHeader), "  1   Ann Lee 01/02/2003");
  EXPECT_EQ(ReadFile(dir / "in.rejected.csv"),
            "\xEF\xBB\xBF\"name\",\"BORN\",Reason\r\n"
            "\"bob\",\"30/02/2003\",\"Born: Invalid date. (DD/MM/YYYY or MM/DD/YYYY)\"\r\n"
            "\"Zo\xC3\xAB ?\",\"\",\"Name: holds \"\"\xC3\xAB\"\", which the format ASF does not allow\"\r\n");

  // Another program sees the new count, as after an add; a good dry run writes nothing.
  WriteFile(dir / "ok.csv", "Name\r\ncy\r\n");
  r = Qfd({"import", db, dir / "ok.csv", "--dry-run"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(db + ".Qfd"), after);
  r = Qfd({"import", db, dir / "ok.csv"});
  EXPECT_EQ(r.out, "read as Windows-1252\n1 rows read, 1 good, 0 refused\nrecords 2 to 2 added\n");
  r = Qfd({"get", db, "2"});
  EXPECT_EQ(r.out, "Record 2 of 2\nNo: 2\nName: Cy\nBorn: \n");

  // Told the encoding: the same bytes as Windows-1252 are letters.
  WriteFile(dir / "w.csv", "Name\r\nJos\xE9\r\n");
  r = Qfd({"import", db, dir / "w.csv", "--encoding", "windows-1252", "--dry-run"});
  EXPECT_EQ(r.status, 1);  // "é" is no letter the format "A" admits
  EXPECT_EQ(r.err, "qfd: line 2, field Name, value \"Jos\xC3\xA9\": holds \"\xC3\xA9\", which the format ASF does not allow\n");
  r = Qfd({"import", db, dir / "w.csv", "--encoding", "latin9"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "qfd: unknown encoding \"latin9\": auto, utf-8 or windows-1252\n");
  r = Qfd({"export", db, dir / "x.csv", "--utf8"});
  EXPECT_EQ(r.err, "qfd: --utf8 goes with --rfc4180\n");
  EXPECT_EQ(ReadFile(db + ".Qfd").size(), after.size() + 24);
}

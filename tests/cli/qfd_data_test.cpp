// Data in and out of qfd under a hostile run: the round trips of the export in each
// encoding, files whose mark or bytes say otherwise, a heading that names no field,
// exports through links and to streams, a tail left behind by an append that was
// stopped, messages that show the file's text safely, and the import's refused rows
// (all or nothing, --skip-bad, --dry-run, --encoding).

#include "tests/cli/QfdFixture.h"

using namespace clitest;

namespace {

class QfdData : public QfdTest {
 protected:
  // An empty database of one field Name of 12 characters (records of 13 bytes).
  std::string Make(const std::string& name) { return Create(R"({"Fields": [{"Name": "Name", "Length": 12}]})", name); }
  // A record of that form as the file holds it.
  static std::string Rec(const std::string& name, char mark = ' ') {
    return mark + name + std::string(12 - name.size(), ' ');
  }
};

}  // namespace

// Every export of ours reads back byte for byte with the default options, or says
// which value it cannot; a mark or an encoding given is never part of a name. (Which
// bytes read as which encoding is the import's own test.)
TEST_F(QfdData, EncodingRoundTrips) {
  const std::string db = Make("db");
  for (const char* v : {"CAFÉ’S", "Ã©tÃ©", "  lead", "a\"\"b", "JOSÉ–MARIA"})
    ASSERT_EQ(Qfd({"add", db, std::string("Name=") + v}).status, 0);
  ASSERT_EQ(Qfd({"delete", db, "5"}).status, 0);
  const std::string all = Records(db);
  ASSERT_EQ(all, Rec("CAF\xC9\x92S") + Rec("\xC3\xA9t\xC3\xA9") + Rec("  lead") + Rec("a\"\"b") +
                     Rec("JOS\xC9\x96MARIA", '*'));

  const std::string mismarked = "\xEF\xBB\xBFName\r\nJos\xE9\r\n";
  struct Case {
    std::string label;
    std::vector<std::string> exportArgs;  // an export of db with these, or
    std::string bytes;                    // a file of these bytes
    std::vector<std::string> importArgs;
    int status;
    std::string out, err;  // "%" stands for the file's name
    std::string records;
  };
  const std::string own = "read as Windows-1252 (the program's own export)\n";
  const std::vector<Case> cases = {
      {"plain", {"--with-deleted"}, "", {}, 1, own + "5 rows read, 4 good, 1 refused\n",
       "qfd: % is a plain export: it keeps no blanks at the start of a value, and a value holding a double quote is "
       "refused (export with --rfc4180 for a file that reads back exactly)\n"
       "qfd: line 5, field Name, value \"a\"b\": reads as holding a double quote, which the plain export writes as "
       "it stands: the value cannot be read back exactly (export with --rfc4180)\n"
       "qfd: nothing was imported (give --skip-bad to import the good rows)\n",
       ""},
      {"rfc4180 utf8", {"--with-deleted", "--rfc4180", "--utf8"}, "", {}, 0,
       "read as UTF-8 (byte order mark)\n5 rows read, 5 good, 0 refused\nrecords 1 to 5 added\n", "", all},
      {"mark with Windows-1252 text", {}, mismarked, {}, 1, "",
       "IMPORT: % starts with a UTF-8 byte order mark, but its bytes are not UTF-8; give the encoding "
       "windows-1252 to read it as Windows-1252\n",
       ""},
      {"mark with Windows-1252 named", {}, mismarked, {"--encoding", "windows-1252"}, 0,
       "read as Windows-1252 (as given)\n1 rows read, 1 good, 0 refused\nrecords 1 to 1 added\n", "",
       Rec("Jos\xE9")},
      {"UTF-16", {}, std::string("\xFF\xFEN\0a\0m\0e\0", 8), {}, 1, "",
       "IMPORT: % is UTF-16 (it starts with a UTF-16 byte order mark); save it as UTF-8 or Windows-1252 and "
       "import it again\n",
       ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string csv = dir / ("in" + std::to_string(++n) + ".csv");
    if (c.exportArgs.empty()) {
      WriteFile(csv, c.bytes);
    } else {
      std::vector<std::string> args{"export", db, csv};
      args.insert(args.end(), c.exportArgs.begin(), c.exportArgs.end());
      QfdOk(args);
    }
    const std::string copy = Make("copy" + std::to_string(n));
    std::vector<std::string> args{"import", copy, csv};
    args.insert(args.end(), c.importArgs.begin(), c.importArgs.end());
    std::string err = c.err;
    for (size_t at; (at = err.find('%')) != std::string::npos;) err.replace(at, 1, csv);
    EXPECT_EQ(QfdFails(args, err, c.status).out, c.out);
    EXPECT_EQ(Records(copy), c.records);
  }
}

// A heading with unknown columns only, even when they may be left out, adds nothing;
// file text in messages is escaped and in UTF-8, and a huge value is cut.
TEST_F(QfdData, HeadingsAndValuesInMessages) {
  const std::string db = Make("db");
  WriteFile(dir / "none.csv", "Street,Phone\r\nx,y\r\nz,w\r\n");
  QfdFails({"import", db, dir / "none.csv", "--ignore-unknown"},
           "IMPORT: no column of " + dir / "none.csv" + " names a field of " + db + ".Qfd; nothing was imported\n");
  EXPECT_EQ(Records(db), "");

  WriteFile(dir / "esc.csv", std::string("Na\x1B[2Jme\xE9\0x\a,Name\r\nq,r\r\n", 18));
  QfdFails({"import", db, dir / "esc.csv"}, "IMPORT: no field of " + db +
                                                ".Qfd is named \"Na\\x1B[2Jme\xC3\xA9\\x00x\\x07\" (give "
                                                "--ignore-unknown to leave such columns out)\n");

  // Blanks at the end of a value are padding for add and set as for the import.
  WriteFile(dir / "pad.csv", "Name\r\nabcdefghijkl  \r\n");
  QfdOk({"import", db, dir / "pad.csv"});
  QfdOk({"add", db, "Name=abcdefghijkl  "});
  QfdOk({"set", db, "2", "Name=mnopqrstuvwx   "});
  EXPECT_EQ(Records(db), Rec("abcdefghijkl") + Rec("mnopqrstuvwx"));

  WriteFile(dir / "huge.csv", "Name\r\n" + std::string(10 << 20, 'v') + "\r\n");
  QfdFails({"import", db, dir / "huge.csv"},
           "qfd: line 2, field Name, value \"" + std::string(200, 'v') +
               "...\" (10485760 characters): has 10485760 characters; the field holds 12\n"
               "qfd: nothing was imported (give --skip-bad to import the good rows)\n");
  EXPECT_EQ(Records(db), Rec("abcdefghijkl") + Rec("mnopqrstuvwx"));
}

// A pipe, FIFO or terminal is written as a stream, a link's file is written and the
// link kept; a FIFO stays one (the engine's tests refuse a folder and a missing folder).
TEST_F(QfdData, ExportsThroughLinksAndToStreams) {
  const std::string db = Make("db");
  ASSERT_EQ(Qfd({"add", db, "Name=Ann"}).status, 0);
  const std::string csv = "#,Name\r\n1,\"Ann\"\r\n";

  EXPECT_EQ(QfdOk({"export", db, "/dev/stdout"}).out, csv);  // standard output is a pipe here
  RunResult r = RunProgram({"/bin/sh", "-c", ToolPath("qfd") + " export " + db + " /dev/stdout > " + dir / "out.csv"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "out.csv"), csv);
  EXPECT_FALSE(fs::is_regular_file(fs::symlink_status("/dev/stdout")));

  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  r = RunProgram({"/bin/sh", "-c", "cat " + dir / "fifo" + " > " + dir / "got.csv" + " & " + ToolPath("qfd") +
                                       " export " + db + " " + dir / "fifo" + "; wait"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "got.csv"), csv);
  EXPECT_EQ(fs::status(dir / "fifo").type(), fs::file_type::fifo);

  WriteFile(dir / "real.csv", "old");
  fs::create_symlink("real.csv", dir / "link.csv");
  fs::create_symlink("made.csv", dir / "dangling.csv");
  for (const char* link : {"link.csv", "dangling.csv"}) {
    QfdOk({"export", db, dir / link});
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  }
  EXPECT_EQ(ReadFile(dir / "real.csv"), csv);
  EXPECT_EQ(ReadFile(dir / "made.csv"), csv);
}

// An append stopped between its records and its count (kill -9, a file-size limit)
// leaves a tail: check calls it a leftover, the next append cuts it; a file-size
// limit is a failed write that gives the file back, never the end of qfd, and the
// refused rows of an import that failed are not written.
TEST_F(QfdData, ATailBeyondTheCountIsHarmless) {
  const std::string db = Make("db");
  ASSERT_EQ(Qfd({"add", db, "Name=Ann"}).status, 0);
  const std::string one = ReadFile(db + ".Qfd");
  WriteFile(db + ".Qfd", one + std::string(45, 'x'));
  RunResult r = QfdOk({"check", db});
  EXPECT_EQ(r.out, db + ".Qfd: ok, 1 records of 13 bytes\n" + db +
                       ".Qfd: 45 bytes behind the last record are a leftover of an append that did not finish; the "
                       "next record added cuts them\n");
  ASSERT_EQ(Qfd({"add", db, "Name=Bo"}).status, 0);
  EXPECT_EQ(ReadFile(db + ".Qfd"), one.substr(0, 4).replace(0, 1, "\x02") + one.substr(4) + Rec("Bo"));
  EXPECT_EQ(Qfd({"check", db}).out, db + ".Qfd: ok, 2 records of 13 bytes\n");
  WriteFile(db + ".Qfd", ReadFile(db + ".Qfd") + std::string(30, 'y'));  // and before an import
  WriteFile(dir / "cy.csv", "Name\r\nCy\r\n");
  ASSERT_EQ(Qfd({"import", db, dir / "cy.csv"}).status, 0);
  EXPECT_EQ(Records(db), Rec("Ann") + Rec("Bo") + Rec("Cy"));

  std::string rows = "Name\r\n";
  for (int i = 0; i < 5000; ++i) rows += "n" + std::to_string(i) + "\r\n";
  rows += "far too long a name\r\n";
  WriteFile(dir / "big.csv", rows);
  const std::string three = ReadFile(db + ".Qfd");
  r = RunProgram({"/bin/sh", "-c", "ulimit -f 60; exec " + ToolPath("qfd") + " import " + db + " " +
                                       dir / "big.csv" + " --skip-bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(r.err.rfind("Import:")), "Import: Unexpected Error: FILE:" + db + ".Qfd: File too large\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), three);
  EXPECT_FALSE(fs::exists(dir / "big.rejected.csv"));
}

// Refused rows are told line by line and all or nothing holds; --skip-bad writes the
// refused rows beside the file, --dry-run writes nothing, and the encoding may be named.
TEST_F(QfdData, ImportRefusedRowsAllOrNothingSkipBadDryRun) {
  const std::string db = Create(R"({"Fields": [{"Name": "No", "Format": "#"},
    {"Name": "Name", "Length": 8, "Format": "ASF"}, {"Name": "Born", "Format": "D"}]})");
  const std::string before = ReadFile(db + ".Qfd");
  WriteFile(dir / "in.csv", "name,BORN\r\nann lee,01/02/2003\r\nbob,30/02/2003\r\n\"Zo\xC3\xAB \xCE\xA9\",\r\n");

  RunResult r = QfdFails(
      {"import", db, dir / "in.csv"},
      "qfd: line 3, field Born, value \"30/02/2003\": Invalid date. Format (DD/MM/YYYY)\n"
      "qfd: line 4, field Name, value \"Zo\xC3\xAB ?\": holds \"\xC3\xAB\", which the format ASF does not allow\n"
      "qfd: 1 character(s) outside Windows-1252 became \"?\"\n"
      "qfd: nothing was imported (give --skip-bad to import the good rows)\n");
  EXPECT_EQ(r.out, "read as UTF-8\n3 rows read, 1 good, 2 refused\n");
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);

  QfdEnds({"import", db, dir / "in.csv", "--dry-run", "--skip-bad"}, 1);
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
  EXPECT_FALSE(fs::exists(dir / "in.rejected.csv"));

  r = QfdOk({"import", db, dir / "in.csv", "--skip-bad"});
  EXPECT_EQ(r.out, "read as UTF-8\n3 rows read, 1 good, 2 refused\nrecords 1 to 1 added\nrefused rows written to " +
                       dir / "in.rejected.csv" + "\n");
  const std::string after = ReadFile(db + ".Qfd");
  EXPECT_EQ(I32At(after, 0), 1);
  EXPECT_EQ(after.substr(kHead), "  1   Ann Lee 01/02/2003");
  EXPECT_EQ(ReadFile(dir / "in.rejected.csv"),
            "\xEF\xBB\xBF\"name\",\"BORN\",Reason\r\n"
            "\"bob\",\"30/02/2003\",\"Born: Invalid date. Format (DD/MM/YYYY)\"\r\n"
            "\"Zo\xC3\xAB ?\",\"\",\"Name: holds \"\"\xC3\xAB\"\", which the format ASF does not allow\"\r\n");

  // Another program sees the new count, as after an add; a good dry run writes nothing.
  WriteFile(dir / "ok.csv", "Name\r\ncy\r\n");
  QfdOk({"import", db, dir / "ok.csv", "--dry-run"});
  EXPECT_EQ(ReadFile(db + ".Qfd"), after);
  EXPECT_EQ(Qfd({"import", db, dir / "ok.csv"}).out,
            "read as Windows-1252\n1 rows read, 1 good, 0 refused\nrecords 2 to 2 added\n");
  EXPECT_EQ(Qfd({"get", db, "2"}).out, "Record 2 of 2\nNo: 2\nName: Cy\nBorn: \n");

  // Told the encoding: the same bytes as Windows-1252 are letters.
  WriteFile(dir / "w.csv", "Name\r\nJos\xE9\r\n");
  // "é" is no letter the format "A" admits.
  QfdFails({"import", db, dir / "w.csv", "--encoding", "windows-1252", "--dry-run"},
           "qfd: line 2, field Name, value \"Jos\xC3\xA9\": holds \"\xC3\xA9\", which the format ASF does not "
           "allow\n");
  QfdFails({"import", db, dir / "w.csv", "--encoding", "latin9"},
           "qfd: unknown encoding \"latin9\": auto, utf-8 or windows-1252\n");
  EXPECT_EQ(Qfd({"export", db, dir / "x.csv", "--utf8"}).err, "qfd: --utf8 goes with --rfc4180\n");
  EXPECT_EQ(ReadFile(db + ".Qfd").size(), after.size() + 24);
}

// The CSV import: the reader (RFC 4180, the older export, encodings), column
// matching, each check of a saved record, all or nothing, the refused-rows file, the
// record limit, and the round trip through the spreadsheet export, byte for byte.

#include "engine/transfer/CsvExport.h"
#include "engine/transfer/CsvImport.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

class CsvImportTest : public StoreTest {
 protected:
  // Reads `csv` (written to a file first) against the open database.
  modDB::CsvImport Read(const std::string& csv, modDB::CsvImportOptions options = {}) {
    WriteFile(dir / "in.csv", csv);
    modDB::CsvImport plan;
    EXPECT_EQ(modDB::ReadCsvImport(dir / "in.csv", options, plan), 1) << host.Last();
    return plan;
  }
  // Reading `file` (`csv` written to it first, when given) is refused with this message
  // and builds no record.
  void ExpectRefused(const std::string& file, const std::optional<std::string>& csv, const std::string& message) {
    if (csv) WriteFile(file, *csv);
    modDB::CsvImport plan;
    EXPECT_EQ(modDB::ReadCsvImport(file, {}, plan), 0);
    EXPECT_EQ(host.Last(), "IMPORT: " + message);
    EXPECT_TRUE(plan.records.empty());
  }
  std::vector<std::string> Problems(const modDB::CsvImport& plan) {
    std::vector<std::string> out;
    for (const modDB::CsvProblem& p : plan.problems) out.push_back(ProblemText(p));
    return out;
  }
  // Each row the reader gives: "line:value|value", then " !" and its error, if any.
  std::vector<std::string> Parse(const std::string& text) {
    std::vector<std::string> rows;
    modDB::ParseCsv(text, [&](modDB::CsvRow& r, const std::string& e) {
      std::string row = std::to_string(r.line) + ":";
      for (size_t i = 0; i < r.values.size(); ++i) row += (i ? "|" : "") + r.values[i];
      rows.push_back(row + (e.empty() ? "" : " !" + e));
    });
    return rows;
  }
};

using Values = std::vector<std::string>;

}  // namespace

// A quote in an unquoted value stands; an empty line is no row; the plain export has
// bare LFs inside quotes and no value holding a quote; a quote the older export left
// undoubled spoils its row only; a quote still open at the end.
TEST_F(CsvImportTest, ReaderFollowsRfc4180AndReadsTheOlderExport) {
  EXPECT_EQ(Parse("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"one\r\ntwo\",,\"\"\r\n\r\nlast,x\"y\n"),
            (Values{"1:a|b,c|say \"hi\"", "2:one\r\ntwo||", "5:last|x\"y"}));
  EXPECT_EQ(Parse("#,Name,Notes\r\n1,\"Ann\",\"one\ntwo\"\r\n2,\"Bob\",\"\"\r\n"),
            (Values{"1:#|Name|Notes", "2:1|Ann|one\ntwo", "4:2|Bob|"}));
  const Values rows = Parse("1,\"say \"hi\", ok\"\r\n2,\"fine\"\r\n3,\"open\r\nto the end");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].substr(rows[0].find(" !")), " !a double quote inside a quoted value is not doubled");
  EXPECT_EQ(rows[1], "2:2|fine");
  EXPECT_EQ(rows[2].substr(rows[2].find(" !")), " !a quoted value is not closed before the end of the file");
}

TEST_F(CsvImportTest, Encodings) {
  using modDB::CsvEncoding;
  const std::tuple<const char*, CsvEncoding, const char*, bool, int64_t> cases[] = {
      // With a byte order mark; "€" and "é" have places in Windows-1252, "Ω" and "😀" not.
      {"\xEF\xBB\xBF\xE2\x82\xAC\xC3\xA9\xCE\xA9\xF0\x9F\x98\x80", CsvEncoding::Auto, "\x80\xE9??", true, 2},
      {"caf\xC3\xA9", CsvEncoding::Auto, "caf\xE9", true, 0},            // valid UTF-8 without a mark
      {"caf\xE9 \x80", CsvEncoding::Auto, "caf\xE9 \x80", false, 0},     // not UTF-8: Windows-1252
      {"caf\xC3\xA9", CsvEncoding::Cp1252, "caf\xC3\xA9", false, 0},    // as told
      {"a\xE9z", CsvEncoding::Utf8, "a?z", true, 1},
      // Valid UTF-8 that says nothing (a capital with an accent and a sign) stays
      // Windows-1252; a mark is never text, whatever the encoding; plain ASCII is neither.
      {"CAF\xC9\x92S JOS\xC9\x96MARIA", CsvEncoding::Auto, "CAF\xC9\x92S JOS\xC9\x96MARIA", false, 0},
      {"\xEF\xBB\xBFName", CsvEncoding::Cp1252, "Name", false, 0},
      {"abc", CsvEncoding::Auto, "abc", false, 0},
  };
  for (const auto& [in, as, out, isUtf8, replacedCount] : cases) {
    bool utf8 = !isUtf8;
    int64_t replaced = -1;
    EXPECT_EQ(modDB::DecodeCsvText(in, as, utf8, replaced), out) << in;
    EXPECT_EQ(std::make_pair(utf8, replaced), std::make_pair(isUtf8, replacedCount)) << in;
  }
}

// The file is read a piece of 512 KB at a time: a character, a CR LF and a quoted value
// cut by a piece's end, and a row longer than a piece, read as in one go (in rows
// fewer than a database holds).
TEST_F(CsvImportTest, PiecesOfTheFileReadAsOne) {
  MakeForm("pieces", {{"Name", 8, ""}, {"Notes", 20, "*M"}}, {}, true);
  constexpr size_t kPiece = size_t{512} << 10;
  std::string csv = "Name,Notes\r\n", records;
  int64_t line = 2, rows = 0;
  // A row of the file (Notes quoted, as the file has it) and the record it makes.
  auto row = [&](const std::string& name, const std::string& quoted, const std::string& notes, int lines = 1) {
    csv += name + ",\"" + quoted + "\"\r\n";
    records += " " + name + std::string(8 - name.size(), ' ') + notes + std::string(20 - notes.size(), ' ');
    line += lines, ++rows;
  };
  // Rows of 5 to 33 bytes until the next row starts `before` bytes ahead of a piece's end.
  auto padTo = [&](size_t before) {
    for (size_t room; (room = kPiece - (csv.size() + before) % kPiece) != kPiece;) {
      const size_t size = room < 5 || room >= 38 ? 33 : room > 33 ? room - 5 : room;
      const size_t name = std::min<size_t>(size - 5, 8);
      row(std::string(name, 'p'), std::string(size - 5 - name, 'n'), std::string(size - 5 - name, 'n'));
    }
  };
  // piece 0: "é" in UTF-8 cut after its first byte; 1: CR LF cut; 2: a doubled quote cut.
  for (int piece = 0; piece < 3; ++piece) {
    if (piece == 0) padTo(7), row("k", "caf\xC3\xA9", "caf\xE9");
    if (piece == 1) padTo(5), row("k", "a\r\nb", "a\r\nb", 2);
    if (piece == 2) padTo(8), row("k", "say \"\"hi\"\"", "say \"hi\"");
    for (int n = 0; n < 8000; ++n) {
      const std::string r = std::to_string(n % 1000), v = "v" + std::to_string(n) + std::string(14, 'x');
      row("r" + r + std::string(7 - r.size(), 'q'), v, v);
    }
  }
  const int64_t longLine = line;
  csv += "long,\"" + std::string(kPiece + 100, 'z') + "\"\r\n";
  row("last", "x", "x");
  modDB::CsvImport plan = Read(csv);
  EXPECT_EQ(std::make_tuple(plan.utf8, plan.rows, plan.records == records), std::make_tuple(true, rows + 1, true));
  ASSERT_EQ(plan.problems.size(), 1u);
  EXPECT_EQ(std::to_string(plan.problems[0].line) + ": " + plan.problems[0].reason,
            std::to_string(longLine) + ": has " + std::to_string(kPiece + 100) + " characters; the field holds 20");

  // A byte that is no UTF-8 after the first pieces: the whole file is Windows-1252.
  plan = Read(csv + "\xE9,x\r\n");
  EXPECT_EQ(std::make_tuple(plan.utf8, plan.replaced, plan.problems.size()), std::make_tuple(false, 0, 1u));
  EXPECT_EQ(plan.records.substr(0, 29), records.substr(0, 29));
  EXPECT_NE(plan.records.find("caf\xC3\xA9"), std::string::npos);
  EXPECT_EQ(plan.records.substr(plan.records.size() - 29), " \xE9       x" + std::string(19, ' '));
}

TEST_F(CsvImportTest, ColumnsAreMatchedByName) {
  const std::string base = MakeForm("cols", {{"Name", 6, ""}, {"City", 5, ""}, {"Zip", 4, ""}}, {}, true);
  // Any letter case, any order; "#" and RECNO ignored; Zip has no column and stays blank.
  modDB::CsvImport plan = Read("recno,CITY,#,name\r\n7,Rome,9,Ann\r\n");
  EXPECT_EQ(plan.fieldOf, (std::vector<int16_t>{0, 2, 0, 1}));
  ASSERT_EQ(modDB::WriteCsvImport(plan, false), 1) << host.Last();
  EXPECT_EQ(qftest::RecordsOf(base), " Ann   Rome     ");
  EXPECT_EQ(modDB::GetRecordNo(), 1);

  // Unknown columns are refused, all of them named, unless they are to be ignored.
  ExpectRefused(dir / "u.csv", "Name,Street,Phone\r\nBob,x,y\r\n",
                "no field of " + base + ".Qfd is named \"Street\", \"Phone\" (give --ignore-unknown to leave such columns out)");
  plan = Read("Name,Street,Phone\r\nBob,x,y\r\n", {.ignoreUnknown = true, .encoding = {}, .rfc4180 = false});
  EXPECT_EQ(std::make_pair(plan.unknown, plan.good), std::make_pair(Values{"Street", "Phone"}, int64_t{1}));

  // A field named twice, and a file without a heading.
  ExpectRefused(dir / "d.csv", "Name,NAME\r\na,b\r\n", "the field Name has two columns: \"Name\" and \"NAME\"");
  ExpectRefused(dir / "e.csv", "", dir / "e.csv" + " is empty: it has no heading line");
  ExpectRefused(dir / "missing.csv", std::nullopt,
                "Unexpected Error: FILE:" + dir / "missing.csv" + ": No such file or directory");
  EXPECT_EQ(qftest::RecordsOf(base), " Ann   Rome     ");  // nothing of this was written
}

TEST_F(CsvImportTest, EachCheckOfASavedRecord) {
  MakeForm("checks",
           {{"No", 5, "#"}, {"Born", 10, "D"}, {"At", 8, "T"}, {"Must", 4, "!A"}, {"Ok", 1, "Y"}, {"Up", 4, "AU"},
            {"Low", 4, "AL"}, {"Proper", 12, "ASF"}, {"Digits", 4, "N"}, {"Short", 3, "*"}, {"Lines", 10, "*"}},
           {}, true, 2);  // month first
  const std::string head = "No,Born,At,Must,Ok,Up,Low,Proper,Digits,Short,Lines\r\n";
  modDB::CsvImport plan = Read(head +
                        "77,12/31/1999,9:05,ab,y,abc,XyZ,ann mARIE,12,abc,x\r\n"  // good; 77 is not taken
                        "1,31/12/1999,,ab,,,,,,,\r\n"                                // day first: refused
                        "1,,24:00:00,ab,,,,,,,\r\n"                                  // no such time
                        "1,,,,,,,,,,\r\n"                                            // required
                        "1,,,ab,x,,,,,,\r\n"                                         // yes/no holds x
                        "1,,,ab,,,,,1a,,\r\n"                                        // a letter in digits
                        "1,,,ab,,,,,,abcd,\r\n"                                      // too long
                        "1,,,ab,,,,,,,\"a\nb\"\r\n"                                  // a line break without M
                        "1,,,ab,,,,,,abc   ,\r\n"                                    // padding blanks are no length
                        "1,2\r\n");                                                  // short row
  EXPECT_EQ(Problems(plan),
            (Values{"line 3, field Born, value \"31/12/1999\": Invalid date. Format (MM/DD/YYYY)",
                    "line 4, field At, value \"24:00:00\": Invalid time. Format (hh:mm or hh:mm:ss)",
                    "line 5, field Must, value \"\": Cannot be empty",
                    "line 6, field Ok, value \"x\": holds \"x\", which the format Y does not allow",
                    "line 7, field Digits, value \"1a\": holds \"a\", which the format N does not allow",
                    "line 8, field Short, value \"abcd\": has 4 characters; the field holds 3",
                    "line 9, field Lines, value \"a\nb\": holds a line break, which the format * does not allow",
                    "line 12: the row has 2 values; the heading names 11 columns"}));
  ASSERT_EQ(plan.reasons.size(), 8u);
  EXPECT_EQ(std::make_tuple(plan.rows, plan.good, plan.refused.size(), plan.reasons[0]),
            std::make_tuple(10, 2, 8u, std::string("Born: Invalid date. Format (MM/DD/YYYY)")));
  // The good row as it is saved: cased, the "#" field left for the store.
  const modDB::FormHeader h = modDB::GetHeader();
  EXPECT_EQ(plan.records.substr(0, static_cast<size_t>(h.RecordLength)),
            std::string(" ") + "     " + "12/31/1999" + "09:05:00" + "ab  " + "Y" + "ABC " + "xyz " + "Ann Marie   " +
                "12  " + "abc" + "x         ");
  // A yes/no field given "n" is stored "N"; an empty yes/no passes.
  plan = Read(head + "1,,,ab,n,,,,,,\r\n");
  EXPECT_TRUE(plan.problems.empty());
  EXPECT_EQ(plan.records.substr(static_cast<size_t>(h.Fields[5].Offset), 1), "N");
}

// Quoted values go into their fields with their doubled quotes made single and their
// line breaks as CR LF: a field filled to its last character, blanks at the end that
// are only padding, and the length counted after the quotes are made single.
TEST_F(CsvImportTest, QuotedValuesFillTheirFieldsExactly) {
  MakeForm("quoted", {{"Text", 6, "*M"}, {"Up", 4, "AU"}}, {}, true);
  modDB::CsvImport plan = Read("Text,Up\r\n"
                        "\"ab\"\"cd\",ab\r\n"            // ab"cd
                        "\"a\"\"b\"\"c\"\"\",\r\n"         // a"b"c" fills the field
                        "\"abc\"\"   \",\r\n"            // abc" and padding
                        "\"x\"\"\ny\",\r\n"               // x", a bare LF, y
                        "\"ab\r\n\"\"c\",abcd\r\n"       // ab, CR LF, "c: six characters
                        "\"ab\"\"cde\"\"\",\r\n"           // ab"cde" is seven
                        ",abcde\r\n");                     // five letters for four places
  EXPECT_EQ(Problems(plan),
            (Values{"line 9, field Text, value \"ab\"cde\"\": has 7 characters; the field holds 6",
                    "line 10, field Up, value \"abcde\": has 5 characters; the field holds 4"}));
  EXPECT_EQ(plan.records, std::string(" ab\"cd AB  ") + " a\"b\"c\"    " + " abc\"      " + " x\"\r\ny     " +
                              " ab\r\n\"cABCD");
  EXPECT_EQ(plan.preview[4].values, (Values{"ab\r\n\"c", "abcd"}));  // as the file means it
}

TEST_F(CsvImportTest, AllOrNothingSkipBadAndTheRejectedFile) {
  const std::string base = MakeForm("aon", {{"No", 5, "#"}, {"Name", 8, "AS"}, {"Age", 3, "N"}},
                                     {{modDB::AutoNumberText(1), "First"}}, true);  // one record before the import
  const std::string before = ReadFile(base + ".Qfd");

  modDB::CsvImport plan = Read("Name,Age\r\nAnn,30\r\nBob,x1\r\n\"Cy, \"\"Jr\"\"\",40\r\nDee,41\r\n");
  EXPECT_EQ(modDB::WriteCsvImport(plan, false), 0);
  EXPECT_EQ(host.Last(), "IMPORT: 2 of 4 rows are refused; nothing was imported");
  EXPECT_EQ(ReadFile(base + ".Qfd"), before);

  // Skipping the bad rows: the good ones follow the old record, numbered by the store.
  host.Clear();
  ASSERT_EQ(modDB::WriteCsvImport(plan, true), 1) << host.Last();
  EXPECT_EQ(ReadFile(base + ".Qfd"), qftest::WithI32(before, 0, 3) + "  2   Ann     30 " + "  3   Dee     41 ");
  EXPECT_EQ(std::make_tuple(modDB::GetRecordNo(), modDB::GetRecordText(), host.lastTotal),
            std::make_tuple(2, std::string("  2   Ann     30 "), 2));

  ASSERT_EQ(modDB::WriteRejectedCsv(plan, modDB::RejectedFileName(dir / "in.csv")), 1);
  EXPECT_EQ(ReadFile(dir / "in.rejected.csv"),
            "\"Name\",\"Age\",Reason\r\n"
            "\"Bob\",\"x1\",\"Age: holds \"\"x\"\", which the format N does not allow\"\r\n"
            "\"Cy, \"\"Jr\"\"\",\"40\",\"Name: holds \"\",\"\", which the format AS does not allow\"\r\n");
  EXPECT_EQ(modDB::RejectedFileName("a/b.CSV"), "a/b.rejected.CSV");
  EXPECT_EQ(modDB::RejectedFileName("a/b.txt"), "a/b.txt.rejected.csv");

  // Read in UTF-8, written back in UTF-8 with its mark.
  plan = Read("\xEF\xBB\xBFName,Age\r\nZo\xC3\xA9,x\r\n");
  ASSERT_EQ(modDB::WriteRejectedCsv(plan, dir / "u.rejected.csv"), 1);
  EXPECT_EQ(ReadFile(dir / "u.rejected.csv"),
            "\xEF\xBB\xBF\"Name\",\"Age\",Reason\r\n\"Zo\xC3\xA9\",\"x\",\"Name: holds \"\"\xC3\xA9\"\", which the "
            "format AS does not allow; Age: holds \"\"x\"\", which the format N does not allow\"\r\n");
}

TEST_F(CsvImportTest, TheRecordLimitIsKeptBeforeWriting) {
  const std::string base = MakeForm("full", {{"A", 1}});
  // 65,529 blank records of 2 bytes.
  const int32_t n = modDB::kMaxRecords - 1;
  const std::string bytes = qftest::WithI32(ReadFile(base + ".Qfd"), 0, n) + std::string(static_cast<size_t>(n) * 2, ' ');
  WriteFile(base + ".Qfd", bytes);
  Open(base);
  // No more records are built than fit: the reading stops there.
  ExpectRefused(dir / "in.csv", "A\r\nx\r\ny\r\nz\r\n",
                "DB is Full: 65529 records and at least 2 rows of " + dir / "in.csv" +
                    " would pass the 65530 a database holds; nothing was imported");
  modDB::CsvImport plan = Read("A\r\nx\r\n"), again = plan;
  ASSERT_EQ(modDB::WriteCsvImport(plan, false), 1) << host.Last();
  EXPECT_EQ(modDB::GetRecordCount(), modDB::kMaxRecords);
  EXPECT_EQ(ReadFile(base + ".Qfd").substr(bytes.size()), " x");
  // Counted again under the lock: the room was taken since the reading (here by the
  // same rows, written once already).
  EXPECT_EQ(modDB::WriteCsvImport(again, false), 0);
  EXPECT_EQ(host.Last(),
            "IMPORT: DB is Full: 65530 records and 1 more would pass the 65530 a database holds; nothing was imported");
  EXPECT_EQ(ReadFile(base + ".Qfd").size(), bytes.size() + 2);

  // A file with more rows than any database holds, refused rows or not, is refused
  // as soon as that is plain.
  const std::string small = MakeForm("small", {{"A", 1, "N"}}, {}, true);
  std::string many = "A\r\n";
  for (int32_t r = 0; r <= modDB::kMaxRecords; ++r) many += "x\r\n";
  ExpectRefused(dir / "many.csv", many,
                dir / "many.csv" + " has more than 65530 rows; a database holds at most 65530 records; nothing was imported");
}

TEST_F(CsvImportTest, RoundTripOfAGeneratedDatabase) {
  const std::vector<FieldShape> fields = {{"No", 5, "#"},     {"Name", 20, "*"}, {"Notes", 60, "*M"}, {"Free", 12, ""},
                                 {"Code", 6, "ANU"}, {"Born", 10, "D"}, {"At", 8, "T"},     {"Ok", 1, "Y"},
                                 {"Full", 16, "*"}};
  const char* names[] = {"Ann", "Jos\xE9 \x80\x8C", "O'Neil, \"Bo\"", "\"", ",", "Zo\xEB\xFF\x9F"};
  const char* notes[] = {"", "line one\r\nline two", "a,\"b\"\r\n\r\n,c", "\"\"\"", "caf\xE9\r\n\x80"};
  Records records;
  for (int r = 1; r <= 300; ++r)
    records.push_back({modDB::AutoNumberText(r), names[r % 6], notes[r % 5],
                       r % 7 == 0 ? "  lead \"q\"" : "x" + std::to_string(r), "AB" + std::to_string(r % 100),
                       r % 3 ? "01/02/2003" : "", r % 4 ? "12:34:56" : "", r % 2 ? "Y" : "N",
                       std::string(16, static_cast<char>('a' + r % 26)).replace(3, 2, "\",")});
  const std::string src = MakeForm("src", fields, records);
  std::vector<bool> all(modDB::kMaxFields + 1, true);
  for (const bool utf8 : {false, true}) {
    Open(src);
    const std::string csv = dir / (utf8 ? "u.csv" : "w.csv");
    ASSERT_EQ(modDB::ExportCsv(csv, all, {true, utf8}), 1);
    modDB::CloseDatabase();
    const std::string copy = MakeForm(utf8 ? "copyu" : "copyw", fields, {}, true);
    modDB::CsvImport plan;
    ASSERT_EQ(modDB::ReadCsvImport(csv, {}, plan), 1) << host.Last();
    EXPECT_EQ(std::make_pair(plan.utf8, plan.replaced), std::make_pair(utf8, int64_t{0}));
    ASSERT_EQ(modDB::WriteCsvImport(plan, false), 1) << host.Last();  // refused rows would refuse it all
    modDB::CloseDatabase();
    EXPECT_EQ(ReadFile(copy + ".Qfd"), ReadFile(src + ".Qfd")) << (utf8 ? "UTF-8" : "Windows-1252");
  }
}

// A file rewritten in place or cut while it is read (here by the fault hook, between
// two pieces): the size and change time before and after differ, and nothing is
// taken from it.
TEST_F(CsvImportTest, AFileChangedWhileReadIsRefused) {
  MakeForm("changed", {{"Name", 8, ""}, {"Notes", 100, ""}}, {}, true);
  std::string csv = "Name,Notes\r\n";
  while (csv.size() < (size_t{1} << 20) + 100) csv += "abcdefg," + std::string(90, 'n') + "\r\n";
  const std::string path = dir / "in.csv";
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "rewritten");
    WriteFile(path, csv);
    int reads = 0;
    modDB::detail::SetIoFaultHook([&](modDB::detail::IoCall call, int) {
      if (call == modDB::detail::IoCall::Read && ++reads == 3) {
        if (cut) EXPECT_EQ(::truncate(path.c_str(), 700001), 0);
        else qftest::PatchFile(path, 800001, "XYZ");
      }
      return 0;
    });
    ExpectRefused(path, std::nullopt,
                  path + " was changed while it was read; nothing was taken from it (import it again once it is complete)");
    modDB::detail::SetIoFaultHook({});
    EXPECT_GE(reads, 3);
  }
}

// Another process rewrites the file in place over and over, between two versions of
// the same size, at times pausing: every import that is taken holds one version
// whole, and one taken in a pause is not refused.
TEST_F(CsvImportTest, AFileRewrittenInPlaceIsTakenWholeOrRefused) {
  MakeForm("rewritten", {{"Name", 255, ""}}, {}, true);
  constexpr int kRows = 60000;
  std::string a = "Name\n";
  for (int i = 0; i < kRows; ++i) a += std::string(255, 'a') + "\n";
  std::string b = a;
  std::replace(b.begin() + 5, b.end(), 'a', 'b');
  const std::string path = dir / "in.csv";
  WriteFile(path, a);
  struct Writer {
    pid_t pid = ::fork();
    ~Writer() {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  } writer;
  if (writer.pid == 0) {  // one write of the whole text each time, then a pause
    const int fd = ::open(path.c_str(), O_WRONLY);
    for (int v = 0;; v ^= 1) {
      const std::string& text = v ? b : a;
      if (::pwrite(fd, text.data(), text.size(), 0) < 0) _exit(1);
      ::usleep(v ? 20000 : 400000);
    }
  }
  int taken = 0;
  for (int run = 0; run < 12; ++run) {
    modDB::CsvImport plan;
    if (modDB::ReadCsvImport(path, {}, plan) != 1) {
      EXPECT_NE(host.Last().find(" was changed while it was read; nothing was taken from it"), std::string::npos)
          << host.Last();
      continue;
    }
    ++taken;
    ASSERT_EQ(plan.good, kRows);
    const char first = plan.records[1];
    EXPECT_EQ(plan.records.find(first == 'a' ? 'b' : 'a'), std::string::npos) << "run " << run << ": two versions";
  }
  EXPECT_GT(taken, 0);
}

// A row that never ends (a file of zero bytes, say) is refused once it passes what
// any row of records can be, without reading on; so is a row of more values than
// any row of records has (one long row of commas), before the next row.
TEST_F(CsvImportTest, ARowWithoutEndOrOfEndlessValuesIsRefused) {
  MakeForm("endless", {{"Name", 8, ""}}, {}, true);
  WriteFile(dir / "zeros.csv", "Name\r\n" + std::string((size_t{40} << 20), '\0'));
  WriteFile(dir / "commas.csv", "Name\r\nx\r\n" + std::string((size_t{20} << 20), ',') + "\r\ny\r\n");
  const std::pair<const char*, const char*> cases[] = {
      {"zeros.csv", " is longer than 16 MB; no record comes from such a row"},
      {"commas.csv", " has more than 100000 values; no record comes from such a row"}};
  for (const auto& [file, why] : cases)
    ExpectRefused(dir / file, std::nullopt,
                  "the row at line " + std::string(file[0] == 'z' ? "2" : "3") + " of " + dir / file + why);
}

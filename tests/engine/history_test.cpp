// The change history beside a database: every writer's lines, byte for byte; no
// file, no history; a history that cannot be written stops the change and leaves
// both files as they were; a change made outside the history is told; a pack keeps
// a record's lines traceable.
#include <atomic>
#include <cerrno>

#include "engine/store/DirectFile.h"
#include "engine/files/FileIo.h"
#include "engine/history/History.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

const std::string kHeading = "Time,User,Host,Program,Operation,Record,Number,Field,Before,After\n";

class HistoryTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    modDB::SetHistoryProgram("QfEntry");
  }

  // db with fields A (3) and B (6), records ("a1","b1") and ("a2","b2"), its
  // history started.
  std::string Make(const std::string& name = "db") {
    const std::string base = MakeDb(name, {{"A", 3}, {"B", 6}}, {{"a1", "b1"}, {"a2", "b2"}});
    EXPECT_EQ(modDB::StartHistory(base), "");
    return base;
  }

  void Open(const std::string& base, int32_t n = 1) {
    StoreTest::Open(base);
    ASSERT_EQ(modDB::SetRecordNo(n), 1) << host.Last();
  }

  // Field A of record 1 written "zz" through the form script's second database on
  // base; what the write says ("" when done).
  static std::string WriteOther(const std::string& base) {
    std::string why;
    const int16_t other = modDB::OpenOtherDatabase(base + ".Qfd", why);
    modDB::FormHeader h;
    if (other == 0 || !modDB::ReadHeaderDirect(other, h)) return "not opened: " + why;
    why = modDB::WriteFieldDirect(other, h, 1, 1, "zz");
    modDB::CloseOtherDatabase(other);
    return why;
  }

  // Writes `value` into field `slot` of the current record and saves it.
  void Save(int16_t slot, const std::string& value) {
    modDB::WriteField(slot, value);
    ASSERT_EQ(modDB::WriteRecord(), 1) << host.Last();
  }
  // Marks record n deleted and packs the database, answering Yes.
  void DeleteAndPack(int32_t n) {
    ASSERT_EQ(modDB::SetRecordNo(n), 1);
    ASSERT_EQ(modDB::DeleteRecord(), 1);
    ASSERT_EQ(PackYes(), 1) << host.Last();
  }

  // The lines without their time, user and host: "program|operation|record|number|
  // field|before|after".
  std::vector<std::string> Lines(const std::string& base) {
    std::vector<modDB::HistoryEntry> all;
    EXPECT_EQ(modDB::ReadHistory(base, all), "");
    std::vector<std::string> out;
    for (const modDB::HistoryEntry& e : all) {
      EXPECT_EQ(e.host.empty() || e.user.empty() || e.time.size() != 20 || e.time.back() != 'Z', false)
          << HistoryLineText(e);
      out.push_back(e.program + "|" + e.operation + "|" + e.record + "|" + e.number + "|" + e.field + "|" +
                    e.before + "|" + e.after);
    }
    return out;
  }
};

TEST_F(HistoryTest, EveryWriterWritesExactlyItsLines) {
  const std::string base = Make();
  EXPECT_EQ(ReadFile(base + ".Qfh"), kHeading + "\n");  // the heading, then the mark of nothing pending
  Open(base);
  // Update: only the changed field; Windows-1252 shown as UTF-8, no padding.
  Save(2, "caf\xE9");
  // Add: the fields that have a value; then deleted.
  AddRecords({{"*x,\"", "l1\r\nl2"}});
  ASSERT_EQ(modDB::WriteFieldsOf(3, {{1, "yy"}}, "WRITE RECORD", ' '), 1) << host.Last();
  // Import: one line per record with its values.
  std::string records = " i1 j1    " " i\xE9 \"q\"\\\t\x01";
  ASSERT_EQ(modDB::AppendRecords(records, {}, "IMPORT"), 1) << host.Last();
  EXPECT_EQ(WriteOther(base), "");
  // As a spreadsheet reads it: quotes doubled, the line break inside quotes.
  const std::string text = ReadFile(base + ".Qfh");
  EXPECT_NE(text.find(",QfEntry,add,3,,A,,\"x,\"\"\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find(",QfEntry,add,3,,B,,\"l1\r\nl2\"\n"), std::string::npos) << text;

  // Pack: one line that maps the old numbers to the new ones.
  DeleteAndPack(2);
  modDB::CloseDatabase();
  // A design save: one line that says the form changed.
  Design({{"A", 3}, {"B", 6}, {"C", 2}});
  std::string name = base;
  host.replies = {modDB::vbYes};
  ASSERT_EQ(modDB::SaveHeader(name), 1) << host.Last();
  EXPECT_EQ(Lines(base), (std::vector<std::string>{
                             "QfEntry|edit|1||B|b1|caf\xC3\xA9",
                             "QfEntry|add|3||A||x,\"",
                             "QfEntry|add|3||B||l1\r\nl2",
                             "QfEntry|delete|3||*||*",
                             "QfEntry|undelete|3||*|*|",
                             "QfEntry|undelete|3||A|x,\"|yy",
                             "QfEntry|import|4||(record)||{\"A\":\"i1\",\"B\":\"j1\"}",
                             "QfEntry|import|5||(record)||{\"A\":\"i\xC3\xA9\",\"B\":\"\\\"q\\\"\\\\\\t\\u0001\"}",
                             "form script|edit|1||A|a1|zz",
                             "QfEntry|delete|2||*||*",
                             "QfEntry|pack|||(records)|1-5|1>1 3-5>2-4",
                             "QfEntry|design save|||(form)|2 fields, 10 bytes a record, 4 records|"
                             "3 fields, 12 bytes a record, 4 records",
                         }));
  // The database's own bytes know nothing of it.
  EXPECT_EQ(ReadFile(base + ".Qfd").size(), kHead + 4 * 12);
}

TEST_F(HistoryTest, NumberFieldAndNoFileMeansNoHistory) {
  const std::string base = MakeForm("num", {{"No", 5, "#"}, {"A", 4}}, {{modDB::AutoNumberText(1), "v"}}, true);
  EXPECT_FALSE(fs::exists(base + ".Qfh"));  // never made by a writer
  ASSERT_EQ(modDB::StartHistory(base), "");
  ASSERT_EQ(modDB::StartHistory(base), "");  // kept already: nothing changes
  Save(2, "w");
  EXPECT_EQ(Lines(base), std::vector<std::string>{"QfEntry|edit|1|1|A|v|w"});
  EXPECT_EQ(modDB::StartHistory(dir / "none"), "FILE:" + std::string(dir / "none") + ".Qfd not found!");
}

TEST_F(HistoryTest, AChangeMadeOutsideTheHistoryIsTold) {
  const std::string base = Make();
  Open(base);
  Save(1, "k1");
  modDB::CloseDatabase();
  // Another program that keeps no history changes A and B of record 1.
  qftest::PatchFile(base + ".Qfd", kHead + 1, "ou b\xE9    ");
  Open(base);
  Save(1, "k2");
  modDB::CloseDatabase();
  // A was recorded as "k1" and is "ou" now: told first. B, of which the history
  // recorded no value, cannot be told. An accept line names a field but holds a note,
  // not its value: a program that reads the history afresh tells no change from it.
  WriteFile(base + ".Qfh", ReadFile(base + ".Qfh") + "2026-12-07T10:00:00Z,ann,desk,QfEntry,accept,1,,A,rule,ok\n\n");
  ASSERT_EQ(qftest::Qfd({"set", base, "1", "B=x"}).status, 0);
  EXPECT_EQ(Lines(base), (std::vector<std::string>{"QfEntry|edit|1||A|a1|k1", "QfEntry|outside change|1||A|k1|ou",
                                                   "QfEntry|edit|1||A|ou|k2", "QfEntry|accept|1||A|rule|ok",
                                                   "qfd|edit|1||B|b\xC3\xA9|x"}));

  // An imported record's values are known from its import line, also to another
  // program that reads the history afresh; so is a field an add left blank.
  Open(base);
  std::string records = " i1 j\xE9,\"  ";
  ASSERT_EQ(modDB::AppendRecords(records, {}, "IMPORT"), 1) << host.Last();
  AddRecords({{"n1"}});
  modDB::CloseDatabase();
  qftest::PatchFile(base + ".Qfd", kHead + 2 * 10 + 4, "out   ");
  qftest::PatchFile(base + ".Qfd", kHead + 3 * 10 + 4, "new");
  for (const auto& [n, set] : {std::pair{"3", "A=i2"}, {"4", "A=n2"}}) {
    const auto run = qftest::Qfd({"set", base, n, set});
    ASSERT_EQ(run.status, 0) << run.err;
  }
  const std::vector<std::string> lines = Lines(base);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.end()),
            (std::vector<std::string>{"qfd|outside change|3||B|j\xC3\xA9,\"|out", "qfd|edit|3||A|i1|i2",
                                      "qfd|outside change|4||B||new", "qfd|edit|4||A|n1|n2"}));
}

TEST_F(HistoryTest, APackKeepsARecordTraceable) {
  const std::string base = MakeDb("db", {{"A", 3}}, {{"r1"}, {"r2"}, {"r3"}});
  ASSERT_EQ(modDB::StartHistory(base), "");
  Open(base, 3);
  Save(1, "x3");
  DeleteAndPack(1);
  ASSERT_EQ(modDB::SetRecordNo(2), 1);  // the old record 3
  Save(1, "y3");
  // Outside, after the pack: record 2 is known as "y3" under its new number.
  modDB::CloseDatabase();
  qftest::PatchFile(base + ".Qfd", kHead + 4 + 1, "zz ");
  Open(base, 2);
  Save(1, "w3");

  std::vector<modDB::HistoryEntry> all, streamed;
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  ASSERT_EQ(modDB::ReadRecordHistory(base, 2, streamed), "");  // read back from the end: the same lines
  EXPECT_EQ(streamed.size(), RecordHistory(all, 2).size());
  std::vector<std::string> shown;
  for (const modDB::HistoryEntry& e : streamed)
    shown.push_back(e.operation + " " + e.record + " " + e.field + " " + e.before + ">" + e.after);
  EXPECT_EQ(shown, (std::vector<std::string>{"edit 2 A zz>w3", "outside change 2 A y3>zz", "edit 2 A x3>y3",
                                             "pack 2 (records) 3>2", "edit 3 A r3>x3"}));
}

}  // namespace

// Values exactly as stored; an imported deletion mark; old lines that never block a
// change; damage that hides nothing after it; an empty file. (A linked database keeps
// its history beside the file it leads to: the index's table.)
TEST_F(HistoryTest, OddContentNeverHidesOrBlocksAChange) {
  const std::string base = Make();
  Open(base);
  for (const char* v : {"  ld", "ld", " ld"}) Save(2, v);
  std::string records = "*i1 j1    ";
  ASSERT_EQ(modDB::AppendRecords(records, {}, "IMPORT"), 1) << host.Last();
  modDB::CloseDatabase();
  // By hand: an import line for record 1 with a bad escape, a stray quote, a line
  // cut inside its quotes.
  WriteFile(base + ".Qfh", ReadFile(base + ".Qfh") +
                               "2026-12-07T10:00:00Z,u,h,p,import,1,,(record),,\"{\"\"A\"\":\"\"\\uZZZZ\"\"}\"\n\n"
                               "2026-12-07T10:00:01Z,u,h,p,\"edit,1,,A,x,y\n\n"
                               "2026-12-07T10:00:02Z,u,h,p,edit,2,,B,\"b2,\"b");
  Open(base, 2);
  Save(1, "z2");
  ASSERT_EQ(modDB::SetRecordNo(1), 1);
  Save(1, "z1");
  EXPECT_EQ(Lines(base), (std::vector<std::string>{
                             "QfEntry|edit|1||B|b1|  ld", "QfEntry|edit|1||B|  ld|ld", "QfEntry|edit|1||B|ld| ld",
                             "QfEntry|import|3||(record)||{\"A\":\"i1\",\"B\":\"j1\",\"*\":\"*\"}",
                             "p|import|1||(record)||{\"A\":\"\\uZZZZ\"}", "QfEntry|edit|2||A|a2|z2",
                             "QfEntry|outside change|1||A|\\uZZZZ|a1", "QfEntry|edit|1||A|a1|z1"}));
  std::vector<modDB::HistoryEntry> all;
  std::vector<modDB::HistoryDamage> damage;
  ASSERT_EQ(modDB::ReadHistory(base, all, &damage), "");
  // The stray quote is told; the cut line at the end, a change that never landed,
  // went with the next change.
  ASSERT_EQ(damage.size(), 1u);
  EXPECT_EQ(modDB::HistoryDamageNote(base, damage),
            "Note: FILE:" + base + ".Qfh is damaged at line 13: what stands there is no whole history line "
            "and is left out; every whole line is shown.");
  modDB::CloseDatabase();

  // An empty history (made, its heading never written) gets its heading first.
  WriteFile(base + ".Qfh", "");
  ASSERT_EQ(modDB::WriteFieldsOf(1, {{1, "e1"}}, "WRITE RECORD"), 0);  // no database open
  Open(base);
  ASSERT_EQ(modDB::WriteFieldsOf(1, {{1, "e1"}}, "WRITE RECORD"), 1) << host.Last();
  modDB::CloseDatabase();
  EXPECT_EQ(ReadFile(base + ".Qfh").substr(0, kHeading.size() + 1), kHeading + "\n");
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  EXPECT_EQ(all.size(), 1u);
}

// A history that cannot be written (a full disk, or whatever stands at its name, whoever
// runs the program) stops the change and says why, the form script's write too; both
// files stay as they were. (Every writer, every failing call: the I/O fault test.)
TEST_F(HistoryTest, AChangeWhoseHistoryCannotBeWrittenIsNotMade) {
  std::vector<qftest::Unwritable> cases(std::begin(qftest::kUnwritable), std::end(qftest::kUnwritable));
  cases.push_back({"full", [](const std::string&) {}, "No space left on device"});
  modDB::detail::FaultEnv env;
  env.Fail({modDB::detail::IoCall::Write, "full.Qfh", 0, ENOSPC});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string base = Make(c.name), history = ReadFile(base + ".Qfh");
    c.make(base + ".Qfh");
    const std::string db = ReadFile(base + ".Qfd"),
                      why = "its change history FILE:" + base + ".Qfh could not be written: " + c.why +
                            "; nothing was changed";
    modDB::detail::SetEnv(&env);
    Open(base);
    modDB::WriteField(1, "zz");
    EXPECT_EQ(modDB::WriteRecord(), 0);
    EXPECT_EQ(host.boxes.back().text, "Unexpected Error: FILE:" + base + ".Qfd: " + why);
    EXPECT_EQ(WriteOther(base), why);
    modDB::detail::SetEnv(nullptr);
    modDB::CloseDatabase();
    EXPECT_EQ(ReadFile(base + ".Qfd"), db);
    if (c.name == std::string("full")) EXPECT_EQ(ReadFile(base + ".Qfh"), history);
    else EXPECT_EQ(modDB::StartHistory(base), "FILE:" + base + ".Qfh cannot be written: " + c.why);
  }
}

// The history's index beside it, whatever became of it: one record's history still
// holds every line of the record (and tells the same damage), and the next save
// tells an outside change from the value the history last recorded. A writer that
// keeps the database open ("open") trusts the index between its saves only while it
// is as it left it.
TEST_F(HistoryTest, TheIndexNeverHidesALine) {
  const std::string line = "2026-12-07T10:00:00Z,u,h,p,";
  auto slot = [](const std::string& b) { qftest::PatchFile(b + ".Qfi", 64 + 24, std::string(24, '\xFF')); };
  auto cut = [](const std::string& b) { fs::resize_file(b + ".Qfi", 200); };
  const struct {
    const char* name;
    std::function<void(const std::string&)> change;
    int32_t n;
    const char* recorded;
    bool open = false;
  } cases[] = {
      {"missing", [](const std::string& b) { fs::remove(b + ".Qfi"); }, 1, "k1"},
      {"damaged", slot, 1, "k1"},  // record 1's slot
      {"cut", cut, 1, "k1"},
      {"damaged, open", slot, 1, "k1", true},
      {"cut, open", cut, 1, "k1", true},
      {"stale", [&](const std::string& b) {  // appended by a program that keeps no index
         WriteFile(b + ".Qfh", ReadFile(b + ".Qfh") + line + "\"edit,1,,A,x,y\n\n" + line + "edit,1,,A,k1,k7\n\n");
         qftest::PatchFile(b + ".Qfd", kHead + 1, "k7 "); }, 1, "k7"},
      {"replaced", [](const std::string& b) {  // as long as the old one
         std::string h = ReadFile(b + ".Qfh");
         qftest::PatchFile(b + ".Qfh", h.rfind("k2"), "k5");
         qftest::PatchFile(b + ".Qfd", kHead + 10 + 1, "k5 "); }, 2, "k5"},
      {"pack", [this](const std::string& b) {
         Open(b);
         DeleteAndPack(1);
         modDB::CloseDatabase(); }, 1, "k2"},
      {"linked", [](const std::string&) {}, 1, "k1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool linked = c.name == std::string("linked");
    const std::string real = Make(linked ? "real" : c.name), base = linked ? dir / "link" : real;
    if (linked) fs::create_symlink(real + ".Qfd", base + ".Qfd");
    Open(base);
    ASSERT_EQ(modDB::WriteFieldsOf(1, {{1, "k1"}}, "WRITE RECORD"), 1) << host.Last();
    ASSERT_EQ(modDB::WriteFieldsOf(2, {{1, "k2"}}, "WRITE RECORD"), 1) << host.Last();
    if (!c.open) modDB::CloseDatabase();
    ASSERT_TRUE(fs::exists(real + ".Qfi"));
    c.change(real);
    qftest::PatchFile(real + ".Qfd", kHead + (c.n - 1) * 10 + 1, "ou ");
    if (c.open) {
      ASSERT_EQ(modDB::WriteFieldsOf(1, {{2, "x"}}, "WRITE RECORD"), 1) << host.Last();
      modDB::CloseDatabase();
    }
    for (int pass = 0; pass < 2; ++pass) {  // through the index as found, then as the save left it
      std::vector<modDB::HistoryEntry> all, one;
      std::vector<modDB::HistoryDamage> damage, oneDamage;
      ASSERT_EQ(modDB::ReadHistory(base, all, &damage), "");
      ASSERT_EQ(modDB::ReadRecordHistory(base, c.n, one, &oneDamage), "");
      std::string text[2];  // the record's lines and the damage told, read both ways
      for (const auto& e : one) text[0] += HistoryLineText(e) + "\n";
      for (const auto& e : RecordHistory(all, c.n)) text[1] += HistoryLineText(e) + "\n";
      for (const auto& d : oneDamage) text[0] += "damage at " + std::to_string(d.line) + "\n";
      for (const auto& d : damage) text[1] += "damage at " + std::to_string(d.line) + "\n";
      EXPECT_EQ(text[0], text[1]);
      if (pass) break;
      if (!c.open) {
        const auto run = qftest::Qfd({"set", base, std::to_string(c.n), "B=x"});
        ASSERT_EQ(run.status, 0) << run.err;
      }
      const std::vector<std::string> lines = Lines(base);
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(lines[lines.size() - 2], std::string(c.open ? "QfEntry" : "qfd") + "|outside change|" +
                                             std::to_string(c.n) + "||A|" + c.recorded + "|ou");
    }
    EXPECT_TRUE(fs::exists(real + ".Qfi"));
    EXPECT_FALSE(linked && (fs::exists(base + ".Qfi") || fs::exists(base + ".Qfh")));
  }
}

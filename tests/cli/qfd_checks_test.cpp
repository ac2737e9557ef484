// The declared checks through qfd: kept beside the database by create and resave,
// shown by dump, run over every record by check --data, and exceptions accepted with
// a note.

#include "checks/FileCheck.h"
#include "engine/history/History.h"
#include "tests/cli/Spawn.h"
#include "tests/cli/QfdFixture.h"
#include "tests/support/StoreFixture.h"
#include "tests/support/ChecksForm.h"

using namespace clitest;

namespace {

class QfdChecks : public storetest::StoreTest {
 protected:
  std::string Create(const std::string& name, const std::string& def) { return QfdCreate(dir, name, def); }
};

const char* kHeading = "Record,Number,Field,Rule,Value,Message\n";

TEST_F(QfdChecks, EveryKindOfRuleAndAcceptedExceptions) {
  const std::string db = Create("ward", kChecksForm);
  for (auto values : {std::vector<std::string>{"AGE=30", "SEX=M", "ADMIT=01/02/2020", "DISCH=03/02/2020"},
                      {"AGE=130", "SEX=F", "ADMIT=05/02/2020", "DISCH=03/02/2020"},
                      {"AGE=20", "SEX=M", "PREG=2"},
                      {"AGE=5", "SEX=X"}}) {
    values.insert(values.begin(), {"add", db});
    ASSERT_EQ(Qfd(values).status, 0);
  }
  // A hard rule is broken.
  auto r = QfdFails({"check", db, "--data", "--csv"},
                    "AGE.Range: 1 record\nPREG.RequiredIf: 1 record\nCheck1: 1 record\nSEX.Skip: 1 record\n"
                    "SEX.Legal: 1 record\n" + db + ".Qfd: 4 records checked, 5 broken rules, a hard rule among them\n");
  EXPECT_EQ(r.out, std::string(kHeading) +
                       "2,2,Age in years,AGE.Range,130,Age in years must be from 0 to 120\n"
                       "2,2,PREG,PREG.RequiredIf,,\"PREG is required when SEX = \"\"F\"\"\"\n"
                       "2,2,DISCH,Check1,DISCH=03/02/2020; ADMIT=05/02/2020,Discharge before admission\n"
                       "3,3,PREG,SEX.Skip,2,\"PREG is skipped when Sex = \"\"M\"\" and must be empty\"\n"
                       "4,4,Sex,SEX.Legal,X,\"Sex must be one of M, F\"\n");

  // The legal values go out with the exports as value labels.
  ASSERT_EQ(Qfd({"export", db, db + ".sqlite"}).status, 0);
  EXPECT_EQ(RunProgram({"/usr/bin/sqlite3", db + ".sqlite", "SELECT * FROM value_labels"}).out,
            "SEX|M|male\nSEX|F|female\n");

  ASSERT_EQ(modDB::StartHistory(db), "");
  EXPECT_EQ(Qfd({"accept", db, "2", "age.range"}).status, 2);  // no exception without a note
  r = Qfd({"accept", db, "1", "AGE.Range", "--note", "x"});
  EXPECT_EQ(r.err, "qfd: record 1 does not break AGE.Range\n");
  r = QfdOk({"accept", db, "2", "age.range", "--note", "centenarian, seen"});
  EXPECT_EQ(r.out, "record 2: AGE.Range accepted as an exception\n");
  ASSERT_EQ(Qfd({"accept", db, "2", "Check1", "--note", "paper"}).status, 0);
  r = QfdOk({"check", db, "--data"});  // the only hard rule is accepted
  EXPECT_EQ(r.out.find("record 2 (# 2)  Age in years"), std::string::npos);
  EXPECT_NE(r.out.find(", 2 accepted exceptions left out\n"), std::string::npos) << r.out;

  const std::string qfe = ReadFile(db + ".Qfe");
  EXPECT_EQ(qfe.substr(0, qfe.find('\n') + 1), "Time,User,Host,Record,Number,Rule,Value,Note\n");
  EXPECT_NE(qfe.find(",2,2,AGE.Range,130,\"centenarian, seen\"\n"), std::string::npos) << qfe;
  std::vector<modDB::HistoryEntry> h;
  ASSERT_EQ(modDB::ReadHistory(db, h), "");
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].operation + "|" + h[0].record + "|" + h[0].field + "|" + h[0].before + "|" + h[0].after,
            "accept|2|AGE|AGE.Range|centenarian, seen");

  // A damaged tail is ended before the next line and skipped, its open quote hiding
  // nothing after it; a changed value is checked again.
  WriteFile(db + ".Qfe", qfe + "2026-12-07T10:00:00Z,\"cut");
  ASSERT_EQ(Qfd({"set", db, "2", "AGE=140"}).status, 0);
  r = Qfd({"check", db, "--data", "--csv"});
  EXPECT_NE(r.out.find("2,2,Age in years,AGE.Range,140,"), std::string::npos);
  ASSERT_EQ(Qfd({"accept", db, "2", "AGE.Range", "--note", "again"}).status, 0);
  std::vector<qfchecks::Exception> ex;
  ASSERT_EQ(qfchecks::ReadExceptions(db, ex), "");
  ASSERT_EQ(ex.size(), 3u);
  EXPECT_EQ(ex[2].Value + "|" + ex[2].Note, "140|again");
  const qfchecks::Exception& e = ex[2];
  EXPECT_EQ(ReadFile(db + ".Qfe").substr(qfe.size()), "2026-12-07T10:00:00Z,\"cut\n" + e.Time + "," + e.User + "," +
                                                           e.Host + ",2,2,AGE.Range,140,again\n");
}

// An exceptions file that cannot be written refuses the acceptance, and its history
// line with it; one that cannot be read stops the check.
TEST_F(QfdChecks, ExceptionsFileThatCannotBeWritten) {
  for (const auto& c : qftest::kUnwritable) {
    const std::string db = Create(c.name, kChecksForm);
    ASSERT_EQ(Qfd({"add", db, "AGE=200"}).status, 0);
    c.make(db + ".Qfe");
    auto r = Qfd({"accept", db, "1", "AGE.Range", "--note", "n"});
    EXPECT_EQ(r.err, "qfd: FILE:" + db + ".Qfe cannot be written: " + c.why + "\n") << c.name;
    std::vector<modDB::HistoryEntry> h;
    modDB::ReadHistory(db, h);
    EXPECT_EQ(h.size(), 0u) << c.name;
    r = Qfd({"check", db, "--data"});
    EXPECT_EQ(r.err.find("FILE:" + db + ".Qfe cannot be read: " + c.why) != std::string::npos,
              std::string(c.name) != "readonly") << r.err;
  }
}

// Checks declared after 10,000 records were keyed find exactly the records that
// break them; the database's own bytes do not carry them.
TEST_F(QfdChecks, RulesAddedToKeyedRecords) {
  std::string def = kChecksForm;
  const std::string plain = R"({"Fields":[{"Name":"ID","Format":"#","Length":5},{"Name":"AGE","Format":"N","Length":3},
    {"Name":"SEX","Format":"U","Length":1},{"Name":"PREG","Format":"N","Length":2},
    {"Name":"ADMIT","Format":"D","Length":10},{"Name":"DISCH","Format":"D","Length":10}]})";
  const std::string db = Create("keyed", plain);
  Open(db);
  const modDB::FormHeader h = modDB::GetHeader();
  std::string records, expected = kHeading;
  for (int n = 1; n <= 10000; ++n) {
    std::string rec(static_cast<size_t>(h.RecordLength), ' ');
    const std::string age = std::to_string(n % 997 == 0 ? 121 + n % 7 : n % 100);
    rec.replace(static_cast<size_t>(h.Fields[2].Offset), age.size(), age);
    rec[static_cast<size_t>(h.Fields[3].Offset)] = 'M';
    records += rec;
    if (n % 997 == 0)
      expected += std::to_string(n) + "," + modDB::AutoNumberText(n).substr(n < 10000) + ",Age in years,AGE.Range," +
                  age + ",Age in years must be from 0 to 120\n";
  }
  ASSERT_EQ(modDB::AppendRecords(records, {1}, "TEST"), 1);
  modDB::CloseDatabase();
  const std::string before = ReadFile(db + ".Qfd");
  WriteFile(db + ".json", kChecksForm);
  auto r = QfdOk({"resave", db, "--from", db + ".json", "--recover", "yes"});
  EXPECT_EQ(ReadFile(db + ".Qfd").substr(kHead), before.substr(kHead));  // the records as they were
  r = Qfd({"check", db, "--data", "--csv"});
  EXPECT_EQ(r.out, expected);
  // dump shows the checks and a resave of the dump keeps them as they are.
  const std::string rules = ReadFile(db + ".Qfc");
  WriteFile(db + ".json", Qfd({"dump", "--json", db}).out);
  ASSERT_EQ(Qfd({"resave", db, "--from", db + ".json", "--recover", "yes"}).status, 0);
  EXPECT_EQ(ReadFile(db + ".Qfc"), rules);
  // A definition without checks leaves them; one whose rule names no field writes nothing.
  WriteFile(db + ".json", plain);
  ASSERT_EQ(Qfd({"resave", db, "--from", db + ".json", "--recover", "yes"}).status, 0);
  EXPECT_EQ(ReadFile(db + ".Qfc"), rules);
  def.replace(def.find("Disch >= Admit"), 14, "Dischrge >= Admit");
  WriteFile(db + ".json", def);
  r = Qfd({"resave", db, "--from", db + ".json", "--recover", "yes"});
  EXPECT_EQ(r.err, "qfd: the checks cannot be applied; nothing was written: Check1: Variable is undefined: "
                   "'Dischrge'\n");
  EXPECT_EQ(ReadFile(db + ".Qfc"), rules);
}

// Eight processes accept eight records at once: every line whole, none lost.
TEST_F(QfdChecks, ExceptionsFromSeveralProcesses) {
  const std::string db = Create("many", kChecksForm);
  std::vector<pid_t> pids;
  for (int n = 1; n <= 8; ++n) ASSERT_EQ(Qfd({"add", db, "AGE=" + std::to_string(200 + n)}).status, 0);
  for (int n = 1; n <= 8; ++n)
    pids.push_back(Start({ToolPath("qfd"), "accept", db, std::to_string(n), "AGE.Range", "--note",
                                   "note, " + std::to_string(n)}));
  for (pid_t p : pids) EXPECT_EQ(Wait(p), 0);
  std::vector<qfchecks::Exception> ex;
  ASSERT_EQ(qfchecks::ReadExceptions(db, ex), "");
  ASSERT_EQ(ex.size(), 8u);
  std::set<std::string> seen, want;
  for (const auto& e : ex) seen.insert(std::to_string(e.Record) + e.Value + e.Note);
  for (int n = 1; n <= 8; ++n) want.insert(std::to_string(n) + std::to_string(200 + n) + "note, " + std::to_string(n));
  EXPECT_EQ(seen, want);
  EXPECT_EQ(Qfd({"check", db, "--data"}).status, 0);
}

}  // namespace

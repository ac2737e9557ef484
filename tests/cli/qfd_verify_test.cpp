// Double entry through qfd: two files compared (exact output and exit status),
// verification turned on and its progress, and the keying statistics summed per
// clerk against counts made by hand.

#include "engine/history/Format.h"
#include "engine/modDB.h"
#include "tests/cli/QfdFixture.h"
#include "tests/support/StoreFixture.h"
#include "verify/Statistics.h"
#include "verify/Verification.h"

using namespace clitest;

namespace {

class QfdVerify : public storetest::StoreTest {
 protected:
  const std::vector<std::pair<std::string, int>> form{{"Key", 4}, {"Name", 8}, {"Town", 8}};
};

TEST_F(QfdVerify, CompareListsEveryDifferenceAndExitsByResult) {
  const std::string a = MakeDb("a", form, {{"1", "Ann", "Bern"}, {"2", "Bob", "Chur"}, {"3", "Cy", "Zug"},
                                           {"*9", "gone", ""}});
  const std::string b = MakeDb("b", form, {{"2", "Bob", "Chur, GR"}, {"1", "Anne", "Bern"}, {"4", "Di", "Sion"}});
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{a, b, "--key", "key"}, 1,
       "1: Name: A \"Ann\", B \"Anne\"\n2: Town: A \"Chur\", B \"Chur, GR\"\n3: only in A (record 3)\n"
       "4: only in B (record 3)\n4 differences\n"},
      {{a + ".Qfd", b, "--key", "Key", "--csv"}, 1,
       "Key,Field,A,B\n1,Name,Ann,Anne\n2,Town,Chur,\"Chur, GR\"\n3,(record),record 3,\n4,(record),,record 3\n"},
      {{a, a, "--key", "Key"}, 0, "0 differences\n"},
      {{a, a, "--key", "Key", "--csv"}, 0, "Key,Field,A,B\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv{"compare"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(QfdEnds(argv, c.status).out, c.out);
  }
  QfdFails({"compare", a, b, "--key", "Zip"}, "qfd: no field Zip in " + a + ".Qfd\n", 2);
  const std::string twice = MakeDb("t", form, {{"1", "x", ""}, {"1", "y", ""}});
  QfdFails({"compare", a, twice, "--key", "Key"},
           "qfd: key \"1\" is given twice in " + twice + ".Qfd (records 1 and 2)\n", 2);
  const std::string other = MakeDb("o", {{"Key", 4}, {"Name", 8}}, {});
  EXPECT_EQ(Qfd({"compare", a, other, "--key", "Key"}).status, 2);
  EXPECT_EQ(Qfd({"compare", a, a + "x", "--key", "Key"}).status, 2);
}

TEST_F(QfdVerify, StartAndProgress) {
  const std::string db = MakeDb("db", form, {{"1", "a", ""}, {"2", "b", ""}, {"3", "c", ""}, {"*4", "d", ""}});
  QfdFails({"verify", db, "--status"},
           "qfd: " + db + ".Qfd is not verified (qfd verify " + db + " --start turns it on)\n");
  auto r = Qfd({"verify", db, "--start"});
  EXPECT_EQ(r.out, "the verification of " + db + ".Qfd is kept in " + db + ".Qfv from now on\n");
  EXPECT_TRUE(modDB::HistoryKept(db));
  EXPECT_EQ(Qfd({"verify", db, "--start"}).status, 1);
  EXPECT_EQ(Qfd({"verify", db, "--status"}).out,
            "0 verified, 3 not yet verified, 0 changed since verification\n");

  // Records 1 and 2 verified, then record 2 changed; record 3 stopped half way.
  Open(db);
  auto print = [&](int32_t n) {
    modDB::SetRecordNo(n);
    modDB::ReadRecord();
    return qfverify::Print(modDB::GetRecordText());
  };
  for (int32_t n : {1, 2}) ASSERT_EQ(qfverify::LogVerified(db, n, "", "keyer", print(n)), "");
  ASSERT_EQ(qfverify::LogField(db, 3, "", "keyer", {"Key", "3", "3", ""}, print(3)), "");
  modDB::CloseDatabase();
  ASSERT_EQ(Qfd({"set", db, "2", "Town=x"}).status, 0);
  EXPECT_EQ(Qfd({"verify", db, "--status"}).out,
            "1 verified, 1 not yet verified, 1 changed since verification\n");
  qfverify::Progress p;
  ASSERT_EQ(qfverify::ReadProgress(db, p), "");
  EXPECT_EQ(p.records[3].taken, std::set<std::string>{"Key"});
  EXPECT_EQ(p.Next(modDB::history::UserName()), 3);  // the one stopped half way first
  EXPECT_EQ(p.Next("keyer"), 2);  // someone else does not take over another's record
  // The verification file: its heading, then one marked group per line.
  const std::string text = ReadFile(db + ".Qfv");
  EXPECT_EQ(text.substr(0, text.find('\n')), "Time,User,Host,Program,Kind,Record,Number,Field,Stored,Keyed,Error,Keyer,Print");
  EXPECT_NE(text.find(",verified,2,,(record),,,,keyer,"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST_F(QfdVerify, StatisticsSumPerClerk) {
  const std::string db = MakeDb("db", form, {{"1", "a", ""}});
  ASSERT_EQ(qfverify::StartVerification(db), "");
  // Two sessions of this clerk, and first-keyer errors found in "ann"'s records.
  qfverify::Session s1{"2026-01-01T08:00:00Z", "", "", 3, 1, 0, 400, 1800, 0, 0};
  qfverify::Session s2{"2026-01-01T10:00:00Z", "", "", 0, 0, 5, 600, 1800, 2, 1};
  ASSERT_EQ(qfverify::LogSession(db, s1), "");
  ASSERT_EQ(qfverify::LogSession(db, s2), "");
  ASSERT_EQ(qfverify::LogSession(db, qfverify::Session{}), "");  // nothing done: no line
  for (const char* f : {"Name", "Town"})
    ASSERT_EQ(qfverify::LogField(db, 1, "", "ann", {f, "x", "y", "first keyer"}, "p"), "");
  const auto r = QfdOk({"stats", db, "--csv"});
  std::vector<std::string> lines;
  for (size_t i = 0, e; (e = r.out.find('\n', i)) != std::string::npos; i = e + 1)
    lines.push_back(r.out.substr(i, e - i));
  ASSERT_EQ(lines.size(), 5u) << r.out;
  EXPECT_EQ(lines[0], "Scope,User,Started,Ended,Added,Edited,Verified,Keystrokes,Seconds,KeystrokesPerHour,"
                      "Corrected,KeyerErrors,VerifierErrors,KeyerErrorsPer1000,VerifierErrorsPer1000");
  const std::string me = modDB::history::UserName();
  EXPECT_EQ(lines[2].substr(0, lines[2].find(',', 8)), "session," + me);
  EXPECT_NE(lines[2].find(",0,0,5,600,1800,1200.0,2,,1,,1.7"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3], "clerk,ann,,,0,0,0,0,0,,0,2,0,,");
  EXPECT_NE(lines[4].find("clerk," + me + ",2026-01-01T08:00:00Z,"), std::string::npos);
  EXPECT_NE(lines[4].find(",3,1,5,1000,3600,1000.0,2,0,1,0.0,1.0"), std::string::npos) << lines[4];

  // The keying time a session counts leaves pauses over a minute out.
  qfverify::KeyClock c;
  for (int64_t t : {0, 1000, 61000, 122001, 123000}) c.Key(t);
  EXPECT_EQ(std::make_pair(c.keys, c.ms), std::make_pair(int64_t{5}, int64_t{1000 + 60000 + 999}));
}

}  // namespace

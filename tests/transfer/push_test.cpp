// qfd push into a PostgreSQL server of the test's own and into an SQLite file, read
// back with psql and sqlite3.

#include "lib/CsvText.h"
#include "tests/cli/Spawn.h"
#include "tests/support/PgServer.h"
#include "tests/transfer/TransferFixture.h"

namespace {

using qftest::Qfd;
using Rows = std::vector<std::vector<std::string>>;

class PushTest : public transfertest::TransferTest, public ::testing::WithParamInterface<bool> {
 protected:
  static void SetUpTestSuite() { pg = std::make_unique<qftest::PgServer>(); }
  static void TearDownTestSuite() { pg.reset(); }
  bool postgres() const { return GetParam(); }
  std::string Centre() { return postgres() ? pg->Url() : dir / "centre.sqlite"; }
  Rows Select(const std::string& sql) {
    const qftest::RunResult r =
        postgres() ? pg->Psql(sql) : qftest::Run({qftest::Which("sqlite3"), "-csv", "-header", dir / "centre.sqlite", sql});
    EXPECT_EQ(r.status, 0) << r.err;
    Rows rows;  // the readers' CSV, read by the import's reader
    modDB::ParseCsv(r.out, [&](modDB::CsvRow& row, const std::string&) { rows.push_back(row.values); });
    return rows;
  }
  qftest::RunResult Push(const std::string& db, const std::string& site, bool history = false) {
    std::vector<std::string> args = {"push", db, "--to", Centre(), "--key", "Id", "--site", site};
    if (history) args.push_back("--history");
    return Qfd(args);
  }
  static std::unique_ptr<qftest::PgServer> pg;
};
std::unique_ptr<qftest::PgServer> PushTest::pg;

TEST_P(PushTest, TwoSitesPushTwiceAndAChangeAtTheCentreIsNeverOverwritten) {
  const std::string a = MakeSurvey();
  modDB::CloseDatabase();
  ASSERT_EQ(Qfd({"history", a, "--start"}).status, 0);
  if (postgres()) pg->Psql("DROP TABLE IF EXISTS \"Survey\", \"Survey_history\"");

  qftest::RunResult r = Push(a, "north", true);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "3 inserted, 0 updated, 0 unchanged, 0 conflicts, 0 history lines\n");
  EXPECT_EQ(Select("SELECT \"_site\", \"Id\", \"Name\", \"Sex\", \"Weight\", \"Born\", \"At\", \"Zip\", "
                   "\"Code\", \"_deleted\", \"_revision\" FROM \"Survey\" ORDER BY 1, 2"),
            (Rows{{"_site", "Id", "Name", "Sex", "Weight", "Born", "At", "Zip", "Code", "_deleted", "_revision"},
                  {"north", "1", "Zo\xC3\xAB \"Q\"", "1", "72.5", "1999-12-31", "08:05:00", "01234", "RM", "0", "1"},
                  {"north", "2", "", "2", "", "", "", "", "", "1", "1"},
                  {"north", "3", "Ann", "", "0.25", "2000-02-01", "23:59:59", "98765", "MI", "0", "1"}}));
  r = Push(a, "north");
  EXPECT_EQ(r.out, "0 inserted, 0 updated, 3 unchanged, 0 conflicts\n");

  // The centre corrects record 1; the site changes it too, and record 3.
  Select("UPDATE \"Survey\" SET \"Name\" = 'Centre' WHERE \"Id\" = 1");
  ASSERT_EQ(Qfd({"set", a, "1", "Name=Local"}).status, 0);
  ASSERT_EQ(Qfd({"set", a, "3", "Sex=2"}).status, 0);
  r = Push(a, "north", true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "0 inserted, 1 updated, 1 unchanged, 1 conflicts, 2 history lines\n"
            "key,field,centre,ours\n\"1\",\"Name\",\"Centre\",\"Local\"\n");
  EXPECT_EQ(r.err, "qfd: rows changed at the centre since this site pushed them were not overwritten: 1 "
                   "conflicting values listed\n");
  const std::string brief = "SELECT \"_site\", \"Id\", \"Name\", \"Sex\", \"_revision\" FROM \"Survey\" ORDER BY 1, 2";
  EXPECT_EQ(Select(brief), (Rows{{"_site", "Id", "Name", "Sex", "_revision"},
                                 {"north", "1", "Centre", "1", "1"},
                                 {"north", "2", "", "2", "1"},
                                 {"north", "3", "Ann", "2", "2"}}));
  EXPECT_EQ(Select("SELECT \"record\", \"field\", \"before\", \"after\" FROM \"Survey_history\" ORDER BY \"_line\""),
            (Rows{{"record", "field", "before", "after"}, {"1", "Name", "Zo\xC3\xAB \"Q\"", "Local"},
                  {"3", "Sex", "", "2"}}));

  // A second site with the same form keeps its rows apart.
  std::filesystem::create_directory(dir / "south");
  std::filesystem::copy_file(a + ".Qfd", dir / "south/Survey.Qfd");
  r = Push(dir / "south/Survey", "south");
  EXPECT_EQ(r.out, "3 inserted, 0 updated, 0 unchanged, 0 conflicts\n") << r.err;
  EXPECT_EQ(Select("SELECT \"_site\", count(*) AS n FROM \"Survey\" GROUP BY 1 ORDER BY 1"),
            (Rows{{"_site", "n"}, {"north", "3"}, {"south", "3"}}));

  // A column keeps the kind the centre gave it: a value that would not come back the
  // same refuses the push.
  ASSERT_EQ(Qfd({"set", a, "3", "Weight=007.5"}).status, 0);
  r = Push(a, "north");
  EXPECT_EQ(r.err, "qfd: push to " + Centre() +
                       ": record 3, field Weight: the value is not a number, as the centre's column is; nothing "
                       "was pushed\n");
}

TEST_P(PushTest, BadKeysAndBadCentresWriteNothing) {
  const std::string a = MakeSurvey("Keys");
  modDB::WriteFieldsOf(3, {{1, " 1"}}, "WRITE RECORD");
  modDB::CloseDatabase();
  qftest::RunResult r = Push(a, "north");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "qfd: push to " + Centre() + ": records 1 and 3 have the same Id 1; nothing was pushed\n");
  r = Qfd({"push", a, "--to", Centre(), "--key", "Nope", "--site", "x"});
  EXPECT_EQ(r.err, "qfd: push to " + Centre() + ": no field named \"Nope\" in " + a + ".Qfd; nothing was pushed\n");
  // A password in the connection string is never shown.
  r = Qfd({"push", a, "--to", "postgresql://bob:s3cret@/x?host=/nonexistent", "--key", "Id", "--site", "x"});
  EXPECT_EQ(r.err.find("s3cret"), std::string::npos);
  EXPECT_EQ(r.err.rfind("qfd: push to postgresql://bob:***@/x?host=/nonexistent: ", 0), 0u) << r.err;
  EXPECT_EQ(Select("SELECT count(*) AS n FROM " + std::string(postgres() ? "pg_tables" : "sqlite_master") +
                   " WHERE " + (postgres() ? "tablename" : "name") + " = 'Keys'"),
            (Rows{{"n"}, {"0"}}));
}

// Two sites push into a centre that has no table yet, at the same moment, as two
// processes: both are written, apart.
TEST_P(PushTest, TwoSitesAtOnce) {
  const std::string a = MakeSurvey("Together");
  modDB::CloseDatabase();
  if (postgres()) pg->Psql("DROP TABLE IF EXISTS \"Together\"");
  std::filesystem::create_directory(dir / "b");
  std::filesystem::copy_file(a + ".Qfd", dir / "b/Together.Qfd");
  std::vector<pid_t> pids;
  for (const auto& [db, site] : {std::pair{a, "north"}, {dir / "b/Together", "south"}})
    pids.push_back(clitest::Start({qftest::ToolPath("qfd"), "push", db, "--to", Centre(), "--key", "Id", "--site", site}));
  for (const pid_t pid : pids) EXPECT_EQ(clitest::Wait(pid), 0);
  EXPECT_EQ(Select("SELECT \"_site\", count(*) AS n FROM \"Together\" GROUP BY 1 ORDER BY 1"),
            (Rows{{"_site", "n"}, {"north", "3"}, {"south", "3"}}));
}

INSTANTIATE_TEST_SUITE_P(Centres, PushTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PostgreSQL" : "SQLite"; });

}  // namespace

// Several programs on one database: a program that has it open (a long-lived writer
// on the engine library, as the entry window is) stops another program's pack and
// header save; a file replaced by a program that takes no lock is never written; two
// editors of one record never overwrite each other unseen; commands that change
// fields change only those. Every program here is a real process.
#include <pwd.h>

#include "engine/Database.h"
#include "engine/store/DirectFile.h"
#include "engine/history/History.h"
#include "tests/cli/QfdFixture.h"
#include "tests/cli/Spawn.h"
#include "tests/support/StoreFixture.h"

using namespace clitest;

namespace {

// A 5 at 1, B 5 at 6: record length 11.
constexpr size_t kLength = 11;

std::string Rec(const std::string& bytes, int n) { return RecordAt(bytes, n, kLength); }

// The refusal of a program that needs the file to itself, naming the holder (a child
// of this test, of the test's name, run by its user).
std::string InUse(pid_t holder, const char* end = "  ") {
  const struct passwd* pw = ::getpwuid(::geteuid());
  return " is open in another program: qfd_clerks_test (process " + std::to_string(holder) + ", user " +
         (pw ? pw->pw_name : "?") + ")." + end + "Close it there first, then try again. Nothing was changed.";
}

class Clerks : public storetest::StoreTest {
 protected:
  // A database of the given records (A, B values; "*" first marks one deleted),
  // closed; returns its name without extension.
  std::string Db(const std::vector<std::vector<std::string>>& records, const std::string& name = "db") {
    return MakeDb(name, {{"A", 5}, {"B", 5}}, records);
  }
  std::string DefJson() {
    const std::string def = dir / "def.json";
    WriteFile(def, R"({"Fields": [{"Name": "B", "Length": 5}, {"Name": "A", "Length": 5}]})");
    return def;
  }
};

}  // namespace

// Pack and header save need the file to themselves: while another program has it
// open they refuse, say so and change nothing; once it has gone (even killed) they
// go ahead.
TEST_F(Clerks, PackAndResaveWaitForTheDatabaseToBeTheirs) {
  const std::string db = Db({{"a1", "b1"}, {"*a2", "b2"}, {"a3", "b3"}});
  const std::string file = db + ".Qfd", before = ReadFile(file);
  const std::string def = DefJson();

  for (const bool asSecondDatabase : {false, true}) {
    SCOPED_TRACE(asSecondDatabase ? "the form script's second database" : "the record store");
    Holder holder([&] {
      std::string name = db, why;
      return asSecondDatabase ? modDB::OpenOtherDatabase(file, why) != 0 : modDB::OpenDatabase(name) == 1;
    });
    ASSERT_TRUE(holder.opened());

    const auto info = Qfd({"info", db});
    EXPECT_NE(info.out.find("Open:          in another program now\n"), std::string::npos) << info.out;
    QfdFails({"pack", db, "--yes"}, "PACK RECORDS: FILE:" + file + InUse(holder.pid()) + "\n");
    QfdFails({"resave", db, "--from", def, "--recover", "yes"},
             "SAVE HEADER: FILE:" + file + InUse(holder.pid()) + "\n");
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_FALSE(fs::exists(db + ".Bak"));
    EXPECT_FALSE(fs::exists(db + ".QfB"));

    // The same refusal inside a program that has the database open itself.
    Open(db);
    host.replies = {modDB::vbYes};
    EXPECT_EQ(modDB::PackRecords(), 0);
    EXPECT_EQ(host.Last(), "PACK RECORDS: FILE:" + file + InUse(holder.pid(), "\r\n"));
    EXPECT_EQ(modDB::GetRecordCount(), 3);
    ASSERT_EQ(modDB::CloseDatabase(), 1);
    holder.Kill();
  }
  EXPECT_NE(Qfd({"info", db}).out.find("Open:          in no other program now\n"), std::string::npos);
  QfdOk({"pack", db, "--yes"});
  EXPECT_EQ(ReadFile(db + ".Bak"), before);
  EXPECT_EQ(I32At(ReadFile(file), 0), 2);
  EXPECT_EQ(Qfd({"resave", db, "--from", def, "--recover", "yes"}).status, 0);
  EXPECT_EQ(Rec(ReadFile(file), 2), " b3   a3   ");
}

// A program that takes no lock packs the database under a program of ours: every
// write of ours is then refused with the reason, the backup (its old file) keeps its
// bytes, and opening it again carries the record in hand over to the new file.
TEST_F(Clerks, AReplacedFileIsNeverWritten) {
  const std::string db = Db({{"a1", "b1"}, {"a2", "b2"}});
  const std::string file = db + ".Qfd";
  Open(db);
  ASSERT_EQ(modDB::SetRecordNo(2), 1);
  ASSERT_EQ(modDB::WriteField(1, "mine"), 1);
  // The other program: the old file becomes the backup, a copy takes the name.
  const std::string old = ReadFile(file);
  ASSERT_EQ(::link(file.c_str(), (db + ".Bak").c_str()), 0);
  WriteFile(db + ".new", old);
  ASSERT_EQ(::rename((db + ".new").c_str(), file.c_str()), 0);

  EXPECT_EQ(modDB::IsReplaced(), -1);
  const std::string replaced = "FILE:" + file +
                               " was replaced by another program (packed or saved with a new design) since it was "
                               "opened.\r\nNothing was written: open it again to go on.";
  EXPECT_EQ(modDB::WriteRecord(), 0);
  EXPECT_EQ(host.Last(), "WRITE RECORD: " + replaced);
  EXPECT_EQ(modDB::AddRecord(), 0);
  EXPECT_EQ(host.Last(), "ADD RECORD: " + replaced);
  std::string records(2 * kLength, ' ');
  EXPECT_EQ(modDB::AppendRecords(records, {}, "IMPORT"), 0);
  EXPECT_EQ(host.Last(), "IMPORT: " + replaced);
  ASSERT_EQ(modDB::SetRecordNo(1), 1);
  EXPECT_EQ(modDB::DeleteRecord(), 0);
  EXPECT_EQ(host.Last(), "DELETE RECORD: " + replaced);
  EXPECT_EQ(ReadFile(db + ".Bak"), old);
  EXPECT_EQ(ReadFile(file), old);

  // Again, with the same form: record 2 in hand, typing kept, saved into the new file.
  ASSERT_EQ(modDB::SetRecordNo(2), 1);
  ASSERT_EQ(modDB::WriteField(1, "mine"), 1);
  ASSERT_EQ(::rename(file.c_str(), (db + ".old").c_str()), 0);
  WriteFile(file, WithCount(old.substr(0, kHead) + old.substr(kHead + kLength), 1));  // record 1 packed away
  ASSERT_EQ(modDB::ReopenDatabase(), 1);
  EXPECT_EQ(modDB::IsReplaced(), 0);
  EXPECT_EQ(modDB::GetRecordNo(), 1);  // where the record now lies
  EXPECT_EQ(Field1(1), "mine");
  ASSERT_EQ(modDB::WriteRecord(), 1) << host.Last();
  EXPECT_EQ(Rec(ReadFile(file), 1), " mine b2   ");
}

// Two editors of one record, the other one `qfd set`: each side's changes are kept
// field by field; only a field both changed asks, and the history shows what each wrote.
TEST_F(Clerks, TheSecondSaveOfOneRecordMerges) {
  struct Case {
    std::string theirs;  // qfd set arguments
    int answer;          // 0: no question
    int16_t result;
    std::string inFile, inHand, history;  // history: program field:before>after ...
  };
  const std::string other = " mine b1   myc  ";
  const std::vector<Case> cases = {
      {"B=new", 0, 1, " mine new  myc  ", " mine new  myc  ", "qfd B:b1>new QfEntry A:a1>mine QfEntry C:c1>myc "},
      {"A=new", modDB::vbYes, 1, other, other, "qfd A:a1>new QfEntry A:new>mine QfEntry C:c1>myc "},
      {"A=new", modDB::vbNo, 1, " new  b1   myc  ", " new  b1   myc  ", "qfd A:a1>new QfEntry C:c1>myc "},
      {"A=new", modDB::vbCancel, 0, " new  b1   c1   ", other, "qfd A:a1>new "},
      {"A=mine", 0, 1, other, other, "qfd A:a1>mine QfEntry C:c1>myc "},  // the same value is no conflict
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(k);
    const std::string db = MakeDb("db" + std::to_string(++k), {{"A", 5}, {"B", 5}, {"C", 5}}, {{"a1", "b1", "c1"}});
    ASSERT_EQ(modDB::StartHistory(db), "");
    modDB::SetHistoryProgram("QfEntry");
    Open(db);
    ASSERT_EQ(modDB::WriteField(1, "mine"), 1);
    ASSERT_EQ(modDB::WriteField(3, "myc"), 1);
    ASSERT_EQ(Qfd({"set", db, "1", c.theirs}).status, 0);  // the other clerk saves first
    host.Clear();
    host.replies = {c.answer};
    EXPECT_EQ(modDB::WriteRecord(), c.result);
    ASSERT_EQ(host.boxes.size(), c.answer ? 1u : 0u) << host.Last();
    if (c.answer) {
      EXPECT_EQ(host.Last(),
                "WRITE RECORD: Record 1 was changed in another program since editing began, and you both changed "
                "this field (as read, theirs, yours):\r\nA: \"a1\", \"new\", \"mine\"\r\n"
                "Your other changes and theirs are both kept.\r\nYes: save yours in this field.\r\n"
                "No: keep theirs in this field.\r\nCancel: go back to editing.");
    }
    EXPECT_EQ(ReadFile(db + ".Qfd").substr(kHead), c.inFile);
    EXPECT_EQ(modDB::GetRecordText(), c.inHand);
    std::vector<modDB::HistoryEntry> lines;
    ASSERT_EQ(modDB::ReadHistory(db, lines), "");
    std::string log;
    for (const auto& e : lines) log += e.program + " " + e.field + ":" + e.before + ">" + e.after + " ";
    EXPECT_EQ(log, c.history);
    ASSERT_EQ(modDB::CloseDatabase(), 1);
  }

  // Marked for deletion meanwhile; and a delete of a record changed meanwhile.
  const std::string db = Db({{"a1", "b1"}, {"a2", "b2"}}, "marked");
  Open(db);
  ASSERT_EQ(modDB::WriteField(1, "mine"), 1);
  ASSERT_EQ(Qfd({"delete", db, "1"}).status, 0);
  host.replies = {modDB::vbCancel};
  EXPECT_EQ(modDB::WriteRecord(), 0);
  EXPECT_EQ(host.Last(),
            "WRITE RECORD: Record 1 was marked for deletion in another program since editing began.\r\n"
            "Yes: save your version over it (it is then no longer marked).\r\nNo: take the other version (your "
            "typing is discarded).\r\nCancel: go back to editing.");
  ASSERT_EQ(modDB::SetRecordNo(2), 1);
  ASSERT_EQ(Qfd({"set", db, "2", "A=new"}).status, 0);
  host.replies = {modDB::vbNo};
  EXPECT_EQ(modDB::DeleteRecord(), 0);
  EXPECT_EQ(host.Last(),
            "DELETE RECORD: Record 2 was changed in another program since it was read.\r\n"
            "Mark it for deletion all the same?\r\n(No shows the other version.)");
  EXPECT_EQ(modDB::GetRecordText(), " new  b2   ");
  ASSERT_EQ(Qfd({"set", db, "2", "B=newer"}).status, 0);
  // This time the database's answerer answers, not the Host.
  host.Clear();
  modDB::CurrentDatabase().answerer = [](const std::string&, int, const std::string&) { return modDB::vbYes; };
  EXPECT_EQ(modDB::DeleteRecord(), 1);
  modDB::CurrentDatabase().answerer = nullptr;
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(Rec(ReadFile(db + ".Qfd"), 2), "*new  newer");  // only the mark was written
}

// `qfd set` of different fields of one record, and a delete, all at once: every
// change arrives.
TEST_F(Clerks, FieldWritesNeverPutBackAnOldValue) {
  const std::string db = Db({{"a", "b"}});
  for (int round = 0; round < 40; ++round) {
    const std::string a = "a" + std::to_string(round), b = "b" + std::to_string(round);
    const pid_t p1 = Start({ToolPath("qfd"), "set", db, "1", "A=" + a});
    const pid_t p2 = Start({ToolPath("qfd"), "set", db, "1", "B=" + b});
    const pid_t p3 = Start({ToolPath("qfd"), "delete", db, "1"});
    ASSERT_EQ(Wait(p1), 0);
    ASSERT_EQ(Wait(p2), 0);
    Wait(p3);  // may find the record marked already
    const std::string rec = Rec(ReadFile(db + ".Qfd"), 1);
    ASSERT_EQ(rec, "*" + modLIB::PadRight(a, 5) + modLIB::PadRight(b, 5)) << "round " << round;
    Open(db);
    ASSERT_EQ(modDB::WriteFieldsOf(1, {}, "UNDELETE", ' '), 1);
    ASSERT_EQ(modDB::CloseDatabase(), 1);
  }
}

// Imports racing header saves and packs: every record an import reports added is in
// the database afterwards.
TEST_F(Clerks, NoAcknowledgedRecordIsLostToAResaveOrAPack) {
  const std::string def = DefJson();
  std::string csv = "A,B\n";
  for (int i = 1; i <= 300; ++i) csv += "r" + std::to_string(i) + ",x\n";
  WriteFile(dir / "rows.csv", csv);
  int refused = 0;
  for (int run = 0; run < 100; ++run) {
    const std::string db = Db({{"a1", "b1"}, {"*a2", "b2"}}, "race" + std::to_string(run));
    const pid_t import = Start({ToolPath("qfd"), "import", db, dir / "rows.csv"});
    const pid_t other = run % 2 == 0 ? Start({ToolPath("qfd"), "resave", db, "--from", def, "--recover", "yes"})
                                     : Start({ToolPath("qfd"), "pack", db, "--yes"});
    const int imported = Wait(import), replaced = Wait(other);
    refused += replaced != 0;
    const std::string bytes = ReadFile(db + ".Qfd");
    const int count = I32At(bytes, 0);
    ASSERT_EQ(bytes.size(), kHead + static_cast<size_t>(count) * kLength) << "run " << run;
    // The import never fails for the race (it waits for a pack or a save, or they
    // refuse); every record it reports added is there. Both designs keep the two
    // five-character fields; the rows are the last 300.
    ASSERT_EQ(imported, 0) << "run " << run;
    ASSERT_GE(count, 300) << "run " << run;
    const std::string last = Rec(bytes, count);
    ASSERT_NE(last.find("r300"), std::string::npos) << "run " << run << ": " << last;
  }
  RecordProperty("resaves and packs refused", refused);
}

// A record that comes into an empty database while a design save waits for the
// writers' lock is carried into the new file: what the save rebuilds is read under
// the lock. The other writer here is the test itself, taking the lock as any
// program does.
TEST_F(Clerks, ARecordAddedWhileASaveWaitsIsKept) {
  const std::string db = Db({});
  const std::string file = db + ".Qfd";
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  auto lock = [&](int16_t type, int64_t at) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = at;
    fl.l_len = 1;
    return ::fcntl(fd, type == F_RDLCK ? F_OFD_GETLK : F_OFD_SETLKW, &fl) == 0 ? fl.l_type : -1;
  };
  ASSERT_EQ(lock(F_WRLCK, 0), F_WRLCK);
  const pid_t resave = Start({ToolPath("qfd"), "resave", db, "--from", DefJson(), "--recover", "yes"});
  // The save has the file to itself once it holds the presence byte alone.
  while (lock(F_RDLCK, int64_t{1} << 40) == F_UNLCK) ::usleep(1000);
  const std::string rec = " racer     ";
  ASSERT_EQ(::pwrite(fd, rec.data(), rec.size(), kHead), static_cast<ssize_t>(rec.size()));
  ASSERT_EQ(::pwrite(fd, "\1\0\0\0", 4, 0), 4);
  ::close(fd);  // the lock goes with it
  EXPECT_EQ(Wait(resave), 0);
  const std::string bytes = ReadFile(file);
  ASSERT_EQ(I32At(bytes, 0), 1);
  EXPECT_EQ(Rec(bytes, 1), "      racer");
}

// A database reached through a symbolic link stays a link: its target is packed and
// redesigned, the backup sits beside the target. A read-only database is never
// replaced.
TEST_F(Clerks, LinksStayLinksAndReadOnlyStaysUntouched) {
  fs::create_directory(dir / "data");
  const std::string target = Db({{"a1", "b1"}, {"*a2", "b2"}}, "data/real");
  const std::string link = dir / "db.Qfd";
  fs::create_symlink(target + ".Qfd", link);
  const std::string before = ReadFile(target + ".Qfd");
  ASSERT_EQ(Qfd({"pack", dir / "db", "--yes"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target + ".Bak"), before);
  EXPECT_FALSE(fs::exists(dir / "db.Bak"));
  EXPECT_EQ(I32At(ReadFile(link), 0), 1);
  ASSERT_EQ(Qfd({"resave", dir / "db", "--from", DefJson(), "--recover", "yes"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Rec(ReadFile(link), 1), " b1   a1   ");
  EXPECT_EQ(Qfd({"add", dir / "db", "A=new"}).out, "2\n");  // later writes reach the same file
  EXPECT_EQ(I32At(ReadFile(target + ".Qfd"), 0), 2);

  fs::permissions(target + ".Qfd", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string readOnly = ReadFile(target + ".Qfd");
  const std::string denied =
      std::string(" cannot be written: ") + (::geteuid() == 0 ? "the file is read-only" : "Permission denied");
  QfdFails({"resave", dir / "db", "--from", DefJson(), "--recover", "no", "--allow-loss"},
           "SAVE HEADER: FILE:" + link + " cannot be written: the file is read-only\n");
  QfdFails({"pack", dir / "db", "--yes"}, "PACK RECORDS: FILE:" + link + denied + "\n");
  EXPECT_EQ(Qfd({"add", dir / "db", "A=x"}).status, 1);
  WriteFile(dir / "in.csv", "A,B\nx,y\n");
  // The rows are good, but nothing could be written.
  QfdFails({"import", dir / "db", dir / "in.csv", "--dry-run"}, "IMPORT: FILE:" + link + denied + "\n");
  EXPECT_EQ(ReadFile(target + ".Qfd"), readOnly);
  EXPECT_EQ(fs::status(target + ".Qfd").permissions() & fs::perms::owner_write, fs::perms::none);
}

// A writer that stops while it holds the writers' lock: the others say after a second
// what they wait for and who holds it, and with --wait give up with exit status 3.
TEST_F(Clerks, AWaitForAStoppedWriterIsToldAndEnds) {
  const std::string db = Db({{"a1", "b1"}});
  const std::string before = ReadFile(db + ".Qfd");
  Holder holder([&] {
    const int fd = ::open((db + ".Qfd").c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_len = 1;
    return fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
  });
  ASSERT_TRUE(holder.opened());
  const auto set = QfdEnds({"--wait", "1", "set", db, "1", "A=w"}, 3);
  const std::string who = "qfd_clerks_test (process " + std::to_string(holder.pid());
  EXPECT_EQ(set.err.substr(0, set.err.find('\n') + 1), "qfd: waiting for " + fs::canonical(db + ".Qfd").string() +
                                                            ", which is open in " + who + ", user " +
                                                            ::getpwuid(::geteuid())->pw_name + ")\n");
  EXPECT_NE(set.err.find("another program holds it (" + who), std::string::npos) << set.err;
  EXPECT_NE(set.err.find("; gave up waiting after 1 seconds"), std::string::npos) << set.err;
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
}

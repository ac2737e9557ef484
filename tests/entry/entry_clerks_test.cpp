// Two clerks on one database: the entry window's save of a record another program
// changed meanwhile, and a database another program replaced under the window.
#include <cstdio>

#include <filesystem>

#include "tests/entry/EntryFixture.h"

using namespace qfentry;


// Window 1 edits the company while another program saves a new phone number: the save
// is stopped and each answer does what it says.
TEST_F(EntryTest, ASaveOverAnotherProgramsChangeAsks) {
  struct Case {
    int answer;
    int mode;                      // the window's mode afterwards
    const char *company, *phone;   // in the file afterwards
    QString shownCompany;          // in the window afterwards
  };
  const std::vector<Case> cases = {
      {modDB::vbYes, 1, "Mine Ltd", "111", "Mine Ltd"},
      {modDB::vbNo, 1, "Old Co", "222", "Old Co"},
      {modDB::vbCancel, 2, "Old Co", "222", "Mine Ltd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    std::filesystem::remove(dir / "Test.Qfd");
    const std::string file = MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}});
    frmEdit& w = Open(file);
    w.mnuEditRecord->trigger();
    RetypeField(1, "Mine Ltd");
    ASSERT_EQ(BoxText(1), "Mine Ltd");
    ASSERT_EQ(qftest::RunProgram({qftest::ToolPath("qfd"), "set", dir / "Test", "1", "Phone=222"}).status, 0);
    host.Clear();
    host.replies = {c.answer};
    w.mnuUpdateRecord->trigger();
    ASSERT_EQ(host.boxes.size(), 1u) << host.Last();
    EXPECT_EQ(host.Last(),
              "WRITE RECORD: Record 1 was changed in another program since editing began.\r\n"
              "Yes: save your version over it.\r\nNo: take the other version (your typing is discarded).\r\n"
              "Cancel: go back to editing.");
    EXPECT_EQ(w.Mode, c.mode);
    const auto rec = Stored(1);
    EXPECT_EQ(rec["Fields"]["Company"], c.company);
    EXPECT_EQ(rec["Fields"]["Phone"], c.phone);
    // On screen: the input box while editing, the field's caption in browse mode.
    EXPECT_EQ(c.mode == 2 ? BoxText(1) : w.Dummy[1]->text(), c.shownCompany);
    window->Mode = 0;
    window->close();
    delete window;
    window = nullptr;
  }
}

// Another program that takes no lock replaces the database under the window: moving
// on says so and offers to open it again; with the same form the window goes on, and
// a save lands in the new file.
TEST_F(EntryTest, AReplacedDatabaseIsOpenedAgain) {
  const std::string file = MakeDatabase({{"Company", 10, 1, "*"}}, {{"One"}, {"Two"}});
  frmEdit& w = Open(file);
  const std::string bytes = qftest::ReadFile(file);
  qftest::WriteFile(dir / "new.Qfd", bytes);
  ASSERT_EQ(std::rename((dir / "new.Qfd").c_str(), file.c_str()), 0);

  host.replies = {modDB::vbYes};
  w.mnuNextRecord->trigger();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.Last(), "OPEN DATABASE: FILE:" + file +
                             " was replaced by another program (packed or saved with a new design) since it was "
                             "opened.\r\nOpen it again?");
  EXPECT_EQ(modDB::IsReplaced(), 0);
  w.mnuNextRecord->trigger();
  w.mnuEditRecord->trigger();
  EXPECT_EQ(BoxText(1), "Two");
  RetypeField(1, "Deux");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(Stored(2)["Fields"]["Company"], "Deux");
}

// Two clerks on one database: the entry window's save of a record another program
// changed meanwhile, and a database another program replaced under the window.

#include "entry/clsField.h"
#include "tests/entry/EntryFixture.h"

using namespace qfentry;

// The window edits the company while another program saves the same record: a
// change to another field (qfd, or a form script's SetDBField) is kept without a
// question and shown; a change to the company asks, and Cancel keeps the typing.
TEST_F(EntryTest, ASaveOverAnotherProgramsChangeMerges) {
  struct Case {
    std::string theirs;           // "Field=value"; "script:" writes it through SetDBField
    int mode;                     // the window's mode afterwards: 2 after the question
    const char *company, *phone;  // in the file afterwards, and shown
  };
  for (const Case& c : {Case{"Phone=222", 1, "Mine Ltd", "222"}, Case{"script:Phone=333", 1, "Mine Ltd", "333"},
                        Case{"Company=Their Co", 2, "Their Co", "111"}}) {
    SCOPED_TRACE(c.theirs);
    std::filesystem::remove(dir / "Test.Qfd");
    frmEdit& w = Open(MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}}));
    w.mnuEditRecord->trigger();
    RetypeField(1, "Mine Ltd");
    if (c.theirs.rfind("script:", 0) == 0) {
      clsField other(nullptr);
      other.OpenDB(dir / "Test");
      other.SetDBField(1, "Phone", c.theirs.substr(13));
      ASSERT_FALSE(other.LastCallFailed) << host.Last();
      other.CloseDB();
    } else {
      ASSERT_EQ(qftest::QfdOk({"set", dir / "Test", "1", c.theirs}).status, 0);
    }
    host.Clear();
    host.replies = {modDB::vbCancel};
    w.mnuUpdateRecord->trigger();
    EXPECT_EQ(std::tuple(host.boxes.size(), w.Mode), std::tuple(c.mode == 2 ? 1u : 0u, c.mode)) << host.Last();
    qftest::ExpectJson(Stored(1), {{"/Fields/Company", c.company}, {"/Fields/Phone", c.phone}});
    // On screen: the input box while editing, the fields' captions in browse mode.
    if (c.mode == 2)
      EXPECT_EQ(BoxText(1), "Mine Ltd");
    else
      qfgui::ExpectTexts({{w.Dummy[1], "Mine Ltd"}, {w.Dummy[2], c.phone}});
    CloseWindow();
  }
}

// Another program that takes no lock replaces the database under the window: moving
// on says so and offers to open it again; with the same form the window goes on, and
// a save lands in the new file.
TEST_F(EntryTest, AReplacedDatabaseIsOpenedAgain) {
  const std::string file = MakeDatabase({{"Company", 10, 1, "*"}}, {{"One"}, {"Two"}});
  frmEdit& w = Open(file);
  qftest::WriteFile(dir / "new.Qfd", qftest::ReadFile(file));
  ASSERT_EQ(std::rename((dir / "new.Qfd").c_str(), file.c_str()), 0);

  host.replies = {modDB::vbYes};
  w.mnuNextRecord->trigger();
  ExpectBox("OPEN DATABASE: FILE:" + file +
                " was replaced by another program (packed or saved with a new design) since it was opened.\r\n"
                "Open it again?",
            modDB::vbYesNo | modDB::vbExclamation);
  EXPECT_EQ(modDB::IsReplaced(), 0);
  w.mnuNextRecord->trigger();
  w.mnuEditRecord->trigger();
  EXPECT_EQ(BoxText(1), "Two");
  RetypeField(1, "Deux");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(host.Last(), Stored(2)["Fields"]["Company"]), std::tuple("", "Deux"));
}

// Edit reads the record again, so that another program's save is on screen before
// the clerk types; closing the window while editing asks to save, discard or go on.
TEST_F(EntryTest, EditReadsTheFileAndClosingWhileEditingAsks) {
  struct Case {
    int answer;
    bool closed;
    const char* company;  // in the file afterwards
  };
  for (const Case& c : {Case{modDB::vbCancel, false, "Old Co"}, Case{modDB::vbNo, true, "Old Co"},
                        Case{modDB::vbYes, true, "Mine Ltd"}}) {
    SCOPED_TRACE(c.answer);
    std::filesystem::remove(dir / "Test.Qfd");
    frmEdit& w = Open(MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}}));
    ASSERT_EQ(qftest::QfdOk({"set", dir / "Test", "1", "Phone=222"}).status, 0);
    QTest::keyClick(&w, Qt::Key_F2);
    ASSERT_EQ(std::tuple(w.Mode, BoxText(2)), std::tuple(2, "222"));
    RetypeField(1, "Mine Ltd");
    host.Clear();
    host.replies = {c.answer};
    EXPECT_EQ(w.close(), c.closed);
    ExpectBox("CLOSE: Record 1 is being edited.\r\nYes: save it and close.\r\n"
              "No: discard the changes and close.\r\nCancel: go on editing.",
              modDB::vbYesNoCancel | modDB::vbQuestion | modDB::vbDefaultButton3);
    EXPECT_EQ(w.Mode, c.closed ? 1 : 2);
    qftest::ExpectJson(Stored(1), {{"/Fields/Company", c.company}, {"/Fields/Phone", "222"}});
    CloseWindow();
  }
}

// A database the program may only read says so when it opens, and does not edit.
TEST_F(EntryTest, AReadOnlyDatabaseSaysSoAndDoesNotEdit) {
  const std::string file = MakeDatabase({{"Company", 10, 1, "*"}}, {{"Old Co"}});
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  frmEdit& w = Open(file);
  EXPECT_EQ(std::tuple(w.windowTitle(), w.lblRecNo->text()), std::tuple("Test.Qfd (read-only)", " 1 / 1  read-only"));
  for (auto key : {Qt::Key_F2, Qt::Key_F8, Qt::Key_F9}) {
    QTest::keyClick(&w, key);
    EXPECT_EQ(w.Mode, 1) << key;
  }
  // Edit, New, Delete and Pack.
  EXPECT_FALSE(w.cTBarBtn[11]->isEnabled() || w.cTBarBtn[12]->isEnabled() || w.cTBarBtn[15]->isEnabled() ||
               w.mnuPack->isEnabled());
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

// The form script's second database against another program (qfd): a field changed
// since the script read it is not written over, and says so; read again, it is.
TEST_F(EntryTest, TheScriptsSecondDatabaseKeepsAChangeItHasNotSeen) {
  MakeDatabase({{"Company", 10, 1, "*"}, {"Phone", 5, 1, "*"}}, {{"Old Co", "111"}});
  clsField script(nullptr);
  script.OpenDB(dir / "Test");
  EXPECT_EQ(script.GetDBField(1, "Phone"), "111");
  ASSERT_EQ(qftest::QfdOk({"set", dir / "Test", "1", "Phone=222"}).status, 0);
  host.Clear();
  script.SetDBField(1, "Phone", "333");
  EXPECT_EQ(std::tuple(script.LastCallFailed, host.Last(), Stored(1)["Fields"]["Phone"]),
            std::tuple(true,
                       "SetDBField: FILE:" + dir / "Test.Qfd" +
                           " record 1 field Phone was changed in another program since it was read."
                           " Nothing was written.",
                       "222"));
  EXPECT_EQ(script.GetDBField(1, "Phone"), "222");
  script.SetDBField(1, "Phone", "333");
  EXPECT_EQ(std::tuple(script.LastCallFailed, Stored(1)["Fields"]["Phone"]), std::tuple(false, "333")) << host.Last();
  script.CloseDB();
}

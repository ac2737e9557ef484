// Record editing: Update's checks in slot order, numbering, Duplicate, Delete.
#include "tests/entry/EntryFixture.h"

using namespace qfentry;

// Update checks the fields in slot order and jumps to the first one refused, on its
// page; each rule and its text is the engine's (valuerules_test).
TEST_F(EntryTest, UpdateChecksInSlotOrderAndJumpsToTheField) {
  const std::string file =  // "Banner" labels Born
      MakeDatabase({{"Born", 10, 1, "D"}, {"At", 8, 2, "T"}, {"Must", 10, 3, "A!"}}, {}, 1);
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "31/04/2020");
  w.mnuUpdateRecord->trigger();
  ExpectBox("UPDATE: Field: Banner, Invalid date. Format (DD/MM/YYYY)", modDB::vbCritical);
  EXPECT_EQ(w.Mode, 2);

  w.Field[1]->selectAll();
  QTest::keyClicks(w.Field[1], "30/04/2020");
  w.mnuNextPage->trigger();
  Type(2, "9:3");  // not a time
  w.mnuPreviousPage->trigger();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(host.Last(), w.CurPage, QApplication::focusWidget()),
            std::tuple("UPDATE: Field: At, Invalid time. Format (hh:mm or hh:mm:ss)", 2, w.Field[2]));

  Type(2, "0");  // h:mm is taken, and kept as hh:mm:ss
  w.mnuPreviousPage->trigger();
  w.mnuUpdateRecord->trigger();  // the required field on page 3 is empty
  // Nothing saved so far.
  EXPECT_EQ(std::tuple(host.Last(), w.CurPage, StoredCount(), QApplication::focusWidget()),
            std::tuple("UPDATE: Field: Must, Cannot be empty", 3, 0, w.Field[3]));

  Type(3, "x");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(host.Last(), w.Mode), std::tuple(std::string(), 1));
  qftest::ExpectJson(Stored(1), {{"/Fields/Born", "30/04/2020"}, {"/Fields/At", "09:30:00"}, {"/Fields/Must", "x"}});
}

// A new record and a duplicate get the next number; an edit keeps it; a duplicate
// leaves the numbered and computed fields empty, on a page not shown too.
TEST_F(EntryTest, NewAndDuplicateRecordsAreNumbered) {
  std::vector<std::vector<std::string>> seven;
  for (int i = 1; i <= 7; ++i) seven.push_back({"x", " " + std::to_string(i), "computed"});
  frmEdit& w = Open(MakeDatabase({{"Name", 10, 1, "A"}, {"No", 5, 2, "#"}, {"Calc", 10, 2, "="}}, seven));
  w.mnuNewRecord->trigger();
  Type(1, "Eight");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(w.Mode, w.lblRecNo->text(), StoredCount()), std::tuple(1, " 8 / 8", 8));
  EXPECT_EQ(Stored(8)["Fields"]["No"], "8");
  EXPECT_EQ(modDB::GetRecordText().substr(11, 5), " 8   ");  // a leading blank for the sign
  w.mnuEditRecord->trigger();
  Type(1, "s");  // an edit writes over the record, its number kept
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(modDB::GetRecordText().substr(0, 16), StoredCount()), std::tuple(" Eights     8   ", 8));

  w.mnuPreviousRecord->trigger();
  w.mnuDuplicateRecord->trigger();
  EXPECT_EQ(std::tuple(w.RECNO(), BoxText(1)), std::tuple("NEW", "x"));
  w.mnuNextPage->trigger();
  // Never an input box, even in edit mode.
  EXPECT_EQ(std::tuple(w.Field[2]->isHidden(), w.Dummy[2]->isHidden()), std::tuple(true, false));
  qfgui::ExpectTexts({{w.Dummy[2], ""}, {w.Dummy[3], ""}});
  w.mnuUpdateRecord->trigger();
  qftest::ExpectJson(Stored(9), {{"/Fields/Name", "x"}, {"/Fields/No", "9"}, {"/Fields/Calc", ""}});
  EXPECT_EQ(Stored(7)["Fields"]["Calc"], "computed");
}

// Delete asks, marks and unmarks; Pack says how many records the packed file holds.
TEST_F(EntryTest, DeleteAsksAndMarksAndPackSaysWhatItKept) {
  frmEdit& w = Open(MakeDatabase({{"N", 5, 1, "N"}}, {{"1"}, {"2"}, {"3"}}));
  w.cTBarBtn[15]->click();  // the default answer is No
  ExpectBox("DELETE: This will mark the record for permanent deletion.\r\nAre you sure?",
            modDB::vbYesNo | modDB::vbCritical | modDB::vbDefaultButton2);
  EXPECT_FALSE(Stored(1)["Deleted"].get<bool>());

  host.replies = {modDB::vbYes};
  w.cTBarBtn[15]->click();
  EXPECT_EQ(std::tuple(Stored(1)["Deleted"].get<bool>(), w.lblRecNo->text()), std::tuple(true, QString(" 1 / 3*")));
  // Marked: Delete asks nothing, Undelete takes the mark off.
  host.Clear();
  w.cTBarBtn[15]->click();
  EXPECT_EQ(host.Last(), "DELETE: This record is already marked for deletion.\r\nRecord, Undelete takes the mark off.");
  ASSERT_TRUE(w.mnuUndeleteRecord->isEnabled());
  w.mnuUndeleteRecord->trigger();
  EXPECT_EQ(std::tuple(Stored(1)["Deleted"].get<bool>(), w.lblRecNo->text(), w.mnuUndeleteRecord->isEnabled()),
            std::tuple(false, " 1 / 3", false));

  host.replies = {modDB::vbYes, modDB::vbYes};
  w.mnuDeleteRecord->trigger();
  host.Clear();
  w.mnuPack->trigger();
  ASSERT_EQ(host.boxes.size(), 2u) << host.Last();
  EXPECT_EQ(std::tuple(host.Last(), host.boxes[1].style, StoredCount()),
            std::tuple("Pack: Pack finished: 2 records kept.", modDB::vbInformation, 2));
  host.Clear();
  host.replies = {modDB::vbNo};  // not confirmed: no word of a finish
  w.mnuPack->trigger();
  EXPECT_EQ(host.boxes.size(), 1u);
}

TEST_F(EntryTest, AFullDatabaseKeepsTheNewRecordOnScreen) {
  const std::string file = MakeDatabase({{"N", 5, 1, "AS"}}, {{"1"}});
  // The count says 65,530: the store refuses another record.
  const std::string bytes = qftest::WithI32(qftest::ReadFile(file), 0, 65530);
  qftest::WriteFile(file, bytes);
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "keep");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(host.Last(), w.Mode, w.NewRecord, BoxText(1), qftest::ReadFile(file).size()),
            std::tuple("ADD RECORD: DB is Full", 2, true, "keep", bytes.size()));
}

// A one-line box entered with Tab or Enter has its text selected, so typing replaces
// it; a multi-line one keeps its caret. Ctrl+A selects all in any field. Tab or Enter
// on a page's last box goes on to the first box of the next page that has one; from
// the last page back to page 1.
TEST_F(EntryTest, TabAndEnterSelectTheFieldsTextAndTurnThePage) {
  frmEdit& w = Open(MakeDatabase({{"A", 10, 1, "AS"}, {"B", 10, 1, "N"}, {"Memo", 40, 1, "*M"}, {"C", 10, 1, "N"},
                                  {"D", 10, 2, "N"}, {"No", 5, 3, "#"}},
                                 {{"Ann", "12", "two\r\nlines", "34", "56", ""}}));
  w.mnuEditRecord->trigger();
  ASSERT_EQ(QApplication::focusWidget(), w.Field[1]);
  EXPECT_FALSE(w.Field[1]->textCursor().hasSelection());  // opened on the page: no selection
  QTest::keyClick(w.Field[1], Qt::Key_Tab);
  EXPECT_EQ(w.Field[2]->textCursor().selectedText(), "12");
  QTest::keyClicks(w.Field[2], "7");
  EXPECT_EQ(BoxText(2), "7");
  QTest::keyClick(w.Field[2], Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), w.Field[3]);
  EXPECT_FALSE(w.Field[3]->textCursor().hasSelection());
  QTest::keyClick(w.Field[3], Qt::Key_Tab);
  // A box left keeps no selection.
  EXPECT_EQ(std::tuple(w.Field[4]->textCursor().selectedText(), w.Field[2]->textCursor().hasSelection()),
            std::tuple(QString("34"), false));
  const QWidget* ring = w.surface->findChild<QWidget*>("FocusRing");
  ASSERT_TRUE(ring && ring->isVisible());
  EXPECT_EQ(ring->geometry(), w.Field[4]->geometry().adjusted(-3, -3, 3, 3));
  QTest::keyClick(w.Field[4], Qt::Key_Tab, Qt::ShiftModifier);
  QTest::keyClick(w.Field[3], Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(w.Field[2]->textCursor().selectedText(), "7");
  for (int slot : {1, 3}) {
    w.Field[slot]->setFocus();
    QTest::keyClick(w.Field[slot], Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.Field[slot]->textCursor().selectedText().replace(QChar::ParagraphSeparator, '\n'), BoxText(slot));
  }
  w.Field[4]->setFocus();
  QTest::keyClick(w.Field[4], Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), w.Field[5]);
  EXPECT_EQ(std::tuple(w.CurPage, w.Field[5]->textCursor().selectedText()), std::tuple(2, "56"));
  QTest::keyClick(w.Field[5], Qt::Key_Return);  // page 3 has no box
  EXPECT_EQ(std::tuple(w.CurPage, w.Field[1]->textCursor().selectedText()), std::tuple(1, "Ann"));
  QTest::keyClick(w.Field[1], Qt::Key_Tab, Qt::ShiftModifier);  // backwards stays on the page
  EXPECT_EQ(w.CurPage, 1);
  w.mnuUpdateRecord->trigger();
  qftest::ExpectJson(Stored(1), {{"/Fields/B", "7"}, {"/Fields/A", "Ann"}});
}

// F1 opens the help at the topic of the window in front.
TEST_F(EntryTest, F1OpensTheHelpOfTheWindowInFront) {
  modDlg::InstallHelpKey();
  frmEdit& w = Open(MakeDatabase({{"A", 10, 1, "AS"}}, {{"a"}}));
  std::vector<std::string> topics;
  auto f1 = [&](QWidget* front) {
    modDlg::HelpTopic = "-";
    QTest::keyClick(front, Qt::Key_F1);
    topics.push_back(modDlg::HelpTopic);
  };
  modDlg::SetShownHook([&](QDialog* d) {
    if (std::string(d->metaObject()->className()) != "frmHelp") f1(d);
    d->reject();
  });
  f1(&w);
  w.mnuSearchRecord->trigger();
  w.mnuExport->trigger();
  modDlg::SetShownHook({});
  EXPECT_EQ(topics, (std::vector<std::string>{"", "Find Dialog", "Export Dialog"}));
}

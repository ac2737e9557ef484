// Record editing: Update's checks in slot order, numbering, Duplicate, Delete.
#include "EntryFixture.h"

using namespace qfentry;
using namespace modDB;

TEST_F(EntryTest, UpdateChecksInSlotOrderAndJumpsToTheField) {
  const std::string file = MakeDatabase({{"Born", 10, 1, "D"},
                                         {"At", 8, 2, "T"},
                                         {"Must", 10, 3, "A!"},
                                         {"Opt", 10, 3, "D!"}});
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "31/04/2020");
  w.mnuUpdateRecord->trigger();
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.Last(), "UPDATE: Field: Born, Invalid date. (DD/MM/YYYY or MM/DD/YYYY)");
  EXPECT_EQ(host.boxes.back().style, vbCritical);
  EXPECT_EQ(w.Mode, 2);

  w.Field[1]->selectAll();
  QTest::keyClicks(w.Field[1], "30/04/2020");
  w.mnuNextPage->trigger();
  Type(2, "12:00");  // five characters: not a time
  w.mnuPreviousPage->trigger();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(host.Last(), "UPDATE: Field: At, Invalid time. Format (hh:mm)");
  EXPECT_EQ(w.CurPage, 2);
  EXPECT_EQ(QApplication::focusWidget(), w.Field[2]);

  Type(2, ":00");
  w.mnuPreviousPage->trigger();
  w.mnuUpdateRecord->trigger();  // the required field on page 3 is empty
  EXPECT_EQ(host.Last(), "UPDATE: Field: Must, Cannot be empty");
  EXPECT_EQ(w.CurPage, 3);
  EXPECT_EQ(QApplication::focusWidget(), w.Field[3]);
  Type(3, "x");
  w.mnuUpdateRecord->trigger();  // a date field that is required fails as empty
  EXPECT_EQ(host.Last(), "UPDATE: Field: Opt, Cannot be empty");
  EXPECT_EQ(StoredCount(), 0);  // nothing saved so far

  Type(4, "29/02/2000");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(w.Mode, 1);
  const auto rec = Stored(1);
  EXPECT_EQ(rec["Fields"]["Born"], "30/04/2020");
  EXPECT_EQ(rec["Fields"]["At"], "12:00:00");
  EXPECT_EQ(rec["Fields"]["Opt"], "29/02/2000");
}

TEST_F(EntryTest, MonthFirstDates) {
  MakeDatabase({{"Born", 10, 1, "D"}});
  const std::string file = ChangeForm([] { SetDateOrder(2); });
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "02/29/2000");
  w.mnuUpdateRecord->trigger();
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(Stored(1)["Fields"]["Born"], "02/29/2000");
}

TEST_F(EntryTest, NumberFieldGetsTheNewRecordNumber) {
  std::vector<std::vector<std::string>> seven(7, std::vector<std::string>{"x", ""});
  const std::string file = MakeDatabase({{"Name", 10, 1, "A"}, {"No", 5, 2, "#"}}, seven);
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "Eight");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(w.Mode, 1);
  EXPECT_EQ(w.lblRecNo->text(), " 8 / 8");
  ASSERT_EQ(StoredCount(), 8);
  EXPECT_EQ(Stored(8)["Fields"]["No"], "8");
  EXPECT_EQ(GetRecordText().substr(11, 5), " 8   ");  // a leading blank for the sign

  // Editing an existing record does not renumber it.
  w.mnuEditRecord->trigger();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(GetRecordText().substr(11, 5), " 8   ");
}

TEST_F(EntryTest, DuplicateEmptiesNumberedAndComputedFields) {
  const std::string file =
      MakeDatabase({{"Name", 10, 1, "A"}, {"No", 5, 1, "#"}, {"Calc", 10, 1, "="}}, {{"Ann", " 1", "computed"}});
  frmEdit& w = Open(file);
  w.mnuDuplicateRecord->trigger();
  EXPECT_EQ(w.RECNO(), "NEW");
  EXPECT_EQ(BoxText(1), "Ann");
  EXPECT_TRUE(w.Field[2]->isHidden());  // never an input box, even in edit mode
  EXPECT_FALSE(w.Dummy[2]->isHidden());
  EXPECT_EQ(w.Dummy[2]->text(), "");
  EXPECT_EQ(w.Dummy[3]->text(), "");
  w.mnuUpdateRecord->trigger();
  const auto rec = Stored(2);
  EXPECT_EQ(rec["Fields"]["Name"], "Ann");
  EXPECT_EQ(rec["Fields"]["No"], "2");
  EXPECT_EQ(rec["Fields"]["Calc"], "");
  EXPECT_EQ(Stored(1)["Fields"]["Calc"], "computed");
}

TEST_F(EntryTest, DeleteAsksAndMarks) {
  const std::string file = MakeDatabase({{"N", 5, 1, "N"}}, {{"1"}, {"2"}});
  frmEdit& w = Open(file);
  w.cTBarBtn[15]->click();  // the default answer is No
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "DELETE");
  EXPECT_EQ(host.boxes[0].text, "This will mark the record for permanent deletion,\r\nAre you sure?");
  EXPECT_EQ(host.boxes[0].style, vbYesNo | vbCritical | vbDefaultButton2);
  EXPECT_FALSE(Stored(1)["Deleted"].get<bool>());

  host.replies = {vbYes};
  w.cTBarBtn[15]->click();
  EXPECT_TRUE(Stored(1)["Deleted"].get<bool>());
  EXPECT_EQ(w.lblRecNo->text(), " 1 / 2*");
}

TEST_F(EntryTest, EditKeepsValuesAndWritesOverTheRecord) {
  const std::string file = MakeDatabase({{"Name", 10, 1, "AS"}}, {{"Ann"}, {"Bob"}});
  frmEdit& w = Open(file);
  w.mnuNextRecord->trigger();
  w.mnuEditRecord->trigger();
  Type(1, " Li");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(Stored(2)["Fields"]["Name"], "Bob Li");
  EXPECT_EQ(Stored(1)["Fields"]["Name"], "Ann");
  EXPECT_EQ(StoredCount(), 2);
  // Cancel drops the edits and reads the record again.
  w.mnuEditRecord->trigger();
  Type(1, "zz");
  w.mnuCancelUpdate->trigger();
  EXPECT_EQ(w.Dummy[1]->text(), "Bob Li");
}

TEST_F(EntryTest, AFullDatabaseKeepsTheNewRecordOnScreen) {
  const std::string file = MakeDatabase({{"N", 5, 1, "AS"}}, {{"1"}});
  // The count says 65,530: the store refuses another record.
  std::string bytes = qftest::ReadFile(file);
  const int32_t full = 65530;
  for (int b = 0; b < 4; ++b) bytes[b] = static_cast<char>((full >> (8 * b)) & 0xFF);
  qftest::WriteFile(file, bytes);
  frmEdit& w = Open(file);
  w.mnuNewRecord->trigger();
  Type(1, "keep");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(host.Last(), "ADD RECORD: DB is Full");
  EXPECT_EQ(w.Mode, 2);
  EXPECT_TRUE(w.NewRecord);
  EXPECT_EQ(BoxText(1), "keep");
  EXPECT_EQ(qftest::ReadFile(file).size(), bytes.size());
}

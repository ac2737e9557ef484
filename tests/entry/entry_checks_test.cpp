// The declared checks in the entry window: a field's rules on leaving it, skips
// that clear and lock the fields they pass over, every rule at save, legal values
// picked with F4, and Tools > Check All going to a record or accepting it.

#include "checks/FileCheck.h"
#include "entry/frmCheckAll.h"
#include "entry/frmLegal.h"
#include "tests/entry/EntryFixture.h"
#include "tests/support/ChecksForm.h"

using namespace qfentry;

namespace {

class ChecksTest : public EntryTest {
 protected:
  frmEdit& OpenForm() {
    qftest::QfdCreate(dir / "Test", kChecksForm);
    return Open(dir / "Test.Qfd");
  }
};

TEST_F(ChecksTest, FieldRulesOnLeavingAndSkipsThatCannotBeKeyedAround) {
  frmEdit& w = OpenForm();
  w.mnuNewRecord->trigger();
  Type(2, "130");
  Leave(3);
  EXPECT_EQ(host.Last(), "CHECK: Age in years must be from 0 to 120");  // hard: back to the field
  EXPECT_EQ(QApplication::focusWidget(), w.Field[2]);
  RetypeField(2, "30");
  Type(3, "X");
  Leave(4);  // soft: the default answer is No, back to the field
  EXPECT_EQ(host.Last(), "CHECK: Sex must be one of M, F\r\n\r\nKeep this value?");
  EXPECT_EQ(QApplication::focusWidget(), w.Field[3]);

  // F4 lists the legal values with their labels.
  Through<frmLegal>(w.mnuPickValue, [](frmLegal* d) {
    ASSERT_EQ(d->lstValues->count(), 2);
    EXPECT_EQ(d->lstValues->item(1)->text(), "F   female");
    d->lstValues->setCurrentRow(1);
    QTest::keyClick(d->lstValues, Qt::Key_Return);
  });
  QApplication::setActiveWindow(window);  // the window system gives it back
  EXPECT_EQ(BoxText(3), "F");
  RetypeField(3, "M");
  host.Clear();
  Leave(4);  // a man: the skip passes over pregnancies to the admission
  EXPECT_EQ(std::tuple(host.Last(), w.Field[4]->isEnabled(), QApplication::focusWidget()),
            std::tuple("", false, w.Field[5]));
  // Keyed first and the skip made afterwards: the value goes.
  RetypeField(3, "F");
  Leave(4);
  Type(4, "2");
  RetypeField(3, "M");
  EXPECT_EQ(std::tuple(BoxText(4), w.Field[4]->isEnabled()), std::tuple("", false));
  Type(5, "05/02/2020");
  Type(6, "03/02/2020");
  w.mnuUpdateRecord->trigger();  // soft, declined: still editing
  EXPECT_EQ(std::tuple(host.Last(), w.Mode),
            std::tuple("UPDATE: Discharge before admission\r\n\r\nSave the record anyway?", 2));
  host.replies = {modDB::vbYes};
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(w.Mode, 1);
  qftest::ExpectJson(Stored(1), {{"/Fields/PREG", ""}, {"/Fields/SEX", "M"}});
}

TEST_F(ChecksTest, HardRulesRefuseTheSaveAndCheckAllGoesToTheField) {
  frmEdit& w = OpenForm();
  w.mnuNewRecord->trigger();
  Type(2, "30");
  Type(3, "F");
  Type(5, "01/02/2020");
  w.mnuUpdateRecord->trigger();  // pregnancies required for a woman: soft
  EXPECT_EQ(host.Last(), "UPDATE: PREG is required when SEX = \"F\"\r\n\r\nSave the record anyway?");
  EXPECT_EQ(QApplication::focusWidget(), w.Field[4]);
  host.replies = {modDB::vbYes};
  w.mnuUpdateRecord->trigger();
  ASSERT_EQ(w.Mode, 1);
  // A record keyed elsewhere that breaks the hard rule.
  ASSERT_EQ(qftest::Qfd({"add", dir / "Test", "AGE=150", "SEX=M"}).status, 0);
  w.mnuLastRecord->trigger();
  w.mnuEditRecord->trigger();
  RetypeField(2, "200");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(host.Last(), "UPDATE: Age in years must be from 0 to 120");
  w.mnuCancelUpdate->trigger();

  Through<frmCheckAll>(w.mnuCheckAll, [&](frmCheckAll* d) {
    ASSERT_EQ(d->lstFindings->topLevelItemCount(), 2);
    EXPECT_EQ(std::tuple(d->lstFindings->topLevelItem(0)->text(3), d->lstFindings->topLevelItem(1)->text(5)),
              std::tuple("PREG.RequiredIf", "Age in years must be from 0 to 120"));
    QTest::keyClicks(d->txtNote, "seen on paper");
    QTest::mouseClick(d->cmdAccept, Qt::LeftButton);  // the first line is accepted
    ASSERT_EQ(d->lstFindings->topLevelItemCount(), 1);
    EXPECT_EQ(d->lblCounts->text(), "2 records checked, 1 broken rules, 1 accepted exceptions left out.  AGE.Range: 1.");
    d->lstFindings->setCurrentItem(d->lstFindings->topLevelItem(0));
    QTest::keyClick(d->lstFindings, Qt::Key_Return);
  });
  QApplication::setActiveWindow(window);
  EXPECT_EQ(std::tuple(w.Mode, modDB::GetRecordNo(), QApplication::focusWidget()), std::tuple(2, 2, w.Field[2]));
  std::vector<qfchecks::Exception> ex;
  ASSERT_EQ(qfchecks::ReadExceptions(dir / "Test", ex), "");
  ASSERT_EQ(ex.size(), 1u);
  EXPECT_EQ(ex[0].Rule + "|" + std::to_string(ex[0].Record) + "|" + ex[0].Note, "PREG.RequiredIf|1|seen on paper");
}

}  // namespace

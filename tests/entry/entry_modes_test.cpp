// The entry window's modes, pages, position text, opening and closing.
#include "tests/entry/EntryFixture.h"

#include <QImage>
#include <QMenu>
#include <QToolButton>
#include <filesystem>

#include "entry/FieldFormat.h"
#include "entry/ToolbarIcons.h"

using namespace qfentry;

namespace {

// The enabled state of toolbar buttons 0 … 15 as a string of 0s and 1s.
std::string Buttons(frmEdit& w) {
  std::string s;
  for (QToolButton* b : w.cTBarBtn) s += b->isEnabled() ? '1' : '0';
  return s;
}

}  // namespace

// Started with no database, or with one that cannot be opened: nothing open, only
// Open and Exit offered.
TEST_F(EntryTest, NoDatabaseState) {
  window = new frmEdit;
  frmEdit& w = *window;
  EXPECT_TRUE(w.StartUp(""));
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_TRUE(w.StartUp(dir / "Missing.Qfd"));
  EXPECT_EQ(host.Last(), "OPEN DATABASE: FILE:" + (dir / "Missing") + " not found!");
  EXPECT_EQ(w.Mode, 0);
  EXPECT_EQ(Buttons(w), "1000000000000000");
  EXPECT_TRUE(w.mnuOpen->isEnabled());
  EXPECT_TRUE(w.mnuExitProgram->isEnabled());
  for (QAction* a : {w.mnuClose, w.mnuPack, w.mnuPrint, w.mnuExport, w.mnuEditRecord, w.mnuUpdateRecord,
                     w.mnuCancelUpdate, w.mnuNewRecord, w.mnuDuplicateRecord, w.mnuSearchRecord,
                     w.mnuDeleteRecord, w.mnuTime, w.mnuDate, w.mnuGotoRecord, w.mnuNextRecord,
                     w.mnuPreviousRecord, w.mnuFirstRecord, w.mnuLastRecord, w.mnuNextPage, w.mnuPreviousPage})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_FALSE(w.mnuPage->menuAction()->isVisible());
  EXPECT_TRUE(w.lblRecNo->isHidden());
  EXPECT_FALSE(w.mnuAction0->menuAction()->isVisible());
  EXPECT_EQ(w.windowTitle(), "");
}

TEST_F(EntryTest, OnePageFormModesAndClose) {
  const std::string file = MakeDatabase({{"Name", 20, 1, "AS"}, {"Code", 5, 1, "N"}}, {{"Ann", "1"}}, 1);
  frmEdit& w = Open("\"" + file + "\"");  // quotes around the path are dropped
  EXPECT_EQ(w.windowTitle(), "Test.Qfd");
  EXPECT_EQ(w.Mode, 1);
  EXPECT_EQ(Buttons(w), "0111111100111001");
  EXPECT_FALSE(w.mnuPage->menuAction()->isVisible());
  for (QAction* a : {w.mnuPack, w.mnuClose}) EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  for (QAction* a : {w.mnuNextPage, w.mnuPreviousPage, w.mnuOpen, w.mnuUpdateRecord, w.mnuDate})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_FALSE(w.lblRecNo->isHidden());
  EXPECT_EQ(w.lblRecNo->text(), " 1 / 1");
  // Browse mode: every field a caption.
  EXPECT_TRUE(w.Field[1]->isHidden());
  EXPECT_FALSE(w.Dummy[1]->isHidden());
  EXPECT_EQ(w.Dummy[1]->text(), "Ann");

  w.cTBarBtn[11]->click();  // Edit
  EXPECT_EQ(w.Mode, 2);
  EXPECT_EQ(Buttons(w), "0000000000000110");
  EXPECT_FALSE(w.mnuNextPage->isVisible());  // hidden on a one-page form
  EXPECT_FALSE(w.mnuPreviousPage->isVisible());
  for (QAction* a : {w.mnuExitProgram, w.mnuClose, w.mnuPack})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QAction* a : {w.mnuUpdateRecord, w.mnuCancelUpdate, w.mnuDate, w.mnuTime})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_TRUE(w.mnuAction0->isEnabled());
  EXPECT_FALSE(w.Field[1]->isHidden());
  EXPECT_EQ(BoxText(1), "Ann");
  EXPECT_EQ(QApplication::focusWidget(), w.Field[1]);  // the page's first box

  // Closing the window while editing does nothing; Cancel drops the edits.
  Type(1, "zz");
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  w.cTBarBtn[14]->click();  // Cancel
  EXPECT_EQ(w.Mode, 1);
  EXPECT_EQ(Buttons(w), "0111111100111001");
  EXPECT_EQ(w.Dummy[1]->text(), "Ann");

  // Close resets the window: no title, no captions or banners, deletion allowed again.
  EXPECT_FALSE(w.Banner[1]->isHidden());
  w.AllowDelete = false;
  w.mnuClose->trigger();
  EXPECT_EQ(w.Mode, 0);
  EXPECT_EQ(w.windowTitle(), "");
  EXPECT_TRUE(w.AllowDelete);
  EXPECT_EQ(modDB::GetFileNumber(), 0);
  EXPECT_TRUE(w.Banner[1]->isHidden() && w.Dummy[1]->isHidden());
  EXPECT_EQ(Buttons(w), "1000000000000000");

  // A form of two pages opened next offers Next Page and Previous Page again, and
  // their keys turn the pages; F2 and F7 edit and cancel.
  std::filesystem::remove(file);
  ASSERT_TRUE(w.StartUp(MakeDatabase({{"A", 5, 1, "A"}, {"B", 5, 2, "A"}}, {{"a", "b"}})));
  QTest::keyClick(&w, Qt::Key_F2);
  EXPECT_EQ(w.Mode, 2);
  EXPECT_TRUE(w.mnuNextPage->isVisible());
  EXPECT_TRUE(w.mnuPreviousPage->isVisible());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
  EXPECT_EQ(w.Mode, 1);
  QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(w.CurPage, 2);
  EXPECT_EQ(w.Dummy[2]->text(), "b");
  QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(w.CurPage, 1);
}

TEST_F(EntryTest, MultiPageFormModesAndPages) {
  const std::string file = MakeDatabase({{"A", 10, 1, "A"}, {"B", 10, 2, "A"}, {"C", 10, 3, "A"}},
                                        {{"a1", "b1", "c1"}});
  modDB::SetPageHeading(2, "Second");
  frmEdit& w = Open(file);
  EXPECT_EQ(Buttons(w), "0111111111111001");
  EXPECT_TRUE(w.mnuPage->menuAction()->isVisible());
  EXPECT_TRUE(w.mnuNextPage->isEnabled());
  EXPECT_TRUE(w.mnuPageHeading[3]->isVisible());
  EXPECT_FALSE(w.mnuPageHeading[4]->isVisible());

  w.mnuEditRecord->trigger();
  EXPECT_EQ(Buttons(w), "0000000011000110");
  EXPECT_TRUE(w.mnuNextPage->isVisible());
  Type(1, "xyz");
  w.cTBarBtn[9]->click();  // Next page
  EXPECT_EQ(w.CurPage, 2);
  EXPECT_TRUE(w.Field[1]->isHidden());
  Type(2, "Q");
  w.mnuPageHeading[3]->trigger();
  EXPECT_EQ(w.CurPage, 3);
  Type(3, "R");
  w.mnuPreviousPage->trigger();
  w.mnuPreviousPage->trigger();
  w.mnuPreviousPage->trigger();  // nothing before page 1
  EXPECT_EQ(w.CurPage, 1);
  EXPECT_EQ(BoxText(1), "a1xyz");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(w.Mode, 1);
  qftest::ExpectJson(Stored(1), {{"/Fields/A", "a1xyz"}, {"/Fields/B", "b1Q"}, {"/Fields/C", "c1R"}});
}

TEST_F(EntryTest, PositionTextAndNavigation) {
  const std::string file = MakeDatabase({{"N", 5, 1, "N"}}, {{"1"}, {"2"}, {"3"}});
  frmEdit& w = Open(file);
  EXPECT_EQ(w.RECNO(), " 1 / 3");
  w.cTBarBtn[7]->click();  // Last
  EXPECT_EQ(w.RECNO(), " 3 / 3");
  EXPECT_EQ(w.Dummy[1]->text(), "3");
  w.cTBarBtn[6]->click();  // Next on the last record: nothing
  EXPECT_EQ(w.RECNO(), " 3 / 3");
  w.cTBarBtn[4]->click();
  EXPECT_EQ(w.lblRecNo->text(), " 2 / 3");
  // Another program appends: the position text and Next follow the file.
  ASSERT_EQ(qftest::QfdOk({"add", dir / "Test", "N=4"}).status, 0);
  w.mnuLastRecord->trigger();
  EXPECT_EQ(w.lblRecNo->text(), " 4 / 4");
  w.mnuFirstRecord->trigger();
  EXPECT_EQ(w.lblRecNo->text(), " 1 / 4");
}

// On an empty database Find, Go To and Print do nothing, and Cancel after New leaves
// it empty.
TEST_F(EntryTest, AnEmptyDatabase) {
  frmEdit& w = Open(MakeDatabase({{"N", 5, 1, "N"}}));
  EXPECT_EQ(w.RECNO(), "Record");
  int shown = 0;
  modDlg::SetShownHook([&](QDialog* d) {
    ++shown;
    d->reject();
  });
  for (QAction* a : {w.mnuSearchRecord, w.mnuGotoRecord, w.mnuPrint}) a->trigger();
  modDlg::SetShownHook({});
  EXPECT_EQ(shown, 0);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  w.cTBarBtn[12]->click();  // New
  Type(1, "42");
  w.cTBarBtn[14]->click();  // Cancel
  EXPECT_EQ(w.Mode, 1);
  EXPECT_FALSE(w.NewRecord);
  EXPECT_EQ(w.lblRecNo->text(), "Record");
  EXPECT_EQ(modDB::GetRecordText(), std::string(6, ' '));
  EXPECT_EQ(StoredCount(), 0);
}

TEST_F(EntryTest, ExampleFormScreenshots) {
  frmEdit& w = OpenExample("Contacts.Qfd");  // a copy, so that nothing changes the example
  EXPECT_EQ(w.Mode, 1);
  qfgui::Shot(&w, "entry-browse");
  w.mnuEditRecord->trigger();
  qfgui::Shot(&w, "entry-edit");
  w.mnuNextPage->trigger();
  qfgui::Shot(&w, "entry-edit-page2");
  w.mnuCancelUpdate->trigger();
}

// The previous-page and next-page buttons differ in most of what they draw, even at
// the toolbar's 16 pixels.
TEST_F(EntryTest, PageButtonsReadApart) {
  const QImage prev = ToolbarIcons::Icon(8).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage next = ToolbarIcons::Icon(9).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(prev.size(), next.size());
  int drawn = 0, differ = 0;
  for (int y = 0; y < prev.height(); ++y) {
    for (int x = 0; x < prev.width(); ++x) {
      const QRgb a = prev.pixel(x, y), b = next.pixel(x, y);
      if (qAlpha(a) < 64 && qAlpha(b) < 64) continue;
      ++drawn;
      const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
                    std::abs(qAlpha(a) - qAlpha(b));
      if (d > 150) ++differ;
    }
  }
  EXPECT_GT(drawn, 60);
  EXPECT_GT(differ * 2, drawn) << differ << " of " << drawn << " pixels differ";
}

// The entry window's modes, pages, position text, opening and closing.
#include "tests/entry/EntryFixture.h"

#include "entry/FieldFormat.h"
#include "entry/ToolbarIcons.h"

using namespace qfentry;

namespace {

// The enabled state of toolbar buttons 0 … 15, or of the menu entries given, as a
// string of 0s and 1s.
std::string Buttons(frmEdit& w) {
  std::string s;
  for (QToolButton* b : w.cTBarBtn) s += b->isEnabled() ? '1' : '0';
  return s;
}
std::string Enabled(std::initializer_list<QAction*> actions) {
  std::string s;
  for (QAction* a : actions) s += a->isEnabled() ? '1' : '0';
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
  EXPECT_EQ(std::tuple(w.Mode, Buttons(w), w.windowTitle()), std::tuple(0, "1000000000000000", ""));
  // Open and Exit, then every other entry.
  EXPECT_EQ(Enabled({w.mnuOpen, w.mnuExitProgram, w.mnuClose, w.mnuPack, w.mnuPrint, w.mnuExport, w.mnuEditRecord,
                     w.mnuUpdateRecord, w.mnuCancelUpdate, w.mnuNewRecord, w.mnuDuplicateRecord, w.mnuSearchRecord,
                     w.mnuDeleteRecord, w.mnuTime, w.mnuDate, w.mnuGotoRecord, w.mnuNextRecord, w.mnuPreviousRecord,
                     w.mnuFirstRecord, w.mnuLastRecord, w.mnuNextPage, w.mnuPreviousPage}),
            "11" + std::string(20, '0'));
  // No page menu, position or action menu.
  EXPECT_FALSE(w.mnuPage->menuAction()->isVisible() || !w.lblRecNo->isHidden() ||
               w.mnuAction0->menuAction()->isVisible());
}

TEST_F(EntryTest, OnePageFormModesAndClose) {
  const std::string file = MakeDatabase({{"Name", 20, 1, "AS"}, {"Code", 5, 1, "N"}}, {{"Ann", "1"}}, 1);
  frmEdit& w = Open("\"" + file + "\"");  // quotes around the path are dropped
  EXPECT_EQ(std::tuple(w.windowTitle(), w.Mode, Buttons(w), w.lblRecNo->text()),
            std::tuple("Test.Qfd", 1, "0111111100111001", " 1 / 1"));
  EXPECT_FALSE(w.mnuPage->menuAction()->isVisible() || w.lblRecNo->isHidden());
  EXPECT_EQ(Enabled({w.mnuPack, w.mnuClose, w.mnuNextPage, w.mnuPreviousPage, w.mnuOpen, w.mnuUpdateRecord, w.mnuDate}),
            "1100000");
  // Browse mode: every field a caption.
  EXPECT_EQ(std::tuple(w.Field[1]->isHidden(), w.Dummy[1]->isHidden(), w.Dummy[1]->text()),
            std::tuple(true, false, "Ann"));

  w.cTBarBtn[11]->click();  // Edit
  EXPECT_EQ(std::tuple(w.Mode, Buttons(w)), std::tuple(2, "0000000000000110"));
  EXPECT_FALSE(w.mnuNextPage->isVisible() || w.mnuPreviousPage->isVisible());  // hidden on a one-page form
  EXPECT_EQ(Enabled({w.mnuExitProgram, w.mnuClose, w.mnuPack, w.mnuUpdateRecord, w.mnuCancelUpdate, w.mnuDate,
                     w.mnuTime}),
            "0001111");
  EXPECT_TRUE(w.mnuAction0->isEnabled());
  EXPECT_EQ(std::tuple(w.Field[1]->isHidden(), BoxText(1)), std::tuple(false, "Ann"));
  EXPECT_EQ(QApplication::focusWidget(), w.Field[1]);  // the page's first box

  // Closing the window while editing does nothing; Cancel drops the edits.
  Type(1, "zz");
  EXPECT_FALSE(w.close());
  EXPECT_TRUE(w.isVisible());
  w.cTBarBtn[14]->click();  // Cancel
  EXPECT_EQ(std::tuple(w.Mode, Buttons(w), w.Dummy[1]->text()), std::tuple(1, "0111111100111001", "Ann"));

  // Close resets the window: no title, no captions or banners, deletion allowed again.
  EXPECT_FALSE(w.Banner[1]->isHidden());
  w.AllowDelete = false;
  w.mnuClose->trigger();
  EXPECT_EQ(std::tuple(w.Mode, w.windowTitle(), w.AllowDelete, modDB::GetFileNumber(), Buttons(w)),
            std::tuple(0, "", true, 0, "1000000000000000"));
  EXPECT_TRUE(w.Banner[1]->isHidden() && w.Dummy[1]->isHidden());

  // A form of two pages opened next offers Next Page and Previous Page again, and
  // their keys turn the pages; F2 and F7 edit and cancel.
  std::filesystem::remove(file);
  ASSERT_TRUE(w.StartUp(MakeDatabase({{"A", 5, 1, "A"}, {"B", 5, 2, "A"}}, {{"a", "b"}})));
  QTest::keyClick(&w, Qt::Key_F2);
  EXPECT_EQ(std::tuple(w.Mode, w.mnuNextPage->isVisible(), w.mnuPreviousPage->isVisible()), std::tuple(2, true, true));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F7);
  EXPECT_EQ(w.Mode, 1);
  QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(std::tuple(w.CurPage, w.Dummy[2]->text()), std::tuple(2, "b"));
  QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(w.CurPage, 1);
}

TEST_F(EntryTest, MultiPageFormModesAndPages) {
  const std::string file = MakeDatabase({{"A", 10, 1, "A"}, {"B", 10, 2, "A"}, {"C", 10, 3, "A"}},
                                        {{"a1", "b1", "c1"}});
  modDB::SetPageHeading(2, "Second");
  frmEdit& w = Open(file);
  EXPECT_EQ(Buttons(w), "0111111111111001");
  // The page menu, with an entry for each page of the form.
  EXPECT_EQ(std::tuple(w.mnuPage->menuAction()->isVisible(), w.mnuNextPage->isEnabled(),
                       w.mnuPageHeading[3]->isVisible(), w.mnuPageHeading[4]->isVisible()),
            std::tuple(true, true, true, false));

  w.mnuEditRecord->trigger();
  EXPECT_EQ(std::tuple(Buttons(w), w.mnuNextPage->isVisible()), std::tuple("0000000011000110", true));
  Type(1, "xyz");
  w.cTBarBtn[9]->click();  // Next page
  EXPECT_EQ(std::tuple(w.CurPage, w.Field[1]->isHidden()), std::tuple(2, true));
  Type(2, "Q");
  w.mnuPageHeading[3]->trigger();
  EXPECT_EQ(w.CurPage, 3);
  Type(3, "R");
  for (int k = 0; k < 3; ++k) w.mnuPreviousPage->trigger();  // nothing before page 1
  EXPECT_EQ(std::tuple(w.CurPage, BoxText(1)), std::tuple(1, "a1xyz"));
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(w.Mode, 1);
  qftest::ExpectJson(Stored(1), {{"/Fields/A", "a1xyz"}, {"/Fields/B", "b1Q"}, {"/Fields/C", "c1R"}});
}

// The toolbar's Last, Next and Previous, and in browse mode Page Down / Page Up (with
// Ctrl: the last / first), step through the records and never past the ends; while
// editing a box keeps the page keys. Another program's new record is followed.
TEST_F(EntryTest, PositionTextAndNavigation) {
  frmEdit& w = Open(MakeDatabase({{"A", 10, 1, "AS", 60}}, {{"a"}, {"b"}, {"c"}}));
  EXPECT_EQ(w.RECNO(), " 1 / 3");
  const struct {
    int button;  // or -1: the key
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char *position, *shown;
  } steps[] = {
      {7, {}, {}, " 3 / 3", "c"}, {6, {}, {}, " 3 / 3", "c"}, {4, {}, {}, " 2 / 3", "b"},  // Last, Next, Previous
      {-1, Qt::Key_PageDown, Qt::NoModifier, " 3 / 3", "c"}, {-1, Qt::Key_PageDown, Qt::NoModifier, " 3 / 3", "c"},
      {-1, Qt::Key_PageUp, Qt::NoModifier, " 2 / 3", "b"},   {-1, Qt::Key_PageUp, Qt::ControlModifier, " 1 / 3", "a"},
      {-1, Qt::Key_PageDown, Qt::ControlModifier, " 3 / 3", "c"},
  };
  for (const auto& s : steps) {
    if (s.button < 0) QTest::keyClick(&w, s.key, s.mods);
    else w.cTBarBtn[s.button]->click();
    EXPECT_EQ(std::tuple(w.lblRecNo->text(), w.Dummy[1]->text()), std::tuple(s.position, s.shown)) << s.button << s.key;
  }
  w.mnuEditRecord->trigger();
  QTest::keyClick(w.Field[1], Qt::Key_PageUp);
  EXPECT_EQ(std::tuple(w.RECNO(), w.Mode), std::tuple(" 3 / 3", 2));
  w.mnuCancelUpdate->trigger();
  // Another program appends: the position text and Last follow the file.
  qftest::QfdOk({"add", dir / "Test", "A=d"});
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
  EXPECT_EQ(std::tuple(shown, host.Last()), std::tuple(0, ""));
  w.cTBarBtn[12]->click();  // New
  Type(1, "42");
  w.cTBarBtn[14]->click();  // Cancel
  EXPECT_EQ(std::tuple(w.Mode, w.NewRecord, w.lblRecNo->text(), modDB::GetRecordText(), StoredCount()),
            std::tuple(1, false, "Record", std::string(6, ' '), 0));
}

// The previous-page and next-page buttons differ in most of what they draw, even at
// the toolbar's 16 pixels.
TEST_F(EntryTest, PageButtonsReadApart) {
  const QImage prev = ToolbarIcons::Icon(8).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage next = ToolbarIcons::Icon(9).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(prev.size(), next.size());
  int drawn = 0, differ = 0;
  for (int y = 0; y < prev.height(); ++y)
    for (int x = 0; x < prev.width(); ++x) {
      const QRgb a = prev.pixel(x, y), b = next.pixel(x, y);
      if (qAlpha(a) < 64 && qAlpha(b) < 64) continue;
      ++drawn;
      const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
                    std::abs(qAlpha(a) - qAlpha(b));
      if (d > 150) ++differ;
    }
  EXPECT_GT(drawn, 60);
  EXPECT_GT(differ * 2, drawn) << differ << " of " << drawn << " pixels differ";
}

// Find and go-to from the entry window, and the record table: scrolling, sorting,
// picking.
#include "tests/entry/EntryFixture.h"

#include "engine/HeaderLayout.h"
#include "entry/frmBrowse.h"
#include "entry/frmSearch.h"
#include "entry/modBrowse.h"

using namespace qfentry;

namespace {

// A table over the open database with the given columns, shown and laid out.
struct Table {
  explicit Table(std::initializer_list<int16_t> columns) {
    modBrowse::ClearBrowseColumns();
    for (int16_t c : columns) modBrowse::IncludeBrowseColumn(c);
    modBrowse::BrowseFile = modDB::GetFileNumber();
    modBrowse::BrowseResult = 0;
    window = std::make_unique<frmBrowse>();
    window->show();
    QApplication::processEvents();
  }
  std::vector<int32_t> Order() const {
    return std::vector<int32_t>(window->RowOrder.begin() + 1, window->RowOrder.end());
  }
  QStringList Column(int k) const { return qfgui::ListTexts(window->lstCol[k]); }
  std::unique_ptr<frmBrowse> window;
};

}  // namespace

TEST_F(EntryTest, FindWalksForwardAcrossPagesWithoutWrapping) {
  const std::string file = MakeDatabase({{"A", 20, 1, "AS"}, {"B", 20, 2, "AS"}, {"C", 20, 2, "AS"}},
                                        {{"x", "Apple pie", ""}, {"pineAPPLE", "apple", ""},
                                         {"old apple", "", ""}, {"none", "", "apple"}});
  qftest::QfdOk({"delete", dir / "Test", "3"});  // record 3 is marked: it is found all the same
  frmEdit& w = Open(file);

  Through<frmSearch>(w.mnuSearchRecord, [&](frmSearch* d) {
    EXPECT_EQ(std::tuple(d->windowTitle(), qfgui::ListTexts(d->FldList)),
              std::tuple("Find", QStringList{"A", "B", "C"}));
    QTest::keyClicks(d->SearchStr, " apple ");
    // The page's first field comes chosen; with none chosen nothing happens.
    EXPECT_EQ(d->FldList->selectedItems(), QList<QListWidgetItem*>{d->FldList->item(0)});
    qfgui::ClickItem(d->FldList, 0);
    d->BtnSearch->click();
    EXPECT_EQ(std::tuple(d->SearchStr->isEnabled(), d->BtnSearch->text()), std::tuple(true, "Search"));
    qfgui::ClickItem(d->FldList, 0);
    qfgui::ClickItem(d->FldList, 1);
    d->BtnSearch->click();
    qfgui::ExpectTexts({{d->SearchStr, "APPLE"}, {d->BtnSearch, "Again"}});
    EXPECT_FALSE(d->SearchStr->isEnabled() || d->FldList->isEnabled());
    EXPECT_EQ(std::tuple(w.RECNO(), w.CurPage), std::tuple(" 1 / 4", 2));  // the hit was in B, on page 2
    d->BtnSearch->click();
    EXPECT_EQ(std::tuple(w.RECNO(), w.CurPage), std::tuple(" 2 / 4", 1));  // A and B both match: the lower slot decides
    d->BtnSearch->click();
    EXPECT_EQ(w.RECNO(), " 3 / 4*");
    d->BtnSearch->click();  // record 4 matches only in C, which is not chosen
    EXPECT_FALSE(d->isVisible());
  });
  ExpectBox(": No more records.", modDB::vbOKOnly);
  EXPECT_EQ(std::tuple(w.PickedRecord, w.RECNO()), std::tuple(4, " 4 / 4"));  // the last record the walk read
}

// Find opens with the field last typed in chosen; after a hit Enter means "Again",
// and the dialog stands clear of the field found.
TEST_F(EntryTest, FindChoosesTheLastFieldAndEnterGoesOn) {
  frmEdit& w = Open(MakeDatabase({{"A", 20, 1, "AS"}, {"B", 20, 1, "AS"}},
                                 {{"x", "red"}, {"y", "blue"}, {"z", "reddish"}}));
  w.mnuEditRecord->trigger();
  w.Field[2]->setFocus();
  w.mnuCancelUpdate->trigger();
  Through<frmSearch>(w.mnuSearchRecord, [&](frmSearch* d) {
    EXPECT_EQ(d->FldList->selectedItems(), QList<QListWidgetItem*>{d->FldList->item(1)});
    d->move(w.Dummy[2]->mapToGlobal(QPoint(0, 0)));  // right over the field
    d->SearchStr->setFocus();
    QTest::keyClicks(d->SearchStr, "red");
    QTest::keyClick(d->SearchStr, Qt::Key_Return);
    EXPECT_EQ(w.RECNO(), " 1 / 3");
    const QRect field(w.Dummy[2]->mapToGlobal(QPoint(0, 0)), w.Dummy[2]->size());
    EXPECT_FALSE(d->frameGeometry().intersects(field));
    EXPECT_EQ(QApplication::focusWidget(), d->BtnSearch);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(w.RECNO(), " 3 / 3");
    d->BtnCancel->click();
  });
  // Cancel keeps the record found; the toolbar's Find opens the dialog too.
  qfgui::OnShown<frmSearch>([&](frmSearch* d) { d->BtnCancel->click(); });
  w.cTBarBtn[10]->click();
  EXPECT_EQ(std::tuple(w.PickedRecord, w.Dummy[2]->text()), std::tuple(3, "reddish"));
}

TEST_F(EntryTest, GotoLeavesOutHiddenFieldsAndPicks) {
  const std::string file = MakeDatabase({{"Name", 20, 1, "AS"}, {"Secret", 20, 1, "AH"}, {"City", 20, 2, "A"}},
                                        {{"Ann", "s1", "Rome"}, {"Bob", "s2", "Oslo"}, {"Cy", "s3", "Pisa"}});
  ASSERT_EQ(qftest::QfdOk({"delete", dir / "Test", "3"}).status, 0);
  frmEdit& w = Open(file);
  w.mnuNextPage->trigger();
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    EXPECT_EQ(t->windowTitle(), "Select");
    ASSERT_EQ(t->lblCol.size(), 3u);
    qfgui::ExpectTexts({{t->lblCol[0], "RECNO"}, {t->lblCol[1], "Name"}, {t->lblCol[2], "City"}});
    // Record 3 marked for deletion.
    EXPECT_EQ(std::tuple(t->lstCol[2]->item(2)->text(), t->lstCol[0]->item(2)->text()), std::tuple("Pisa", "3*"));
    qfgui::DblClickItem(t->lstCol[1], 2);
  });
  // The page does not change.
  EXPECT_EQ(std::tuple(w.RECNO(), w.CurPage, w.Dummy[3]->text()), std::tuple(" 3 / 3*", 2, "Pisa"));

  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    qfgui::ClickItem(t->lstCol[1], 0);
    QTest::keyClick(t->lstCol[0], Qt::Key_Escape);
  });
  EXPECT_EQ(std::tuple(modBrowse::BrowseResult, w.RECNO()), std::tuple(0, " 3 / 3*"));
}

TEST_F(EntryTest, EveryFieldHiddenLeavesOnlyTheRecordNumbers) {
  frmEdit& w = Open(MakeDatabase({{"A", 5, 1, "H"}}, {{"a"}}));
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    EXPECT_EQ(std::tuple(t->lblCol.size(), t->lstCol[0]->item(0)->text(), t->HSBar->isEnabled()),
              std::tuple(1u, "1", false));
    QTest::keyClick(t->lstCol[0], Qt::Key_Down);
    QTest::keyClick(t->lstCol[0], Qt::Key_Return);
  });
  EXPECT_EQ(modBrowse::BrowseResult, 1);
}

// The table opens on the current record's row: Enter keeps the user's place. The
// wheel scrolls the rows. Down, Page Down and End go past the rows in view, scrolling
// the table; Up, Page Up and Home come back. Typing the start of a value jumps in the
// first column shown.
TEST_F(EntryTest, TableOpensOnTheCurrentRowAndItsKeysAndWheelReachEveryRow) {
  std::vector<std::vector<std::string>> many;
  for (int i = 1; i <= 40; ++i) many.push_back({"r" + std::to_string(i), i == 33 ? "Zeta" : "Alpha"});
  frmEdit& w = Open(MakeDatabase({{"A", 5, 1, "A"}, {"Name", 10, 1, "AS"}}, many));
  w.mnuLastRecord->trigger();
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    EXPECT_EQ(std::tuple(t->SelectedRow(), t->lstCol[1]->selectedItems().value(0)->text()), std::tuple(40, "r40"));
    QTest::keyClick(t->lstCol[0], Qt::Key_Return);
  });
  EXPECT_EQ(std::tuple(modBrowse::BrowseResult, w.RECNO()), std::tuple(40, " 40 / 40"));
  w.mnuFirstRecord->trigger();
  qfgui::OnShown<frmBrowse>([&](frmBrowse* t) {
    QApplication::setActiveWindow(t);
    EXPECT_TRUE(QTest::qWaitForWindowActive(t));
    QApplication::processEvents();
    EXPECT_EQ(std::tuple(t->SelectedRow(), t->TopRow), std::tuple(1, 1));
    const int lines = QApplication::wheelScrollLines();
    QWidget* v = t->lstCol[1]->viewport();
    auto turn = [&](int delta) {
      QWheelEvent e(QPointF(5, 5), v->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(v, &e);
    };
    turn(-120);
    EXPECT_EQ(std::tuple(t->TopRow, t->lstCol[0]->item(0)->text(), t->lstCol[1]->item(0)->text()),
              std::tuple(1 + lines, QString::number(1 + lines), QString("r%1").arg(1 + lines)));
    // Half a notch waits for the other half; the rows stop at the first.
    for (auto [delta, top] : {std::pair(-60, 1 + lines), {-60, 1 + 2 * lines}, {3 * 120, 1}}) {
      turn(delta);
      EXPECT_EQ(t->TopRow, top) << delta;
    }
    QTest::keyClick(t->lstCol[0], Qt::Key_Down);
    EXPECT_EQ(std::tuple(t->lstCol[1]->selectedItems().size(), t->lstCol[1]->currentRow()), std::tuple(1, 0));
    QTest::keyClick(t->lstCol[0], Qt::Key_Escape);
  });
  w.mnuGotoRecord->trigger();
  EXPECT_EQ(std::tuple(modBrowse::BrowseResult, w.RECNO()), std::tuple(0, " 1 / 40"));
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    QListWidget* list = t->lstCol[0];
    const int32_t page = t->RowsShown();
    ASSERT_GT(page, 2);
    ASSERT_LT(page, 38);
    auto shown = [&] { return t->lstCol[1]->selectedItems().value(0) ? t->lstCol[1]->selectedItems()[0]->text() : ""; };
    for (int32_t k = 1; k <= page + 2; ++k) QTest::keyClick(list, Qt::Key_Down);
    // The selected row is the last one in view.
    EXPECT_EQ(std::tuple(t->SelectedRow(), shown(), t->TopRow), std::tuple(page + 3, QString("r%1").arg(page + 3), 4));
    // Each key: the row selected, its value, the top row in view (0: not checked).
    const struct {
      Qt::Key key;
      int32_t row, top;
    } keys[] = {{Qt::Key_PageDown, 2 * page + 3, 0}, {Qt::Key_End, 40, 0},         {Qt::Key_Down, 40, 0},
                {Qt::Key_PageUp, 40 - page, 40 - page}, {Qt::Key_Home, 1, 1}, {Qt::Key_Up, 1, 0}};
    for (const auto& k : keys) {
      QTest::keyClick(list, k.key);
      EXPECT_EQ(std::tuple(t->SelectedRow(), shown(), k.top ? t->TopRow : 0),
                std::tuple(k.row, QString("r%1").arg(k.row), k.top)) << k.key;
    }
    // Typing looks up the first column shown, sorted or not, else the record number.
    QTest::keyClicks(list, "r12");
    EXPECT_EQ(shown(), "r12");
    QTest::qWait(1100);  // a pause starts a new value
    QTest::keyClicks(list, "37");
    EXPECT_EQ(shown(), "r37");
    QTest::mouseClick(t->lblCol[2], Qt::LeftButton);
    ASSERT_NE(t->SortMark, nullptr);  // the sorted column's heading shows an arrow
    EXPECT_EQ(t->SortMark->parentWidget(), t->lblCol[2]);
    EXPECT_EQ(std::tuple(t->SortMark->isVisible(), t->lblCol[2]->text()), std::tuple(true, "Name"));
    t->HSBar->setValue(2);  // Name first
    list->setFocus();
    QTest::keyClicks(list, "ze");
    EXPECT_EQ(std::tuple(t->SelectedRow(), shown()), std::tuple(40, "r33"));  // Zeta sorts last
    QTest::keyClick(list, Qt::Key_Return);
  });
  EXPECT_EQ(std::tuple(modBrowse::BrowseResult, w.RECNO()), std::tuple(33, " 33 / 40"));
}

TEST_F(EntryTest, TableSortsAsNumberTextAndDateAndTrimsItsCells) {
  MakeDatabase({{"Num", 6, 1, "N"}, {"Txt", 6, 1, "A"}, {"Day", 10, 1, "D"}, {"Star", 6, 1, "*N"},
                {"Calc", 12, 1, "=D"}, {"Memo", 20, 1, "*M"}},
               {{"10", "10", "01/02/2020", "10", "", "ab  \r\ncd  "},
                {"9", "9", "", "9", "05/05/2005", "  lead  "},
                {"word", "word", "31/12/1999", "word", "01/01/2001", ""}});
  OpenInEngine();
  Table t({1, 2, 3, 4, 5, 6});
  // Number: the word first, then 9, then 10. Text: "10" < "9" < "word". Date: empty
  // first, 1999, 2020. "*" sorts as text whatever else the format says.
  const struct {
    int column, kind;
    std::vector<int32_t> order;
  } sorts[] = {{1, 2, {3, 2, 1}}, {2, 1, {1, 2, 3}}, {3, 3, {2, 3, 1}}, {4, 1, {1, 2, 3}}, {5, 3, {1, 3, 2}}};
  for (const auto& s : sorts) {
    t.window->SortBy(s.column);
    EXPECT_EQ(std::tuple(t.window->SortKind, t.Order()), std::tuple(s.kind, s.order)) << s.column;
  }
  // A click on a heading sorts, the record numbers shown with their rows; "RECNO"
  // gives the file order back.
  QTest::mouseClick(t.window->lblCol[1], Qt::LeftButton);
  EXPECT_EQ(std::tuple(t.Order(), t.Column(0)), std::tuple(std::vector<int32_t>{3, 2, 1}, QStringList{"3", "2", "1"}));
  QTest::mouseClick(t.window->lblCol[0], Qt::LeftButton);
  EXPECT_EQ(std::tuple(t.Order(), t.Column(0)), std::tuple(std::vector<int32_t>{1, 2, 3}, QStringList{"1", "2", "3"}));
  // A cell loses its trailing blanks first and is then cut at its first line break,
  // so blanks before the break stay; leading blanks stay too.
  EXPECT_EQ(t.Column(6), (QStringList{"ab  ", "  lead", ""}));
  qfgui::Shot(t.window.get(), "entry-browse-table");
}

namespace {

// The table's sort as first written: every comparison reads both cells from the file
// and keys them again; both parts sorted by calls, the lower one first.
void ReferenceSort(const frmBrowse& t, std::vector<int32_t>& order, int32_t lo, int32_t hi) {
  const int16_t slot = modBrowse::BrowseColumns[t.SortColumn];
  auto cell = [&](int32_t row) { return t.GetCell(order[row], slot); };
  auto key = [&](const std::string& c) {
    return t.SortKind == 2 ? frmBrowse::NumberKey(c) : frmBrowse::DateKey(c, t.BrowseHeader.DateOrder);
  };
  auto less = [&](const std::string& a, const std::string& b) { return t.SortKind == 1 ? a < b : key(a) < key(b); };
  int32_t i = lo, j = hi;
  const int32_t mid = static_cast<int32_t>(modLIB::RoundHalfEven((static_cast<double>(lo) + hi) / 2));
  const std::string pivot = cell(mid);
  while (i <= j) {
    while (less(cell(i), pivot) && i < hi) ++i;
    while (less(pivot, cell(j)) && j > lo) --j;
    if (i <= j) {
      std::swap(order[i], order[j]);
      ++i;
      --j;
    }
  }
  if (lo < j) ReferenceSort(t, order, lo, j);
  if (i < hi) ReferenceSort(t, order, i, hi);
}

}  // namespace

// Ties, blanks, words among numbers, invalid dates and times: the in-memory sort puts
// the rows in exactly the order of the sort that read the file at every comparison.
TEST_F(EntryTest, TableSortKeepsTheOrderOfTheFileSort) {
  const char* texts[] = {"", "b", "B", "b", "a b", "a", "ab", "  lead", "Zed", "z", "b", "\xe9t\xe9", "10", "9"};
  const char* numbers[] = {"", "10", "9", "-3", "word", "1,000", " 12", "10", "1e3", "-0", "0", "12a", ".5", "10"};
  const char* dates[] = {"", "01/02/2020", "31/02/2020", "01/02/2020", "12:00", "2000-01-01", "x",
                         "01/01/1800", "29/02/2000 06:00", "01/02/2020", "", "28/02/2000"};
  std::vector<std::vector<std::string>> rows;
  uint32_t r = 12345;
  auto next = [&r] { return r = r * 1103515245u + 12345u, (r >> 16) & 0x7FFF; };
  for (int n = 0; n < 333; ++n)
    rows.push_back({texts[next() % 14], numbers[next() % 14], dates[next() % 12], numbers[next() % 14]});
  MakeDatabase({{"Txt", 10, 1, "*"}, {"Num", 10, 1, "N"}, {"Day", 20, 1, "D"}, {"Word", 10, 1, "A"}}, rows);
  OpenInEngine();
  Table t({1, 2, 3, 4});
  for (int k = 1; k <= 4; ++k) {
    t.window->SortBy(k);
    std::vector<int32_t> expected(rows.size() + 1);
    for (size_t m = 0; m < expected.size(); ++m) expected[m] = static_cast<int32_t>(m);
    ReferenceSort(*t.window, expected, 1, static_cast<int32_t>(rows.size()));
    EXPECT_EQ(t.window->RowOrder, expected) << "column " << k << ", kind " << int(t.window->SortKind);
  }
}

TEST(BrowseKeys, NumbersAndDates) {
  const struct {
    const char* text;
    double key;
  } numbers[] = {{" 12.5 ", 12.5}, {"-3", -3},     {"1,000", 1000}, {"1e3", 1000},
                 {"", -1e40},      {"12a", -1e40}, {".", -1e40}};
  for (const auto& c : numbers) EXPECT_EQ(frmBrowse::NumberKey(c.text), c.key) << c.text;
  const struct {
    const char* text;
    int order;  // 2: month first
    double key;
  } dates[] = {{"31/12/1899", 1, 1},     {"30/12/1899", 1, 0},      {"01/01/2000", 1, 36526},
               {"13/01/2000", 2, 0},     {"02/01/2000", 2, 36557},  {"2000-01-01", 1, 36526},
               {"06:00:00", 1, 0.25},    {"31/02/2000", 1, 0},      {"soon", 1, 0},
               {"01/01/2000 12:00:00", 1, 36526.5}};
  for (const auto& c : dates) EXPECT_DOUBLE_EQ(frmBrowse::DateKey(c.text, c.order), c.key) << c.text;
}

// Every one of 65,530 records can be reached; the scroll bars follow what fits, and a
// window too small for a row still pages by one.
TEST_F(EntryTest, EveryOneOf65530RecordsIsReachableAndTheScrollBarsFollowWhatFits) {
  const std::string file = MakeDatabase({{"N", 5, 1, "N"}});
  // 65,530 records written straight into the file: count at offset 0.
  std::string bytes = qftest::WithI32(qftest::ReadFile(file), 0, 65530);
  for (int i = 1; i <= 65530; ++i) {
    std::string n = std::to_string(i);
    bytes += ' ' + n + std::string(5 - n.size(), ' ');
  }
  qftest::WriteFile(file, bytes);

  frmEdit& w = Open(file);
  Through<frmBrowse>(w.mnuGotoRecord, [&](frmBrowse* t) {
    // Every column fits.
    EXPECT_EQ(std::tuple(t->HSBar->isEnabled(), t->VSBar->isEnabled(), t->VSBar->maximum()),
              std::tuple(false, true, 65530));
    const int32_t rows = t->RowsShown();
    EXPECT_TRUE(rows > 3 && rows < 40) << rows;
    // The row that does not fit is shown, not counted.
    EXPECT_EQ(std::tuple(t->VSBar->pageStep(), t->lstCol[0]->count()), std::tuple(rows, rows + 1));
    t->VSBar->setValue(10);
    EXPECT_EQ(t->lstCol[0]->item(0)->text(), "10");
    QFont big = t->font();
    big.setPointSize(72);
    t->setFont(big);
    t->resize(120, 100);
    QApplication::processEvents();
    EXPECT_EQ(std::tuple(t->RowsShown(), t->VSBar->pageStep()), std::tuple(0, 1));
    t->VSBar->setValue(t->VSBar->maximum());
    ASSERT_GE(t->lstCol[0]->count(), 1);
    EXPECT_EQ(t->lstCol[0]->item(0)->text() + "|" + t->lstCol[1]->item(0)->text(), "65530|65530");
    qfgui::DblClickItem(t->lstCol[0], 0);
  });
  EXPECT_EQ(std::tuple(w.RECNO(), w.Dummy[1]->text()), std::tuple(" 65530 / 65530", "65530"));
}

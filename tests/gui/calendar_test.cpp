// The calendar: opening date, the Monday-first grid, the highlight, the month and
// year buttons with their limits, and picking in both date orders.

#include "common/frmGetDate.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

class Calendar : public GuiTest {
 protected:
  // The cells' texts, 1 … 42 ("" for a blank cell).
  static QStringList Cells(frmGetDate* w) {
    QStringList out;
    for (int k = 1; k <= 42; ++k) out << w->lblDay[k]->text();
    return out;
  }
  static int CellOf(frmGetDate* w, int day) { return Cells(w).indexOf(QString::number(day)) + 1; }
  static int LastDay(frmGetDate* w) { return (Cells(w).filter(QRegularExpression(".")).last()).toInt(); }
  // The cells highlighted (bold and red), as day numbers.
  static QStringList HighlightedDays(frmGetDate* w) {
    QStringList out;
    for (int k = 1; k <= 42; ++k)
      if (w->lblDay[k]->font().bold() && w->lblDay[k]->styleSheet().contains("255, 0, 0")) out << w->lblDay[k]->text();
    return out;
  }
  // Opens the calendar on `text` in date `order` at `left`, `top` (twips), runs `drive`
  // on it; the date text after.
  static std::string Pick(const std::string& text, int order, std::function<void(frmGetDate*)> drive, int left = 0,
                          int top = 0) {
    modDlg::DateText = text;
    OnShown<frmGetDate>(drive);
    modDlg::ShowDatePicker(left, top, static_cast<int16_t>(order));
    return modDlg::DateText;
  }
  static void Press(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
};

TEST_F(Calendar, OpensOnTheDateHeldOrTodayAndADoubleClickPicksInTheDateOrder) {
  const std::string kept = Pick("31/12/2020", 1, [&](frmGetDate* w) {
    EXPECT_EQ(w->windowTitle(), "Date");
    EXPECT_EQ(w->pos(), QPoint(modLIB::TwipsToPixelsX(1500), modLIB::TwipsToPixelsY(3000)));
    ExpectTexts({{w->lblMonth, "Dec"}, {w->lblYear, "2020"}});
    QString heads;
    for (int i = 1; i <= 7; ++i) heads += w->lblDayOfWeek[i]->text();
    EXPECT_EQ(heads, "MTWTFSS");
    // 1 December 2020 was a Tuesday.
    EXPECT_EQ(Cells(w).mid(0, 3), QStringList({"", "1", "2"}));
    EXPECT_EQ(std::tuple(CellOf(w, 31), HighlightedDays(w)), std::tuple(32, QStringList{"31"}));
    // 3-pixel gaps across and down.
    const QRect c1 = w->lblDay[1]->geometry(), c2 = w->lblDay[2]->geometry(), c8 = w->lblDay[8]->geometry();
    EXPECT_EQ(std::tuple(QPoint(c2.left() - c1.right() - 1, c8.top() - c1.bottom() - 1), c8.left(),
                         w->lblDayOfWeek[2]->geometry().left() - w->lblDayOfWeek[1]->geometry().right() - 1),
              std::tuple(QPoint(3, 3), c1.left(), 3));
    Shot(w, "frmGetDate");
  }, 1500, 3000);
  // Closed without a pick: the date text stays.
  EXPECT_EQ(std::tuple(QPoint(modDlg::DatePickerLeft, modDlg::DatePickerTop), kept),
            std::tuple(QPoint(1500, 3000), "31/12/2020"));

  // A text that is no date opens on today.
  const QDate today = QDate::currentDate();
  for (const char* text : {"", "31/02/2021", "2020-12-31"}) {
    const std::string after = Pick(text, 1, [&](frmGetDate* w) {
      EXPECT_EQ(std::tuple(w->lblMonth->text().toStdString(), w->lblYear->text(), HighlightedDays(w)),
                std::tuple(modLIB::MonthName(static_cast<int16_t>(today.month())), QString::number(today.year()),
                           QStringList{QString::number(today.day())})) << text;
    });
    EXPECT_EQ(after, text);
  }

  // Day first: a day closes with dd/mm/yyyy (March 2021 starts on a Monday: cell 1 is
  // the 1st); a blank cell does nothing.
  EXPECT_EQ(Pick("10/03/2021", 1, [&](frmGetDate* w) {
              QTest::mouseDClick(w->lblDay[1], Qt::LeftButton);
              EXPECT_FALSE(w->isVisible());
            }),
            "01/03/2021");
  EXPECT_EQ(Pick("10/03/2021", 1, [&](frmGetDate* w) {
              QTest::mouseDClick(w->lblDay[42], Qt::LeftButton);
              EXPECT_TRUE(w->isVisible());
              Press(w->cmdYBack);
              QTest::mouseDClick(w->lblDay[CellOf(w, 7)], Qt::LeftButton);
            }),
            "07/03/2020");
  // Month first.
  EXPECT_EQ(Pick("03/10/2021", 2, [&](frmGetDate* w) {
              EXPECT_EQ(w->SelDay, 10);
              QTest::mouseDClick(w->lblDay[CellOf(w, 5)], Qt::LeftButton);
            }),
            "03/05/2021");
}

// The buttons, pressed in turn from the date held: the month and year shown after
// each, its last day, where its 1st stands, and the days highlighted (the selection
// only in its own month). Years stop at 1 and 9999.
TEST_F(Calendar, MonthAndYearButtonsKeepTheSelectionAndStopAtTheLimits) {
  struct Step {
    QPushButton* frmGetDate::*button;
    const char *month, *year;
    int last, first;
    QStringList highlighted;
  };
  const struct {
    const char* held;
    std::vector<Step> steps;
  } cases[] = {
      {"15/01/2000",
       {{&frmGetDate::cmdNext, "Feb", "2000", 29, 2, {}},  // a leap year; the 1st a Tuesday
        {&frmGetDate::cmdBack, "Jan", "2000", 31, 6, {"15"}},
        {&frmGetDate::cmdBack, "Dec", "1999", 31, 3, {}},
        {&frmGetDate::cmdNext, "Jan", "2000", 31, 6, {"15"}},
        {&frmGetDate::cmdYBack, "Jan", "1999", 31, 5, {}}}},
      {"01/02/1901", {{&frmGetDate::cmdYBack, "Feb", "1900", 28, 4, {}}}},  // 1900 is no leap year
      {"01/01/0001",  // 1 January of year 1 was a Monday
       {{&frmGetDate::cmdBack, "Jan", "1", 31, 1, {"1"}}, {&frmGetDate::cmdYBack, "Jan", "1", 31, 1, {"1"}}}},
      {"31/12/9999", {{&frmGetDate::cmdNext, "Dec", "9999", 31, 3, {"31"}},
                      {&frmGetDate::cmdYNext, "Dec", "9999", 31, 3, {"31"}}}},
  };
  for (const auto& c : cases) {
    Pick(c.held, 1, [&](frmGetDate* w) {
      const QDate held(w->SelYear, w->SelMonth, w->SelDay);
      for (const Step& s : c.steps) {
        Press(w->*s.button);
        SCOPED_TRACE(std::string(c.held) + " then " + (w->*s.button)->objectName().toStdString());
        ExpectTexts({{w->lblMonth, s.month}, {w->lblYear, s.year}});
        EXPECT_EQ(std::tuple(LastDay(w), CellOf(w, 1), HighlightedDays(w)), std::tuple(s.last, s.first, s.highlighted));
      }
      EXPECT_EQ(QDate(w->SelYear, w->SelMonth, w->SelDay), held);  // the selection kept
    });
  }
}

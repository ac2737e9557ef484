// The calendar: opening date, the Monday-first grid, the highlight, the month and
// year buttons with their limits, and picking in both date orders.
#include <QDate>
#include <QLabel>
#include <QPushButton>

#include "common/frmGetDate.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

class Calendar : public GuiTest {
 protected:
  static bool Highlighted(QLabel* c) { return c->font().bold() && c->styleSheet().contains("255, 0, 0"); }
  static int HighlightCount(frmGetDate* w) {
    int n = 0;
    for (int k = 1; k <= 42; ++k) n += Highlighted(w->lblDay[k]);
    return n;
  }
  static int CellOf(frmGetDate* w, int day) {
    for (int k = 1; k <= 42; ++k)
      if (w->lblDay[k]->text() == QString::number(day)) return k;
    return 0;
  }
  static int LastDay(frmGetDate* w) {
    int last = 0;
    for (int k = 1; k <= 42; ++k)
      if (!w->lblDay[k]->text().isEmpty()) last = w->lblDay[k]->text().toInt();
    return last;
  }
};

TEST_F(Calendar, OpensOnTheDateHeldWithTheDayHighlighted) {
  modDlg::DateText = "31/12/2020";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    EXPECT_EQ(w->windowTitle(), "Date");
    EXPECT_EQ(w->pos(), QPoint(modLIB::TwipsToPixelsX(1500), modLIB::TwipsToPixelsY(3000)));
    ExpectTexts({{w->lblMonth, "Dec"}, {w->lblYear, "2020"}});
    QString heads;
    for (int i = 1; i <= 7; ++i) heads += w->lblDayOfWeek[i]->text();
    EXPECT_EQ(heads, "MTWTFSS");
    EXPECT_EQ(CellOf(w, 1), 2);  // 1 December 2020 was a Tuesday
    EXPECT_TRUE(w->lblDay[1]->text().isEmpty());
    EXPECT_EQ(CellOf(w, 31), 32);
    EXPECT_TRUE(Highlighted(w->lblDay[CellOf(w, 31)]));
    EXPECT_EQ(HighlightCount(w), 1);
    // 3-pixel gaps across and down.
    const QRect c1 = w->lblDay[1]->geometry(), c2 = w->lblDay[2]->geometry(), c8 = w->lblDay[8]->geometry();
    EXPECT_EQ(QPoint(c2.left() - c1.right() - 1, c8.top() - c1.bottom() - 1), QPoint(3, 3));
    EXPECT_EQ(c8.left(), c1.left());
    EXPECT_EQ(w->lblDayOfWeek[2]->geometry().left() - w->lblDayOfWeek[1]->geometry().right() - 1, 3);
    Shot(w, "frmGetDate");
  });
  modDlg::ShowDatePicker(1500, 3000, 1);
  EXPECT_EQ(QPoint(modDlg::DatePickerLeft, modDlg::DatePickerTop), QPoint(1500, 3000));
  // Closed without a pick: the date text stays.
  EXPECT_EQ(modDlg::DateText, "31/12/2020");
}

TEST_F(Calendar, InvalidOrEmptyTextOpensOnToday) {
  const QDate today = QDate::currentDate();
  for (const char* text : {"", "31/02/2021", "2020-12-31"}) {
    modDlg::DateText = text;
    OnShown<frmGetDate>([&](frmGetDate* w) {
      EXPECT_EQ(w->lblMonth->text().toStdString(), modLIB::MonthName(static_cast<int16_t>(today.month()))) << text;
      EXPECT_EQ(w->lblYear->text(), QString::number(today.year())) << text;
      EXPECT_TRUE(HighlightCount(w) == 1 && Highlighted(w->lblDay[CellOf(w, today.day())])) << text;
    });
    modDlg::ShowDatePicker(0, 0, 1);
    EXPECT_EQ(modDlg::DateText, text);
  }
}

TEST_F(Calendar, MonthAndYearButtonsKeepTheSelectionAndStopAtTheLimits) {
  modDlg::DateText = "15/01/2000";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->lblMonth->text(), "Feb");
    EXPECT_EQ(LastDay(w), 29);  // leap year 2000
    EXPECT_EQ(HighlightCount(w), 0);
    EXPECT_EQ(CellOf(w, 1), 2);  // 1 February 2000 was a Tuesday
    QTest::mouseClick(w->cmdBack, Qt::LeftButton);
    EXPECT_EQ(w->lblMonth->text(), "Jan");
    EXPECT_EQ(HighlightCount(w), 1);
    EXPECT_TRUE(Highlighted(w->lblDay[CellOf(w, 15)]));
    QTest::mouseClick(w->cmdBack, Qt::LeftButton);
    ExpectTexts({{w->lblMonth, "Dec"}, {w->lblYear, "1999"}});
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    EXPECT_EQ(w->lblYear->text(), "2000");
    // February 1900 is not a leap month.
    w->ShowMonth = 2;
    w->ShowYear = 1901;
    QTest::mouseClick(w->cmdYBack, Qt::LeftButton);
    ExpectTexts({{w->lblYear, "1900"}, {w->lblMonth, "Feb"}});
    EXPECT_EQ(LastDay(w), 28);
    QTest::mouseClick(w->cmdYNext, Qt::LeftButton);
    EXPECT_EQ(w->lblYear->text(), "1901");
    EXPECT_EQ(QDate(w->SelYear, w->SelMonth, w->SelDay), QDate(2000, 1, 15));  // the selection kept
  });
  modDlg::ShowDatePicker(0, 0, 1);
}

TEST_F(Calendar, FirstAndLastYearsStop) {
  modDlg::DateText = "01/01/0001";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    EXPECT_EQ(w->lblYear->text(), "1");
    EXPECT_EQ(CellOf(w, 1), 1);  // 1 January of year 1 was a Monday
    QTest::mouseClick(w->cmdBack, Qt::LeftButton);
    QTest::mouseClick(w->cmdYBack, Qt::LeftButton);
    ExpectTexts({{w->lblMonth, "Jan"}, {w->lblYear, "1"}});
  });
  modDlg::ShowDatePicker(0, 0, 1);
  modDlg::DateText = "31/12/9999";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QTest::mouseClick(w->cmdYNext, Qt::LeftButton);
    ExpectTexts({{w->lblMonth, "Dec"}, {w->lblYear, "9999"}});
    EXPECT_TRUE(Highlighted(w->lblDay[CellOf(w, 31)]));
  });
  modDlg::ShowDatePicker(0, 0, 1);
}

TEST_F(Calendar, DoubleClickPicksInTheDateOrder) {
  // Day first: a blank cell does nothing, a day closes with dd/mm/yyyy.
  modDlg::DateText = "10/03/2021";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    QTest::mouseDClick(w->lblDay[1], Qt::LeftButton);  // March 2021 starts on a Monday: cell 1 is the 1st
    EXPECT_FALSE(w->isVisible());
  });
  modDlg::ShowDatePicker(0, 0, 1);
  EXPECT_EQ(modDlg::DateText, "01/03/2021");

  modDlg::DateText = "10/03/2021";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    QTest::mouseDClick(w->lblDay[42], Qt::LeftButton);  // blank
    EXPECT_TRUE(w->isVisible());
    QTest::mouseClick(w->cmdYBack, Qt::LeftButton);
    QTest::mouseDClick(w->lblDay[CellOf(w, 7)], Qt::LeftButton);
  });
  modDlg::ShowDatePicker(0, 0, 1);
  EXPECT_EQ(modDlg::DateText, "07/03/2020");

  // Month first.
  modDlg::DateText = "03/10/2021";
  OnShown<frmGetDate>([&](frmGetDate* w) {
    EXPECT_EQ(w->SelDay, 10);
    QTest::mouseDClick(w->lblDay[CellOf(w, 5)], Qt::LeftButton);
  });
  modDlg::ShowDatePicker(0, 0, 2);
  EXPECT_EQ(modDlg::DateText, "03/05/2021");
}

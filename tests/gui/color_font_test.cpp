// The colour and font pickers: what they show at opening, what clicks and keys do,
// and what reaches the exchange members on Ok and on Cancel.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "GuiSupport.h"
#include "frmDlgClr.h"
#include "frmDlgFnt.h"

using namespace qfgui;

class ColorPicker : public GuiTest {};

TEST_F(ColorPicker, RoundTripAndLayoutOfTheSwatches) {
  modDlg::DialogColor = 0x00FFFFCC;
  QString caption, shown, label;
  QRect first, second, row2;
  int visible = 0;
  auto ran = OnShown<frmDlgClr>([&](frmDlgClr* w) {
    caption = w->windowTitle();
    shown = w->txtClr->text();
    label = w->lblHex->text();
    first = w->lblClr[1]->geometry();
    second = w->lblClr[2]->geometry();
    row2 = w->lblClr[17]->geometry();
    for (int k = 1; k <= 216; ++k) visible += w->lblClr[k]->isVisible();
    Shot(w, "frmDlgClr");
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  ASSERT_TRUE(*ran);
  EXPECT_EQ(modDlg::DialogTitle, "Select Color");
  EXPECT_EQ(caption, "Color");
  EXPECT_EQ(label, "Color ( Hex )");
  EXPECT_EQ(shown, "FFFFCC");
  EXPECT_EQ(modDlg::DialogColor, 0x00FFFFCC);
  EXPECT_EQ(visible, 216);
  const int w = modLIB::TwipsToPixelsX(195), h = modLIB::TwipsToPixelsY(195);
  EXPECT_EQ(first, QRect(modLIB::TwipsToPixelsX(60), modLIB::TwipsToPixelsY(60), w, h));
  EXPECT_EQ(second.left(), first.left() + w + 1);
  EXPECT_EQ(row2.topLeft(), QPoint(first.left(), first.top() + h + 1));
}

TEST_F(ColorPicker, SwatchClickAndTypedDigitsChooseTheColour) {
  modDlg::DialogColor = 0;
  // Pure red is red 255 (the 181st swatch: red level 5, green 0, blue 0), shown as 0000FF.
  QString afterRed, typed;
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    QTest::mouseClick(w->lblClr[181], Qt::LeftButton);
    afterRed = w->txtClr->text();
    w->txtClr->clear();
    QTest::keyClicks(w->txtClr, "g 1a-2b3c4d");  // g, blank, minus swallowed; letters upper-cased; 6 at most
    typed = w->txtClr->text();
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(afterRed, "0000FF");
  EXPECT_EQ(typed, "1A2B3C");
  EXPECT_EQ(modDlg::DialogColor, 0x001A2B3C);

  // Short texts are read as numbers: "FF" is red.
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    w->txtClr->clear();
    QTest::keyClicks(w->txtClr, "ff");
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(modDlg::DialogColor, 0x000000FF);
}

TEST_F(ColorPicker, CancelAndEmptyBoxChooseNothing) {
  modDlg::DialogColor = 0x00123456;
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    QTest::mouseClick(w->lblClr[2], Qt::LeftButton);
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(modDlg::DialogColor, 0x00123456);

  bool stillOpen = false;
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    w->txtClr->clear();
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    stillOpen = w->isVisible();
  });
  modDlg::ShowColorDialog();
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(modDlg::DialogColor, 0x00123456);
}

class FontPicker : public GuiTest {};

TEST_F(FontPicker, PreselectsIgnoringCaseAndFallsBackToTheFirstEntries) {
  modDlg::DialogFontName = "times roman";
  modDlg::DialogFontSize = 11;
  modDlg::DialogFontBold = 1;
  modDlg::DialogFontItalic = 0;
  QString caption, name, size;
  QStringList names, sizes;
  bool bold = false, italic = true;
  auto ran = OnShown<frmDlgFnt>([&](frmDlgFnt* w) {
    caption = w->windowTitle();
    name = w->lstFN->currentItem()->text();
    size = w->lstFS->currentItem()->text();
    for (int i = 0; i < w->lstFN->count(); ++i) names << w->lstFN->item(i)->text();
    for (int i = 0; i < w->lstFS->count(); ++i) sizes << w->lstFS->item(i)->text();
    bold = w->chkBold->isChecked();
    italic = w->chkItalic->isChecked();
    Shot(w, "frmDlgFnt");
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowFontDialog();
  ASSERT_TRUE(*ran);
  EXPECT_EQ(modDlg::DialogTitle, "Select Font");
  EXPECT_EQ(caption, "Select Font");
  EXPECT_EQ(name, "Times Roman");
  EXPECT_EQ(size, "8");
  EXPECT_TRUE(bold);
  EXPECT_FALSE(italic);
  EXPECT_EQ(names.join(','),
            "Arial,Arial Black,Comic Sans MS,Courier,Georgia,Impact,Lucida Console,Modern,Roman,Script,"
            "Symbol,Tahoma,Times Roman,Verdana,Webdings");
  EXPECT_EQ(sizes.join(','), "8,10,12,14,16,18,20,22,24,28,32,48,72");
  EXPECT_EQ(modDlg::DialogFontName, "Times Roman");
  EXPECT_EQ(modDlg::DialogFontSize, 8);
  EXPECT_EQ(modDlg::DialogFontBold, 1);
  EXPECT_EQ(modDlg::DialogFontItalic, 0);

  // A font the list does not have comes back as "Arial".
  modDlg::DialogFontName = "Garamond";
  modDlg::DialogFontSize = 24;
  OnShown<frmDlgFnt>([&](frmDlgFnt* w) { QTest::mouseClick(w->cmdOK, Qt::LeftButton); });
  modDlg::ShowFontDialog();
  EXPECT_EQ(modDlg::DialogFontName, "Arial");
  EXPECT_EQ(modDlg::DialogFontSize, 24);
}

TEST_F(FontPicker, ClicksChooseAndCancelKeepsEverything) {
  modDlg::DialogFontName = "Arial";
  modDlg::DialogFontSize = 10;
  modDlg::DialogFontBold = 0;
  modDlg::DialogFontItalic = 0;
  OnShown<frmDlgFnt>([&](frmDlgFnt* w) {
    ClickItem(w->lstFN, FindRow(w->lstFN, "Verdana"));
    ClickItem(w->lstFS, FindRow(w->lstFS, "18"));
    QTest::mouseClick(w->chkItalic, Qt::LeftButton);
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
  });
  modDlg::ShowFontDialog();
  EXPECT_EQ(modDlg::DialogFontName, "Arial");
  EXPECT_EQ(modDlg::DialogFontSize, 10);
  EXPECT_EQ(modDlg::DialogFontItalic, 0);

  OnShown<frmDlgFnt>([&](frmDlgFnt* w) {
    ClickItem(w->lstFN, FindRow(w->lstFN, "Courier"));
    ClickItem(w->lstFS, FindRow(w->lstFS, "72"));
    QTest::mouseClick(w->chkItalic, Qt::LeftButton);
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowFontDialog();
  EXPECT_EQ(modDlg::DialogFontName, "Courier");
  EXPECT_EQ(modDlg::DialogFontSize, 72);
  EXPECT_EQ(modDlg::DialogFontBold, 0);
  EXPECT_EQ(modDlg::DialogFontItalic, 1);
}

TEST(FormFonts, ListedNamesResolveToMetricCompatibleFaces) {
  App();
  // With the Liberation fonts installed, the form fonts keep their widths.
  const QFontInfo arial(Platform::FormFont("Arial", 10, false, false));
  const QFontInfo times(Platform::FormFont("Times Roman", 10, false, false));
  const QFontInfo courier(Platform::FormFont("Courier", 10, true, false));
  EXPECT_EQ(arial.family(), "Liberation Sans");
  EXPECT_EQ(times.family(), "Liberation Serif");
  EXPECT_EQ(courier.family(), "Liberation Mono");
  EXPECT_TRUE(courier.bold());
  EXPECT_EQ(arial.pointSize(), 10);
}

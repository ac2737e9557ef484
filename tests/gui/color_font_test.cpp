// The colour and font pickers: what they show at opening, what clicks and keys do,
// and what reaches the exchange members on Ok and on Cancel.

#include "common/frmDlgClr.h"
#include "common/frmDlgFnt.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

class ColorPicker : public GuiTest {};

TEST_F(ColorPicker, SwatchesTypedDigitsOkAndCancel) {
  modDlg::DialogColor = 0x00FFFFCC;
  OnShown<frmDlgClr>([&](frmDlgClr* d) {
    ExpectTexts({{d->lblHex, "Color (#RRGGBB)"}, {d->txtClr, "#CCFFFF"}});  // red CC, green FF, blue FF
    const auto shown = std::count_if(d->lblClr.begin() + 1, d->lblClr.end(), [](QLabel* l) { return l->isVisible(); });
    EXPECT_EQ(std::tuple(d->windowTitle(), d->lblSwatch->palette().color(QPalette::Window), shown),
              std::tuple("Color", QColor(0xCC, 0xFF, 0xFF), 216));
    const int w = modLIB::TwipsToPixelsX(195), h = modLIB::TwipsToPixelsY(195);
    const QRect first = d->lblClr[1]->geometry();
    EXPECT_EQ(first, QRect(modLIB::TwipsToPixelsX(60), modLIB::TwipsToPixelsY(60), w, h));
    EXPECT_EQ(d->lblClr[2]->geometry().left(), first.left() + w + 1);
    EXPECT_EQ(d->lblClr[17]->geometry().topLeft(), QPoint(first.left(), first.top() + h + 1));
    Shot(d, "frmDlgClr");
    QTest::mouseClick(d->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(std::tuple(modDlg::DialogTitle, modDlg::DialogColor), std::tuple("Select Color", 0x00FFFFCC));

  // A swatch's click and typed digits choose the colour; Cancel, or no colour typed, none.
  // Pure red is red 255 (the 181st swatch: red level 5, green 0, blue 0), shown as #FF0000.
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    QTest::mouseClick(w->lblClr[181], Qt::LeftButton);
    EXPECT_EQ(std::tuple(w->txtClr->text(), w->lblSwatch->palette().color(QPalette::Window)),
              std::tuple("#FF0000", QColor(255, 0, 0)));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(modDlg::DialogColor, 0x000000FF);  // stored as 0x00BBGGRR

  // Digits without "#" are read as BBGGRR, as they always were, short ones as numbers;
  // g, blank and minus are swallowed, letters upper-cased, 7 characters at most.
  const struct { const char* typed; int32_t color; } cases[] = {{"#0000FF", 0x00FF0000}, {"0000FF", 0x000000FF},
      {"1A2B3C", 0x001A2B3C}, {"ff", 0x000000FF}, {"g #1a-2b3c4d", 0x003C2B1A}};
  for (const auto& c : cases) {
    OnShown<frmDlgClr>([&](frmDlgClr* w) {
      w->txtClr->clear();
      QTest::keyClicks(w->txtClr, c.typed);
      QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    });
    modDlg::ShowColorDialog();
    EXPECT_EQ(modDlg::DialogColor, c.color) << c.typed;
  }

  // An empty box or "#" without six digits chooses nothing; nor does Cancel.
  modDlg::DialogColor = 0x00123456;
  OnShown<frmDlgClr>([&](frmDlgClr* w) {
    QTest::mouseClick(w->lblClr[2], Qt::LeftButton);
    for (const char* typed : {"", "#FFF", "#", "FF#"}) {
      w->txtClr->clear();
      QTest::keyClicks(w->txtClr, typed);
      QTest::mouseClick(w->cmdOK, Qt::LeftButton);
      EXPECT_TRUE(w->isVisible()) << typed;
    }
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
  });
  modDlg::ShowColorDialog();
  EXPECT_EQ(modDlg::DialogColor, 0x00123456);
}

class FontPicker : public GuiTest {
 protected:
  // The exchange members: name, size, bold, italic.
  static void SetFont(const char* name, int size, int bold, int italic) {
    modDlg::DialogFontName = name;
    modDlg::DialogFontSize = static_cast<int16_t>(size);
    modDlg::DialogFontBold = static_cast<uint8_t>(bold);
    modDlg::DialogFontItalic = static_cast<uint8_t>(italic);
  }
  static std::tuple<std::string, int, int, int> Font() {
    return {modDlg::DialogFontName, modDlg::DialogFontSize, modDlg::DialogFontBold, modDlg::DialogFontItalic};
  }
};

TEST_F(FontPicker, PreselectsIgnoringCaseClicksChooseCancelKeepsTheNamesResolveToMetricFaces) {
  SetFont("times roman", 11, 1, 0);
  OnShown<frmDlgFnt>([&](frmDlgFnt* w) {
    EXPECT_EQ(std::tuple(w->windowTitle(), w->lstFN->currentItem()->text(), w->lstFS->currentItem()->text(),
                         w->chkBold->isChecked(), w->chkItalic->isChecked()),
              std::tuple("Select Font", "Times Roman", "8", true, false));
    EXPECT_EQ(ListTexts(w->lstFN).join(','),
              "Arial,Arial Black,Comic Sans MS,Courier,Georgia,Impact,Lucida Console,Modern,Roman,Script,"
              "Symbol,Tahoma,Times Roman,Verdana,Webdings");
    EXPECT_EQ(ListTexts(w->lstFS).join(','), "8,10,12,14,16,18,20,22,24,28,32,48,72");
    Shot(w, "frmDlgFnt");
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowFontDialog();
  EXPECT_EQ(std::tuple(modDlg::DialogTitle, Font()), std::tuple("Select Font", std::tuple("Times Roman", 8, 1, 0)));

  // A font the list does not have comes back as "Arial".
  SetFont("Garamond", 24, 1, 0);
  OnShown<frmDlgFnt>([&](frmDlgFnt* w) { QTest::mouseClick(w->cmdOK, Qt::LeftButton); });
  modDlg::ShowFontDialog();
  EXPECT_EQ(Font(), std::tuple("Arial", 24, 1, 0));

  // Clicks choose; Cancel keeps everything.
  for (bool ok : {false, true}) {
    SetFont("Arial", 10, 0, 0);
    OnShown<frmDlgFnt>([&](frmDlgFnt* w) {
      ClickItem(w->lstFN, FindRow(w->lstFN, "Courier"));
      ClickItem(w->lstFS, FindRow(w->lstFS, "72"));
      QTest::mouseClick(w->chkItalic, Qt::LeftButton);
      QTest::mouseClick(ok ? w->cmdOK : w->cmdCancel, Qt::LeftButton);
    });
    modDlg::ShowFontDialog();
    EXPECT_EQ(Font(), ok ? std::tuple("Courier", 72, 0, 1) : std::tuple("Arial", 10, 0, 0));
  }
  // With the Liberation fonts installed, the form fonts keep their widths.
  const QFontInfo arial(Platform::FormFont("Arial", 10, false, false));
  const QFontInfo times(Platform::FormFont("Times Roman", 10, false, false));
  const QFontInfo courier(Platform::FormFont("Courier", 10, true, false));
  EXPECT_EQ(QStringList({arial.family(), times.family(), courier.family()}),
            QStringList({"Liberation Sans", "Liberation Serif", "Liberation Mono"}));
  EXPECT_TRUE(courier.bold() && arial.pointSize() == 10);
}

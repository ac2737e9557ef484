// The input box and the progress window, driven as a user would.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/frmDlgFile.h"
#include "common/frmInput.h"
#include "common/frmProgress.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

class InputBox : public GuiTest {};

// A screen reader reads each box by its caption; the input box's caption is its title.
TEST_F(InputBox, BoxesOfTheInputBoxAndTheFilePickerNamedByTheirCaptions) {
  modDlg::DialogTitle = "Password";
  frmInput input;
  EXPECT_EQ(BoxNames(&input), "txtStr=Password");
  modDlg::DialogTitle = "Open";
  frmDlgFile picker;
  EXPECT_EQ(BoxNames(&picker), "lstDir=Folders; lstDrive=Drives; txtFile=File");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(picker.txtPath)->text(QAccessible::Name), "Folder");
}

TEST_F(InputBox, PlainTextTrimmedInAndOutWithTitleAndMode) {
  modDlg::DialogTitle = "Page Heading";
  modDlg::InputText = "  Old heading  ";
  modDlg::InputMaxLength = 32;
  OnShown<frmInput>([&](frmInput* w) {
    EXPECT_EQ(w->windowTitle(), "Page Heading");
    EXPECT_EQ(w->txtStr->text(), "Old heading");
    Shot(w, "frmInput");
    w->txtStr->clear();
    QTest::keyClicks(w->txtStr, " New page 2, ok!");
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowInputBox("  ans ");
  EXPECT_EQ(modDlg::InputMode, "ANS");
  // The comma and the "!" are swallowed by the "ANS" set; the blanks pass and are trimmed.
  EXPECT_EQ(modDlg::InputText, "New page 2 ok");
}

TEST_F(InputBox, PasswordModeMasksWithHashAndRefusesBlank) {
  modDlg::DialogTitle = "Password";
  modDlg::InputText = "";
  modDlg::InputMaxLength = 32;
  OnShown<frmInput>([&](frmInput* w) {
    QTest::keyClicks(w->txtStr, "ab c1");
    EXPECT_EQ(w->txtStr->displayText(), "####");
    Shot(w, "frmInput_password");
    QTest::keyClick(w->txtStr, Qt::Key_Return);  // Enter answers Ok
  });
  modDlg::ShowInputBox("ANP");
  EXPECT_EQ(modDlg::InputText, "abc1");
}

TEST_F(InputBox, LengthLimitDefaultModeAndClosingWithoutOk) {
  const struct {
    const char *given, *typed, *mode;
    int limit;
    std::string expected;
  } cases[] = {
      {"", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "A", 0, std::string(32, 'x')},  // 0 means 32
      {"abcdefgh", "", "A", 5, "abcde"},  // the limit holds for the text handed in too
      {"", "a*1 *", "", 5, "**"},         // no mode: only the asterisk gets in
  };
  for (const auto& c : cases) {
    modDlg::InputText = c.given;
    modDlg::InputMaxLength = static_cast<int16_t>(c.limit);
    OnShown<frmInput>([&](frmInput* w) {
      QTest::keyClicks(w->txtStr, c.typed);
      QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    });
    modDlg::ShowInputBox(c.mode);
    EXPECT_EQ(modDlg::InputText, c.expected) << c.given << c.typed;
  }

  // Escape and the close box leave the caller's text alone.
  modDlg::InputText = "keep me";
  for (bool escape : {true, false}) {
    OnShown<frmInput>([&](frmInput* w) {
      QTest::keyClicks(w->txtStr, "zz");
      escape ? QTest::keyClick(w->txtStr, Qt::Key_Escape) : void(w->close());
    });
    modDlg::ShowInputBox("A");
    EXPECT_EQ(modDlg::InputText, "keep me") << escape;
  }
}

TEST_F(InputBox, UpperCaseSetAndPastedTextAreFiltered) {
  modDlg::InputText = "";
  OnShown<frmInput>([&](frmInput* w) {
    QTest::keyClicks(w->txtStr, "ab-9");
    QApplication::clipboard()->setText("x y-z!");
    QTest::keyClick(w->txtStr, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w->txtStr, Qt::Key_Backspace);
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
  });
  modDlg::ShowInputBox("U-");
  EXPECT_EQ(modDlg::InputText, "AB-XY-");

  // Dropped text and an input method cannot get past the filter either.
  OnShown<frmInput>([&](frmInput* w) {
    EXPECT_FALSE(w->txtStr->acceptDrops());
    EXPECT_FALSE(w->txtStr->testAttribute(Qt::WA_InputMethodEnabled));
  });
  modDlg::ShowInputBox("N");
}

class Progress : public GuiTest {
 protected:
  void TearDown() override {
    modDlg::HidePer();
    GuiTest::TearDown();
  }
};

TEST_F(Progress, RedrawsEveryOtherPercentAndNeverReaches100InTheLoop) {
  std::vector<int> shown;
  QString last;
  for (int i = 1; i <= 100; ++i) {
    modDlg::ShowPer(i, 100);
    frmProgress* w = frmProgress::Instance();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible());
    if (w->lblPer->text() != last) {
      last = w->lblPer->text();
      shown.push_back(last.chopped(1).toInt());
      EXPECT_TRUE(last.endsWith('%'));
    }
    if (i == 42) Shot(w, "frmProgress");
  }
  std::vector<int> odd;
  for (int p = 1; p <= 99; p += 2) odd.push_back(p);
  EXPECT_EQ(shown, odd);
  EXPECT_EQ(last, "99%");
  // The bar stands where it was drawn at 99 percent: 3495 * 99 / 100 twips.
  EXPECT_EQ(frmProgress::Instance()->shpBar->width(), modLIB::TwipsToPixelsX(3495 * 99 / 100));
}

TEST_F(Progress, HidePerUnloadsAndTheNextWindowStartsAfresh) {
  modDlg::ShowPer(50, 100);
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "50%");
  modDlg::ShowPer(20, 100);  // below the threshold: nothing redrawn
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "50%");
  modDlg::HidePer();
  EXPECT_EQ(frmProgress::Instance(), nullptr);

  modDlg::ShowPer(1, 1);  // a single step shows 100% and the full bar
  frmProgress* w = frmProgress::Instance();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->lblPer->text(), "100%");
  EXPECT_EQ(w->shpBar->width(), modLIB::TwipsToPixelsX(3495));
  ExpectTexts({{w->lblMin, "0"}, {w->lblMax, "100"}});
  EXPECT_EQ(w->shpFrame->geometry(), w->rect());
  Shot(w, "frmProgress_full");
  modDlg::HidePer();
  modDlg::HidePer();  // twice is harmless
  modDlg::ShowPer(0, 10);
  EXPECT_EQ(frmProgress::Instance()->Threshold, 0);
  EXPECT_EQ(frmProgress::Instance()->shpBar->width(), 0);
}

TEST_F(Progress, DialogsBelongToTheActiveWindowNeverToTheProgressWindow) {
  QWidget main;
  main.show();
  QApplication::setActiveWindow(&main);
  modDlg::ShowPer(1, 10);
  ASSERT_EQ(frmProgress::Instance()->parentWidget(), &main);
  QApplication::setActiveWindow(frmProgress::Instance());
  QWidget* owner = nullptr;
  OnShown<frmInput>([&](frmInput* w) {
    owner = w->parentWidget();
    w->close();
  });
  modDlg::ShowInputBox("A");
  EXPECT_EQ(owner, &main);
  modDlg::HidePer();
}

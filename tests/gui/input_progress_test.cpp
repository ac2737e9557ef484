// The input box and the progress window, driven as a user would.

#include "common/frmDlgFile.h"
#include "common/frmInput.h"
#include "common/frmProgress.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;

class InputBox : public GuiTest {};

// The text handed in, trimmed and cut to the limit (0 means 32); the keys through the
// mode's set (upper-cased for "U", masked with "#" for "P", only the asterisk without
// a mode), pastes too; Ok, or Enter, hands the trimmed text back. The first two rows
// are the screenshots.
TEST_F(InputBox, BoxesNamedByTheirCaptionsTypedTextThroughTheModeAndTheLimit) {
  // A screen reader reads each box by its caption; the input box's caption is its title.
  modDlg::DialogTitle = "Password";
  frmInput input;
  EXPECT_EQ(BoxNames(&input), "txtStr=Password");
  modDlg::DialogTitle = "Open";
  frmDlgFile picker;
  EXPECT_EQ(BoxNames(&picker), "lstDir=Folders; lstDrive=Drives; txtFile=File");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(picker.txtPath)->text(QAccessible::Name), "Folder");

  modDlg::DialogTitle = "Page Heading";
  QApplication::clipboard()->setText("x y-z!");
  const struct {
    const char *mode, *stored, *given;  // the mode asked for and the one kept
    int limit;
    std::string keys;
    QString shownFirst, shownLast;
    std::string expected;
    const char* shot = nullptr;
  } cases[] = {
      {"  ans ", "ANS", "  Old heading  ", 32, "\x01 New page 2, ok!", "Old heading", " New page 2 ok",
       "New page 2 ok", "frmInput"},
      {"ANP", "ANP", "", 32, "ab c1\r", "", "####", "abc1", "frmInput_password"},
      {"A", "A", "", 0, std::string(40, 'x'), "", QString(32, 'x'), std::string(32, 'x')},
      {"A", "A", "abcdefgh", 5, "", "abcde", "abcde", "abcde"},
      {"", "", "", 5, "a*1 *", "", "**", "**"},
      {"U-", "U-", "", 0, "ab-9\x16\b", "", "AB-XY-", "AB-XY-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.given + " " + c.keys);
    modDlg::InputText = c.given;
    modDlg::InputMaxLength = static_cast<int16_t>(c.limit);
    OnShown<frmInput>([&](frmInput* w) {
      EXPECT_EQ(std::tuple(w->windowTitle(), w->txtStr->text()), std::tuple("Page Heading", c.shownFirst));
      // Dropped text and an input method cannot get past the filter.
      EXPECT_FALSE(w->txtStr->acceptDrops() || w->txtStr->testAttribute(Qt::WA_InputMethodEnabled));
      // '\x01' is Ctrl+A, '\x16' Ctrl+V; QTest sends '\b' and '\r' as Backspace and Return.
      for (const char k : c.keys) {
        if (k == '\x01' || k == '\x16') QTest::keyClick(w->txtStr, k == '\x01' ? Qt::Key_A : Qt::Key_V, Qt::ControlModifier);
        else QTest::keyClick(w->txtStr, k);
      }
      EXPECT_EQ(w->txtStr->displayText(), c.shownLast);
      if (c.shot) Shot(w, c.shot);
      if (w->isVisible()) QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    });
    modDlg::ShowInputBox(c.mode);
    EXPECT_EQ(modDlg::InputText, c.expected);
    EXPECT_EQ(modDlg::InputMode, c.stored);
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

class Progress : public GuiTest {
 protected:
  void TearDown() override {
    modDlg::HidePer();
    GuiTest::TearDown();
  }
};

// HidePer unloads the window: the next one starts afresh.
TEST_F(Progress, RedrawsEveryOtherPercentNeverReaches100InTheLoopAndStartsAfresh) {
  QStringList shown, odd;
  for (int i = 1; i <= 100; ++i) {
    modDlg::ShowPer(i, 100);
    frmProgress* w = frmProgress::Instance();
    ASSERT_TRUE(w && w->isVisible());
    if (shown.isEmpty() || w->lblPer->text() != shown.last()) shown << w->lblPer->text();
    if (i == 42) Shot(w, "frmProgress");
  }
  for (int p = 1; p <= 99; p += 2) odd << QString("%1%").arg(p);
  EXPECT_EQ(shown, odd);
  // The bar stands where it was drawn at 99 percent: 3495 * 99 / 100 twips.
  EXPECT_EQ(frmProgress::Instance()->shpBar->width(), modLIB::TwipsToPixelsX(3495 * 99 / 100));

  modDlg::HidePer();
  modDlg::ShowPer(50, 100);
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "50%");
  modDlg::ShowPer(20, 100);  // below the threshold: nothing redrawn
  EXPECT_EQ(frmProgress::Instance()->lblPer->text(), "50%");
  modDlg::HidePer();
  EXPECT_EQ(frmProgress::Instance(), nullptr);

  modDlg::ShowPer(1, 1);  // a single step shows 100% and the full bar
  frmProgress* w = frmProgress::Instance();
  ASSERT_NE(w, nullptr);
  ExpectTexts({{w->lblPer, "100%"}, {w->lblMin, "0"}, {w->lblMax, "100"}});
  EXPECT_EQ(std::tuple(w->shpBar->width(), w->shpFrame->geometry()),
            std::tuple(modLIB::TwipsToPixelsX(3495), w->rect()));
  Shot(w, "frmProgress_full");
  modDlg::HidePer();
  modDlg::HidePer();  // twice is harmless
  modDlg::ShowPer(0, 10);
  EXPECT_EQ(std::tuple(frmProgress::Instance()->Threshold, frmProgress::Instance()->shpBar->width()), std::tuple(0, 0));
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

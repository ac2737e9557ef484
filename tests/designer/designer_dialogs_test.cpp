// The designer's dialogs: field and banner properties with their checks and
// estimates, form properties, tab order, the script editor; and screenshots of each.

#include "common/frmDlgClr.h"
#include "common/frmDlgFnt.h"
#include "common/frmHelp.h"
#include "designer/frmBanner.h"
#include "designer/frmProperty.h"
#include "designer/frmScript.h"
#include "designer/frmTabOrder.h"
#include "tests/designer/DesignerFixture.h"

using namespace qfdesign;

namespace {

// A colour button: the colour picker that follows gets the hex digits typed, then Ok.
void PickColour(QAbstractButton* button, const QString& hex) {
  qfgui::OnShown<frmDlgClr>([hex](frmDlgClr* c) {
    Fill(c->txtClr, hex);
    Click(c->cmdOK);
  });
  Click(button);
}

// A font button: the font picker that follows gets a name and a size from its lists
// and one style box clicked, then Ok.
void PickFont(QAbstractButton* button, const QString& name, const QString& size, QCheckBox* frmDlgFnt::*style) {
  qfgui::OnShown<frmDlgFnt>([=](frmDlgFnt* f) {
    qfgui::ClickItem(f->lstFN, qfgui::FindRow(f->lstFN, name));
    qfgui::ClickItem(f->lstFS, qfgui::FindRow(f->lstFS, size));
    Click(f->*style);
    Click(f->cmdOK);
  });
  Click(button);
}

}  // namespace

TEST_F(DesignerTest, FieldDialogProposesEstimatesAndFiltersKeys) {
  Press(window->mnuNextPage);
  Through<frmField>(window->mnuFieldAdd, [&](frmField* d) {
    EXPECT_EQ(d->windowTitle(), "Field Properties");
    // Width: 32 times a "Z" of the field font; height: one line of "Ty".
    qfgui::ExpectTexts({{d->lblPNO, "2"}, {d->lblFNO, "1"}, {d->NAM, "FIELD1"}, {d->X, "0"}, {d->Y, "25"}, {d->L, "32"},
                        {d->FMT, "*"}, {d->nChars, "32"}, {d->nLines, "1"}, {d->BtnUpdate, "Add"}, {d->Prv, "Z"}});
    EXPECT_EQ(std::tuple(d->btnDelete->isEnabled(), d->W->text().toInt()), std::tuple(false, 32 * d->Prv->width()));
    EXPECT_TRUE(d->H->text().toInt() >= 12 && d->H->text().toInt() <= 24) << d->H->text().toStdString();
    qfgui::Shot(d, "designer_field_add");

    // The format takes each letter or sign once, in upper case; no digits or blanks.
    Fill(d->FMT, "");
    QTest::keyClicks(d->FMT, "a1 *b*a!<9z");
    EXPECT_EQ(d->FMT->text(), "A*B!<Z");
    QTest::keyClicks(d->FMT, "qqq");  // eight characters at most
    EXPECT_EQ(d->FMT->text(), "A*B!<ZQ");
    // Names: letters in upper case, digits, "_"; nothing else.
    Fill(d->NAM, "ab-c d_1");
    EXPECT_EQ(d->NAM->text(), "ABCD_1");

    // A date measures with "9" and takes 10 characters; a time 8.
    Fill(d->FMT, "d");
    Click(d->AutoWidth);
    qfgui::ExpectTexts({{d->Prv, "9"}, {d->L, "10"}});
    EXPECT_EQ(d->W->text().toInt(), 32 * d->Prv->width());
    Fill(d->FMT, "T");
    Fill(d->nChars, "0");
    Click(d->AutoWidth);
    qfgui::ExpectTexts({{d->L, "8"}, {d->nChars, "8"}});  // no count: the length's
    // A width beyond the window stops at the window's width.
    Fill(d->FMT, "*");
    Fill(d->nChars, "99");
    Fill(d->L, "99");
    Click(d->AutoWidth);
    EXPECT_EQ(d->W->text(), "640");
    Fill(d->nLines, "99");
    Click(d->AutoHeight);
    EXPECT_EQ(d->H->text(), "478");  // 7200 twips less 25 (pixels), in pixels
    // No length, no estimate.
    Fill(d->W, "77");
    Fill(d->L, "");
    Click(d->AutoWidth);
    EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, d->focusWidget() == d->L, d->W->text()),
              std::tuple("Autowidth: Invalid Length, to estimate.", int(modDB::vbOKOnly), true, "77"));
  });
  EXPECT_EQ(modDB::GetFieldCount(), 0);
}

// The format box takes typed keys only: pastes, drops, the middle button (where the
// platform has a selection), an input method and AltGr digits are refused. The
// window is not waited on to become active: a bare X server has no window manager.
class FormatBox : public qfgui::GuiTest {};

TEST_F(FormatBox, RefusesTextWithoutKeys) {
  frmMain window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  qfgui::OnShown<frmField>([&](frmField* d) {
    Fill(d->FMT, "n");
    QApplication::clipboard()->setText("*25");
    QTest::keyClick(d->FMT, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(d->FMT, Qt::Key_V, Qt::ControlModifier);
    QMimeData data;
    data.setText("*25");
    const QPoint at(d->FMT->width() - 2, d->FMT->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(d->FMT, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(d->FMT, &drop);
    QInputMethodEvent commit;
    commit.setCommitString("*25");
    QApplication::sendEvent(d->FMT, &commit);
    QTest::sendKeyEvent(QTest::Click, d->FMT, Qt::Key_2, QString("2"), Qt::ControlModifier | Qt::AltModifier);
    if (QApplication::clipboard()->supportsSelection()) {
      QApplication::clipboard()->setText("*25", QClipboard::Selection);
      QTest::qWait(50);
      QTest::mouseClick(d->FMT, Qt::MiddleButton, Qt::NoModifier, at);
    }
    EXPECT_EQ(d->FMT->text(), "N");
    QTest::sendKeyEvent(QTest::Click, d->FMT, Qt::Key_Q, QString("<"), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(d->FMT->text(), "N<");  // AltGr signs are typed keys: filtered, not refused
    d->reject();
  });
  window.mnuFieldAdd->trigger();
  window.Modified = false;
}

TEST_F(DesignerTest, FieldDialogChecksInOrderThenTheEngine) {
  AddField("TAKEN", 10, 40, 5, "");
  host.Clear();
  qfgui::OnShown<frmField>([&](frmField* d) {
    for (auto [box, typed, message] :
         {std::tuple(d->NAM, "1ST", "FIELD: Invalid Name"), {d->X, "641", "FIELD: Invalid X"},
          {d->Y, "24", "FIELD: Invalid Y"}, {d->Y, "481", "FIELD: Invalid Y"}, {d->W, "1", "FIELD: Invalid Width"},
          {d->H, "", "FIELD: Invalid Height"}, {d->L, "0", "Field: Invalid Length"},
          {d->L, "8193", "Field: Invalid Length"}}) {
      const QString good = box->text();
      Fill(box, typed);
      d->W->setFocus();
      Click(d->BtnUpdate);
      // The message, a critical box, the focus back in the box, the dialog open.
      EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, d->focusWidget() == box, d->isVisible()),
                std::tuple(message, int(modDB::vbCritical), true, true)) << typed;
      Fill(box, good);
    }
    EXPECT_FALSE(window->Modified);
    // A duplicate passes the dialog; the engine refuses it and the dialog stays.
    Fill(d->NAM, "taken");
    Click(d->BtnUpdate);
    // Modified is set before the engine is asked.
    EXPECT_EQ(std::tuple(host.Last(), d->isVisible(), window->Modified),
              std::tuple("ADD FIELD: Duplicate field name!", true, true));
  });
  window->Modified = false;
  Press(window->mnuFieldAdd);
  EXPECT_EQ(modDB::GetFieldCount(), 1);
}

// The field, banner and form dialogs have Cancel, and Esc: both store nothing. The
// canvas boxes show their field's name, greyed, while they are empty. Update and
// Delete from a field's dialog, opened from the canvas.
TEST_F(DesignerTest, DialogsCancelAndTheFieldDialogUpdatesAndDeletes) {
  AddField("ONE", 10, 40, 5, "");
  AddField("TWO", 10, 80, 10, "D");
  AddField("THREE", 10, 120, 5, "");
  EXPECT_EQ(std::tuple(window->Field[1]->placeholderText(), window->Field[1]->toPlainText()), std::tuple("ONE", ""));
  const modDB::FormProps before = modDB::GetFormProps();
  for (bool esc : {false, true}) {
    // A valid value typed, then Esc in its box or Cancel.
    auto leave = [esc](QDialog* d, QLineEdit* box, const QString& typed, QAbstractButton* cancel) {
      EXPECT_EQ(cancel->text(), "Cancel");
      Fill(box, typed);
      esc ? QTest::keyClick(box, Qt::Key_Escape) : Click(cancel);
      EXPECT_FALSE(d->isVisible());
    };
    qfgui::OnShown<frmField>([&](frmField* d) { leave(d, d->NAM, "CHANGED", d->btnCancel); });
    QTest::mouseClick(window->Field[1]->viewport(), Qt::RightButton, {}, QPoint(2, 2));
    qfgui::OnShown<frmBanner>([&](frmBanner* d) { leave(d, d->X, "77", d->btnCancel); });
    window->mnuBannerAdd->trigger();
    qfgui::OnShown<frmProperty>([&](frmProperty* d) { leave(d, d->MW, "600", d->btnCancel); });
    window->mnuProperty->trigger();
  }
  EXPECT_EQ(std::tuple(StoredField(1).Name.Trimmed(), modDB::GetBannerCount(), modDB::GetFormProps().Width),
            std::tuple("ONE", 0, before.Width));

  const modDB::FieldDef two = StoredField(2);
  // Reopened from the canvas: counts derived from the stored size.
  qfgui::OnShown<frmField>([&](frmField* d) {
    qfgui::ExpectTexts({{d->FMT, "D"}, {d->Prv, "9"}, {d->nLines, "1"}});
    EXPECT_EQ(d->nChars->text().toInt(), qRound(double(two.Width) / d->Prv->width()));
    qfgui::Shot(d, "designer_field_update");
    Fill(d->NAM, "BORN");
    Fill(d->X, "200");
    Click(d->BtnUpdate);
  });
  QTest::mouseClick(window->Field[2]->viewport(), Qt::RightButton, {}, QPoint(2, 2));
  EXPECT_EQ(std::tuple(StoredField(2).Name.Trimmed(), FieldAt(2).x(), window->Field[2]->x()),
            std::tuple("BORN", 200, 200));

  qfgui::OnShown<frmField>([&](frmField* d) { Click(d->btnDelete); });
  QTest::mouseClick(window->Field[1]->viewport(), Qt::RightButton, {}, QPoint(2, 2));
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  ASSERT_EQ(modDB::GetFieldCount(), 2);
  EXPECT_EQ(std::tuple(StoredField(1).Name.Trimmed(), window->Field[3]->isHidden()), std::tuple("BORN", true));
}

TEST_F(DesignerTest, BannerDialogLookAndChecks) {
  for (int i = 1; i <= 3; ++i) PutBanner("Old", 1, 10 * i, 40 * i);
  qfgui::OnShown<frmBanner>([&](frmBanner* d) {
    EXPECT_EQ(d->windowTitle(), "Banner Properties");
    qfgui::ExpectTexts({{d->lblBNO, "4"}, {d->lblPNO, "1"}, {d->TXT, "BANNER4"}, {d->X, "0"}, {d->Y, "25"}});
    EXPECT_EQ(std::pair(d->LookName, d->LookSize), std::pair(std::string("Arial"), 10));
    // The caption box scrolls both ways without wrapping; Enter is Update.
    EXPECT_EQ(std::tuple(d->TXT->lineWrapMode(), d->TXT->horizontalScrollBarPolicy(),
                         d->TXT->verticalScrollBarPolicy(), d->BtnUpdate->isDefault(), d->btnDelete->isEnabled()),
              std::tuple(QPlainTextEdit::NoWrap, Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOn, true, false));
    // The dialog opens in X, its text selected; Tab goes on to Y and the caption, whose
    // text it selects.
    EXPECT_EQ(std::tuple(d->focusWidget() == d->X, d->X->selectedText()), std::tuple(true, "0"));
    QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(d->focusWidget(), d->Y);
    QTest::keyClick(d->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(std::tuple(d->focusWidget() == d->TXT, d->TXT->textCursor().selectedText()), std::tuple(true, "BANNER4"));
    // Blanks only: refused, and the box is left empty with the focus in it.
    QTest::keyClicks(d->TXT, "    ");
    Click(d->BtnUpdate);
    EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, d->focusWidget() == d->TXT, d->TXT->toPlainText()),
              std::tuple("BANNER: Invalid Caption", int(modDB::vbOKOnly), true, ""));
    Fill(d->Y, "3");
    Click(d->BtnUpdate);
    EXPECT_EQ(host.Last(), "BANNER: Invalid Y");
    Fill(d->X, "12");
    Fill(d->Y, "60");
    // At most 64 characters.
    d->TXT->setFocus();
    QTest::keyClicks(d->TXT, QString(70, 'x'));
    EXPECT_EQ(d->TXT->toPlainText(), QString(64, 'x'));
    // Ctrl+Enter starts a new line. Update trims blanks only: the line breaks stay.
    d->TXT->selectAll();
    QTest::keyClicks(d->TXT, "  ");
    QTest::keyClick(d->TXT, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(d->TXT, " Welcome  home ");
    QTest::keyClick(d->TXT, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(d->TXT, "  ");
    // Colours through the colour picker, typed as BBGGRR: red text.
    PickColour(d->BtnForeground, "0000FF");
    PickColour(d->btnBackground, "336699");
    PickFont(d->BtnFont, "Courier", "14", &frmDlgFnt::chkBold);
    EXPECT_EQ(d->TXT->palette().color(QPalette::Text), QColor(255, 0, 0));
    qfgui::Shot(d, "designer_banner");
    QTest::keyClick(d->TXT, Qt::Key_Return);
    EXPECT_FALSE(d->isVisible()) << host.Last();
  });
  Press(window->mnuBannerAdd);
  const modDB::BannerDef b = StoredBanner(4);
  // Caption, page, place; font name, size, bold, italic, colours.
  EXPECT_EQ(std::tuple(b.Caption.Trimmed(), int(b.Page), int(b.X), int(b.Y)),
            std::tuple("\r\n Welcome  home \r\n", 1, 12, 60));
  EXPECT_EQ(std::tuple(b.Font.Name.Trimmed(), int(b.Font.Size), int(b.Font.Bold), int(b.Font.Italic),
                       int(b.Font.ForeColor), int(b.Font.BackColor)),
            std::tuple("Courier", 14, 255, 0, 0x0000FF, 0x336699));
  EXPECT_EQ(std::tuple(window->Banner[4]->isVisible(), window->Banner[4]->text()),
            std::tuple(true, "\n Welcome  home \n"));

  // A look changed and the dialog closed by its close box: nothing changes.
  window->Modified = false;
  qfgui::OnShown<frmBanner>([&](frmBanner* d) {
    qfgui::ExpectTexts({{d->BtnUpdate, "Update"}, {d->TXT, "Old"}});
    PickColour(d->btnBackground, "00FF00");
    d->close();
  });
  QTest::mouseClick(window->Banner[2], Qt::RightButton, {}, QPoint(2, 2));
  EXPECT_EQ(StoredBanner(2).Font.BackColor, 0xFFFFFF);
  EXPECT_FALSE(window->Modified);

  // Delete, without a question: later banners move down.
  qfgui::OnShown<frmBanner>([&](frmBanner* d) { Click(d->btnDelete); });
  QTest::mouseClick(window->Banner[2], Qt::RightButton, {}, QPoint(2, 2));
  EXPECT_EQ(std::tuple(modDB::GetBannerCount(), StoredBanner(3).Caption.Trimmed(), window->Modified),
            std::tuple(3, "\r\n Welcome  home \r\n", true));
}

TEST_F(DesignerTest, PropertiesResizeRecolourAndReachEveryBanner) {
  for (int i = 1; i <= 2; ++i) PutBanner("Head", i, 10, 40);
  modDB::SetDateOrder(7);  // neither 1 nor 2: the day-first option
  modDB::SetOrientation(9);
  window->Modified = false;
  qfgui::OnShown<frmProperty>([&](frmProperty* d) {
    EXPECT_EQ(d->windowTitle(), "Properties");
    qfgui::ExpectTexts({{d->MH, "480"}, {d->MW, "640"}});
    EXPECT_TRUE(d->optUK->isChecked() && d->optPort->isChecked());
    EXPECT_FALSE(d->chkBFC->isChecked() || d->chkBBC->isChecked() || d->chkBFNT->isChecked());
    qfgui::Shot(d, "designer_properties");
    // Sizes: digits only, 200 … the screen.
    Fill(d->MH, "4x0");
    EXPECT_EQ(d->MH->text(), "40");
    const QSize screen = d->screen()->geometry().size();
    for (auto [box, typed, message, mended] :
         {std::tuple(d->MH, QString("199"), ": Invalid Height", "400"),
          {d->MH, QString::number(screen.height() + 1), ": Invalid Height", "400"},
          {d->MW, QString::number(screen.width() + 1), ": Invalid Width", "500"}}) {
      Fill(box, typed);
      Click(d->BtnUpdate);
      EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, d->focusWidget() == box),
                std::tuple(message, int(modDB::vbCritical), true)) << typed.toStdString();
      Fill(box, mended);
    }
    EXPECT_FALSE(window->Modified);
    // The form's and the field colours; the banner text colour and font for every
    // banner, a banner background default only.
    PickColour(d->btnBackground, "EEEEEE");
    PickColour(d->btnFieldForeground, "FF0000");  // blue
    PickColour(d->btnBannerForeground, "00FF00");
    Click(d->chkBFC);
    PickColour(d->btnBannerBackground, "CCCCCC");
    EXPECT_EQ(d->B->palette().color(QPalette::Window), QColor(0xCC, 0xCC, 0xCC));
    PickFont(d->btnBannerFont, "Verdana", "12", &frmDlgFnt::chkItalic);
    Click(d->chkBFNT);
    Click(d->optUS);
    Click(d->optLand);
    Click(d->BtnUpdate);
    EXPECT_FALSE(d->isVisible());
  });
  Press(window->mnuProperty);
  EXPECT_TRUE(window->Modified);
  EXPECT_EQ(window->frameGeometry().size(), QSize(500, 400));
  const modDB::FormProps p = modDB::GetFormProps();
  // Width, height, colours of form, field and banners, banner font, date order, orientation.
  EXPECT_EQ(std::tuple(int(p.Width), int(p.Height), int(p.BackColor), int(p.FieldFont.ForeColor),
                       int(p.BannerFont.ForeColor), int(p.BannerFont.BackColor), p.BannerFont.Name.Trimmed(),
                       int(p.BannerFont.Size), int(p.BannerFont.Bold), int(p.BannerFont.Italic),
                       int(modDB::GetDateOrder()), int(modDB::GetOrientation())),
            std::tuple(7500, 6000, 0xEEEEEE, 0xFF0000, 0x00FF00, 0xCCCCCC, "Verdana", 12, 0, 255, 2, 2));
  for (int16_t i = 1; i <= 2; ++i) {
    const modDB::FontDef f = StoredBanner(i).Font;  // the background's box was not checked
    EXPECT_EQ(std::tuple(int(f.ForeColor), int(f.BackColor), f.Name.Trimmed(), int(f.Size), int(f.Italic)),
              std::tuple(0x00FF00, 0xFFFFFF, "Verdana", 12, 255)) << i;
  }
}

TEST_F(DesignerTest, TabOrderMovesWholeSlots) {
  AddField("A", 10, 40, 1, "");
  AddField("B", 10, 70, 2, "");
  AddField("C", 10, 100, 3, "");
  window->Modified = false;
  Through<frmTabOrder>(window->mnuTabOrder, [&](frmTabOrder* d) {
    EXPECT_EQ(d->windowTitle(), "Tab Order");
    ASSERT_EQ(d->Lst->count(), 3);
    // Up on the first and Dn on the last do nothing.
    qfgui::ClickItem(d->Lst, 0);
    Click(d->cmdUp);
    qfgui::ClickItem(d->Lst, 2);
    Click(d->cmdDn);
    EXPECT_FALSE(window->Modified);
    Click(d->cmdUp);  // C moves up, and stays selected
    EXPECT_EQ(std::tuple(d->Lst->currentRow(), qfgui::ListTexts(d->Lst), window->Modified),
              std::tuple(1, QStringList({"A", "C", "B"}), true));
    Click(d->cmdUp);
    EXPECT_EQ(qfgui::ListTexts(d->Lst), QStringList({"C", "A", "B"}));
    qfgui::Shot(d, "designer_taborder");
    Click(d->cmdOK);
  });
  const modDB::FieldDef f = StoredField(1);
  EXPECT_EQ(std::tuple(f.Name.Trimmed(), int(f.Length), int(f.Y)), std::tuple("C", 3, 100));
  // On the canvas nothing moved, but the field is now field 1.
  EXPECT_EQ(window->Field[1]->pos(), QPoint(10, 100));
}

TEST_F(DesignerTest, ScriptEditorPositionTabsQuestionLengthAndCompile) {
  // Opening and cancelling without typing asks nothing.
  Through<frmScript>(window->mnuScript, [&](frmScript* d) {
    EXPECT_EQ(d->windowTitle(), "Script");
    qfgui::ExpectTexts({{d->mnuLine, "L 1, C 1"}, {d->SCRP, "Sub Start\nEnd Sub\n\nSub Update\nEnd Sub"}});
    d->mnuCancel->trigger();
    EXPECT_FALSE(d->isVisible());
  });
  EXPECT_TRUE(host.boxes.empty());

  qfgui::OnShown<frmScript>([&](frmScript* d) {
    for (int i = 0; i < 2; ++i) QTest::keyClick(d->SCRP, Qt::Key_Down);
    EXPECT_EQ(d->mnuLine->text(), "L 3, C 1");
    QTest::keyClick(d->SCRP, Qt::Key_Tab);  // a blank, not a tab
    QTest::keyClicks(d->SCRP, "x");
    EXPECT_EQ(d->mnuLine->text(), "L 3, C 3");
    // A click into the text moves the indicator: behind "End Sub" on line 2.
    QTextCursor end2(d->SCRP->document()->findBlockByNumber(1));
    end2.movePosition(QTextCursor::EndOfBlock);
    QTest::mouseClick(d->SCRP->viewport(), Qt::LeftButton, {}, d->SCRP->cursorRect(end2).center() + QPoint(3, 0));
    EXPECT_EQ(d->mnuLine->text(), "L 2, C 8");
    qfgui::Shot(d, "designer_script");
    // Cancel after typing asks; No keeps the editor open.
    host.replies = {modDB::vbNo};
    d->mnuCancel->trigger();
    EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, d->isVisible()),
              std::tuple("Modified: Script is modified, Exit anyway?", modDB::vbYesNo | modDB::vbDefaultButton2, true));
    host.replies = {modDB::vbYes};
    d->close();
    EXPECT_FALSE(d->isVisible());
  });
  window->Modified = false;
  Press(window->mnuScript);
  EXPECT_EQ(modDB::GetScript(), "Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub");
  EXPECT_FALSE(window->Modified);

  // The editor takes 8192 characters, a line break counting as the two it is stored
  // as; Update refuses more than the form's 4000.
  Through<frmScript>(window->mnuScript, [&](frmScript* d) {
    d->SCRP->setPlainText(QString(8189, 'x'));
    d->SCRP->moveCursor(QTextCursor::End);
    QTest::keyClick(d->SCRP, Qt::Key_Return);  // 8191
    QTest::keyClicks(d->SCRP, "ab");           // "a" makes 8192, "b" is one too many
    EXPECT_EQ(d->SCRP->toPlainText(), QString(8189, 'x') + "\na");
    QTest::keyClick(d->SCRP, Qt::Key_Return);  // no room for a break either
    EXPECT_EQ(d->SCRP->toPlainText(), QString(8189, 'x') + "\na");
    host.replies = {modDB::vbYes};
    d->close();
  });
  host.Clear();
  Through<frmScript>(window->mnuScript, [&](frmScript* d) {
    d->SCRP->selectAll();
    QTest::keyClicks(d->SCRP, "'");
    d->SCRP->insertPlainText(QString(4000, 'x'));  // 4001 characters
    d->mnuUpdate->trigger();
    EXPECT_EQ(std::tuple(host.Last(), d->isVisible()),
              std::tuple("Script: The script is 4001 characters long; a form keeps at most 4000.", true));
    QTest::keyClick(d->SCRP, Qt::Key_Backspace);
    d->mnuUpdate->trigger();
    EXPECT_FALSE(d->isVisible());
  });
  EXPECT_EQ(modDB::GetScript(), "'" + std::string(3999, 'x'));

  // Update compiles the script, trimmed of the blanks around it: a syntax error shows the
  // engine's message with its line and column, the caret goes there and the editor stays
  // open; once mended, it is stored without a question.
  const std::string broken = "Sub Start\r\n x = (1 + 2\r\nEnd Sub";
  int line = 0, column = 0;
  const std::string message = frmScript::CheckScript(broken, line, column);
  ASSERT_TRUE(!message.empty() && line == 2 && column > 3) << message << " " << line << ":" << column;
  window->Modified = false;
  qfgui::OnShown<frmScript>([&](frmScript* d) {
    d->SCRP->selectAll();
    QTest::keyClicks(d->SCRP, "  Sub Start\r\tx = (1 + 2\rEnd Sub   ");  // typed as the Return and Tab keys
    d->mnuUpdate->trigger();
    // Open, the caret on line 2 at the column, the focus in the text.
    EXPECT_EQ(std::tuple(host.Last(), d->isVisible(), d->SCRP->textCursor().blockNumber(), d->focusWidget() == d->SCRP),
              std::tuple("Script: " + message + "\r\nLine 2, Column " + std::to_string(column), true, 1, true));
    EXPECT_EQ(d->mnuLine->text(), QString("L 2, C %1").arg(column));
    // Mended where the caret stands: Update stores it and closes.
    d->SCRP->moveCursor(QTextCursor::EndOfBlock);
    QTest::keyClicks(d->SCRP, ")");
    host.Clear();
    d->mnuUpdate->trigger();
    EXPECT_FALSE(d->isVisible());
  });
  Click(window->cTBarBtn[7]);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(modDB::GetScript(), "Sub Start\r\n x = (1 + 2)\r\nEnd Sub");
  EXPECT_TRUE(window->Modified);
}

TEST_F(DesignerTest, HelpButtonsOpenTheirTopics) {
  Platform::SetProgramFolder(QF_BINARY_DIR "/designer");
  AddField("A", 10, 40, 5, "");
  AddField("B", 10, 70, 5, "");
  std::vector<std::string> seen;
  // Each dialog's help command, then the help window's heading; the shipped file has
  // some text under each.
  auto helpBy = [&](const std::function<void()>& ask) {
    qfgui::OnShown<frmHelp>([&](frmHelp* h) {
      seen.push_back(h->Heading->text().toStdString());
      EXPECT_GT(h->Help->toPlainText().size(), 100) << seen.back();
      h->close();
    });
    ask();
  };
  auto help = [&](QAbstractButton* button) { helpBy([button] { Click(button); }); };
  qfgui::OnShown<frmField>([&](frmField* d) {
    help(d->btnHelp);
    help(d->btnFMTHelp);
  });
  Press(window->mnuFieldAdd);
  qfgui::OnShown<frmBanner>([&](frmBanner* d) { help(d->btnHelp); });
  Press(window->mnuBannerAdd);
  qfgui::OnShown<frmProperty>([&](frmProperty* d) { help(d->btnHelp); });
  Press(window->mnuProperty);
  qfgui::OnShown<frmTabOrder>([&](frmTabOrder* d) { help(d->btnHelp); });
  Press(window->mnuTabOrder);
  qfgui::OnShown<frmScript>([&](frmScript* d) { helpBy([d] { d->mnuHelp->trigger(); }); });
  Press(window->mnuScript);
  helpBy([&] { window->mnuContents->trigger(); });
  EXPECT_EQ(seen, (std::vector<std::string>{"Add Field", "Field Formats", "Add Banner", "Properties", "Insert Field",
                                            "Script", "Contents"}));
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

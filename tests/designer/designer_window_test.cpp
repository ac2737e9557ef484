// The designer window: start-up, pages, dragging within the canvas, resizing, the
// Component pop-up, New, Load with its password, Save and Save As, heading, closing.

#include "designer/frmBanner.h"
#include "designer/frmTabOrder.h"
#include "tests/designer/DesignerFixture.h"

using namespace qfdesign;

namespace {

// Sends a mouse event with a position inside the item that may hold fractions.
void SendMouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

}  // namespace

TEST_F(DesignerTest, FreshStartShowsAnEmptyFirstPage) {
  frmMain& w = *window;
  qfgui::ExpectTexts({{w.lblPageNo, "P 1"}, {w.cTBarLbl, "0,0"}});
  // An unsaved design keeps its caption empty, and the title bar shows a blank rather
  // than the program's name.
  EXPECT_EQ(State(), std::tuple("", false, 0));
  ASSERT_NE(w.windowHandle(), nullptr);
  EXPECT_TRUE(!w.windowHandle()->title().isEmpty() && w.windowHandle()->title().trimmed().isEmpty());
  // A new design has no headings: the menu names the pages by number.
  for (int k = 1; k <= 8; ++k) EXPECT_EQ(w.mnuPage[k]->text(), QString("Page %1").arg(k));
  for (int i = 1; i <= 128; ++i) EXPECT_TRUE(w.Field[i]->isHidden() && w.Banner[i]->isHidden());
  // The strip: 375 twips high. The form's size is the window's outer size: 640 x 480 pixels.
  EXPECT_EQ(std::tuple(w.ToolbarHeight(), w.cTBar->geometry(), w.frameGeometry().size(), FormTwips()),
            std::tuple(25, QRect(0, 0, w.canvas->width(), 25), QSize(640, 480), QSize(9600, 7200)));

  // Pages stop at 1 and 8.
  Press(w.mnuPreviousPage);
  EXPECT_EQ(w.CurPage, 1);
  for (int k = 0; k < 10; ++k) Click(w.cTBarBtn[3]);
  EXPECT_EQ(std::tuple(w.CurPage, w.lblPageNo->text()), std::tuple(8, "P 8"));
  Click(w.cTBarBtn[2]);
  EXPECT_EQ(w.CurPage, 7);
  w.mnuPage[2]->trigger();
  EXPECT_EQ(w.lblPageNo->text(), "P 2");

  // Nothing changed: Exit closes without a question.
  EXPECT_FALSE(w.Modified);
  Press(w.mnuExit);
  EXPECT_EQ(std::tuple(w.isVisible(), host.boxes.size()), std::tuple(false, 0u)) << host.Last();
}

TEST_F(DesignerTest, DraggingStopsAtEveryEdgeAndStoresThePosition) {
  frmMain& w = *window;
  AddField("NAME", 100, 100, 10, "");
  CanvasField* f = w.Field[1];
  ASSERT_TRUE(modDB::GetFieldCount() == 1 && f->isVisible());
  EXPECT_EQ(f->pos(), QPoint(100, 100));
  w.Modified = false;
  QWidget* vp = f->viewport();
  const QPoint inVp(5, 5);
  const QPoint vpAt = vp->mapTo(f, QPoint(0, 0));  // the viewport lies inside the frame

  QTest::mousePress(vp, Qt::LeftButton, {}, inVp);
  EXPECT_EQ(std::tuple(w.PressX, w.PressY, w.cTBarLbl->text()), std::tuple(5 + vpAt.x(), 5 + vpAt.y(), " 100, 100"));
  // Past the left edge and above the toolbar: shown, stored, marked modified.
  QTest::mouseMove(vp, inVp + QPoint(-300, -300));
  EXPECT_EQ(std::tuple(f->pos(), FieldAt(1), w.cTBarLbl->text(), w.Modified),
            std::tuple(QPoint(0, 25), QPoint(0, 25), " 0, 25", true));
  // Past the right and bottom edges.
  QTest::mouseMove(vp, inVp + QPoint(2000, 2000));
  const QPoint corner(w.canvas->width() - f->width(), w.canvas->height() - f->height());
  EXPECT_EQ(std::tuple(f->pos(), FieldAt(1), w.cTBarLbl->text()),
            std::tuple(corner, corner, QString(" %1, %2").arg(corner.x()).arg(corner.y())));
  QTest::mouseRelease(vp, Qt::LeftButton, {}, inVp);

  // A point held between pixels: halves go to the even whole number.
  f->move(100, 100);
  SendMouse(vp, QEvent::MouseButtonPress, QPointF(6.5, 6.5) - vpAt, Qt::LeftButton, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(w.PressX, 6.5);
  // 100 - 6.5 + 16 = 109.5, then 110 - 6.5 + 5 = 108.5
  SendMouse(vp, QEvent::MouseMove, QPointF(16, 16) - vpAt, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(f->pos(), QPoint(110, 110));
  SendMouse(vp, QEvent::MouseMove, QPointF(5, 5) - vpAt, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(f->pos(), QPoint(108, 108));
  SendMouse(vp, QEvent::MouseButtonRelease, QPointF(5, 5) - vpAt, Qt::LeftButton, Qt::NoButton);

  // Only the left button alone drags.
  SendMouse(vp, QEvent::MouseMove, {40, 40}, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
  SendMouse(vp, QEvent::MouseMove, {40, 40}, Qt::NoButton, Qt::MiddleButton);
  EXPECT_EQ(f->pos(), QPoint(108, 108));

  // Banners drag alike.
  PutBanner("Title", 1, 300, 200);
  QLabel* label = w.Banner[1];
  QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseMove(label, QPoint(2 - 400, 2 + 7));
  EXPECT_EQ(label->pos(), QPoint(0, 207));
  QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(std::tuple(BannerAt(1), w.cTBarLbl->text()), std::tuple(QPoint(0, 207), " 0, 207"));

  // Pressed, moved and released through the window, as the window system delivers
  // them: the moves after the press keep going to the item pressed.
  QWindow* win = w.windowHandle();
  for (QWidget* item : {static_cast<QWidget*>(f), static_cast<QWidget*>(label)}) {
    const QPoint from = item->mapTo(&w, QPoint(4, 4));
    const QPoint start = item->pos();
    QTest::mousePress(win, Qt::LeftButton, {}, from);
    QTest::mouseMove(win, from + QPoint(20, 10));
    QTest::mouseMove(win, from + QPoint(40, 30));
    QTest::mouseRelease(win, Qt::LeftButton, {}, from + QPoint(40, 30));
    EXPECT_EQ(item->pos(), start + QPoint(40, 30)) << item->objectName().toStdString();
  }
  EXPECT_EQ(std::tuple(FieldAt(1), BannerAt(1)), std::tuple(QPoint(148, 138), QPoint(40, 237)));
}

TEST_F(DesignerTest, RightClicksOpenDialogsAndThePopUpMenu) {
  frmMain& w = *window;
  // The empty canvas pops up the Component menu at the pointer.
  QTest::mouseClick(w.canvas, Qt::RightButton, {}, QPoint(300, 300));
  EXPECT_TRUE(w.mnuComponent->isVisible());
  w.mnuComponent->hide();
  QTest::mouseClick(w.canvas, Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_FALSE(w.mnuComponent->isVisible());

  // Tab Order needs two fields.
  bool tabOrderShown = false;
  modDlg::SetShownHook([&](QDialog* d) { tabOrderShown |= qobject_cast<frmTabOrder*>(d) != nullptr; });
  Press(w.mnuTabOrder);
  AddField("A", 10, 40, 5, "");
  // Only the empty canvas pops up the menu: not the toolbar strip around its buttons,
  // not a field's border.
  QPoint strip(w.cTBar->width() - 3, w.cTBar->height() / 2);
  while (strip.x() > 0 && w.cTBar->childAt(strip)) strip.rx() -= 4;
  ASSERT_EQ(w.cTBar->childAt(strip), nullptr);
  QTest::mouseClick(w.cTBar, Qt::RightButton, {}, strip);
  EXPECT_FALSE(w.mnuComponent->isVisible());
  QTest::mouseClick(w.Field[1], Qt::RightButton, {}, QPoint(0, 0));  // the frame, outside the text
  EXPECT_FALSE(w.mnuComponent->isVisible());
  Click(w.cTBarBtn[5]);
  EXPECT_FALSE(tabOrderShown);

  AddField("B", 10, 80, 5, "");
  ASSERT_EQ(modDB::GetFieldCount(), 2);
  // A right click on the second field opens its dialog in update mode; the item is
  // disabled meanwhile, and the canvas is redrawn afterwards.
  qfgui::OnShown<frmField>([&](frmField* d) {
    qfgui::ExpectTexts({{d->lblFNO, "2"}, {d->NAM, "B"}, {d->BtnUpdate, "Update"}});
    EXPECT_EQ(std::tuple(d->btnDelete->isEnabled(), w.Field[2]->isEnabled()), std::tuple(true, false));
    w.Field[2]->move(300, 300);  // a stray change that the redraw must undo
    d->close();
  });
  QTest::mouseClick(w.Field[2]->viewport(), Qt::RightButton, {}, QPoint(3, 3));
  EXPECT_EQ(std::tuple(w.Field[2]->isEnabled(), w.Field[2]->pos()), std::tuple(true, QPoint(10, 80)));
}

TEST_F(DesignerTest, SaveAsThenSaveWritesEveryValue) {
  frmMain& w = *window;
  AddField("NAME", 120, 40, 30, "!a");
  AddField("BORN", 120, 70, 3, "d");
  // A heading for page 1; an empty heading for page 2 gives back "Page 2".
  Through<frmInput>(w.mnuHeading, [&](frmInput* in) {
    EXPECT_EQ(std::tuple(in->windowTitle(), in->txtStr->text()), std::tuple("Page Heading", ""));
    Fill(in->txtStr, "People & more");  // "&" is not among the keys of a heading
    Click(in->cmdOK);
  });
  EXPECT_EQ(w.mnuPage[1]->text(), "People  more");
  Press(w.mnuNextPage);
  Through<frmInput>(w.mnuHeading, [&](frmInput* in) { Click(in->cmdOK); });
  EXPECT_EQ(w.mnuPage[2]->text(), "Page 2");
  Press(w.mnuPreviousPage);

  // Never saved: Save asks for a name.
  ASSERT_TRUE(w.Modified);
  Through<frmDlgFile>(w.mnuFileSave, [&](frmDlgFile* d) {
    EXPECT_EQ(d->windowTitle(), "Save As");
    Fill(d->txtFile, "People");
    Click(d->cmdOk);
  });
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(std::tuple(State(), w.windowHandle()->title()), std::tuple(std::tuple("People", false, 2), "People"));

  // What was designed; a new design's defaults and the layout: defstore_test, layout_test.
  const auto j = Dump("People");
  qftest::ExpectJson(j, {{"/Fields/0/Name", "NAME"}, {"/Fields/0/Page", 1}, {"/Fields/0/X", 120}, {"/Fields/0/Y", 40},
                         {"/Fields/0/Length", 30}, {"/Fields/0/Format", "!A"}, {"/Fields/0/Width", w.Field[1]->width()},
                         {"/Fields/0/Height", w.Field[1]->height()}, {"/Fields/1/Name", "BORN"},
                         {"/PageHeadings/0", "People  more"}, {"/PageHeadings/1", ""}});
  EXPECT_TRUE(w.Field[1]->width() > 100 && w.Field[1]->height() > 10);

  // Save goes back to the same file, even when the file picker was last in another
  // folder (and so was the current folder).
  std::filesystem::create_directory(dir.path() / "elsewhere");
  Through<frmDlgFile>(w.mnuFileSaveAs, [&](frmDlgFile* d) {
    qfgui::DblClickItem(d->lstDir, qfgui::FindRow(d->lstDir, "[elsewhere]"));
    Click(d->cmdCancel);
  });
  EXPECT_EQ(w.windowTitle(), "People");
  w.SetOuterSize(10500, 7500);
  ASSERT_TRUE(w.Modified);
  Click(w.cTBarBtn[1]);
  EXPECT_EQ(std::tuple(w.Modified, std::filesystem::exists(dir.path() / "elsewhere" / "People.Qfd"),
                       std::filesystem::exists(dir.path() / "People.Bak")),
            std::tuple(false, false, true));
  EXPECT_EQ(Dump("People")["Props"]["Width"], 10500);
}

TEST_F(DesignerTest, LoadAsksForThePasswordAndReportsWhatItLoaded) {
  frmMain& w = *window;
  AddField("CODE", 10, 40, 6, "");
  AddField("AMOUNT", 10, 70, 9, "");
  PutBanner("Totals", 3, 5, 30);
  Through<frmInput>(w.mnuPassword, [&](frmInput* in) {
    EXPECT_EQ(std::tuple(in->windowTitle(), in->txtStr->echoMode()), std::tuple("Password", QLineEdit::Password));
    QTest::keyClicks(in->txtStr, "Open Sesame1");  // the blank is not a password key
    Click(in->cmdOK);
  });
  EXPECT_EQ(modDB::GetPassword(), "OpenSesame1");
  SaveAs("Safe");  // the password is saved: the wrong one below loads nothing

  // A modified design asks first; No keeps it.
  w.resize(600, 400);
  host.replies = {modDB::vbNo};
  Press(w.mnuFileLoad);
  EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style, State()),
            std::tuple("LOAD: File has been modified!\r\nAll modifications will be lost\r\nContinue?",
                       modDB::vbQuestion | modDB::vbYesNo | modDB::vbDefaultButton2, std::tuple("Safe", true, 2)));
  host.replies = {modDB::vbYes};
  Press(w.mnuFileNew);
  EXPECT_EQ(std::tuple(host.Last(), State()),
            std::tuple("NEW: File has been modified!\r\nAll modifications will be lost\r\nContinue?",
                       std::tuple("", false, 0)));
  host.Clear();

  // Wrong password: a new, empty design and no message.
  Load("Safe", "opensesame1");
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  EXPECT_EQ(std::tuple(State(), modDB::GetPassword()), std::tuple(std::tuple("", false, 0), ""));

  Load("Safe", "OpenSesame1");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(std::tuple(host.boxes[0].title, int(host.boxes[0].style), host.boxes[0].text),
            std::tuple("Information", int(modDB::vbInformation),
                       "Path\t" + dir.path().string() +
                           "\r\nFile\tSafe\r\nPage(s)\t3\r\nField(s)\t2\r\nBanner(s)\t1\r\n"));
  EXPECT_EQ(std::tuple(State(), w.CurPage, w.Field[1]->isVisible(), w.Field[2]->pos(), w.mnuPage[1]->text()),
            std::tuple(std::tuple("Safe", false, 2), 1, true, QPoint(10, 70), "Page 1"));

  // Closing a modified design asks (No: the clipboard test); Yes closes.
  w.resize(500, 400);
  host.replies = {modDB::vbYes};
  Press(w.mnuExit);
  EXPECT_EQ(host.Last(), "EXIT: File has been modified!\r\nAll modifications will be lost\r\nContinue?");
  EXPECT_FALSE(w.isVisible());
}

TEST_F(DesignerTest, ResizingStoresTheFormSizeAFailedSaveAndCancelledPickersNothing) {
  frmMain& w = *window;
  // The form's size is the window's, down to a minimum.
  const QSize frame = w.frameGeometry().size() - w.size();
  w.resize(100, 60);
  EXPECT_EQ(std::tuple(w.frameGeometry().size(), FormTwips(), w.cTBar->width()),
            std::tuple(QSize(250, 150), QSize(250 * 15, 150 * 15), w.canvas->width()));
  w.Modified = false;
  w.resize(QSize(700, 500) - frame);
  EXPECT_EQ(FormTwips(), QSize(10500, 7500));
  // No fields: the engine refuses, and the design stays modified and unnamed.
  SaveAs("Empty");
  EXPECT_EQ(std::tuple(host.Last(), State(), w.isEnabled(), std::filesystem::exists(dir.path() / "Empty.Qfd")),
            std::tuple("SAVE HEADER: No fields defined!", std::tuple("", true, 0), true, false));
  // A cancelled picker neither saves nor loads.
  Through<frmDlgFile>(w.mnuFileSaveAs, [&](frmDlgFile* d) { Click(d->cmdCancel); });
  host.replies = {modDB::vbYes};
  Through<frmDlgFile>(w.mnuFileLoad, [&](frmDlgFile* d) { Click(d->cmdCancel); });
  EXPECT_EQ(State(), std::tuple("", true, 0));
}

// The arrow keys move the item last pressed by one pixel, within the dragging limits;
// the field's text takes no caret moves meanwhile. The keyboard opens an item's
// properties.
TEST_F(DesignerTest, ArrowKeysNudgeTheLastPressedItemAndOpenItsProperties) {
  frmMain& w = *window;
  AddField("A", 1, 40, 5, "");
  CanvasField* field = w.Field[1];
  QTest::mouseClick(field->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
  w.Modified = false;
  QTest::keyClick(field, Qt::Key_Right);
  QTest::keyClick(field, Qt::Key_Right);
  QTest::keyClick(field, Qt::Key_Down);
  EXPECT_EQ(std::tuple(FieldAt(1), field->pos(), w.cTBarLbl->text(), w.Modified),
            std::tuple(QPoint(3, 41), QPoint(3, 41), " 3, 41", true));
  for (int i = 0; i < 5; ++i) QTest::keyClick(field, Qt::Key_Left);
  EXPECT_EQ(FieldAt(1).x(), 0);  // not past the left edge
  // Text typed into the field goes nowhere: shown up to its length, never stored.
  w.Modified = false;
  QTest::keyClicks(field, "abcdefgh");
  EXPECT_EQ(std::tuple(field->toPlainText(), w.Modified), std::tuple("abcde", false));
  w.ShowCurPage();
  EXPECT_EQ(field->toPlainText(), "");

  PutBanner("Title", 1, 300, w.ToolbarHeight());
  QTest::mouseClick(w.Banner[1], Qt::LeftButton, {}, QPoint(2, 2));
  QWidget* keys = QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget*>(&w);
  QTest::keyClick(keys, Qt::Key_Up);  // already at the toolbar
  QTest::keyClick(keys, Qt::Key_Right);
  EXPECT_EQ(std::tuple(BannerAt(1), FieldAt(1).x()), std::tuple(QPoint(301, w.ToolbarHeight()), 0));  // field stays

  // Tab goes from field to banner; Enter or Component > Item Properties opens the
  // properties of the item that has the focus, which gets it back afterwards.
  QApplication::setActiveWindow(&w);  // which a closed dialog leaves to none offscreen
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.Field[1]->setFocus();
  QTest::keyClick(w.Field[1], Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), w.Banner[1]);
  EXPECT_EQ(w.cTBarLbl->text(), QString(" 301, %1").arg(w.ToolbarHeight()));
  const struct { QWidget* item; bool byMenu; } cases[] = {
      {w.Banner[1], false}, {w.Banner[1], true}, {w.Field[1], false}, {w.Field[1], true}};
  for (const auto& c : cases) {
    QApplication::setActiveWindow(&w);
    c.item->setFocus();
    int opened = 0;
    modDlg::SetShownHook([&](QDialog* d) {
      auto* banner = qobject_cast<frmBanner*>(d);
      auto* properties = qobject_cast<frmField*>(d);
      opened += banner && c.item == w.Banner[1] && banner->lblBNO->text() == "1";
      opened += properties && c.item == w.Field[1] && properties->lblFNO->text() == "1";
      d->close();
    });
    if (c.byMenu)
      w.mnuItemProperty->trigger();
    else
      QTest::keyClick(c.item, Qt::Key_Return);
    EXPECT_EQ(opened, 1) << c.item->objectName().toStdString() << c.byMenu;
    EXPECT_EQ(w.focusWidget(), c.item);  // the window's, active or not
  }
}

// Ctrl+A, C, X and V act on the text of the field that has the focus; once a click on
// the empty page takes the focus away they are the menus' keys again. Exit asks only
// when a change would be lost.
TEST_F(DesignerTest, ClipboardKeysInAFieldMenuKeysElsewhere) {
  frmMain& w = *window;
  AddField("A", 10, 40, 5, "");
  CanvasField* field = w.Field[1];
  QTest::mouseClick(field->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::keyClicks(field, "abc");
  const struct { Qt::Key key; const char* text; } keys[] = {
      {Qt::Key_A, "abc"}, {Qt::Key_C, "abc"}, {Qt::Key_X, ""}, {Qt::Key_V, "abc"}};
  for (const auto& k : keys) {
    QTest::keyClick(field, k.key, Qt::ControlModifier);
    EXPECT_EQ(field->toPlainText(), k.text) << char(k.key);
  }
  EXPECT_TRUE(host.boxes.empty()) << host.Last();

  Press(w.mnuNextPage);
  QTest::mouseClick(w.canvas, Qt::LeftButton, {}, QPoint(400, 300));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(w.CurPage, 1);
  host.replies = {modDB::vbNo};
  Press(w.mnuExit);  // a new field would be lost
  EXPECT_EQ(std::tuple(host.Last(), w.isVisible()),
            std::tuple("EXIT: File has been modified!\r\nAll modifications will be lost\r\nContinue?", true));

  // Saved, then a heading left as it was: marked modified, but nothing to lose.
  SaveAs("Kept");
  Through<frmInput>(w.mnuHeading, [&](frmInput* in) { Click(in->cmdOK); });
  ASSERT_TRUE(w.Modified);
  host.Clear();
  Press(w.mnuExit);
  EXPECT_EQ(std::tuple(w.isVisible(), host.boxes.size()), std::tuple(false, 0u)) << host.Last();
}

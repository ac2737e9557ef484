// What each field format lets the user type, with real key events on the real boxes.
#include "tests/entry/EntryFixture.h"

#include "common/FormLook.h"
#include "entry/FieldFormat.h"

using namespace qfentry;

namespace {

// One field per format; the window in edit mode on a new record.
class FormatTest : public EntryTest {
 protected:
  void Edit(const std::vector<FieldShape>& fields) {
    Open(MakeDatabase(fields));
    window->mnuNewRecord->trigger();
  }
  QString Typed(int slot, const QString& keys) {
    Type(slot, keys);
    return BoxText(slot);
  }
};

}  // namespace

// Each format's rules, without a window: text typed, pasted or dropped goes through
// them key by key, then the format's case.
TEST(FieldFormatRules, WhatEachFormatTakes) {
  const struct {
    const char *format, *before, *arriving, *after;
    int length = 20;
  } cases[] = {
      {"NU", "", "1a2B 3", "123"},  // letters need "A"
      {"AU", "", "ab1cdef", "ABC", 3},  // cased, and no longer than the field
      {"NS", "", "12 34-", "12 34"},
      {"N.", "", "1.5.2", "1.52"},  // one full stop only
      {"N-", "", "-1-2", "-12"},  // minus only at the start
      {"N-", "-12", "-3", "-123"},
      {".-", "", "a.-.-1", ".-.-"},  // without "N" no limit
      {"", "", "x\r\n", ""},
      {"AL", "", "HeLLo", "hello"},
      {"ASF", "", "jOHN o SMITH", "John O Smith"},
      {"AUL", "", "AbC", "abc"},  // "L" after "U"
      {"*U", "", "ab", "AB"},
      {"Y", "", "y", "Y"},
      {"Y", "Y", "n", "N"},
      {"Y", "N", "x1 ", "N"},
      {"Y", "", "maybe no", "N"},
      {"D", "", "1a/2-", "1/2"},
      {"T", "", "12:3a0", "12:30"},
      {"E", "", "ann@x@y.z_-!", "ann@xy.z_-"},
      {"W", "", "http://a:b/c d", "http://ab/cd"},  // ":" once
      {"ED", "", "a@b/1", "a@b1"},  // e-mail rules win over date
      {"N-", "", "\xe9\xe0" "1", "1"},
      {"*", "", "-12x y!\nz", "-12x y!z"},  // no line break into a one-line box
      {"*M", "", "a\nb", "a\r\nb"},
      {"*M", "", "a\nb", "ab", 2},  // a line break counts two
  };
  for (const auto& c : cases) {
    const std::string before = c.before;
    const auto a = FieldFormat::FilterArrivingText(c.format, c.arriving, before, static_cast<int>(before.size()), c.length);
    EXPECT_EQ(FieldFormat::ApplyCase(c.format, a.replaceText ? a.text : before + a.text), c.after)
        << c.format << " " << c.arriving;
  }
  EXPECT_EQ(FieldFormat::FilterFieldKey("N-", '-', "-", 0).key, 0);  // not twice
  EXPECT_TRUE(FieldFormat::FilterFieldKey("A", 13, "", 0).nextField);
  EXPECT_EQ(FieldFormat::FilterFieldKey("", 8, "set", 3).key, 0);  // an empty format takes no key
  EXPECT_EQ(FieldFormat::FilterFieldKey("#", 8, "1", 1).key, 0);
  for (auto [format, alignment] : {std::pair("<>^", 2), {"><", 1}, {"N", 0}})  // the last test wins
    EXPECT_EQ(FieldFormat::Alignment(format), alignment) << format;
  EXPECT_EQ(FieldFormat::LinkAddress('W', "  http://x "), "http://x");
  EXPECT_EQ(FieldFormat::LinkAddress('W', "   "), "");
}

// The box hands the keys, its text and the caret to the rules: the caret where the
// key goes, the length and the case; Enter and Backspace meet the rules too, and
// Enter moves on unless the box is multi-line. The alignment follows the format.
TEST_F(FormatTest, TypedKeysMeetTheFormatAtTheCaret) {
  Edit({{"Minus", 20, 1, "N-"}, {"Empty", 20, 1, ""}, {"Short", 3, 1, "A"}, {"Yes", 1, 1, "Y"}, {"Star", 20, 1, "*U>"},
        {"Memo", 40, 1, "*M^"}});
  EXPECT_EQ(Typed(1, "1-2"), "12");
  QTest::keyClick(window->Field[1], Qt::Key_Home);
  QTest::keyClicks(window->Field[1], "--");
  EXPECT_EQ(BoxText(1), "-12");
  window->Field[2]->setPlainText("set");
  Type(2, "x\b");
  QTest::keyClick(window->Field[2], Qt::Key_Return);
  EXPECT_EQ(std::tuple(BoxText(2), QApplication::focusWidget()), std::tuple("set", window->Field[2]));
  EXPECT_EQ(Typed(3, "abcdef"), "abc");  // no longer than the field
  EXPECT_EQ(Typed(4, "yn"), "N");  // the whole text replaced
  FieldBox* star = window->Field[5];
  EXPECT_EQ(Typed(5, "ab"), "AB");
  QTest::keyClick(star, Qt::Key_Left);
  QTest::keyClicks(star, "x");
  EXPECT_EQ(std::tuple(BoxText(5), star->textCursor().position()), std::tuple(QString("AXB"), 2));
  star->SetText("shown");  // a value from the record is cased too
  EXPECT_EQ(BoxText(5), "SHOWN");
  EXPECT_EQ(std::tuple(star->document()->defaultTextOption().alignment(),
                       window->Field[6]->document()->defaultTextOption().alignment()),
            std::tuple(Qt::AlignRight, Qt::AlignHCenter));
  QTest::keyClick(star, Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), window->Field[6]);
  Type(6, "line1");
  QTest::keyClick(window->Field[6], Qt::Key_Return);
  QTest::keyClicks(window->Field[6], "line2");
  EXPECT_EQ(std::tuple(BoxText(6), QApplication::focusWidget()), std::tuple("line1\nline2", window->Field[6]));
  window->mnuUpdateRecord->trigger();
  // A multi-line caption shows both lines.
  EXPECT_EQ(std::tuple(Stored(1)["Fields"]["Memo"], window->Dummy[6]->text()),
            std::tuple("line1\r\nline2", "line1\nline2"));
}

// Ctrl+T, Ctrl+U and F12 put today and now in through the key filter; a double
// click on a date opens the calendar. A date's separators come in as it is typed; a
// date or time is checked as its field is left, a time typed h:mm shown hh:mm:ss.
TEST_F(FormatTest, TodayNowTheCalendarAndDatesCheckedOnLeaving) {
  Edit({{"Day", 10, 1, "D"}, {"Clock", 8, 1, "T"}, {"Digits", 20, 1, "N"}});
  auto ctrl = [&](int slot, Qt::Key key) {
    window->Field[slot]->setFocus();
    QTest::keyClick(window->Field[slot], key, key == Qt::Key_F12 ? Qt::NoModifier : Qt::ControlModifier);
    QApplication::processEvents();
    return window->Field[slot]->Text();
  };
  // A click on the form's background leaves the focus in the box: F12 still reaches it.
  window->Field[1]->setFocus();
  QWidget* surface = window->surface;
  QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() - 5, surface->height() - 5));
  EXPECT_EQ(QApplication::focusWidget(), window->Field[1]);
  EXPECT_EQ(ctrl(1, Qt::Key_F12), FieldFormat::DateNow());
  EXPECT_TRUE(modLIB::IsValidTime(ctrl(2, Qt::Key_U)));
  // The slashes met the filter.
  EXPECT_EQ(ctrl(3, Qt::Key_T), QString::fromStdString(FieldFormat::DateNow()).remove('/').toStdString());
  EXPECT_EQ(window->Field[2]->Text().size(), 8u);
  window->mnuUpdateRecord->trigger();
  EXPECT_TRUE(host.boxes.empty()) << host.Last();

  window->mnuNewRecord->trigger();
  modDlg::DateText = "unchanged";
  auto ran = qfgui::OnShown<QDialog>([](QDialog* d) {
    modDlg::DateText = "01/02/2003";  // what a double-clicked day writes
    d->accept();
  });
  QTest::mouseDClick(window->Field[1]->viewport(), Qt::LeftButton);
  EXPECT_EQ(std::tuple(*ran, BoxText(1), window->Field[1]->isEnabled()), std::tuple(true, "01/02/2003", true));
  QApplication::setActiveWindow(window);  // the window system gives it back after the calendar
  EXPECT_EQ(QApplication::focusWidget(), window->Field[1]);
  modDlg::SetShownHook({});
  qfgui::HooksSet() = qfgui::HooksRan();
  QTest::mouseDClick(window->Field[3]->viewport(), Qt::LeftButton);  // not a date: no calendar
  EXPECT_EQ(BoxText(3), "");

  window->Field[1]->SetText("");
  EXPECT_EQ(Typed(1, "12031985"), "12/03/1985");
  window->Field[1]->SetText("");
  EXPECT_EQ(Typed(1, "12/03/1985"), "12/03/1985");  // typed slashes are not doubled
  EXPECT_EQ(Typed(2, "9:30"), "9:30");
  Leave(1);
  EXPECT_EQ(BoxText(2), "09:30:00");
  window->Field[1]->SetText("");
  EXPECT_EQ(Typed(1, "31022020"), "31/02/2020");  // no such day
  Leave(2);
  EXPECT_EQ(host.Last(), "CHECK: Field: Day, Invalid date. Format (DD/MM/YYYY)");
  EXPECT_EQ(QApplication::focusWidget(), window->Field[1]);
}

// A link caption opens its address; a multi-line caption opens the viewer; a plain
// one does nothing.
TEST_F(FormatTest, LinksAndMultiLineCaptionsOpenFromTheCaption) {
  const std::string file = MakeDatabase(
      {{"Web", 40, 1, "W"}, {"Secure", 40, 1, "W"}, {"Mail", 40, 1, "E"}, {"Late", 40, 1, "AW"}, {"Plain", 40, 1, "*"},
       {"Memo", 100, 1, "*M"}},
      {{"www.example.org", "HTTPS://example.org/x", "ann@example.org", "www.late.example", "no link", "a\r\nb"}});
  std::vector<QString> opened;
  Platform::SetLinkOpener([&](const QString& a) {
    opened.push_back(a);
    return true;
  });
  frmEdit& w = Open(file);
  for (int i = 1; i <= 5; ++i) QTest::mouseClick(w.Dummy[i], Qt::LeftButton);
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  // With no browser or mailer to take it, a click says so.
  Platform::SetLinkOpener([](const QString&) { return false; });
  QTest::mouseClick(w.Dummy[3], Qt::LeftButton);
  Platform::SetLinkOpener({});
  ExpectBox("OPEN LINK: No web browser or mail program could open mailto:ann@example.org.", modDB::vbCritical);
  // A secure address opens as it is.
  EXPECT_EQ(opened,
            (std::vector<QString>{"Http://www.example.org", "HTTPS://example.org/x", "mailto:ann@example.org"}));
  // "W" not first: no link.
  EXPECT_EQ(std::tuple(w.Dummy[1]->cursor().shape(), w.Dummy[4]->cursor().shape()),
            std::tuple(Qt::PointingHandCursor, Qt::ArrowCursor));
  auto viewed = qfgui::OnShown<QDialog>([](QDialog* d) {
    EXPECT_EQ(d->windowTitle(), "Memo");
    auto* text = d->findChild<QPlainTextEdit*>("Text1");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), "a\nb");
    d->reject();
  });
  QTest::mouseClick(w.Dummy[6], Qt::LeftButton);
  EXPECT_TRUE(*viewed);
}

// ---- Text that arrives without typed keys ---------------------------------------------

namespace {

// An input method's text committed into the box, which has the focus first.
void Commit(QWidget* box, const QString& text) {
  box->setFocus();
  QInputMethodEvent e;
  e.setCommitString(text);
  QApplication::sendEvent(box, &e);
}

}  // namespace

// Ctrl+V, Shift+Insert and the paste key all paste, and what they paste is typed
// through the format as the middle button's text is.
TEST_F(FormatTest, EveryPasteKeyPastesThroughTheFormat) {
  Edit({{"Minus", 20, 1, "N-"}, {"Memo", 20, 1, "*M"}, {"Yes", 1, 1, "Y"}});
  QApplication::clipboard()->setText("-12x y!\nz");
  for (int slot : {1, 2, 3}) {
    FieldBox* box = window->Field[slot];
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  }
  // The minus only at the start; the yes-or-no text replaced whole.
  EXPECT_EQ(QStringList({BoxText(1), BoxText(3)}), QStringList({"-1212", "Y"}));
  window->Field[1]->clear();
  window->Field[1]->setFocus();
  QTest::sendKeyEvent(QTest::Click, window->Field[1], Qt::Key_Paste, QString(), Qt::NoModifier);
  EXPECT_EQ(BoxText(1), "-12");
  window->mnuUpdateRecord->trigger();
  qftest::ExpectJson(Stored(1), {{"/Fields/Minus", "-12"}, {"/Fields/Memo", "-12x y!\r\nz-12x y!\r\nz"}});
}

// While editing, Ctrl+C copies the selection whatever the format and Ctrl+X cuts it;
// in browse mode Ctrl+C is still Close.
TEST_F(FormatTest, CtrlCCopiesInEveryFieldWhileEditing) {
  Open(MakeDatabase({{"Digits", 20, 1, "N"}, {"Name", 20, 1, "AS"}}, {{"123", "Nina Ross"}}));
  window->mnuEditRecord->trigger();
  for (int slot : {1, 2}) {
    QApplication::clipboard()->clear();
    FieldBox* box = window->Field[slot];
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(std::tuple(QApplication::clipboard()->text(), window->Mode),
              std::tuple(slot == 1 ? "123" : "Nina Ross", 2));
  }
  QTest::keyClick(window->Field[2], Qt::Key_X, Qt::ControlModifier);  // and Ctrl+X cuts
  EXPECT_EQ(std::tuple(BoxText(2), QApplication::clipboard()->text()), std::tuple("", "Nina Ross"));
  window->mnuCancelUpdate->trigger();
  QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(window->Mode, 0);  // closed
}

// A drag dropped into a box is typed through the format at the drop point: what goes
// in whole may move, what the format cuts or refuses is never taken from the source
// (the drop says copy, or is ignored).
TEST_F(FormatTest, ACutOrRefusedDropLeavesItsSource) {
  Edit({{"First", 20, 1, "AS"}, {"Digits", 20, 1, "N-"}, {"Other", 20, 1, "AS"}});
  QMimeData data;
  const struct {
    int slot;
    QString text;
    bool accepted;
    Qt::DropAction action;  // Move: whatever the drag proposes
    QString after;
  } cases[] = {
      {2, "Foobarbaz", false, Qt::IgnoreAction, ""},  // refused altogether
      {2, "ab-12", true, Qt::CopyAction, "-12"},      // cut to what the format takes
      {2, "-3", true, Qt::CopyAction, "-123"},        // at the end: the minus is not at the start
      {3, "Foobarbaz", true, Qt::MoveAction, "Foobarbaz"},  // whole: as the drag proposes
  };
  for (const auto& c : cases) {
    data.setText(c.text);
    QWidget* v = window->Field[c.slot]->viewport();
    const QPointF at(v->width() - 2, v->height() / 2);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v, &enter);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(v, &drop);
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(std::tuple(drop.isAccepted(), BoxText(c.slot)), std::tuple(c.accepted, c.after));
    EXPECT_TRUE(c.action == Qt::MoveAction || drop.dropAction() == c.action) << drop.dropAction();
  }
}

// Alt with a letter or a digit is for the menus: it types nothing into any field,
// whatever the format; AltGr (Ctrl+Alt) and an input method type through the format.
TEST_F(FormatTest, InputMethodAndAltGrTextMeetTheFormatAltNeverTypes) {
  Edit({{"Minus", 20, 1, "N-"}, {"Letters", 20, 1, "A"}, {"Free", 20, 1, "*"}});
  auto key = [&](int slot, Qt::Key k, const char* text, Qt::KeyboardModifiers mods) {
    window->Field[slot]->setFocus();
    QTest::sendKeyEvent(QTest::Click, window->Field[slot], k, QString(text), mods);
  };
  const auto altGr = Qt::ControlModifier | Qt::AltModifier;
  for (int slot : {1, 2, 3}) {
    key(slot, Qt::Key_A, "a", Qt::AltModifier);
    key(slot, Qt::Key_X, "X", Qt::AltModifier | Qt::ShiftModifier);
    key(slot, Qt::Key_1, "1", Qt::AltModifier);
  }
  EXPECT_EQ(QStringList({BoxText(1), BoxText(2), BoxText(3)}), QStringList({"", "", ""}));
  EXPECT_EQ(window->Mode, 2);
  Commit(window->Field[1], QString::fromUtf8("éà1"));  // dead keys and compose
  Type(2, "abc");
  key(2, Qt::Key_Q, "@", altGr);  // AltGr+Q on some layouts
  key(2, Qt::Key_D, "d", altGr);  // a letter typed that way is still a letter
  Commit(window->Field[3], QString::fromUtf8("é@"));
  key(3, Qt::Key_Q, "@", altGr);
  EXPECT_EQ(QStringList({BoxText(1), BoxText(2), BoxText(3)}), QStringList({"1", "abcd", QString::fromUtf8("é@@")}));
  window->mnuUpdateRecord->trigger();
  qftest::ExpectJson(Stored(1), {{"/Fields/Minus", "1"}, {"/Fields/Letters", "abcd"}});
}

// The middle button pastes the X selection; only a platform with one can show it.
TEST_F(FormatTest, MiddleButtonPasteIsTypedThroughTheFormat) {
  if (!QApplication::clipboard()->supportsSelection()) GTEST_SKIP() << "no selection clipboard here";
  // Opened without waiting for the window to be active: a bare X server has no
  // window manager to make it so, and the mouse needs none.
  const std::string file = MakeDatabase({{"Minus", 20, 1, "N-"}, {"Empty", 20, 1, ""}});
  window = new frmEdit;
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  ASSERT_TRUE(window->StartUp(file));
  window->mnuNewRecord->trigger();
  QApplication::clipboard()->setText("-12x y!", QClipboard::Selection);
  QTest::qWait(50);
  for (int slot : {1, 2}) {
    QWidget* v = window->Field[slot]->viewport();
    QTest::mouseClick(v, Qt::MiddleButton, Qt::NoModifier, QPoint(v->width() - 2, v->height() / 2));
  }
  EXPECT_EQ(QStringList({BoxText(1), BoxText(2)}), QStringList({"-12", ""}));
}

namespace {

// Pixels of rows top ... bottom (and not the outer columns) darker than mid grey.
int Ink(const QImage& image, int top, int bottom) {
  int n = 0;
  for (int y = std::max(top, 0); y <= bottom && y < image.height(); ++y)
    for (int x = 1; x < image.width() - 1; ++x) n += qGray(image.pixel(x, y)) < 128;
  return n;
}

// The caption's text drawn alone, in its font and colours, as high as the line.
QImage LineAlone(QLabel* caption) {
  QImage image(caption->width(), QFontMetrics(caption->font()).height(), QImage::Format_RGB32);
  image.fill(caption->palette().color(QPalette::Window));
  QPainter p(&image);
  p.setFont(caption->font());
  p.setPen(caption->palette().color(QPalette::WindowText));
  p.drawText(image.rect().adjusted(1, 0, -1, 0), static_cast<int>(caption->alignment()), caption->text());
  return image;
}

}  // namespace

// At the height the designer proposes (one line of the field font), an input box and
// a caption show the whole line: no inner margin takes rows from it.
TEST_F(FormatTest, ALineFitsTheProposedHeight) {
  modDB::InitHeader();
  const QFont font = FormLook::Font(modDB::GetFormProps().FieldFont);
  const int lineHeight = QFontMetrics(font).height();
  Open(MakeDatabase({{"Amount", 20, 1, "N.", lineHeight}, {"Name", 20, 1, "*", lineHeight}},
                    {{"1234.50", "Typography, gjq"}}));
  for (int k = 1; k <= 2; ++k) {
    DummyLabel* d = window->Dummy[k];
    EXPECT_EQ(d->height(), lineHeight);
    // Every inked pixel of the line, drawn alone, shows inside the box lines.
    EXPECT_EQ(Ink(d->grab().toImage(), 1, d->height() - 2), Ink(LineAlone(d), 0, lineHeight - 1)) << k;
  }
  qfgui::Shot(window, "entry-default-height-browse");
  window->mnuEditRecord->trigger();
  for (int k = 1; k <= 2; ++k) {
    FieldBox* b = window->Field[k];
    const QRect line = b->cursorRect(QTextCursor(b->document())).translated(b->viewport()->pos());
    EXPECT_TRUE(line.height() >= lineHeight - 1 && line.top() >= -FormLook::kTextRaise &&
                line.bottom() <= b->height() - 2)
        << k << ": line " << line.top() << " to " << line.bottom() << " in a box " << b->height() << " high";
  }
  qfgui::Shot(window, "entry-default-height-edit");
}

// A box taller than its line keeps the text off the top line; right-aligned values
// keep a pixel from the right line; the box being typed into has its line in the
// highlight colour. The same on screen as in the caption (browse mode, and print).
TEST_F(FormatTest, TextKeepsOffTheLinesAndTheCurrentBoxIsMarked) {
  Open(MakeDatabase({{"Amount", 10, 1, "N>", 24}, {"Name", 20, 1, "AS", 24}}, {{"8888", "Ann"}}));
  const QColor back = FormLook::Color(modDB::GetFormProps().FieldFont.BackColor);
  // The column just inside the right line, and the row just below the top line,
  // hold no ink.
  auto clearOfLines = [&](QWidget* w, bool top) {
    const QImage img = w->grab().toImage();
    for (int y = 1; y < img.height() - 1; ++y) EXPECT_EQ(QColor(img.pixel(img.width() - 2, y)), back) << y;
    for (int x = 1; top && x < img.width() - 1; ++x) EXPECT_EQ(QColor(img.pixel(x, 1)), back) << x;
  };
  for (int k = 1; k <= 2; ++k) clearOfLines(window->Dummy[k], true);
  window->mnuEditRecord->trigger();
  FieldBox* amount = window->Field[1];
  QApplication::processEvents();
  clearOfLines(amount, false);  // the caret may blink in the top row
  const QRect line = amount->cursorRect(QTextCursor(amount->document())).translated(amount->viewport()->pos());
  EXPECT_GE(line.top(), 1);
  EXPECT_EQ(QColor(amount->grab().toImage().pixel(0, 5)), amount->palette().color(QPalette::Highlight));
  const QImage other = window->Field[2]->grab().toImage();
  const QColor ink = window->Field[2]->palette().color(QPalette::WindowText);
  // The box line all round, the top row too although the text area starts below it.
  for (const QPoint& at : {QPoint(0, 5), QPoint(other.width() - 1, 5), QPoint(5, 0), QPoint(5, other.height() - 1)})
    EXPECT_EQ(QColor(other.pixel(at)), ink) << at.x() << "," << at.y();
}

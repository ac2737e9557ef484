#include "entry/FieldBox.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>

#include <cmath>

#include "common/FormLook.h"
#include "common/QtText.h"
#include "entry/FieldFormat.h"

QString FieldBox::ToBox(const std::string& cp) {
  QString s = QtText::FromCp(cp);
  s.replace("\r\n", "\n");
  return s;
}
std::string FieldBox::FromBox(QString s) {
  s.replace("\r\n", "\n");
  s.replace(QChar::ParagraphSeparator, '\n');
  s.replace("\n", "\r\n");
  return QtText::ToCp(s);
}

void FieldBox::TypeInto(QWidget* target, const std::string& text) {
  if (!target) return;
  for (char c : text) {
    const QString t(QtText::FromCode(static_cast<unsigned char>(c)));
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, t));
    QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, 0, Qt::NoModifier, t));
  }
}

FieldBox::FieldBox(int slot, QWidget* parent) : BoxedTextEdit(parent), slot_(slot) {
  setProperty("tag", QString::number(slot));
  setTabChangesFocus(true);
  setContextMenuPolicy(Qt::PreventContextMenu);  // no way around the key rules
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  viewport()->installEventFilter(this);
  connect(this, &QPlainTextEdit::textChanged, this, &FieldBox::ApplyFormat);
  hide();
}

std::string FieldBox::Text() const { return FromBox(toPlainText()); }

void FieldBox::SetText(const std::string& cp1252) {
  const QString t = ToBox(cp1252);
  if (t != toPlainText()) setPlainText(t);
}

int FieldBox::Caret() const {
  const QString before = toPlainText().left(textCursor().position());
  return static_cast<int>(FromBox(before).size());
}

void FieldBox::SetAlignment(Qt::Alignment a) {
  QTextOption o = document()->defaultTextOption();
  o.setAlignment(a);
  document()->setDefaultTextOption(o);
}

void FieldBox::keyPressEvent(QKeyEvent* e) {
  // The character code the key types: Ctrl+letter gives the control codes 1 … 26.
  // Ctrl, Ctrl+Shift and Alt type no text; every other key with text types it,
  // Ctrl+Alt (AltGr) included, so that the text meets the format.
  int code = -1;
  const Qt::KeyboardModifiers mods =
      e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
  const bool shortcut = mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier);
  const bool ctrl = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
  // Alt without Ctrl is for the menus: it never types, whatever text the key carries.
  if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !e->text().isEmpty()) {
    e->ignore();
    return;
  }
  if (ctrl && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) {
    code = e->key() - Qt::Key_A + 1;
  } else if ((e->key() == Qt::Key_Insert && mods == Qt::ShiftModifier) || e->key() == Qt::Key_Paste ||
             e->matches(QKeySequence::Paste)) {
    code = 22;  // the other paste keys are Ctrl+V
  } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    code = 13;
  } else if (e->key() == Qt::Key_Backspace) {
    code = 8;
  } else if (!e->text().isEmpty() && !shortcut) {
    if (e->text().size() > 1) {  // a composed run of characters
      InsertArriving(e->text());
      return;
    }
    code = QtText::CharCode(e->text().at(0));
    if (code < 0) code = '?';
    if (code == 127) code = -1;  // Delete types nothing
  }
  if (code < 0) {  // keys that type nothing: arrows, Delete, Home, End ...
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  // Every paste key pastes, and the pasted text is typed through the format as the
  // middle button's is; Ctrl+C copies in every field, as Ctrl+Insert does, and
  // Ctrl+X cuts.
  if (code == 22) {
    paste();
    return;
  }
  if (code == 3) {
    copy();
    return;
  }
  if (code == 24) {  // Ctrl+X cuts: what stays was typed through the format already
    cut();
    return;
  }
  if (code == 1) {  // Ctrl+A selects the whole text, whatever the format
    selectAll();
    return;
  }
  const bool atEnd = !textCursor().hasSelection() && textCursor().atEnd();
  if (code == '/' && atEnd && FieldFormat::SlashPutIn(format, Text())) return;  // put in already
  const int key = FilterKey(code);
  if (key == 0) return;
  if (key == 8 || (key < 32 && key != 13)) {  // Backspace and the other clipboard keys
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  // The box takes no more than its field's length (a line break counts two).
  const int selected = static_cast<int>(FromBox(textCursor().selectedText()).size());
  const int width = key == 13 ? 2 : 1;
  if (maxLength > 0 && static_cast<int>(Text().size()) - selected + width > maxLength) return;
  insertPlainText(key == 13 ? QString("\n") : QString(QtText::FromCode(key)));
  if (atEnd && key >= '0' && key <= '9') {
    const std::string text = Text(), slash = FieldFormat::DateSeparatorAfter(format, text);
    if (!slash.empty() && (maxLength <= 0 || static_cast<int>(text.size()) < maxLength)) insertPlainText("/");
  }
}

int FieldBox::FilterKey(int key) {
  if (key == 20) {  // Ctrl+T: today's date
    TypeInto(this, FieldFormat::DateNow());
    return 0;
  }
  if (key == 21) {  // Ctrl+U: the time
    TypeInto(this, FieldFormat::TimeNow());
    return 0;
  }
  const FieldFormat::KeyAnswer answer = FieldFormat::FilterFieldKey(format, key, Text(), Caret());
  if (answer.nextField) {  // Enter in a one-line field
    focusNextChild();
    return 0;
  }
  if (answer.replaceText) SetText(answer.text);
  else if (answer.key == 0) emit keyRefused(slot_, key);
  return answer.key;
}

void FieldBox::ApplyFormat() {
  if (applying_) return;
  const QString before = toPlainText();
  std::string text = FieldFormat::ApplyCase(format, Text());
  if (maxLength > 0 && static_cast<int>(text.size()) > maxLength) text.resize(maxLength);
  const QString after = ToBox(text);
  if (after == before) return;
  const int caret = textCursor().position();
  applying_ = true;
  setPlainText(after);
  QTextCursor c = textCursor();
  c.setPosition(std::min<int>(caret, static_cast<int>(after.size())));
  setTextCursor(c);
  applying_ = false;
}

// Entered with Tab, Shift+Tab or Enter, a one-line box has its text selected, so
// that typing replaces it; a multi-line box keeps its caret.
void FieldBox::focusInEvent(QFocusEvent* e) {
  QPlainTextEdit::focusInEvent(e);
  PlaceRing(true);
  emit focused(slot_);
  if (e->reason() != Qt::TabFocusReason && e->reason() != Qt::BacktabFocusReason) return;
  if (FieldFormat::Has(format, 'M')) return;
  selectAll();
}

void FieldBox::focusOutEvent(QFocusEvent* e) {
  QPlainTextEdit::focusOutEvent(e);
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  PlaceRing(false);
  QTextCursor c = textCursor();
  if (!c.hasSelection()) return;
  c.clearSelection();
  setTextCursor(c);
}

void FieldBox::moveEvent(QMoveEvent* e) {
  QPlainTextEdit::moveEvent(e);
  if (hasFocus()) PlaceRing(true);
}
void FieldBox::resizeEvent(QResizeEvent* e) {
  QPlainTextEdit::resizeEvent(e);
  if (hasFocus()) PlaceRing(true);
}
void FieldBox::hideEvent(QHideEvent* e) {
  QPlainTextEdit::hideEvent(e);
  PlaceRing(false);
}

namespace {

// Two pixels round the box, a pixel off its line: the highlight colour, or the text
// colour where the highlight would hardly stand out from the form (a scheme whose
// background is close to it).
class FocusRing : public QWidget {
 public:
  explicit FocusRing(QWidget* parent) : QWidget(parent) {
    setObjectName("FocusRing");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }
  QColor colour;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(QRect(r.left(), r.top(), r.width(), 2), colour);
    p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), colour);
    p.fillRect(QRect(r.left(), r.top(), 2, r.height()), colour);
    p.fillRect(QRect(r.right() - 1, r.top(), 2, r.height()), colour);
  }
};

double Lightness(const QColor& c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); }

}  // namespace

void FieldBox::PlaceRing(bool shown) {
  QWidget* form = parentWidget();
  if (!form) return;
  auto* ring = form->findChild<FocusRing*>("FocusRing", Qt::FindDirectChildrenOnly);
  if (!shown) {
    if (ring && ring->property("slot").toInt() == slot_) ring->hide();
    return;
  }
  if (!ring) ring = new FocusRing(form);
  QColor c = palette().color(QPalette::Highlight);
  const QColor back = form->palette().color(form->backgroundRole());
  if (std::abs(Lightness(c) - Lightness(back)) < 0.3) c = palette().color(QPalette::WindowText);
  ring->colour = c;
  ring->setProperty("slot", slot_);
  ring->setGeometry(geometry().adjusted(-3, -3, 3, 3));
  ring->stackUnder(this);
  ring->show();
  ring->update();
}

// A drag of the box's text runs inside the move that starts it, and its button comes
// up elsewhere: once the drag is over the box takes it as released here, so that a
// later move does not start a second drag of the same text.
void FieldBox::mouseMoveEvent(QMouseEvent* e) {
  const int before = childrenAdded_;
  QPlainTextEdit::mouseMoveEvent(e);
  if (childrenAdded_ == before) return;  // no drag (it is the one child a move makes)
  QMouseEvent up(QEvent::MouseButtonRelease, e->position(), e->scenePosition(), e->globalPosition(),
                 Qt::LeftButton, Qt::NoButton, e->modifiers());
  QPlainTextEdit::mouseReleaseEvent(&up);
}

bool FieldBox::eventFilter(QObject* watched, QEvent* e) {
  if (watched == viewport() && e->type() == QEvent::ChildAdded) ++childrenAdded_;
  return QPlainTextEdit::eventFilter(watched, e);
}

void FieldBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QPlainTextEdit::mouseDoubleClickEvent(e);
  emit doubleClicked(slot_);
}

void FieldBox::InsertArriving(const QString& arriving) {
  const QTextCursor c = textCursor();
  const QString all = toPlainText();
  const std::string before = FromBox(all.left(c.selectionStart()));
  const std::string after = FromBox(all.mid(c.selectionEnd()));
  const FieldFormat::TextAnswer a = FieldFormat::FilterArrivingText(format, QtText::ToCp(arriving), before + after,
                                                                    static_cast<int>(before.size()), maxLength);
  if (a.replaceText) {
    SetText(a.text);
  } else if (!a.text.empty()) {
    insertPlainText(ToBox(a.text));
  }
}

// A paste (once the paste key passed), the middle button and a drop.
bool FieldBox::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasText() && QPlainTextEdit::canInsertFromMimeData(source);
}
void FieldBox::insertFromMimeData(const QMimeData* source) {
  if (source->hasText()) InsertArriving(source->text());
}

// What the format makes of `arriving` dropped at `pos` (viewport pixels), and whether
// all of it would go in as it is.
FieldFormat::TextAnswer FieldBox::DropAnswer(const QString& arriving, const QPoint& pos, bool& whole) const {
  const QString all = toPlainText();
  const int at = cursorForPosition(pos).position();
  const std::string before = FromBox(all.left(at));
  const std::string incoming = FromBox(arriving);
  const FieldFormat::TextAnswer a = FieldFormat::FilterArrivingText(format, incoming, before + FromBox(all.mid(at)),
                                                                    static_cast<int>(before.size()), maxLength);
  whole = !a.replaceText && a.text == incoming;
  return a;
}

// A drop the format refuses is refused, so that its source keeps its text.
void FieldBox::dragMoveEvent(QDragMoveEvent* e) {
  QPlainTextEdit::dragMoveEvent(e);
  if (!e->mimeData()->hasText()) return;
  bool whole = false;
  const FieldFormat::TextAnswer a = DropAnswer(e->mimeData()->text(), e->position().toPoint(), whole);
  if (!a.replaceText && a.text.empty()) e->ignore();
}

// A drop that goes in whole may move its text; one the format cuts is a copy, and
// one it refuses altogether is ignored: either way nothing leaves the source.
void FieldBox::dropEvent(QDropEvent* e) {
  if (!e->mimeData()->hasText()) {
    e->ignore();
    return;
  }
  const QPoint pos = e->position().toPoint();
  bool whole = false;
  const FieldFormat::TextAnswer a = DropAnswer(e->mimeData()->text(), pos, whole);
  if (whole) {
    QPlainTextEdit::dropEvent(e);
    return;
  }
  QDragLeaveEvent leave;  // takes the drop caret away
  QPlainTextEdit::dragLeaveEvent(&leave);
  if (!a.replaceText && a.text.empty()) {
    e->setDropAction(Qt::IgnoreAction);
    e->ignore();
    return;
  }
  setTextCursor(cursorForPosition(pos));
  if (a.replaceText)
    SetText(a.text);
  else
    insertPlainText(ToBox(a.text));
  e->setDropAction(Qt::CopyAction);
  e->accept();
  setFocus();
}

// An input method's preedit text is only shown; what it commits is typed through.
void FieldBox::inputMethodEvent(QInputMethodEvent* e) {
  if (e->commitString().isEmpty()) {
    QPlainTextEdit::inputMethodEvent(e);
    return;
  }
  QInputMethodEvent shown(e->preeditString(), e->attributes());
  shown.setCommitString(QString(), e->replacementStart(), e->replacementLength());
  QPlainTextEdit::inputMethodEvent(&shown);
  InsertArriving(e->commitString());
  e->accept();
}

// ---- DummyLabel ----------------------------------------------------------------------

DummyLabel::DummyLabel(int slot, QWidget* parent) : QLabel(parent), slot_(slot) {
  setProperty("tag", QString::number(slot));
  setTextFormat(Qt::PlainText);
  setWordWrap(true);
  setMargin(0);
  hide();
}

// Drawn as the input box shows its text: no inner margin, in from the sides and
// placed up or down as FormLook says; then the box line over the edges.
void DummyLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(rect().adjusted(1, FormLook::TextTop(height(), font()), -FormLook::kRightInset, 0),
             static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
  p.end();
  FormLook::DrawBoxEdges(this, this, true, true);
}

void DummyLabel::SetFormat(const std::string& format) {
  format_ = format;
  setCursor(FieldFormat::LinkKind(format_) != 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void DummyLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked(slot_);
}

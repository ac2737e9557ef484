#include "common/KeyFilter.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "common/QtText.h"
#include "lib/modLIB.h"

KeyFilter::KeyFilter(QLineEdit* box, const QString& allowed)
    : QObject(box), box_(box), allowed_(allowed) {
  box->installEventFilter(this);
  // Pasting goes through the same filter (Ctrl+V, below); the context menu would not.
  box->setContextMenuPolicy(Qt::NoContextMenu);
  // Nor would dropped text, the middle-button paste or an input method: keys only.
  box->setAcceptDrops(false);
  box->setAttribute(Qt::WA_InputMethodEnabled, false);
}

KeyFilter* KeyFilter::Install(QLineEdit* box, const QString& allowed) { return new KeyFilter(box, allowed); }

QString KeyFilter::Filter(const QString& typed, const QString& allowed) {
  const std::string set = QtText::ToCp(allowed);
  QString out;
  for (QChar c : typed) {
    const int code = QtText::CharCode(c);
    if (code <= 0) continue;
    const int16_t r = modLIB::FilterKey(static_cast<int16_t>(code), set);
    if (r == 0 || r == 8 || r == 13) continue;
    out += QtText::FromCode(r);
  }
  return out;
}

bool KeyFilter::TypesText(const QKeyEvent* key) {
  const QString typed = key->text();
  const Qt::KeyboardModifiers mods =
      key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
  if (typed.isEmpty() || !typed.at(0).isPrint()) return false;
  return mods != Qt::ControlModifier && mods != (Qt::ControlModifier | Qt::ShiftModifier);
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == box_ && (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
    return true;
  if (watched == box_ && (event->type() == QEvent::InputMethod || event->type() == QEvent::Drop)) {
    event->ignore();
    return true;
  }
  if (watched != box_ || event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->matches(QKeySequence::Paste) || key->key() == Qt::Key_Paste ||
      (key->key() == Qt::Key_Insert && key->modifiers() == Qt::ShiftModifier)) {
    const QString text = Filter(QApplication::clipboard()->text(), allowed_);
    if (!text.isEmpty()) box_->insert(text);
    return true;
  }
  switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    default:
      break;
  }
  const QString typed = key->text();
  if (!TypesText(key)) return false;  // a key that types nothing: editing, moving, shortcuts
  const QString text = Filter(typed, allowed_);
  if (!text.isEmpty()) box_->insert(text);
  return true;
}

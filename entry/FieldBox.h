// FieldBox and DummyLabel: the widgets of the entry window's form, one of each a
// field slot. A FieldBox is the input box shown in edit mode; a DummyLabel shows the
// field's value read-only (browse mode, caption-only fields).
//
// Each keeps the format of the field it shows, given by the window as it lays out a
// page, and applies it itself: a box runs every typed key and every arriving text
// through FieldFormat and cases its own text; a caption over a link shows the
// pointing hand. What the window must hear of (the focus, a double click, a click) a
// widget tells through a signal carrying its slot number; neither knows the window.
#pragma once

#include <QLabel>
#include <string>

#include "common/BoxedTextEdit.h"
#include "entry/FieldFormat.h"

// An input box of the form: a multi-line text box whose typed keys go through the
// field's format.
class FieldBox : public BoxedTextEdit {
  Q_OBJECT
 public:
  FieldBox(int slot, QWidget* parent);
  int slot() const { return slot_; }
  int maxLength = 0;  // characters, line breaks counting two
  std::string format;  // the field's format, trimmed

  // The box's text as the record holds it: Windows-1252, line breaks as CR LF.
  std::string Text() const;
  void SetText(const std::string& cp1252);
  int Caret() const;
  void SetAlignment(Qt::Alignment a);
  // Text that arrives without keys of its own (a paste, a drop, the middle button, an
  // input method) goes in through the format's key rules, character by character.
  void InsertArriving(const QString& text);

  // Record text uses CR LF between lines; the boxes use LF.
  static QString ToBox(const std::string& cp);
  static std::string FromBox(QString s);

  // Types text into `target` through the keyboard queue, key by key, so that each
  // character meets a box's format as if the user typed it.
  static void TypeInto(QWidget* target, const std::string& text);

 signals:
  void focused(int slot);
  void doubleClicked(int slot);
  // The field's format swallowed a typed key (a character code).
  void keyRefused(int slot, int key);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  // Leaving for another control drops the selection, so that only the box in hand
  // looks selected; a menu or another window leaves it.
  void focusOutEvent(QFocusEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void insertFromMimeData(const QMimeData* source) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  FieldFormat::TextAnswer DropAnswer(const QString& arriving, const QPoint& pos, bool& whole) const;
  // The typed character after the format's rules (0: swallowed).
  int FilterKey(int key);
  // The format's letter case and the field's length, applied to the text as it changes.
  void ApplyFormat();
  // The ring drawn round the box that has the focus, outside its line (one for the
  // whole form, under the boxes).
  void PlaceRing(bool shown);
  int slot_;
  int childrenAdded_ = 0;  // children the text area has had (a drag is one)
  bool applying_ = false;  // inside ApplyFormat's own text update
};

// A read-only caption of a field: browse mode, and computed or numbered fields.
class DummyLabel : public QLabel {
  Q_OBJECT
 public:
  DummyLabel(int slot, QWidget* parent);
  int slot() const { return slot_; }
  std::string caption;  // the value as the record holds it (Windows-1252, CR LF)

  // The field's format, trimmed: a web or mail link shows the pointing hand.
  void SetFormat(const std::string& format);

 signals:
  void clicked(int slot);

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  int slot_;
  std::string format_;
};

// FieldBox and DummyLabel: the widgets of frmEdit's form, one of each a field slot.
// A FieldBox is the input box shown in edit mode; a DummyLabel shows the field's
// value read-only (browse mode, caption-only fields). Both hand their events to the
// window by slot number.
#pragma once

#include <QLabel>
#include <string>

#include "BoxedTextEdit.h"
#include "FieldFormat.h"

class frmEdit;

// An input box of the form: a multi-line text box whose typed keys go through the
// field's format.
class FieldBox : public BoxedTextEdit {
  Q_OBJECT
 public:
  FieldBox(frmEdit* form, int slot, QWidget* parent);
  int slot() const { return slot_; }
  int maxLength = 0;  // characters, line breaks counting two

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

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
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
  frmEdit* form_;
  int slot_;
  int childrenAdded_ = 0;  // children the text area has had (a drag is one)
};

// A read-only caption of a field: browse mode, and computed or numbered fields.
class DummyLabel : public QLabel {
  Q_OBJECT
 public:
  DummyLabel(frmEdit* form, int slot, QWidget* parent);
  int slot() const { return slot_; }
  std::string caption;  // the value as the record holds it (Windows-1252, CR LF)

 protected:
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  frmEdit* form_;
  int slot_;
};

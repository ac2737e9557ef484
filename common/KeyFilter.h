// KeyFilter: puts a restricted text box's typed keys through modLIB::FilterKey.
//
// Every character typed (or pasted) into the box is checked against the allowed set
// ("N", "ANS", "XU" ...): a swallowed character is not entered, a let-through one is
// entered in the case FilterKey gives it. Backspace and Enter always pass; editing
// keys that type nothing (arrows, Delete, Home, End) are left alone.
#pragma once

#include <QObject>
#include <QString>

class QKeyEvent;
class QLineEdit;

class KeyFilter : public QObject {
  Q_OBJECT
 public:
  KeyFilter(QLineEdit* box, const QString& allowed);
  static KeyFilter* Install(QLineEdit* box, const QString& allowed);

  // The text that the typed text becomes; characters swallowed are dropped.
  static QString Filter(const QString& typed, const QString& allowed);

  // True when the key enters printable text: Ctrl and Ctrl+Shift type none, Ctrl+Alt
  // (AltGr) and Alt may.
  static bool TypesText(const QKeyEvent* key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* box_;
  QString allowed_;
};

// frmScript: the script editor (caption "Script").
//
// A plain text editor for the form script the definition carries. The menu bar holds
// "&Update" (compile the text with the script engine; store it and close, or show
// the engine's message and put the caret at the fault), "&Cancel" (close, asking first when the text
// was changed), "&Help" and the caret's position ("L 1, C 1"), which follows every
// key and mouse release in the text. A typed Tab becomes a blank. The script reaches
// the definition only through "&Update"; SetScript keeps at most 4000 characters.
#pragma once

#include <QDialog>
#include <string>

class QAction;
class QMenuBar;
class QPlainTextEdit;
class DesignerState;

class frmScript : public QDialog {
  Q_OBJECT
 public:
  explicit frmScript(DesignerState* designer);

  QPlainTextEdit* SCRP;
  QMenuBar* menuBar;
  QAction* mnuUpdate;
  QAction* mnuCancel;
  QAction* mnuHelp;
  QAction* mnuLine;
  bool TextModified = false;

  void mnuUpdate_Click();
  void mnuCancel_Click();
  void ShowPosition();
  // Compiles the script with the script engine: "" when it compiles, else the
  // engine's message with the line and column (1-based) of the fault.
  static std::string CheckScript(const std::string& source, int& line, int& column);
  // Puts the caret at line and column (1-based) and the focus in the text.
  void PutCaret(int line, int column);

  // "&Cancel", Escape and the close box: asks before dropping a changed text.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DesignerState* designer_;
};

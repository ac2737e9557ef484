// QtHost: the window programs' Host. Message boxes are QMessageBoxes with the icon,
// buttons and default button that the style asks for and the given title (the
// program's title when empty); DoEvents runs pending window events; ShowPer and
// HidePer drive the progress window. Construct one in main() after the
// QApplication: it installs itself and removes itself when destroyed.
#pragma once

#include "engine/Host.h"

class QMessageBox;

class QtHost final : public modDB::Host {
 public:
  QtHost();
  ~QtHost() override;

  int MsgBox(const std::string& text, int style, const std::string& title) override;
  void DoEvents() override;
  void ShowPer(int32_t current, int32_t total) override;
  void HidePer() override;

  // Builds the box MsgBox shows, for a caller (or a test) that wants to look at it.
  static void Prepare(QMessageBox& box, const std::string& text, int style, const std::string& title);
  // The classic answer for the button the box was closed with.
  static int Answer(const QMessageBox& box, int style);
  // Widens the box so that its title shows whole (Prepare does this).
  static void KeepTitleWhole(QMessageBox& box);
};

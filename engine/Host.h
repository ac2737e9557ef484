// Host: how the engine reaches the user.
//
// The engine shows its own messages, asks its own questions and drives the progress
// window through the one Host installed per program. The window programs install a
// message-box implementation, the command-line tools one that prints to stderr, the
// tests a recorder that answers from a script of replies. Until a program installs
// one, a silent host answers OK (and the default button of a question).
#pragma once

#include <cstdint>
#include <string>

namespace modDB {

// Message box styles and answers, with their classic values.
enum MsgStyle : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
  vbDefaultButton2 = 256,
  vbDefaultButton3 = 512,
};
enum MsgAnswer : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct Host {
  virtual ~Host() = default;
  virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;
  virtual void DoEvents() = 0;  // let the window system run pending events
  virtual void ShowPer(int32_t current, int32_t total) = 0;
  virtual void HidePer() = 0;
};

// The answer a box gives when nobody is there to press a button: its default button.
int DefaultAnswer(int style);

// Installs the program's host (not owned; nullptr restores the silent host).
void SetHost(Host* host);
Host& GetHost();

// The usual failure report: critical icon, OK button.
void Fail(const std::string& title, const std::string& text);

}  // namespace modDB

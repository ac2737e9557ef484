// The form script's MsgBox and InputBox in the entry window: a real message box
// (through the program's Host, like every other message) and a real input box.
#pragma once

#include "script/script_host.h"

class EntryScriptUi : public qfscript::ScriptUi {
 public:
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  bool InputBox(const std::string& prompt, const std::string& title, std::string& value) override;
};

// What a program that hosts scripts implements: its objects and its dialogs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "script/variant.h"

namespace qfscript {

// An object the host makes visible to scripts with ScriptControl::AddObject.
//
// Member names arrive as the script wrote them: compare them without regard
// to case (SameName). Arguments are the caller's own Variants when the script
// passed a variable, so a method may write back into them (ByRef).
class HostObject {
 public:
  virtual ~HostObject() = default;
  // A method call or a property read. Returns 0, an error number (438 for a
  // member the object does not have), or kHostStop to end the script quietly.
  virtual int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) = 0;
  // "obj.prop = value" (and "obj.prop(i) = value").
  virtual int Put(const std::string& property, std::vector<Variant*>& args, const Variant& value) {
    return 438;
  }
  virtual std::string TypeName() const { return "Object"; }
  // For Each over the object: fills `items` with the elements in order and
  // returns 0, or returns an error number (451 for an object that is no
  // collection).
  virtual int Enumerate(std::vector<Variant>& items) { return 451; }
};

// Time a host method spends waiting for the user (a message box, an input
// box, a picker) does not count against the script's time-out; all other time
// in host methods does. A method puts one of these on its stack for the time
// it waits:
//   { qfscript::UserWait wait; answer = AskTheUser(); }
// Outside a running script it does nothing.
class UserWait {
 public:
  UserWait();
  ~UserWait();
  UserWait(const UserWait&) = delete;
  UserWait& operator=(const UserWait&) = delete;

 private:
  std::chrono::steady_clock::time_point start_;
};

// A new object for CreateObject's class name ("Scripting.Dictionary",
// "VBScript.RegExp"); nullptr for every other name. For a host method that
// hands out the engine's own objects (WScript.CreateObject).
Object* CreateBuiltinObject(const std::string& progId);

// Returned by a host method to stop the script at once without an error
// (WScript.Quit).
inline constexpr int kHostStop = -1;

// MsgBox and InputBox. Buttons and results use the usual message box numbers
// (vbOKOnly 0, vbYesNo 4, vbCritical 16 ...; vbOK 1, vbCancel 2, vbYes 6, vbNo 7).
class ScriptUi {
 public:
  virtual ~ScriptUi() = default;
  virtual int MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
  // False when the user cancels (the script then gets Empty).
  virtual bool InputBox(const std::string& prompt, const std::string& title, std::string& value) = 0;
};

}  // namespace qfscript

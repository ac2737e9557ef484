// ScriptControl: what the programs call to run form scripts.
//
// Usage, as QfEntry does for every run:
//   ctl.Reset(); ctl.AddObject("Qf", obj); ctl.AddCode(text); ctl.Run("Start", args);
// AddCode parses the whole text (a compile error stops it before anything
// runs) and then runs its top-level statements. Check compiles a text the same
// way on its own, runs nothing and leaves the control's code and variables as
// they are (the designer's syntax check). Run calls a Sub or Function by
// name. Both return false on an error, described by Error(). Timeout (ms, -1
// for none) bounds each AddCode and each Run; time spent in MsgBox/InputBox
// and inside a host method's UserWait (waiting for the user) does not count.
// Not thread-safe: one control per thread, and host methods may not call back
// into AddCode or Run (they fail).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "script/script_host.h"
#include "script/variant.h"

namespace qfscript {

class Interp;

using ObjectMaker = std::function<Object*(const std::string& progId)>;

struct ScriptError {
  int Number = 0;
  std::string Description;
  int Line = 0;    // 1-based; 0 when the error has no place in the script
  int Column = 0;  // 1-based
  std::string Source;  // "Microsoft VBScript compilation error" / "... runtime error"; "" when
                       // the script raised it with an empty source (Err.Raise n, "")
  std::string Text;    // the source line
};

class ScriptControl {
 public:
  ScriptControl();
  ~ScriptControl();
  ScriptControl(const ScriptControl&) = delete;
  ScriptControl& operator=(const ScriptControl&) = delete;

  // Drops all code, variables and objects (the UI and Timeout stay).
  void Reset();
  // Makes `object` visible to scripts as `name`; with globalMembers its
  // methods can also be called without the "name." prefix.
  void AddObject(const std::string& name, std::shared_ptr<HostObject> object, bool globalMembers = false);
  bool AddCode(const std::string& text);
  // True when `text` compiles on its own; else false with the fault in Error()
  // (its Description is never empty). Runs nothing; the loaded code stays.
  bool Check(const std::string& text);
  bool Run(const std::string& procName, std::vector<Variant>& args, Variant* result = nullptr);
  bool Run(const std::string& procName) {
    std::vector<Variant> none;
    return Run(procName, none);
  }

  const ScriptError& Error() const { return error_; }
  // True when the last AddCode or Run ended because a host method asked to stop (WScript.Quit).
  bool Stopped() const { return stopped_; }

  // MsgBox and InputBox go here; without one MsgBox answers OK and InputBox its default.
  void SetUi(ScriptUi* ui);

  // Further classes for CreateObject: `make` is asked for a name the engine
  // does not make itself and returns a new object or nullptr (429). Stays
  // over Reset. Form scripts have none; the console runner gives its files.
  void SetObjectMaker(ObjectMaker make);

  int64_t Timeout = -1;

 private:
  std::unique_ptr<Interp> in_;
  ScriptError error_;
  ScriptUi* ui_ = nullptr;
  ObjectMaker make_;
  bool stopped_ = false;

  template <typename F>
  bool Guard(F&& body, const std::string* source);
  template <typename F>
  bool Catch(F&& body, const std::string* source);
};

}  // namespace qfscript

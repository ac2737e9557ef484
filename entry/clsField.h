// clsField: the object "Qf" through which a form script reaches the program.
//
// It reads and writes fields of the current record, works on a second form database
// (read and written straight through the file layout, writes under the writers'
// lock), lets the user pick a record of it from the record table, lists entries for
// the entry window's Actions menu, allows or forbids deletion and asks for masked
// input. Every method that can fail sets LastCallFailed at its start and clears it on
// success. The entry window reads both after a run: a failed last call vetoes opening
// or saving, and the listed actions become its Actions menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FormHeader.h"
#include "script/script_host.h"

class EntryState;

class clsField : public qfscript::HostObject {
 public:
  explicit clsField(EntryState* editor);
  ~clsField() override;

  bool LastCallFailed = false;
  // The Actions menu's entries as SetAction gave them, at most five; the entry window
  // empties the list when it closes its database.
  std::vector<std::string> Actions;

  int Call(const std::string& method, std::vector<qfscript::Variant*>& args, qfscript::Variant& result) override;
  // The names of the methods a script can call, in the order they are listed.
  static std::vector<std::string> MethodNames();
  std::string TypeName() const override { return "clsField"; }

  // The methods, as the script calls them.
  std::string GetField(const std::string& name);
  void SetField(const std::string& name, const std::string& value);
  void OpenDB(const std::string& fileName);
  void CloseDB();
  int32_t GetDBCount();
  std::string GetDBField(int32_t recordNo, const std::string& name);
  void SetDBField(int32_t recordNo, const std::string& name, const std::string& value);
  void SetAction(std::string& name);
  void EnableDelete();
  void DisableDelete();
  std::string GetDate();
  std::string GetTime();
  int32_t GetDBList(const std::vector<std::string>& names);
  std::string GetPass(const std::string& title, const std::string& def);

  int16_t ScriptDatabase() const { return handle_; }

 private:
  // The slot of a field of the second database by name (blanks around and letter
  // case do not count); 0 for none.
  int16_t FindDBField(const std::string& name) const;
  bool ReReadHeader();

  struct Method;
  static const std::vector<Method>& Methods();

  EntryState* editor_;
  int16_t handle_ = 0;  // the second database's handle (its descriptor); 0 = none
  modDB::FormHeader header_;
};

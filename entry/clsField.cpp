#include "entry/clsField.h"


#include <filesystem>

#include "common/modDlg.h"
#include "engine/store/DirectFile.h"
#include "engine/HeaderLayout.h"
#include "engine/modDB.h"
#include "entry/EntryState.h"
#include "entry/FieldFormat.h"
#include "entry/modBrowse.h"
#include "lib/modLIB.h"
#include "script/variant.h"

using qfscript::Variant;
using Args = std::vector<Variant*>;

namespace {

constexpr size_t kMaxActions = 5;

// The message box waits for the user: that time is not the script's.
void MethodFailed(const std::string& method, const std::string& text) {
  qfscript::UserWait wait;
  modDB::GetHost().MsgBox(text, modDB::vbCritical, method);
}

const Variant& Arg(std::vector<Variant*>& args, size_t i) {
  static const Variant empty;
  if (i >= args.size() || !args[i]) return empty;
  const Variant* v = args[i];
  while (v->vt == qfscript::vtRef && v->ref) v = v->ref;
  return *v;
}

std::string Text(std::vector<Variant*>& args, size_t i) {
  const Variant& v = Arg(args, i);
  return v.IsNull() || v.IsMissing() ? std::string() : qfscript::ToStr(v);
}

}  // namespace

clsField::clsField(EntryState* editor) : editor_(editor) {}

clsField::~clsField() {
  if (handle_ != 0) modDB::CloseOtherDatabase(handle_);
}

// The methods a script can call: each with its number of arguments and the handler
// that reads them, calls the method and sets the result.
struct clsField::Method {
  const char* name;
  size_t args;
  void (*run)(clsField& self, Args& args, Variant& result);
};

const std::vector<clsField::Method>& clsField::Methods() {
  static const std::vector<Method> methods = {
      {"GetField", 1, [](clsField& f, Args& args, Variant& result) { result = Variant::Str(f.GetField(Text(args, 0))); }},
      {"SetField", 2, [](clsField& f, Args& args, Variant&) { f.SetField(Text(args, 0), Text(args, 1)); }},
      {"OpenDB", 1, [](clsField& f, Args& args, Variant&) { f.OpenDB(Text(args, 0)); }},
      {"CloseDB", 0, [](clsField& f, Args&, Variant&) { f.CloseDB(); }},
      {"GetDBCount", 0, [](clsField& f, Args&, Variant& result) { result = Variant::Long(f.GetDBCount()); }},
      {"GetDBField", 2,
       [](clsField& f, Args& args, Variant& result) {
         result = Variant::Str(f.GetDBField(qfscript::ToLong(Arg(args, 0)), Text(args, 1)));
       }},
      {"SetDBField", 3,
       [](clsField& f, Args& args, Variant&) {
         f.SetDBField(qfscript::ToLong(Arg(args, 0)), Text(args, 1), Text(args, 2));
       }},
      {"SetAction", 1,
       [](clsField& f, Args& args, Variant&) {
         std::string name = Text(args, 0);
         f.SetAction(name);
         if (args[0]) {
           Variant* target = args[0];
           while (target->vt == qfscript::vtRef && target->ref) target = target->ref;
           *target = Variant::Str(name);  // the caller's variable gets the trimmed name
         }
       }},
      {"EnableDelete", 0, [](clsField& f, Args&, Variant&) { f.EnableDelete(); }},
      {"DisableDelete", 0, [](clsField& f, Args&, Variant&) { f.DisableDelete(); }},
      {"GetDate", 0, [](clsField& f, Args&, Variant& result) { result = Variant::Str(f.GetDate()); }},
      {"GetTime", 0, [](clsField& f, Args&, Variant& result) { result = Variant::Str(f.GetTime()); }},
      {"GetDBList", 1,
       [](clsField& f, Args& args, Variant& result) {
         const Variant& list = Arg(args, 0);
         std::vector<std::string> names;
         if (list.IsArray()) {
           for (const Variant& v : list.a->data) names.push_back(v.IsNull() || v.IsEmpty() ? "" : qfscript::ToStr(v));
         } else {
           names.push_back(Text(args, 0));  // a single name stands for a list of one
         }
         result = Variant::Long(f.GetDBList(names));
       }},
      {"GetPass", 2,
       [](clsField& f, Args& args, Variant& result) { result = Variant::Str(f.GetPass(Text(args, 0), Text(args, 1))); }},
  };
  return methods;
}

std::vector<std::string> clsField::MethodNames() {
  std::vector<std::string> names;
  for (const Method& m : Methods()) names.emplace_back(m.name);
  return names;
}

int clsField::Call(const std::string& method, std::vector<Variant*>& args, Variant& result) {
  for (const Method& m : Methods()) {
    if (!qfscript::SameName(method, m.name)) continue;
    if (args.size() != m.args) return 450;  // Wrong number of arguments
    m.run(*this, args, result);
    return 0;
  }
  return 438;  // Object doesn't support this property or method
}

// ---- Fields of the open form ---------------------------------------------------------

std::string clsField::GetField(const std::string& name) {
  LastCallFailed = true;
  const int16_t slot = modDB::FindField(name);
  if (slot == 0) {
    MethodFailed("GetField", "FIELD " + name + " NOT FOUND");
    return "";
  }
  std::string value;
  if (modDB::ReadField(slot, value) == 0) return "";
  LastCallFailed = false;
  return value;
}

void clsField::SetField(const std::string& name, const std::string& value) {
  LastCallFailed = true;
  const int16_t slot = modDB::FindField(name);
  if (slot == 0) {
    MethodFailed("SetField", "FIELD " + name + " NOT FOUND");
    return;
  }
  if (modDB::WriteField(slot, value) != 0) LastCallFailed = false;
}

// ---- The second database ---------------------------------------------------------

void clsField::OpenDB(const std::string& fileName) {
  LastCallFailed = true;
  if (handle_ != 0) {
    MethodFailed("Open File", "Database already open");
    return;
  }
  std::string name = fileName;
  std::string path = modDB::BaseFileName(name) + ".Qfd";
  // A bare or relative name is looked for beside the open database first, so that a
  // form finds its lookup databases wherever the program was started from.
  if (!path.empty() && path[0] != '/' && modDB::GetFileNumber() != 0) {
    const std::filesystem::path beside = std::filesystem::path(modDB::GetDatabaseName()).parent_path() / path;
    if (std::filesystem::is_regular_file(beside)) path = beside.string();
  }
  std::string why;
  const int16_t handle = modDB::OpenOtherDatabase(path, why);
  if (handle == 0) {
    if (why == "not found")
      MethodFailed("Open File", "Database:" + fileName + " not found");
    else if (why.rfind("Unexpected Error", 0) == 0)
      MethodFailed("Open File", "Unexpected Error!");
    else
      MethodFailed("Open File", "Database:" + fileName + " is not a usable form database");
    return;
  }
  modDB::FormHeader h;
  if (!modDB::ReadHeaderDirect(handle, h) || !modDB::CheckLayout(h).empty()) {
    modDB::CloseOtherDatabase(handle);
    MethodFailed("Open File", "Database:" + fileName + " is not a usable form database");
    return;
  }
  handle_ = handle;
  header_ = h;
  LastCallFailed = false;
}

void clsField::CloseDB() {
  LastCallFailed = true;
  if (handle_ != 0) modDB::CloseOtherDatabase(handle_);
  handle_ = 0;
  LastCallFailed = false;
}

bool clsField::ReReadHeader() {
  modDB::FormHeader h;
  if (!modDB::ReadHeaderDirect(handle_, h) || !modDB::CheckLayout(h).empty()) return false;
  header_ = h;
  return true;
}

int32_t clsField::GetDBCount() {
  LastCallFailed = true;
  if (handle_ == 0) {
    MethodFailed("GetDBCount", "Database not open");
    return 0;
  }
  if (!ReReadHeader()) {
    MethodFailed("GetDBCount", "Unexpected Error!");
    return 0;
  }
  LastCallFailed = false;
  return header_.RecordCount;
}

int16_t clsField::FindDBField(const std::string& name) const {
  const std::string wanted = modLIB::UCase(modLIB::Trim(name));
  if (wanted.empty()) return 0;
  const int count = std::clamp<int>(header_.FieldCount, 0, modDB::kMaxFields);
  for (int k = 1; k <= count; ++k)
    if (modLIB::UCase(header_.Fields[k].Name.Trimmed()) == wanted) return static_cast<int16_t>(k);
  return 0;
}

std::string clsField::GetDBField(int32_t recordNo, const std::string& name) {
  const char* title = "GetDBField";
  LastCallFailed = true;
  if (handle_ == 0) {
    MethodFailed(title, "Database not open");
    return "";
  }
  if (recordNo < 1 || recordNo > header_.RecordCount) {
    MethodFailed(title, "Record out of range");
    return "";
  }
  const int16_t slot = FindDBField(name);
  if (slot == 0) {
    MethodFailed(title, "Invalid Field Name");
    return "";
  }
  std::string value = ReadFieldDirect(handle_, header_, recordNo, slot, true);
  LastCallFailed = false;
  return modLIB::Trim(value);
}

void clsField::SetDBField(int32_t recordNo, const std::string& name, const std::string& value) {
  const char* title = "SetDBField";
  LastCallFailed = true;
  if (handle_ == 0) {
    MethodFailed(title, "Database not open");
    return;
  }
  if (recordNo < 1 || recordNo > header_.RecordCount) {
    MethodFailed(title, "Record out of range");
    return;
  }
  const int16_t slot = FindDBField(name);
  if (slot == 0) {
    MethodFailed(title, "Invalid Field Name");
    return;
  }
  // Only this field is written, under the writers' lock: another program's change to
  // the record's other fields stays.
  const std::string why = WriteFieldDirect(handle_, header_, recordNo, slot, modLIB::Trim(value));
  if (!why.empty()) {
    MethodFailed(title, why.rfind("FILE:", 0) == 0 ? why + " Nothing was written." : "Unexpected Error!");
    return;
  }
  LastCallFailed = false;
}

int32_t clsField::GetDBList(const std::vector<std::string>& names) {
  const char* title = "GetDBList";
  LastCallFailed = true;
  if (handle_ == 0) {
    MethodFailed(title, "Database not opened");
    return 0;
  }
  if (!ReReadHeader() || header_.RecordCount < 1) return 0;
  modBrowse::ClearBrowseColumns();
  for (const std::string& name : names) {
    const int16_t slot = FindDBField(name);
    if (slot == 0) {
      MethodFailed(title, "Database Field not found");
      return 0;
    }
    modBrowse::IncludeBrowseColumn(slot);
  }
  int32_t picked;
  {
    qfscript::UserWait wait;  // the record table waits for the user's pick
    picked = modBrowse::ShowBrowse(handle_);
  }
  LastCallFailed = false;
  return picked;
}

// ---- The entry window --------------------------------------------------------------

void clsField::SetAction(std::string& name) {
  LastCallFailed = true;
  name = modLIB::Trim(name);
  if (name.empty()) {
    MethodFailed("SetAction", "Invalid Action Name");
    return;
  }
  if (Actions.size() >= kMaxActions) {
    MethodFailed("SetAction", "Maximum Actions Already Defined");
    return;
  }
  Actions.push_back(name);
  LastCallFailed = false;
}

void clsField::EnableDelete() { editor_->AllowDelete = true; }
void clsField::DisableDelete() { editor_->AllowDelete = false; }
std::string clsField::GetDate() { return FieldFormat::DateNow(); }
std::string clsField::GetTime() { return FieldFormat::TimeNow(); }

std::string clsField::GetPass(const std::string& title, const std::string& def) {
  modDlg::InputText = modLIB::Trim(def);
  modDlg::InputMaxLength = 32;
  modDlg::DialogTitle = modLIB::Trim(title);
  qfscript::UserWait wait;  // the masked input box waits for the user
  modDlg::ShowInputBox("anp");
  return modDlg::InputText;
}

// The built-ins of no library of their own: MsgBox and InputBox, CreateObject and
// GetObject, Eval, Execute and GetRef, the locale, RGB and the engine's version;
// the name lookup over every library's table, and the constants.
#include "script/builtins.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <unordered_map>
#include <utility>

#include "script/builtins_common.h"
#include "script/locales.h"
#include "script/objects.h"
#include "script/vm.h"

namespace qfscript {

namespace {

using namespace builtin;

constexpr int kErrLocale = 447;

Variant FnMsgBox(Interp& in, Variant* a, int n) {
  const Variant& p = Arg(a, n, 0);
  std::string prompt = p.IsNull() ? "Null" : ToStr(p);
  int32_t buttons = LongArg(a, n, 1, 0);
  std::string title = Has(a, n, 2) ? ToStr(Arg(a, n, 2)) : std::string();
  auto t0 = std::chrono::steady_clock::now();
  int r = in.ui ? in.ui->MsgBox(prompt, buttons, title) : 1;
  in.NotCounted(std::chrono::steady_clock::now() - t0);
  return Variant::Int(static_cast<int16_t>(r));
}

Variant FnInputBox(Interp& in, Variant* a, int n) {
  std::string prompt = ToStr(Arg(a, n, 0));
  std::string title = Has(a, n, 1) ? ToStr(Arg(a, n, 1)) : std::string();
  std::string value = Has(a, n, 2) ? ToStr(Arg(a, n, 2)) : std::string();
  auto t0 = std::chrono::steady_clock::now();
  bool ok = !in.ui || in.ui->InputBox(prompt, title, value);
  in.NotCounted(std::chrono::steady_clock::now() - t0);
  if (!ok) return Variant();
  return Str(std::move(value));
}

Variant FnCreateObject(Interp& in, Variant* a, int n) {
  std::string name = ToStr(Arg(a, n, 0));
  Object* o = CreateBuiltinObject(name);
  if (!o && in.makeObject) o = in.makeObject(name);
  if (!o) Fail(kErrCantCreate);
  return Variant::Obj(o);
}

Variant FnGetLocale(Interp& in, Variant*, int) { return Variant::Long(in.lcid); }

// SetLocale(lcid or "de-de" or "1031"): returns the previous LCID; 0 or no
// argument is the default locale.
Variant FnSetLocale(Interp& in, Variant* a, int n) {
  int32_t previous = in.lcid;
  const LocaleInfo* loc = FindLocale(kDefaultLcid);
  if (Has(a, n, 0)) {
    const Variant& v = NotNullAt(a, n, 0);
    if (v.IsString()) {
      double d;
      if (ParseNumber(v.Text(), d)) loc = d == 0 ? loc : FindLocale(ToLong(v));
      else loc = v.Text().empty() ? loc : FindLocale(v.Text());
    } else {
      int32_t id = ToLong(v);
      if (id != 0) loc = FindLocale(id);
    }
  }
  if (!loc) Fail(kErrLocale);
  in.lcid = loc->lcid;
  SetCurrentLocale(*loc);
  return Variant::Long(previous);
}

Variant FnGetObject(Interp&, Variant*, int) { Fail(kErrCantCreate); }

// RGB(r, g, b): components past 255 count as 255.
Variant FnRGB(Interp&, Variant* a, int n) {
  int32_t rgb = 0;
  for (int i = 0; i < 3; ++i) {
    int32_t c = ToLong(Arg(a, n, i));
    if (c < 0) Fail(kErrInvalidCall);
    rgb |= std::min(c, 255) << (8 * i);
  }
  return Variant::Long(rgb);
}

Variant FnScriptEngine(Interp&, Variant*, int) { return Str("VBScript"); }
Variant FnScriptEngineMajor(Interp&, Variant*, int) { return Variant::Long(5); }
Variant FnScriptEngineMinor(Interp&, Variant*, int) { return Variant::Long(8); }
Variant FnScriptEngineBuild(Interp&, Variant*, int) { return Variant::Long(16384); }

Variant FnEval(Interp& in, Variant* a, int n) { return in.EvalCode(Arg(a, n, 0)); }

Variant FnExecute(Interp& in, Variant* a, int n) {
  in.ExecCode(Arg(a, n, 0), false);
  return Variant();
}

Variant FnExecuteGlobal(Interp& in, Variant* a, int n) {
  in.ExecCode(Arg(a, n, 0), true);
  return Variant();
}

Variant FnGetRef(Interp& in, Variant* a, int n) {
  if (!Arg(a, n, 0).IsString()) Fail(kErrTypeMismatch);
  Object* o = in.ProcRef(ToStr(Arg(a, n, 0)));
  if (!o) Fail(kErrInvalidCall);
  return Variant::Obj(o);
}

const Builtin kOtherBuiltins[] = {
    {"msgbox", 1, 5, FnMsgBox},
    {"inputbox", 1, 7, FnInputBox},
    {"createobject", 1, 2, FnCreateObject},
    {"eval", 1, 1, FnEval},
    {"getlocale", 0, 0, FnGetLocale},
    {"setlocale", 0, 1, FnSetLocale},
    {"getobject", 0, 2, FnGetObject},
    {"rgb", 3, 3, FnRGB},
    {"scriptengine", 0, 0, FnScriptEngine},
    {"scriptenginemajorversion", 0, 0, FnScriptEngineMajor},
    {"scriptengineminorversion", 0, 0, FnScriptEngineMinor},
    {"scriptenginebuildversion", 0, 0, FnScriptEngineBuild},
    {"execute", 1, 1, FnExecute},
    {"executeglobal", 1, 1, FnExecuteGlobal},
    {"getref", 1, 1, FnGetRef},
};

}  // namespace

std::span<const Builtin> OtherBuiltins() { return kOtherBuiltins; }

const Builtin* FindBuiltin(const std::string& lowerName) {
  static const std::unordered_map<std::string, const Builtin*> map = [] {
    std::unordered_map<std::string, const Builtin*> m;
    for (std::span<const Builtin> library : {TextBuiltins(), ByteBuiltins(), NumberBuiltins(), ArrayBuiltins(),
                                             DateBuiltins(), FormatBuiltins(), OtherBuiltins()})
      for (const Builtin& b : library) m.emplace(b.name, &b);
    return m;
  }();
  auto it = map.find(lowerName);
  return it == map.end() ? nullptr : it->second;
}

bool FindConstant(const std::string& lowerName, Variant& value) {
  static const std::unordered_map<std::string, Variant> map = [] {
    std::unordered_map<std::string, Variant> m;
    auto i = [&](const char* name, int v) { m.emplace(name, Variant::Whole(v)); };
    auto s = [&](const char* name, std::string v) { m.emplace(name, Variant::Str(std::move(v))); };
    s("vbcrlf", "\r\n");
    s("vbcr", "\r");
    s("vblf", "\n");
    s("vbnewline", "\r\n");
    s("vbtab", "\t");
    s("vbnullstring", "");
    s("vbnullchar", std::string(1, '\0'));
    s("vbformfeed", "\f");
    s("vbverticaltab", "\v");
    s("vbback", "\b");
    i("vbokonly", 0); i("vbokcancel", 1); i("vbabortretryignore", 2); i("vbyesnocancel", 3);
    i("vbyesno", 4); i("vbretrycancel", 5);
    i("vbcritical", 16); i("vbquestion", 32); i("vbexclamation", 48); i("vbinformation", 64);
    i("vbdefaultbutton1", 0); i("vbdefaultbutton2", 256); i("vbdefaultbutton3", 512); i("vbdefaultbutton4", 768);
    i("vbapplicationmodal", 0); i("vbsystemmodal", 4096);
    i("vbok", 1); i("vbcancel", 2); i("vbabort", 3); i("vbretry", 4); i("vbignore", 5); i("vbyes", 6); i("vbno", 7);
    i("vbbinarycompare", 0); i("vbtextcompare", 1); i("vbdatabasecompare", 2);
    i("vbsunday", 1); i("vbmonday", 2); i("vbtuesday", 3); i("vbwednesday", 4); i("vbthursday", 5);
    i("vbfriday", 6); i("vbsaturday", 7); i("vbusesystemdayofweek", 0);
    i("vbfirstjan1", 1); i("vbfirstfourdays", 2); i("vbfirstfullweek", 3); i("vbusesystem", 0);
    i("vbempty", 0); i("vbnull", 1); i("vbinteger", 2); i("vblong", 3); i("vbsingle", 4); i("vbdouble", 5);
    i("vbcurrency", 6); i("vbdate", 7); i("vbstring", 8); i("vbobject", 9); i("vberror", 10);
    i("vbboolean", 11); i("vbvariant", 12); i("vbdataobject", 13); i("vbdecimal", 14); i("vbbyte", 17);
    i("vbarray", 8192);
    i("vbgeneraldate", 0); i("vblongdate", 1); i("vbshortdate", 2); i("vblongtime", 3); i("vbshorttime", 4);
    i("vbusedefault", -2); i("vbtrue", -1); i("vbfalse", 0);
    i("vbobjecterror", static_cast<int>(0x80040000u));
    // The colours and the later message box flags are Long, however small.
    auto l = [&](const char* name, int32_t v) { m.emplace(name, Variant::Long(v)); };
    l("vbmsgboxhelpbutton", 16384); l("vbmsgboxsetforeground", 65536); l("vbmsgboxright", 524288);
    l("vbmsgboxrtlreading", 1048576);
    l("vbblack", 0); l("vbred", 0xFF); l("vbgreen", 0xFF00); l("vbyellow", 0xFFFF); l("vbblue", 0xFF0000);
    l("vbmagenta", 0xFF00FF); l("vbcyan", 0xFFFF00); l("vbwhite", 0xFFFFFF);
    return m;
  }();
  auto it = map.find(lowerName);
  if (it == map.end()) return false;
  value = it->second;
  return true;
}

}  // namespace qfscript

// Runs script text through ScriptControl with a host that records WScript.Echo.
#pragma once

#include <gtest/gtest.h>

#include "script/script_control.h"
#include "tests/support/TestSupport.h"

namespace qfscript::test {

class EchoHost : public HostObject {
 public:
  std::string out;
  int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) override {
    if (SameName(method, "echo")) {
      for (size_t i = 0; i < args.size(); ++i) {
        if (i) out += ' ';
        const Variant& v = args[i]->Deref();
        out += v.IsNull() ? std::string("Null") : ToStr(v);
      }
      out += '\n';
      return 0;
    }
    if (SameName(method, "quit")) return kHostStop;
    return 438;
  }
};

// "error N: DESCRIPTION at (LINE, COLUMN)": a fault as the tests write it.
inline std::string ErrorText(const ScriptError& e) {
  return "error " + std::to_string(e.Number) + ": " + e.Description + " at (" + std::to_string(e.Line) + ", " +
         std::to_string(e.Column) + ")";
}

// The echoed lines of a script, then its fault as ErrorText writes it.
inline std::string RunScript(const std::string& code, int64_t timeoutMs = 5000) {
  ScriptControl ctl;
  ctl.Timeout = timeoutMs;
  auto host = std::make_shared<EchoHost>();
  ctl.AddObject("WScript", host);
  return ctl.AddCode(code) ? host->out : host->out + ErrorText(ctl.Error());
}

// One expression, echoed: the text CStr gives it (without the line end).
inline std::string Echo(const std::string& expr) {
  std::string out = RunScript("WScript.Echo " + expr);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// A script and the exact text its run gives.
struct ScriptCase {
  const char* name;
  const char* code;
  const char* want;
};

template <size_t N>
void RunCases(const ScriptCase (&cases)[N]) {
  for (const ScriptCase& c : cases) EXPECT_EQ(RunScript(c.code), c.want) << c.name;
}

}  // namespace qfscript::test

// libFuzzer target: random script text through AddCode, then every procedure
// it defines through Run. Any crash, sanitizer report or hang is a fault: a
// script must end in a compile or runtime error, never take the host down.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "script/script_control.h"

namespace {

class FuzzHost : public qfscript::HostObject {
 public:
  int Call(const std::string& method, std::vector<qfscript::Variant*>& args, qfscript::Variant& result) override {
    if (qfscript::SameName(method, "Echo")) {
      for (auto* a : args) {
        const qfscript::Variant& v = a->Deref();
        if (!v.IsNull() && !v.IsObject() && !v.IsArray()) (void)qfscript::ToStr(v);
      }
      return 0;
    }
    if (qfscript::SameName(method, "Quit")) return qfscript::kHostStop;
    if (qfscript::SameName(method, "Poke") && !args.empty()) {
      args[0]->Deref() = qfscript::Variant::Str("poked");  // writes back, like a form host
      return 0;
    }
    return 438;
  }
};

// Names following "Sub" or "Function" in the text.
std::vector<std::string> ProcNames(const std::string& text) {
  std::vector<std::string> names;
  std::string lower;
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* kw : {"sub ", "function "}) {
    size_t pos = 0;
    while ((pos = lower.find(kw, pos)) != std::string::npos && names.size() < 8) {
      pos += std::char_traits<char>::length(kw);
      size_t end = pos;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
      if (end > pos) names.push_back(text.substr(pos, end - pos));
    }
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  qfscript::ScriptControl ctl;
  ctl.Timeout = 200;
  ctl.AddObject("WScript", std::make_shared<FuzzHost>());
  ctl.AddObject("Host", std::make_shared<FuzzHost>(), true);
  if (!ctl.AddCode(text) || ctl.Stopped()) return 0;
  for (const std::string& name : ProcNames(text)) {
    std::vector<qfscript::Variant> args;
    ctl.Run(name, args);
    std::vector<qfscript::Variant> two = {qfscript::Variant::Int(1), qfscript::Variant::Str("a")};
    ctl.Run(name, two);
  }
  return 0;
}

// WScript.Shell (qfscript_shell.h).
#include "tools/qfscript_shell.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "tools/qfscript_console.h"

namespace qfconsole {

namespace {

using qfscript::InvokeKind;
using qfscript::SameName;
using qfscript::Variant;

// "%NAME%" replaced by the variable's value; a name that is not set stays as written.
std::string Expand(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find('%', i);
    size_t close = open == std::string::npos ? open : text.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(text, i, open - i);
    std::string name = text.substr(open + 1, close - open - 1);
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      i = close + 1;
    } else {
      out += '%';
      out += name;
      i = close;  // the closing % may open the next name
    }
  }
  out.append(text, i, std::string::npos);
  return out;
}

class Shell : public qfscript::Object {
 public:
  explicit Shell(bool utf8) : utf8_(utf8) {}
  std::string TypeName() const override { return "IWshShell3"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (SameName(name, "currentdirectory")) {
      if (kind == InvokeKind::Let) {
        if (args.size() != 1) return 450;
        if (::chdir(ToOutside(args[0]->Deref(), utf8_).c_str()) != 0) return errno == EACCES ? 70 : 76;
        return 0;
      }
      if (kind == InvokeKind::Set || !args.empty()) return 450;
      std::vector<char> buf(4096);
      while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return 76;
        buf.resize(buf.size() * 2);
      }
      result = FromOutside(buf.data(), utf8_);
      return 0;
    }
    if (SameName(name, "expandenvironmentstrings") && kind != InvokeKind::Let && kind != InvokeKind::Set) {
      if (args.size() != 1) return 450;
      result = FromOutside(Expand(ToOutside(args[0]->Deref(), utf8_)), utf8_);
      return 0;
    }
    return 438;
  }

 private:
  bool utf8_;
};

}  // namespace

qfscript::Object* CreateShellObject(const std::string& progId, bool utf8) {
  return SameName(progId, "wscript.shell") ? new Shell(utf8) : nullptr;
}

}  // namespace qfconsole

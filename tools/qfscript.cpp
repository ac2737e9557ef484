// qfscript FILE.vbs: runs a script from the console.
//
// The script sees a WScript object (Echo, Quit). MsgBox prints its prompt and
// answers OK; InputBox answers its default. An error is printed on stderr as
// "FILE(LINE, COLUMN) SOURCE: DESCRIPTION" and the exit status is 1. --help and
// --version print to standard output.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "script_control.h"

namespace {

using qfscript::SameName;
using qfscript::Variant;

class WScriptObject : public qfscript::HostObject {
 public:
  int exitCode = 0;

  int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) override {
    if (SameName(method, "echo")) {
      std::string line;
      for (size_t i = 0; i < args.size(); ++i) {
        if (i) line += ' ';
        const Variant& v = args[i]->Deref();
        if (v.IsNull()) line += "Null";
        else if (!v.IsMissing()) line += qfscript::ToStr(v);
      }
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), stdout);
      return 0;
    }
    if (SameName(method, "quit")) {
      exitCode = args.empty() || args[0]->Deref().IsMissing() ? 0 : qfscript::ToLong(*args[0]);
      return qfscript::kHostStop;
    }
    if (SameName(method, "scriptname")) {
      result = Variant::Str(name);
      return 0;
    }
    return 438;
  }
  std::string TypeName() const override { return "Object"; }
  std::string name;
};

class ConsoleUi : public qfscript::ScriptUi {
 public:
  int MsgBox(const std::string& prompt, int, const std::string&) override {
    std::string line = prompt + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 1;
  }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::printf(
        "usage: qfscript FILE.vbs\n"
        "Runs a script from the console. WScript.Echo writes a line; WScript.Quit [CODE]\n"
        "ends the script. MsgBox prints its prompt and answers OK; InputBox answers its\n"
        "default. An error is printed as \"FILE(LINE, COLUMN) SOURCE: DESCRIPTION\" and the\n"
        "exit status is 1.\n");
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("qfscript %s\n", QF_VERSION);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: qfscript FILE.vbs\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "qfscript: cannot read %s\n", argv[1]);
    return 2;
  }
  std::stringstream buf;
  buf << in.rdbuf();

  auto wscript = std::make_shared<WScriptObject>();
  std::string path = argv[1];
  wscript->name = path.substr(path.find_last_of('/') + 1);
  ConsoleUi ui;
  qfscript::ScriptControl ctl;
  ctl.SetUi(&ui);
  ctl.AddObject("WScript", wscript);
  bool ok = ctl.AddCode(buf.str());
  std::fflush(stdout);
  if (ctl.Stopped()) return wscript->exitCode;
  if (!ok) {
    const qfscript::ScriptError& e = ctl.Error();
    std::fprintf(stderr, "%s(%d, %d) %s: %s\n", argv[1], e.Line, e.Column, e.Source.c_str(), e.Description.c_str());
    return 1;
  }
  return 0;
}

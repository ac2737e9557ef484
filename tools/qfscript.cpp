// qfscript FILE.vbs [ARGUMENT ...]: runs a script from the console.
//
// The script sees a WScript object (qfscript_console.cpp): Echo, Quit, Sleep,
// the standard streams StdIn, StdOut and StdErr, the Arguments after the
// script's name, and the script's and qfscript's names and folders. MsgBox
// prints its prompt and answers OK; InputBox answers its default. An error is
// printed on stderr as "FILE(LINE, COLUMN) SOURCE: DESCRIPTION" ("FILE(LINE,
// COLUMN) Error NUMBER: DESCRIPTION" when the script raised it with an empty
// source) and the exit status is 1. --help and --version print to standard
// output.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "script/script_control.h"
#include "tools/qfscript_console.h"

namespace {

class ConsoleUi : public qfscript::ScriptUi {
 public:
  explicit ConsoleUi(bool utf8) : utf8_(utf8) {}
  int MsgBox(const std::string& prompt, int, const std::string&) override {
    std::string line = qfconsole::ToTerminal(prompt, utf8_) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return 1;
  }
  bool InputBox(const std::string&, const std::string&, std::string&) override { return true; }

 private:
  bool utf8_;
};

const char kUsage[] = "usage: qfscript FILE.vbs [ARGUMENT ...]\n";

const char kHelp[] =
    "Runs a script from the console. The script sees a WScript object:\n"
    "  WScript.Echo VALUE, ...     writes the values on one line to standard output\n"
    "  WScript.StdOut, .StdErr     Write TEXT, WriteLine [TEXT], WriteBlankLines N,\n"
    "                              Close, Line, Column\n"
    "  WScript.StdIn               ReadLine, ReadAll, Read(N), Skip N, SkipLine,\n"
    "                              AtEndOfStream, AtEndOfLine, Close, Line, Column\n"
    "  WScript.Arguments           the arguments after FILE.vbs: Count, Length, Item(I)\n"
    "                              or (I), For Each; .Named holds /NAME:VALUE and /NAME\n"
    "                              (Exists, Item, Count), .Unnamed the others\n"
    "  WScript.Sleep MS            waits MS milliseconds\n"
    "  WScript.CreateObject NAME   as CreateObject\n"
    "  WScript.Quit [CODE]         ends the script with exit status CODE\n"
    "  WScript.ScriptName, .ScriptFullName, .Name, .FullName, .Path, .Version,\n"
    "  .Interactive\n"
    "CreateObject also makes, for console scripts only:\n"
    "  Scripting.FileSystemObject  OpenTextFile(PATH, [MODE 1 read|2 write|8 append],\n"
    "                              [CREATE], [FORMAT 0 ASCII|-1 Unicode|-2 default]),\n"
    "                              CreateTextFile(PATH, [OVERWRITE], [UNICODE]),\n"
    "                              FileExists, FolderExists, GetFile, GetFolder,\n"
    "                              DeleteFile, DeleteFolder, CopyFile, MoveFile,\n"
    "                              CreateFolder, GetFileName, GetBaseName,\n"
    "                              GetExtensionName, GetParentFolderName, BuildPath,\n"
    "                              GetAbsolutePathName, GetTempName\n"
    "  TextStream                  ReadLine, ReadAll, Read(N), Skip N, SkipLine,\n"
    "                              Write, WriteLine, WriteBlankLines N, AtEndOfStream,\n"
    "                              AtEndOfLine, Line, Column, Close\n"
    "  File, Folder                Name, Path, Size, DateLastModified, ParentFolder;\n"
    "                              a Folder's Files and SubFolders (Count, Item, For Each)\n"
    "  WScript.Shell               ExpandEnvironmentStrings(TEXT), CurrentDirectory\n"
    "Paths use \"/\" and take \"\\\" as one. Errors: 53 file not found, 58 file already\n"
    "exists, 70 permission denied, 76 path not found, 62 input past end of file.\n"
    "Text is written and read as UTF-8 where the locale is UTF-8. MsgBox prints its\n"
    "prompt and answers OK; InputBox answers its default. An error is printed as\n"
    "\"FILE(LINE, COLUMN) SOURCE: DESCRIPTION\" and the exit status is 1.\n"
    "Example: printf 'a\\nb\\n' | qfscript count.vbs, where count.vbs holds\n"
    "  Do Until WScript.StdIn.AtEndOfStream : WScript.StdIn.ReadLine : n = n + 1 : Loop\n"
    "  WScript.StdOut.WriteLine n & \" lines\"\n";

// The absolute form of a path (the path itself when the system cannot say).
std::string Absolute(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf)) return buf;
  return path;
}

std::string Folder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::printf("%s%s", kUsage, kHelp);
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("qfscript %s\n", QF_VERSION);
    return 0;
  }
  if (argc < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "qfscript: cannot read %s\n", argv[1]);
    return 2;
  }
  std::stringstream buf;
  buf << in.rdbuf();

  const bool utf8 = qfconsole::LocaleIsUtf8();
  qfconsole::ScriptPlace place;
  std::string path = argv[1];
  place.scriptName = path.substr(path.find_last_of('/') + 1);
  place.scriptFullName = Absolute(path);
  place.hostFullName = Absolute("/proc/self/exe");
  if (place.hostFullName == "/proc/self/exe") place.hostFullName = Absolute(argv[0]);
  place.hostPath = Folder(place.hostFullName);
  std::shared_ptr<qfscript::HostObject> wscript =
      qfconsole::MakeWScript(place, std::vector<std::string>(argv + 2, argv + argc), utf8);

  ConsoleUi ui(utf8);
  qfscript::ScriptControl ctl;
  ctl.SetUi(&ui);
  ctl.SetObjectMaker([utf8](const std::string& progId) { return qfconsole::CreateConsoleObject(progId, utf8); });
  ctl.AddObject("WScript", wscript);
  bool ok = ctl.AddCode(qfconsole::ScriptText(buf.str()));
  std::fflush(stdout);
  if (ctl.Stopped()) return qfconsole::QuitCode(*wscript);
  if (!ok) {
    const qfscript::ScriptError& e = ctl.Error();
    std::string description = qfconsole::ToTerminal(e.Description, utf8);
    if (e.Source.empty()) {
      std::fprintf(stderr, "%s(%d, %d) Error %d: %s\n", argv[1], e.Line, e.Column, e.Number, description.c_str());
    } else {
      std::string source = qfconsole::ToTerminal(e.Source, utf8);
      std::fprintf(stderr, "%s(%d, %d) %s: %s\n", argv[1], e.Line, e.Column, source.c_str(), description.c_str());
    }
    return 1;
  }
  return 0;
}

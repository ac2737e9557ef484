// The console host of qfscript: the WScript object with its standard streams
// and arguments, and the terminal's encoding.
//
// Strings stay Windows-1252 inside the engine. Where the locale says UTF-8
// (LC_ALL, else LC_CTYPE, else LANG), what the script writes is converted to
// UTF-8 and what it reads is converted back; characters without a Windows-1252
// form travel as the string's exact UTF-16 units (ChrW(256) is written as "Ā").
// Otherwise bytes pass unchanged. Used by qfscript.cpp only: the form script of
// QfEntry has none of these objects.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "script/variant.h"

namespace qfscript {
class HostObject;
}

namespace qfconsole {

// The error numbers the console's objects (WScript, the file system, the shell)
// return, as VBScript numbers them.
constexpr int kErrInvalidCall = 5;
constexpr int kErrSubscript = 9;
constexpr int kErrFileNotFound = 53;
constexpr int kErrBadFileMode = 54;
constexpr int kErrFileExists = 58;
constexpr int kErrPastEnd = 62;
constexpr int kErrPermission = 70;
constexpr int kErrPathNotFound = 76;
constexpr int kErrCantCreate = 429;
constexpr int kErrNoSuchMember = 438;
constexpr int kErrWrongArgs = 450;

// Whether the terminal speaks UTF-8, by the first of LC_ALL, LC_CTYPE and LANG
// that is set.
bool LocaleIsUtf8();

// Windows-1252 text as the terminal wants it.
std::string ToTerminal(const std::string& text, bool utf8);

// The script file's text for the engine. A file that is valid UTF-8 with
// characters beyond ASCII (or that starts with a UTF-8 mark) is UTF-8, turned
// into Windows-1252 ("?" for a character without a Windows-1252 form); any
// other file is Windows-1252 already.
std::string ScriptText(std::string bytes);

// A string value as the system takes it (a path, an environment variable):
// UTF-8 with every character the string holds where the locale is UTF-8, the
// Windows-1252 bytes otherwise.
std::string ToOutside(const qfscript::Variant& text, bool utf8);
// Text from the system as a string value: UTF-8 where it is (with the locale
// UTF-8), any other byte taken as Windows-1252.
qfscript::Variant FromOutside(const std::string& bytes, bool utf8);
// UTF-16 units as UTF-8; a surrogate without its pair is U+FFFD.
std::string UnitsToUtf8(const std::u16string& units);

// The objects CreateObject makes in the console: the engine's own, the file
// objects (qfscript_files.h) and WScript.Shell (qfscript_shell.h); nullptr
// for any other name.
qfscript::Object* CreateConsoleObject(const std::string& progId, bool utf8);

// Where the script and qfscript are, as WScript reports them.
struct ScriptPlace {
  std::string scriptName;      // the file name without its folder
  std::string scriptFullName;  // with its absolute folder
  std::string hostFullName;    // qfscript itself
  std::string hostPath;        // qfscript's folder
};

// The WScript object for a script given these arguments (the words after its
// file name).
std::shared_ptr<qfscript::HostObject> MakeWScript(const ScriptPlace& place, const std::vector<std::string>& arguments,
                                                  bool utf8);

// The exit status WScript.Quit asked for (0 until it is called) of an object
// MakeWScript made.
int QuitCode(const qfscript::HostObject& wscript);

}  // namespace qfconsole

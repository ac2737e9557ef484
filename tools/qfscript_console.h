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

namespace qfscript {
class HostObject;
}

namespace qfconsole {

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

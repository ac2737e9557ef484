// The console host of qfscript (qfscript_console.h): the WScript object with
// its standard streams and arguments, and the terminal's encoding.
#include "tools/qfscript_console.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "lib/Codepage.h"
#include "script/script_control.h"
#include "tools/qfscript_files.h"
#include "tools/qfscript_shell.h"

namespace qfconsole {

namespace {

using qfscript::InvokeKind;
using qfscript::SameName;
using qfscript::Variant;

// ---- Encoding ---------------------------------------------------------------

}  // namespace

std::string UnitsToUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (u >= 0xD800 && u < 0xE000) {
      u = 0xFFFD;
    }
    modLIB::AppendUtf8(out, u);
  }
  return out;
}

namespace {

void AppendUnits(std::u16string& units, char32_t cp) {
  if (cp < 0x10000) {
    units += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    units += static_cast<char16_t>(0xD800 + (cp >> 10));
    units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Text from outside (arguments, paths, the script file) as an engine string:
// UTF-8 where it is, a byte that is no UTF-8 taken as Windows-1252.
Variant StringFromOutside(const std::string& bytes, bool utf8) {
  if (!utf8) return Variant::Str(bytes);
  std::u16string units;
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    if (size_t n = modLIB::Utf8Sequence(bytes, i, cp); n > 0) {
      i += n;
    } else {
      cp = static_cast<char32_t>(qfscript::Cp1252ToUnicode(static_cast<unsigned char>(bytes[i++])));
    }
    AppendUnits(units, cp);
  }
  return qfscript::StrFromUnits(units);
}

// A value as the terminal wants it; a string keeps every character it holds.
std::string ValueToTerminal(const Variant& v, bool utf8) {
  if (utf8 && v.vt == qfscript::vtString) return UnitsToUtf8(qfscript::UnitsOf(v));
  return ToTerminal(qfscript::ToStr(v), utf8);
}

// ---- Standard streams -------------------------------------------------------

Variant Arg(std::vector<Variant*>& args, size_t i) {
  return i < args.size() ? args[i]->Deref() : Variant::Missing();
}

// StdIn, StdOut or StdErr: a text stream that either reads or writes.
class ConsoleStream : public qfscript::Object {
 public:
  ConsoleStream(FILE* file, bool reads, bool utf8) : file_(file), reads_(reads), utf8_(utf8) {}
  std::string TypeName() const override { return "TextStream"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    if (SameName(name, "line") || SameName(name, "column")) {
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Long(SameName(name, "line") ? line_ : column_);
      return 0;
    }
    if (SameName(name, "close")) {
      if (!args.empty()) return kErrWrongArgs;
      Close();
      return 0;
    }
    if (reads_) return Read(name, args, result);
    return Write(name, args);
  }

 private:
  FILE* file_;
  bool reads_;
  bool utf8_;
  bool closed_ = false;
  int32_t line_ = 1, column_ = 1;
  std::u16string ahead_;  // read but not yet taken
  bool atEnd_ = false;

  void Close() {
    if (closed_) return;
    closed_ = true;
    std::fflush(file_);
    // The other end of a pipe sees the end now; later output goes nowhere.
    int null = ::open("/dev/null", reads_ ? O_RDONLY : O_WRONLY);
    if (null >= 0) {
      ::dup2(null, ::fileno(file_));
      ::close(null);
    }
  }

  // Counts what passed for Line and Column.
  void Track(const std::u16string& units) {
    for (char16_t u : units) {
      if (u == u'\n') {
        ++line_;
        column_ = 1;
      } else {
        ++column_;
      }
    }
  }

  int Emit(const Variant& v) {
    std::u16string units = qfscript::UnitsOf(v);
    std::string bytes = utf8_ ? UnitsToUtf8(units) : v.Text();
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    Track(units);
    return 0;
  }

  int Write(const std::string& name, std::vector<Variant*>& args) {
    bool write = SameName(name, "write"), writeLine = SameName(name, "writeline");
    bool blank = SameName(name, "writeblanklines");
    bool reading = SameName(name, "read") || SameName(name, "readline") || SameName(name, "readall") ||
                   SameName(name, "skip") || SameName(name, "skipline") || SameName(name, "atendofstream") ||
                   SameName(name, "atendofline");
    if (reading) return kErrBadFileMode;
    if (!write && !writeLine && !blank) return kErrNoSuchMember;
    if (args.size() > 1 || ((write || blank) && args.empty())) return kErrWrongArgs;
    if (closed_) return kErrBadFileMode;
    Variant text;
    if (blank) {
      int32_t n = qfscript::ToLong(Arg(args, 0));
      if (n < 0) return kErrInvalidCall;
      text = Variant::Str(std::string(static_cast<size_t>(n), '\n'));
    } else {
      Variant v = Arg(args, 0);
      std::string tail = writeLine ? "\n" : "";
      if (v.IsMissing()) text = Variant::Str(tail);
      else if (v.vt == qfscript::vtString) text = writeLine ? qfscript::ConcatExact(v, Variant::Str(tail)) : v;
      else text = Variant::Str(qfscript::ToStr(v) + tail);
    }
    return Emit(text);
  }

  // The next unit without taking it; false at the end of the stream.
  bool Peek(char16_t& unit) {
    if (ahead_.empty() && !Fill()) return false;
    unit = ahead_.front();
    return true;
  }

  // Reads one more character into ahead_.
  bool Fill() {
    if (atEnd_) return false;
    std::fflush(stdout);  // a prompt written without its line end shows first
    int c = std::getc(file_);
    if (c == EOF) {
      atEnd_ = true;
      return false;
    }
    if (!utf8_ || c < 0x80) {
      ahead_ += static_cast<char16_t>(qfscript::Cp1252ToUnicode(static_cast<unsigned char>(c)));
      return true;
    }
    std::string seq(1, static_cast<char>(c));
    int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    while (static_cast<int>(seq.size()) < len) {
      int d = std::getc(file_);
      if (d == EOF) break;
      if ((d & 0xC0) != 0x80) {
        std::ungetc(d, file_);
        break;
      }
      seq += static_cast<char>(d);
    }
    char32_t cp = 0;
    if (modLIB::Utf8Sequence(seq, 0, cp) > 0) {
      AppendUnits(ahead_, cp);
    } else {
      // No UTF-8: each byte as the Windows-1252 character it is.
      for (unsigned char b : seq) ahead_ += static_cast<char16_t>(qfscript::Cp1252ToUnicode(b));
    }
    return true;
  }

  void Take(size_t n, std::u16string* into) {
    std::u16string taken = ahead_.substr(0, n);
    ahead_.erase(0, n);
    Track(taken);
    if (into) *into += taken;
  }

  // Up to the end of the line; the line end is taken but not kept.
  bool ReadLine(std::u16string* into) {
    char16_t u;
    if (!Peek(u)) return false;
    while (Peek(u)) {
      if (u == u'\n') {
        Take(1, nullptr);
        break;
      }
      if (u == u'\r' && (ahead_.size() > 1 || Fill()) && ahead_.size() > 1 && ahead_[1] == u'\n') {
        Take(2, nullptr);
        break;
      }
      Take(1, into);
    }
    return true;
  }

  int Read(const std::string& name, std::vector<Variant*>& args, Variant& result) {
    bool readLine = SameName(name, "readline"), readAll = SameName(name, "readall"), read = SameName(name, "read");
    bool skip = SameName(name, "skip"), skipLine = SameName(name, "skipline");
    bool atEnd = SameName(name, "atendofstream"), atEol = SameName(name, "atendofline");
    if (SameName(name, "write") || SameName(name, "writeline") || SameName(name, "writeblanklines"))
      return kErrBadFileMode;
    if (!readLine && !readAll && !read && !skip && !skipLine && !atEnd && !atEol) return kErrNoSuchMember;
    if ((read || skip) != (args.size() == 1)) return kErrWrongArgs;
    if (closed_) return kErrBadFileMode;
    char16_t u;
    if (atEnd) {
      result = Variant::Bool(!Peek(u));
      return 0;
    }
    if (atEol) {
      result = Variant::Bool(!Peek(u) || u == u'\n' || u == u'\r');
      return 0;
    }
    std::u16string text;
    if (readLine || skipLine) {
      if (!ReadLine(readLine ? &text : nullptr)) return kErrPastEnd;
    } else if (readAll) {
      if (!Peek(u)) return kErrPastEnd;
      while (Fill()) {
      }
      Take(ahead_.size(), &text);
    } else {
      int32_t n = qfscript::ToLong(Arg(args, 0));
      if (n < 0) return kErrInvalidCall;
      if (n > 0 && !Peek(u)) return kErrPastEnd;
      while (ahead_.size() < static_cast<size_t>(n) && Fill()) {
      }
      Take(std::min(ahead_.size(), static_cast<size_t>(n)), read ? &text : nullptr);
    }
    if (readLine || readAll || read) result = qfscript::StrFromUnits(text);
    return 0;
  }
};

// ---- Arguments --------------------------------------------------------------

// Arguments, Arguments.Named (keys and values) or Arguments.Unnamed.
class ArgumentList : public qfscript::Object {
 public:
  enum class Kind { All, Named, Unnamed };
  struct Entry {
    std::string key;  // lower case: the name of /name:value, empty otherwise
    Variant value;
  };

  ArgumentList(Kind kind, std::vector<Entry> entries) : kind_(kind), entries_(std::move(entries)) {}
  std::string TypeName() const override {
    return kind_ == Kind::All ? "Arguments" : kind_ == Kind::Named ? "NamedArguments" : "UnnamedArguments";
  }

  Variant named, unnamed;  // of the whole list

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    if (SameName(name, "count") || SameName(name, "length")) {
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Long(static_cast<int32_t>(entries_.size()));
      return 0;
    }
    if (name.empty() || SameName(name, "item")) {
      if (args.size() != 1) return kErrWrongArgs;
      return Item(Arg(args, 0), result);
    }
    if (kind_ == Kind::Named && SameName(name, "exists")) {
      if (args.size() != 1) return kErrWrongArgs;
      result = Variant::Bool(Find(Arg(args, 0)) != nullptr);
      return 0;
    }
    if (kind_ == Kind::All && (SameName(name, "named") || SameName(name, "unnamed"))) {
      const Variant& list = SameName(name, "named") ? named : unnamed;
      if (args.empty()) {
        result = list;
        return 0;
      }
      if (args.size() != 1) return kErrWrongArgs;
      return static_cast<ArgumentList*>(list.o)->Item(Arg(args, 0), result);  // .Named("x")
    }
    return kErrNoSuchMember;
  }

  // For Each: the values, or the names of the named ones.
  int Enumerate(std::vector<Variant>& items) override {
    for (const Entry& e : entries_) items.push_back(kind_ == Kind::Named ? Variant::Str(e.key) : e.value);
    return 0;
  }

  int Item(const Variant& which, Variant& result) {
    if (kind_ == Kind::Named) {
      // A name not given is Empty.
      const Entry* e = Find(which);
      result = e ? e->value : Variant();
      return 0;
    }
    int32_t i = qfscript::ToLong(which);
    if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return kErrSubscript;
    result = entries_[static_cast<size_t>(i)].value;
    return 0;
  }

 private:
  Kind kind_;
  std::vector<Entry> entries_;

  const Entry* Find(const Variant& which) const {
    std::string key = qfscript::Lower(qfscript::ToStr(which));
    for (const Entry& e : entries_)
      if (e.key == key) return &e;
    return nullptr;
  }
};

// The script's arguments: every one in order; "/name:value" and "/name" are
// also named (the value of "/name" is Empty), the others unnamed.
Variant MakeArguments(const std::vector<std::string>& argv, bool utf8) {
  std::vector<ArgumentList::Entry> all, named, unnamed;
  for (const std::string& a : argv) {
    Variant value = StringFromOutside(a, utf8);
    all.push_back({std::string(), value});
    size_t colon = a.find(':');
    std::string key = a.size() > 1 && a[0] == '/' ? a.substr(1, colon == std::string::npos ? colon : colon - 1) : "";
    if (key.empty()) {
      unnamed.push_back({std::string(), value});
      continue;
    }
    Variant v = colon == std::string::npos ? Variant() : StringFromOutside(a.substr(colon + 1), utf8);
    named.push_back({qfscript::Lower(qfscript::ToStr(StringFromOutside(key, utf8))), v});
  }
  auto* list = new ArgumentList(ArgumentList::Kind::All, std::move(all));
  Variant result = Variant::Obj(list);
  list->named = Variant::Obj(new ArgumentList(ArgumentList::Kind::Named, std::move(named)));
  list->unnamed = Variant::Obj(new ArgumentList(ArgumentList::Kind::Unnamed, std::move(unnamed)));
  return result;
}

// ---- WScript ----------------------------------------------------------------

// The WScript object.
class WScriptObject : public qfscript::HostObject {
 public:
  int exitCode = 0;

  WScriptObject(const ScriptPlace& place, const std::vector<std::string>& arguments, bool utf8)
      : place_(place), utf8_(utf8) {
    stdIn_ = Variant::Obj(new ConsoleStream(stdin, true, utf8));
    stdOut_ = Variant::Obj(new ConsoleStream(stdout, false, utf8));
    stdErr_ = Variant::Obj(new ConsoleStream(stderr, false, utf8));
    arguments_ = MakeArguments(arguments, utf8);
  }

  int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) override {
    if (SameName(method, "echo")) {
      std::string line;
      for (size_t i = 0; i < args.size(); ++i) {
        if (i) line += ' ';
        const Variant& v = args[i]->Deref();
        if (v.IsNull()) line += "Null";
        else if (!v.IsMissing()) line += ValueToTerminal(v, utf8_);
      }
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), stdout);
      return 0;
    }
    if (SameName(method, "quit")) {
      exitCode = args.empty() || args[0]->Deref().IsMissing() ? 0 : qfscript::ToLong(*args[0]);
      return qfscript::kHostStop;
    }
    if (SameName(method, "sleep")) {
      if (args.size() != 1) return kErrWrongArgs;
      int32_t ms = qfscript::ToLong(Arg(args, 0));
      if (ms < 0) return kErrInvalidCall;
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      return 0;
    }
    if (SameName(method, "createobject")) {
      // The objects CreateObject makes (a second argument, an event prefix, has no use here).
      if (args.empty() || args.size() > 2) return kErrWrongArgs;
      qfscript::Object* o = CreateConsoleObject(qfscript::ToStr(Arg(args, 0)), utf8_);
      if (!o) return kErrCantCreate;
      result = Variant::Obj(o);
      return 0;
    }
    if (SameName(method, "arguments")) {
      if (args.empty()) {
        result = arguments_;
        return 0;
      }
      if (args.size() != 1) return kErrWrongArgs;
      return static_cast<ArgumentList*>(arguments_.o)->Item(Arg(args, 0), result);  // WScript.Arguments(i)
    }
    if (!args.empty()) return kErrWrongArgs;
    if (SameName(method, "stdin")) result = stdIn_;
    else if (SameName(method, "stdout")) result = stdOut_;
    else if (SameName(method, "stderr")) result = stdErr_;
    else if (SameName(method, "scriptname")) result = StringFromOutside(place_.scriptName, utf8_);
    else if (SameName(method, "scriptfullname")) result = StringFromOutside(place_.scriptFullName, utf8_);
    else if (SameName(method, "fullname")) result = StringFromOutside(place_.hostFullName, utf8_);
    else if (SameName(method, "path")) result = StringFromOutside(place_.hostPath, utf8_);
    else if (SameName(method, "name")) result = Variant::Str("qfscript");
    else if (SameName(method, "version")) result = Variant::Str("5.8");  // the language version the engine reports
    else if (SameName(method, "interactive")) result = Variant::Bool(interactive_);
    else return kErrNoSuchMember;
    return 0;
  }

  int Put(const std::string& property, std::vector<Variant*>& args, const Variant& value) override {
    if (!SameName(property, "interactive")) return kErrNoSuchMember;
    if (!args.empty()) return kErrWrongArgs;
    interactive_ = qfscript::ToBool(value);
    return 0;
  }

  std::string TypeName() const override { return "Object"; }

 private:
  ScriptPlace place_;
  bool utf8_;
  bool interactive_ = true;
  Variant stdIn_, stdOut_, stdErr_, arguments_;
};

}  // namespace

bool LocaleIsUtf8() {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  for (const char* name : names) {
    const char* v = std::getenv(name);
    if (!v || !*v) continue;
    std::string s;
    for (const char* p = v; *p; ++p) s += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos;
  }
  return false;
}

std::string ToOutside(const Variant& text, bool utf8) {
  if (text.vt != qfscript::vtString) return ToOutside(Variant::Str(qfscript::ToStr(text)), utf8);
  return utf8 ? UnitsToUtf8(qfscript::UnitsOf(text)) : text.Text();
}

Variant FromOutside(const std::string& bytes, bool utf8) { return StringFromOutside(bytes, utf8); }

qfscript::Object* CreateConsoleObject(const std::string& progId, bool utf8) {
  if (qfscript::Object* o = qfscript::CreateBuiltinObject(progId)) return o;
  if (qfscript::Object* o = CreateFileObject(progId, utf8)) return o;
  return CreateShellObject(progId, utf8);
}

std::string ToTerminal(const std::string& text, bool utf8) { return utf8 ? modLIB::Cp1252ToUtf8(text) : text; }

std::string ScriptText(std::string bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  bool beyondAscii = false;
  for (size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    size_t n = modLIB::Utf8Sequence(bytes, i, cp);
    if (n == 0) return bytes;  // no UTF-8: Windows-1252 as it is
    if (n > 1) beyondAscii = true;
    i += n;
  }
  return beyondAscii ? modLIB::Utf8ToCp1252(bytes) : bytes;
}

std::shared_ptr<qfscript::HostObject> MakeWScript(const ScriptPlace& place, const std::vector<std::string>& arguments,
                                                  bool utf8) {
  return std::make_shared<WScriptObject>(place, arguments, utf8);
}

int QuitCode(const qfscript::HostObject& wscript) { return static_cast<const WScriptObject&>(wscript).exitCode; }

}  // namespace qfconsole

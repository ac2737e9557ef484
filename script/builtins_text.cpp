// The string functions: Len, Left, Right, Mid, InStr, Replace, the case and trim
// functions, Space, String, StrComp, StrReverse, Asc, AscW, Chr, ChrW.
#include "script/builtins_common.h"

#include <algorithm>
#include <string>
#include <utility>

#include "script/vm.h"

namespace qfscript {

namespace {

using namespace builtin;

size_t FindLast(const std::string& in, const std::string& what, size_t from, bool text) {
  if (!text) return in.rfind(what, from);
  return LowerStr(in).rfind(LowerStr(what), from);
}

void CheckLength(double n) {
  if (n < 0) Fail(kErrInvalidCall);
  if (n > static_cast<double>(kMaxStringLength)) Fail(kErrOutOfMemory);
}

Variant FnLen(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  if (v.IsString()) return Variant::Long(static_cast<int32_t>(v.Text().size()));
  return Variant::Long(static_cast<int32_t>(ToStr(v).size()));
}

// A string with characters beyond Windows-1252: Left, Right and Mid cut its
// UTF-16 units so that the characters survive.
bool Exact(const Variant& v) { return v.IsString() && v.s->extra && !v.s->extra->units.empty(); }

Variant FnLeft(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  int32_t len = LengthArg(a, n, 1);
  if (v.IsNull()) return Variant::Null();
  if (Exact(v)) return StrFromUnits(UnitsOf(v).substr(0, static_cast<size_t>(len)));
  std::string s = ToStr(v);
  return Str(s.substr(0, static_cast<size_t>(len)));
}

Variant FnRight(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  int32_t len = LengthArg(a, n, 1);
  if (v.IsNull()) return Variant::Null();
  if (Exact(v)) {
    std::u16string u = UnitsOf(v);
    return StrFromUnits(u.substr(u.size() - std::min(u.size(), static_cast<size_t>(len))));
  }
  std::string s = ToStr(v);
  size_t k = std::min(s.size(), static_cast<size_t>(len));
  return Str(s.substr(s.size() - k));
}

Variant FnMid(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  NotNullIfGiven(a, n, 2);
  int32_t start = LongArg(a, n, 1, 1);
  if (start < 1) Fail(kErrInvalidCall);
  int32_t len = Has(a, n, 2) ? LengthArg(a, n, 2) : -1;
  if (v.IsNull()) return Variant::Null();
  if (Exact(v)) {
    std::u16string u = UnitsOf(v);
    size_t from = static_cast<size_t>(start) - 1;
    if (from >= u.size()) return Str("");
    return StrFromUnits(u.substr(from, len < 0 ? std::u16string::npos : static_cast<size_t>(len)));
  }
  const std::string* s;
  std::string tmp;
  if (v.IsString()) s = &v.Text();
  else { tmp = ToStr(v); s = &tmp; }
  size_t from = static_cast<size_t>(start) - 1;
  if (from >= s->size()) return Str("");
  return Str(s->substr(from, len < 0 ? std::string::npos : static_cast<size_t>(len)));
}

Variant FnInStr(Interp&, Variant* a, int n) {
  return InStrOver(a, n, [](const Variant& v) { return ToStr(v); });
}

Variant FnInStrRev(Interp&, Variant* a, int n) {
  const Variant& s1 = Arg(a, n, 0);
  const Variant& s2 = Arg(a, n, 1);
  int32_t start = LongArg(a, n, 2, -1);
  bool text = TextCompare(a, n, 3);
  if (start == 0 || start < -1) Fail(kErrInvalidCall);
  if (s1.IsNull() || s2.IsNull()) Fail(kErrInvalidNull);
  std::string x = ToStr(s1), y = ToStr(s2);
  if (start == -1) start = static_cast<int32_t>(x.size());
  if (static_cast<size_t>(start) > x.size()) return Variant::Long(0);
  if (y.empty()) return Variant::Long(start);
  if (y.size() > static_cast<size_t>(start)) return Variant::Long(0);
  size_t pos = FindLast(x, y, static_cast<size_t>(start) - y.size(), text);
  return Variant::Long(pos == std::string::npos ? 0 : static_cast<int32_t>(pos) + 1);
}

Variant FnReplace(Interp&, Variant* a, int n) {
  const Variant& e = Arg(a, n, 0);
  const Variant& f = Arg(a, n, 1);
  const Variant& r = Arg(a, n, 2);
  int32_t start = LongArg(a, n, 3, 1);
  int32_t count = LongArg(a, n, 4, -1);
  bool text = TextCompare(a, n, 5);
  if (e.IsNull() || f.IsNull() || r.IsNull()) Fail(kErrInvalidNull);
  if (start < 1 || count < -1) Fail(kErrInvalidCall);
  std::string s = ToStr(e), find = ToStr(f), repl = ToStr(r);
  if (static_cast<size_t>(start) > s.size()) return Str("");
  s = s.substr(static_cast<size_t>(start) - 1);
  if (find.empty() || count == 0) return Str(s);
  std::string hay = text ? LowerStr(s) : std::string();
  std::string needle = text ? LowerStr(find) : find;
  const std::string& in = text ? hay : s;
  std::string out;
  size_t pos = 0;
  int done = 0;
  for (;;) {
    if (count >= 0 && done >= count) break;
    size_t hit = in.find(needle, pos);
    if (hit == std::string::npos) break;
    out.append(s, pos, hit - pos);
    out += repl;
    if (out.size() > kMaxStringLength) Fail(kErrOutOfMemory);
    pos = hit + find.size();
    ++done;
  }
  out.append(s, pos, std::string::npos);
  return Str(std::move(out));
}

Variant Mapped(Variant* a, int n, int (*f)(int)) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  std::string s = ToStr(v);
  for (auto& c : s) c = static_cast<char>(f(static_cast<unsigned char>(c)));
  return Str(std::move(s));
}

int Upper1252(int c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;
  if (c == 0xFF) return 0x9F;
  return c;
}
int Lower1252(int c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

Variant FnUCase(Interp&, Variant* a, int n) { return Mapped(a, n, Upper1252); }
Variant FnLCase(Interp&, Variant* a, int n) { return Mapped(a, n, Lower1252); }

Variant Trimmed(Variant* a, int n, bool left, bool right) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  std::string s = ToStr(v);
  size_t b = 0, e = s.size();
  if (left) while (b < e && s[b] == ' ') ++b;
  if (right) while (e > b && s[e - 1] == ' ') --e;
  return Str(s.substr(b, e - b));
}
Variant FnTrim(Interp&, Variant* a, int n) { return Trimmed(a, n, true, true); }
Variant FnLTrim(Interp&, Variant* a, int n) { return Trimmed(a, n, true, false); }
Variant FnRTrim(Interp&, Variant* a, int n) { return Trimmed(a, n, false, true); }

Variant FnSpace(Interp&, Variant* a, int n) {
  double k = ToLong(Arg(a, n, 0));
  CheckLength(k);
  return Str(std::string(static_cast<size_t>(k), ' '));
}

Variant FnString(Interp&, Variant* a, int n) {
  if (Arg(a, n, 0).IsNull() || Arg(a, n, 1).IsNull()) return Variant::Null();
  double k = ToLong(Arg(a, n, 0));
  CheckLength(k);
  const Variant& c = Arg(a, n, 1);
  char ch;
  if (c.IsString()) {
    if (c.Text().empty()) Fail(kErrInvalidCall);
    ch = c.Text()[0];
  } else {
    int32_t code = ToLong(c);
    ch = static_cast<char>(code & 0xFF);
  }
  return Str(std::string(static_cast<size_t>(k), ch));
}

Variant FnStrComp(Interp&, Variant* a, int n) {
  const Variant& x = Arg(a, n, 0);
  const Variant& y = Arg(a, n, 1);
  bool text = TextCompare(a, n, 2);
  if (x.IsNull() || y.IsNull()) return Variant::Null();
  return Variant::Int(static_cast<int16_t>(CompareStrings(ToStr(x), ToStr(y), text)));
}

Variant FnStrReverse(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  std::string s = ToStr(v);
  std::reverse(s.begin(), s.end());
  return Str(std::move(s));
}

unsigned char FirstChar(Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  std::string s = ToStr(v);
  if (s.empty()) Fail(kErrInvalidCall);
  return static_cast<unsigned char>(s[0]);
}

Variant FnAsc(Interp&, Variant* a, int n) { return Variant::Int(FirstChar(a, n)); }

// AscW is a signed Integer: AscW(ChrW(65535)) = -1.
Variant FnAscW(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  std::u16string units = UnitsOf(v);
  if (units.empty()) Fail(kErrInvalidCall);
  return Variant::Int(static_cast<int16_t>(units[0]));
}

Variant FnChr(Interp&, Variant* a, int n) {
  int32_t c = ToLong(NotNullAt(a, n, 0));
  if (c < 0 || c > 255) Fail(kErrInvalidCall);
  return Str(std::string(1, static_cast<char>(c)));
}

Variant FnChrW(Interp&, Variant* a, int n) {
  int32_t c = ToLong(NotNullAt(a, n, 0));
  if (c < -32768 || c > 65535) Fail(kErrInvalidCall);
  if (c < 0) c += 65536;
  return StrFromUnits(std::u16string(1, static_cast<char16_t>(c)));
}

const Builtin kTextBuiltins[] = {
    {"len", 1, 1, FnLen},
    {"left", 2, 2, FnLeft},
    {"right", 2, 2, FnRight},
    {"mid", 2, 3, FnMid},
    {"instr", 2, 4, FnInStr},
    {"instrrev", 2, 4, FnInStrRev},
    {"replace", 3, 6, FnReplace},
    {"ucase", 1, 1, FnUCase},
    {"lcase", 1, 1, FnLCase},
    {"trim", 1, 1, FnTrim},
    {"ltrim", 1, 1, FnLTrim},
    {"rtrim", 1, 1, FnRTrim},
    {"space", 1, 1, FnSpace},
    {"string", 2, 2, FnString},
    {"strcomp", 2, 3, FnStrComp},
    {"strreverse", 1, 1, FnStrReverse},
    {"asc", 1, 1, FnAsc},
    {"ascw", 1, 1, FnAscW},
    {"chr", 1, 1, FnChr},
    {"chrw", 1, 1, FnChrW},
};

}  // namespace

std::span<const Builtin> TextBuiltins() { return kTextBuiltins; }

}  // namespace qfscript

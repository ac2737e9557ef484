#include "builtins.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/time.h>
#include <unordered_map>

#include "datetime.h"
#include "locales.h"
#include "objects.h"
#include "errors.h"
#include "operators.h"
#include "vm.h"

namespace qfscript {

namespace {

// ---- Argument helpers ------------------------------------------------------

const Variant kMissing = Variant::Missing();

const Variant& Arg(Variant* args, int n, int i) { return i < n ? args[i].Deref() : kMissing; }
bool Has(Variant* args, int n, int i) { return i < n && !args[i].IsMissing(); }

[[noreturn]] void Fail(int number) { ThrowError(number); }

// "Variable uses an Automation type not supported": a conversion called as a statement.
constexpr int kErrUnsupportedType = 458;
constexpr int kErrLocale = 447;

int32_t LongArg(Variant* args, int n, int i, int32_t dflt) {
  if (!Has(args, n, i)) return dflt;
  const Variant& v = Arg(args, n, i);
  if (v.IsNull()) Fail(kErrInvalidNull);
  return ToLong(v);
}

// The compare argument: 0 binary, 1 text; some functions take 2 (database) too.
bool TextCompare(Variant* args, int n, int i, int32_t highest = 2) {
  if (!Has(args, n, i)) return false;
  int32_t c = LongArg(args, n, i, 0);
  if (c < 0 || c > highest) Fail(kErrInvalidCall);
  return c == 1;
}

// An argument that must not be Null.
const Variant& NotNullAt(Variant* args, int n, int i) {
  const Variant& v = Arg(args, n, i);
  if (v.IsNull()) Fail(kErrInvalidNull);
  return v;
}

// An optional argument that, when given, must not be Null (checked before
// the other arguments' bounds).
void NotNullIfGiven(Variant* args, int n, int i) {
  if (Has(args, n, i)) NotNullAt(args, n, i);
}

Variant Str(std::string s) { return Variant::Str(std::move(s)); }

std::string LowerStr(const std::string& s) { return Lower(s); }

// Finds `what` in `in` from position `from` (0-based); npos if absent.
size_t Find(const std::string& in, const std::string& what, size_t from, bool text) {
  if (!text) return in.find(what, from);
  if (what.empty()) return from <= in.size() ? from : std::string::npos;
  return LowerStr(in).find(LowerStr(what), from);
}

size_t FindLast(const std::string& in, const std::string& what, size_t from, bool text) {
  if (!text) return in.rfind(what, from);
  return LowerStr(in).rfind(LowerStr(what), from);
}

void CheckLength(double n) {
  if (n < 0) Fail(kErrInvalidCall);
  if (n > static_cast<double>(kMaxStringLength)) Fail(kErrOutOfMemory);
}


// ---- Strings ---------------------------------------------------------------

Variant FnLen(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  if (v.IsString()) return Variant::Long(static_cast<int32_t>(v.Text().size()));
  return Variant::Long(static_cast<int32_t>(ToStr(v).size()));
}

// A string with characters beyond Windows-1252: Left, Right and Mid cut its
// UTF-16 units so that the characters survive.
bool Exact(const Variant& v) { return v.IsString() && v.s->extra && !v.s->extra->units.empty(); }

// The length argument of Left, Right, Mid and their byte twins.
int32_t LengthArg(Variant* a, int n, int i) {
  int32_t len = LongArg(a, n, i, 0);
  if (len < 0) Fail(kErrInvalidCall);
  return len;
}

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

// InStr and InStrB: one search, over the characters or over the UTF-16 bytes.
template <typename Text>
Variant InStrOver(Variant* a, int n, Text text) {
  int k = 0;
  int32_t start = 1;
  if (n >= 3) {
    if (Arg(a, n, 0).IsNull()) Fail(kErrInvalidNull);
    start = LongArg(a, n, 0, 1);
    if (start < 1) Fail(kErrInvalidCall);
    k = 1;
  }
  const Variant& s1 = Arg(a, n, k);
  const Variant& s2 = Arg(a, n, k + 1);
  bool byText = n >= 4 && TextCompare(a, n, 3);
  if (s1.IsNull() || s2.IsNull()) return Variant::Null();
  std::string x = text(s1), y = text(s2);
  if (static_cast<size_t>(start) > x.size()) return Variant::Long(0);
  if (y.empty()) return Variant::Long(start);
  size_t pos = Find(x, y, static_cast<size_t>(start) - 1, byText);
  return Variant::Long(pos == std::string::npos ? 0 : static_cast<int32_t>(pos) + 1);
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

Variant MakeArray(std::vector<Variant> items) {
  auto* r = new ArrayRep;
  r->bounds.push_back(static_cast<int32_t>(items.size()) - 1);
  r->data = std::move(items);
  return Variant::Arr(r);
}

Variant FnSplit(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  std::string delim = Has(a, n, 1) ? ToStr(NotNullAt(a, n, 1)) : " ";
  int32_t count = LongArg(a, n, 2, -1);
  bool text = TextCompare(a, n, 3, 1);
  if (count < -1) Fail(kErrInvalidCall);
  std::string s = ToStr(v);
  std::vector<Variant> parts;
  if (s.empty() || count == 0) return MakeArray(std::move(parts));
  if (delim.empty()) {
    parts.push_back(Str(s));
    return MakeArray(std::move(parts));
  }
  size_t pos = 0;
  for (;;) {
    if (count > 0 && static_cast<int32_t>(parts.size()) == count - 1) break;
    size_t hit = Find(s, delim, pos, text);
    if (hit == std::string::npos) break;
    parts.push_back(Str(s.substr(pos, hit - pos)));
    if (parts.size() > kMaxArrayElements) Fail(kErrOutOfMemory);
    pos = hit + delim.size();
  }
  parts.push_back(Str(s.substr(pos)));
  return MakeArray(std::move(parts));
}

const ArrayRep& OneDim(const Variant& v) {
  if (v.IsNull()) Fail(kErrInvalidNull);
  if (!v.IsArray()) Fail(kErrTypeMismatch);
  if (v.a->bounds.size() != 1) Fail(kErrSubscript);
  return *v.a;
}

// An object argument stands for its default member's value (438 without one).
Variant ValueOf(const Variant& v) {
  if (!v.IsObject()) return v;
  if (!v.o) Fail(kErrObjectNotSet);
  std::vector<Variant*> none;
  Variant r;
  int err = v.o->Invoke("", InvokeKind::Get, none, r);
  if (err) Fail(err);
  return r;
}

Variant FnJoin(Interp&, Variant* a, int n) {
  Variant list = ValueOf(Arg(a, n, 0));
  if (list.IsNull()) Fail(kErrInvalidNull);
  if (!list.IsArray() || list.a->bounds.size() != 1) Fail(kErrTypeMismatch);
  const ArrayRep& arr = *list.a;
  std::string delim = Has(a, n, 1) ? ToStr(NotNullAt(a, n, 1)) : " ";
  std::string out;
  for (size_t i = 0; i < arr.data.size(); ++i) {
    if (i) out += delim;
    if (arr.data[i].IsNull() || arr.data[i].IsArray()) Fail(kErrTypeMismatch);
    out += ToStr(arr.data[i]);
    if (out.size() > kMaxStringLength) Fail(kErrOutOfMemory);
  }
  return Str(std::move(out));
}

Variant FnFilter(Interp&, Variant* a, int n) {
  const ArrayRep& arr = OneDim(Arg(a, n, 0));
  if (Arg(a, n, 1).IsNull()) Fail(kErrInvalidNull);
  std::string value = ToStr(Arg(a, n, 1));
  bool include = Has(a, n, 2) ? ToBool(Arg(a, n, 2)) : true;
  bool text = TextCompare(a, n, 3);
  std::vector<Variant> out;
  for (auto& item : arr.data) {
    if (item.IsNull()) Fail(kErrInvalidNull);
    std::string s = ToStr(item);
    bool hit = Find(s, value, 0, text) != std::string::npos;
    if (hit == include) out.push_back(Str(s));
  }
  return MakeArray(std::move(out));
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

// ---- Bytes -------------------------------------------------------------------
// The B functions see a string as its UTF-16LE bytes, 2 per character.

Variant FnLenB(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  return Variant::Long(static_cast<int32_t>(ByteLength(v)));
}

Variant FnLeftB(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  size_t len = static_cast<size_t>(LengthArg(a, n, 1));
  if (v.IsNull()) return Variant::Null();
  if (v.IsString() && !v.s->extra && len >= v.Text().size() * 2) return v;
  return StrFromBytes(BytesOf(v).substr(0, len));
}

Variant FnRightB(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  size_t len = static_cast<size_t>(LengthArg(a, n, 1));
  if (v.IsNull()) return Variant::Null();
  std::string bytes = BytesOf(v);
  return StrFromBytes(bytes.substr(bytes.size() - std::min(len, bytes.size())));
}

Variant FnMidB(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  NotNullIfGiven(a, n, 2);
  int32_t start = LongArg(a, n, 1, 1);
  if (start < 1) Fail(kErrInvalidCall);
  size_t len = Has(a, n, 2) ? static_cast<size_t>(LengthArg(a, n, 2)) : std::string::npos;
  if (v.IsNull()) return Variant::Null();
  std::string bytes = BytesOf(v);
  size_t from = static_cast<size_t>(start) - 1;
  if (from >= bytes.size()) return Str("");
  return StrFromBytes(bytes.substr(from, len));
}

Variant FnInStrB(Interp&, Variant* a, int n) {
  return InStrOver(a, n, [](const Variant& v) { return BytesOf(v); });
}

Variant FnAscB(Interp&, Variant* a, int n) {
  std::string bytes = BytesOf(NotNullAt(a, n, 0));
  if (bytes.empty()) Fail(kErrInvalidCall);
  return Variant::Byte(static_cast<uint8_t>(bytes[0]));
}

Variant FnChrB(Interp&, Variant* a, int n) {
  int32_t c = ToLong(NotNullAt(a, n, 0));
  if (c < 0 || c > 255) Fail(kErrOverflow);
  return StrFromBytes(std::string(1, static_cast<char>(c)));
}

std::string InBase(uint32_t v, int base) {
  if (v == 0) return "0";
  std::string s;
  while (v) {
    s += "0123456789ABCDEF"[v % static_cast<uint32_t>(base)];
    v /= static_cast<uint32_t>(base);
  }
  std::reverse(s.begin(), s.end());
  return s;
}

Variant BaseText(Variant* a, int n, int base) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  int32_t x = ToLong(v);
  bool narrow = v.vt == vtInteger || v.vt == vtByte || v.vt == vtBoolean || v.vt == vtEmpty;
  uint32_t u = narrow && x < 0 ? static_cast<uint16_t>(x) : static_cast<uint32_t>(x);
  return Str(InBase(u, base));
}
Variant FnHex(Interp&, Variant* a, int n) { return BaseText(a, n, 16); }
Variant FnOct(Interp&, Variant* a, int n) { return BaseText(a, n, 8); }

// Escape works on the characters themselves: above U+00FF they become %uXXXX.
Variant FnEscape(Interp&, Variant* a, int n) {
  std::u16string units = UnitsOf(NotNullAt(a, n, 0));
  std::string out;
  for (char16_t u : units) {
    if (u < 0x80 && (std::isalnum(u) || std::strchr("@*_+-./", static_cast<char>(u)))) {
      out += static_cast<char>(u);
      continue;
    }
    char buf[8];
    if (u > 0xFF) snprintf(buf, sizeof buf, "%%u%04X", static_cast<unsigned>(u));
    else snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned>(u));
    out += buf;
  }
  return Str(std::move(out));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Variant FnUnescape(Interp&, Variant* a, int n) {
  std::u16string s = UnitsOf(NotNullAt(a, n, 0)), out;
  auto hex = [&](size_t i) { return s[i] < 0x80 ? HexDigit(static_cast<char>(s[i])) : -1; };
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 5 < s.size() && (s[i + 1] == 'u' || s[i + 1] == 'U')) {
      int h[4];
      bool ok = true;
      for (int k = 0; k < 4 && ok; ++k) ok = (h[k] = hex(i + 2 + k)) >= 0;
      if (ok) {
        out += static_cast<char16_t>(h[0] << 12 | h[1] << 8 | h[2] << 4 | h[3]);
        i += 5;
        continue;
      }
    }
    if (s[i] == '%' && i + 2 < s.size()) {
      int x = hex(i + 1), y = hex(i + 2);
      if (x >= 0 && y >= 0) {
        // %XX is a byte of the Windows code page, as Escape writes it.
        out += static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(x * 16 + y)));
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return StrFromUnits(out);
}

// ---- Conversions and tests -------------------------------------------------

Variant FnCBool(Interp&, Variant* a, int n) { return Variant::Bool(ToBool(NotNullAt(a, n, 0))); }
Variant FnCByte(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  if (v.Deref().vt == vtBoolean) return Variant::Byte(v.Deref().b ? 255 : 0);  // True is all bits set
  double d = RoundHalfEven(ToDouble(v));
  if (d < 0 || d > 255) Fail(kErrOverflow);
  return Variant::Byte(static_cast<uint8_t>(d));
}
Variant FnCCur(Interp&, Variant* a, int n) { return Variant::Currency(ToCurrencyScaled(NotNullAt(a, n, 0))); }
Variant FnCDate(Interp&, Variant* a, int n) { return Variant::Date(ToDate(NotNullAt(a, n, 0))); }
Variant FnCDbl(Interp&, Variant* a, int n) { return Variant::Double(ToDouble(NotNullAt(a, n, 0))); }
Variant FnCInt(Interp&, Variant* a, int n) { return Variant::Int(ToInteger(NotNullAt(a, n, 0))); }
Variant FnCLng(Interp&, Variant* a, int n) { return Variant::Long(ToLong(NotNullAt(a, n, 0))); }
Variant FnCSng(Interp&, Variant* a, int n) {
  double d = ToDouble(NotNullAt(a, n, 0));
  if (std::fabs(d) > 3.402823466e38) Fail(kErrOverflow);
  return Variant::Single(static_cast<float>(d));
}
Variant FnCStr(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  if (v.IsString()) return v;
  return Str(ToStr(v));
}

// Int and Fix keep the subtype of whole numbers.
Variant Whole(Variant* a, int n, bool floorIt) {
  const Variant& v = Arg(a, n, 0);
  auto cut = [&](double d) { return floorIt ? std::floor(d) : std::trunc(d); };
  switch (v.vt) {
    case vtNull: return Variant::Null();
    case vtEmpty: return Variant::Int(0);
    case vtBoolean: return Variant::Int(v.b ? -1 : 0);
    case vtByte: case vtInteger: case vtLong: return v;
    case vtSingle: return Variant::Single(static_cast<float>(cut(v.f)));
    case vtDate: return Variant::Date(cut(v.d));
    case vtCurrency: {
      double d = cut(static_cast<double>(v.cy) / 10000.0);
      return Variant::Currency(static_cast<int64_t>(d) * 10000);
    }
    default: return Variant::Double(cut(ToDouble(v)));
  }
}
Variant FnInt(Interp&, Variant* a, int n) { return Whole(a, n, true); }
Variant FnFix(Interp&, Variant* a, int n) { return Whole(a, n, false); }

Variant FnAbs(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  switch (v.vt) {
    case vtNull: return Variant::Null();
    case vtEmpty: return Variant::Int(0);
    case vtByte: return v;
    case vtBoolean: return Variant::Int(v.b ? 1 : 0);
    case vtInteger: return Variant::Whole(std::abs(static_cast<int64_t>(v.i)));
    case vtLong: {
      int64_t x = std::abs(static_cast<int64_t>(v.l));
      if (x > INT32_MAX) Fail(kErrOverflow);
      return Variant::Long(static_cast<int32_t>(x));
    }
    case vtSingle: return Variant::Single(std::fabs(v.f));
    case vtCurrency:
      if (v.cy == INT64_MIN) Fail(kErrOverflow);
      return Variant::Currency(v.cy < 0 ? -v.cy : v.cy);
    case vtDate: return Variant::Date(std::fabs(v.d));
    default: return Variant::Double(std::fabs(ToDouble(v)));
  }
}

Variant FnSgn(Interp&, Variant* a, int n) {
  double d = ToDouble(NotNullAt(a, n, 0));
  return Variant::Int(d > 0 ? 1 : d < 0 ? -1 : 0);
}

double NumArg(Variant* a, int n) { return ToDouble(NotNullAt(a, n, 0)); }

Variant Checked(double d) {
  if (std::isinf(d) || std::isnan(d)) Fail(kErrOverflow);
  return Variant::Double(d);
}

Variant FnSqr(Interp&, Variant* a, int n) {
  double d = NumArg(a, n);
  if (d < 0) Fail(kErrInvalidCall);
  return Variant::Double(std::sqrt(d));
}
Variant FnExp(Interp&, Variant* a, int n) { return Checked(std::exp(NumArg(a, n))); }
Variant FnLog(Interp&, Variant* a, int n) {
  double d = NumArg(a, n);
  if (d <= 0) Fail(kErrInvalidCall);
  return Variant::Double(std::log(d));
}
Variant FnSin(Interp&, Variant* a, int n) { return Checked(std::sin(NumArg(a, n))); }
Variant FnCos(Interp&, Variant* a, int n) { return Checked(std::cos(NumArg(a, n))); }
Variant FnTan(Interp&, Variant* a, int n) { return Checked(std::tan(NumArg(a, n))); }
Variant FnAtn(Interp&, Variant* a, int n) { return Variant::Double(std::atan(NumArg(a, n))); }

Variant FnRound(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) return Variant::Null();
  int32_t digits = LongArg(a, n, 1, 0);
  if (digits < 0) Fail(kErrInvalidCall);
  switch (v.vt) {
    case vtEmpty: return Variant::Int(0);
    case vtBoolean: case vtByte: case vtInteger: case vtLong: return v;
    default: break;
  }
  if (v.vt == vtCurrency) {
    // Whole ten-thousandths: round the scaled integer itself, halves to even.
    if (digits >= 4) return v;
    int64_t unit = 1;
    for (int k = digits; k < 4; ++k) unit *= 10;
    int64_t q = v.cy / unit, rest = v.cy % unit;
    if (rest < 0) rest = -rest;
    if (rest * 2 > unit || (rest * 2 == unit && q % 2 != 0)) q += v.cy < 0 ? -1 : 1;
    return Variant::Currency(q * unit);
  }
  double d = ToDouble(v);
  // Halves go to even on the decimal number the value stands for
  // (Round(2.675, 2) is 2.68 although the Double is 2.67499999...).
  double r = RoundDecimalPlaces(d, digits, v.vt == vtSingle ? 7 : 15);
  if (v.vt == vtSingle) return Variant::Single(static_cast<float>(r));
  if (v.vt == vtDate) return Variant::Date(r);
  return Variant::Double(r);
}

Variant FnRnd(Interp& in, Variant* a, int n) {
  double x = Has(a, n, 0) ? ToDouble(Arg(a, n, 0)) : 1;
  // The seed is the last number drawn (before any, the initial seed).
  if (x == 0) return Variant::Single(static_cast<float>(in.rndSeed) / 16777216.0f);
  if (x < 0) {
    float f = static_cast<float>(x);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    in.rndSeed = (bits + (bits >> 24)) & 0xFFFFFF;
  }
  in.rndSeed = (in.rndSeed * 1140671485u + 12820163u) & 0xFFFFFFu;
  in.rndLast = static_cast<float>(in.rndSeed) / 16777216.0f;
  return Variant::Single(in.rndLast);
}

Variant FnIsArray(Interp&, Variant* a, int n) { return Variant::Bool(Arg(a, n, 0).IsArray()); }
Variant FnIsDate(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.vt == vtDate) return Variant::Bool(true);
  if (!v.IsString()) return Variant::Bool(false);
  double d;
  return Variant::Bool(ParseLocalDate(v.Text(), d));
}
Variant FnIsEmpty(Interp&, Variant* a, int n) { return Variant::Bool(Arg(a, n, 0).IsEmpty()); }
Variant FnIsNull(Interp&, Variant* a, int n) { return Variant::Bool(Arg(a, n, 0).IsNull()); }
Variant FnIsNumeric(Interp& in, Variant* a, int n) {
  const Variant& arg = Arg(a, n, 0);
  if (arg.vt == vtObject) {
    // An object is judged by its default value.
    Variant value;
    try {
      value = DefaultOf(arg);
    } catch (const RuntimeError&) {
      return Variant::Bool(false);
    }
    return FnIsNumeric(in, &value, 1);
  }
  const Variant& v = arg;
  if (v.vt == vtEmpty) return Variant::Bool(true);
  if (v.vt == vtDate) return Variant::Bool(false);
  if (v.IsNumeric()) return Variant::Bool(true);
  if (!v.IsString()) return Variant::Bool(false);
  double d;
  try {
    return Variant::Bool(ParseNumber(v.Text(), d));
  } catch (const RuntimeError&) {
    return Variant::Bool(true);  // too large for a Double, but a number
  }
}
Variant FnIsObject(Interp&, Variant* a, int n) { return Variant::Bool(Arg(a, n, 0).IsObject()); }
Variant FnTypeName(Interp&, Variant* a, int n) { return Str(TypeNameOf(Arg(a, n, 0))); }
Variant FnVarType(Interp&, Variant* a, int n) { return Variant::Int(static_cast<int16_t>(VarTypeOf(Arg(a, n, 0)))); }

// ---- Arrays ----------------------------------------------------------------

Variant FnArray(Interp&, Variant* a, int n) {
  std::vector<Variant> items;
  items.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    Variant v = a[i].Deref();
    if (v.IsMissing()) v.Clear();
    items.push_back(std::move(v));
  }
  return MakeArray(std::move(items));
}

Variant Bound(Variant* a, int n, bool upper) {
  const Variant& arg = Arg(a, n, 0);
  if (arg.IsObject() && !arg.o) Fail(kErrObjectNotSet);
  Variant v = ValueOf(arg);
  if (!v.IsArray()) Fail(kErrTypeMismatch);
  int32_t dim = LongArg(a, n, 1, 1);
  if (dim < 1 || static_cast<size_t>(dim) > v.a->bounds.size()) Fail(kErrSubscript);
  return Variant::Long(upper ? v.a->bounds[static_cast<size_t>(dim) - 1] : 0);
}
Variant FnUBound(Interp&, Variant* a, int n) { return Bound(a, n, true); }
Variant FnLBound(Interp&, Variant* a, int n) { return Bound(a, n, false); }

// ---- Dates -----------------------------------------------------------------

Variant FnNow(Interp&, Variant*, int) { return Variant::Date(NowSerial()); }
Variant FnDate(Interp&, Variant*, int) { return Variant::Date(std::floor(NowSerial())); }
Variant FnTime(Interp&, Variant*, int) {
  double now = NowSerial();
  return Variant::Date(now - std::floor(now));
}
Variant FnTimer(Interp&, Variant*, int) {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  struct tm lt;
  localtime_r(&t, &lt);
  double secs = lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec + tv.tv_usec / 1e6;
  return Variant::Single(static_cast<float>(secs));
}

// The date argument of Year, Month ...; false for Null.
bool DateArg(Variant* a, int n, int i, DateParts& p, double* serial = nullptr) {
  const Variant& v = Arg(a, n, i);
  if (v.IsNull()) return false;
  double d = ToDate(v);
  if (serial) *serial = d;
  p = SplitDate(d);
  return true;
}

template <int DateParts::*Field>
Variant PartOf(Interp&, Variant* a, int n) {
  DateParts p;
  if (!DateArg(a, n, 0, p)) return Variant::Null();
  return Variant::Int(static_cast<int16_t>(p.*Field));
}

int FirstDay(Variant* a, int n, int i) {
  int32_t f = LongArg(a, n, i, 1);
  if (f < 0 || f > 7) Fail(kErrInvalidCall);
  return f == 0 ? 1 : f;
}

int WeekdayFrom(int weekday, int first) { return (weekday - first + 7) % 7 + 1; }

Variant FnWeekday(Interp&, Variant* a, int n) {
  DateParts p;
  int first = FirstDay(a, n, 1);
  if (!DateArg(a, n, 0, p)) return Variant::Null();
  return Variant::Int(static_cast<int16_t>(WeekdayFrom(p.weekday, first)));
}

Variant FnWeekdayName(Interp&, Variant* a, int n) {
  int32_t day = LongArg(a, n, 0, 1);
  bool abbr = Has(a, n, 1) && ToBool(Arg(a, n, 1));
  int first = FirstDay(a, n, 2);
  if (day < 1 || day > 7) Fail(kErrInvalidCall);
  return Str(DayName((day + first - 2) % 7 + 1, abbr));
}

Variant FnMonthName(Interp&, Variant* a, int n) {
  NotNullIfGiven(a, n, 1);
  int32_t m = LongArg(a, n, 0, 1);
  bool abbr = Has(a, n, 1) && ToBool(Arg(a, n, 1));
  if (m < 1 || m > 12) Fail(kErrInvalidCall);
  return Str(MonthName(m, abbr));
}

Variant DateResult(double serial) {
  if (serial < DaySerial(100, 1, 1) || serial >= DaySerial(10000, 1, 1)) Fail(kErrInvalidCall);
  return Variant::Date(serial);
}

double AddMonths(double serial, long long months) {
  DateParts p = SplitDate(serial);
  long long total = static_cast<long long>(p.year) * 12 + (p.month - 1) + months;
  long long y = total / 12, m = total % 12 + 1;
  if (y < 100 || y > 9999) Fail(kErrInvalidCall);
  static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int len = kLen[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) len = 29;
  int d = std::min(p.day, len);
  double day = DaySerial(static_cast<int>(y), static_cast<int>(m), d);
  double time = std::fabs(serial - std::trunc(serial));
  return Combine(day, time);
}

std::string Interval(Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  return Lower(ToStr(v));
}

Variant FnDateAdd(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  if (Arg(a, n, 1).IsNull()) Fail(kErrInvalidNull);
  double k = ToDouble(Arg(a, n, 1));
  if (Arg(a, n, 2).IsNull()) return Variant::Null();
  double d = ToDate(Arg(a, n, 2));
  double whole = std::trunc(k);
  if (std::fabs(whole) > 1e9) Fail(kErrInvalidCall);  // far beyond year 9999 whatever the interval
  if (iv == "yyyy") return DateResult(AddMonths(d, static_cast<long long>(whole) * 12));
  if (iv == "q") return DateResult(AddMonths(d, static_cast<long long>(whole) * 3));
  if (iv == "m") return DateResult(AddMonths(d, static_cast<long long>(whole)));
  double days;
  if (iv == "d" || iv == "y" || iv == "w") days = whole;
  else if (iv == "ww") days = whole * 7;
  else if (iv == "h") days = whole / 24;
  else if (iv == "n") days = whole / 1440;
  else if (iv == "s") days = whole / 86400;
  else Fail(kErrInvalidCall);
  // Work on a linear time line (negative serials count the time forwards from their day).
  double t = std::trunc(d);
  double r = t + std::fabs(d - t) + days;
  double rd = std::floor(r + 1e-12);
  double rf = r - rd;
  if (rf < 1e-10) rf = 0;
  return DateResult(Combine(rd, rf));
}

// Days and seconds of a date on a linear time line.
double Linear(double serial) {
  double t = std::trunc(serial);
  double f = std::fabs(serial - t);
  return t + f;
}

long long FloorDiv(double a, double unit) { return static_cast<long long>(std::floor(a / unit + 1e-9)); }

// The firstweekofyear argument: 0 (the system's, January 1st) to 3.
int FirstWeek(Variant* a, int n, int i) {
  int32_t f = LongArg(a, n, i, 1);
  if (f < 0 || f > 3) Fail(kErrInvalidCall);
  return f == 0 ? 1 : f;
}

Variant FnDateDiff(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  int first = FirstDay(a, n, 3);
  FirstWeek(a, n, 4);
  if (Arg(a, n, 1).IsNull() || Arg(a, n, 2).IsNull()) return Variant::Null();
  double d1 = ToDate(Arg(a, n, 1)), d2 = ToDate(Arg(a, n, 2));
  DateParts p1 = SplitDate(d1), p2 = SplitDate(d2);
  double l1 = Linear(d1), l2 = Linear(d2);
  long long r;
  if (iv == "yyyy") r = p2.year - p1.year;
  else if (iv == "q") r = (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
  else if (iv == "m") r = (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
  else if (iv == "d" || iv == "y") r = static_cast<long long>(std::floor(l2)) - static_cast<long long>(std::floor(l1));
  else if (iv == "w") r = (static_cast<long long>(std::floor(l2)) - static_cast<long long>(std::floor(l1))) / 7;
  else if (iv == "ww") {
    long long a1 = static_cast<long long>(std::floor(l1)), a2 = static_cast<long long>(std::floor(l2));
    // Count the first-days-of-week passed: shift both to the start of their week.
    auto weekStart = [&](long long day) {
      long long wd = ((day + 6) % 7 + 7) % 7 + 1;  // serial 1 (12/31/1899) was a Sunday
      long long off = (wd - first + 7) % 7;
      return day - off;
    };
    r = (weekStart(a2) - weekStart(a1)) / 7;
  } else if (iv == "h") r = FloorDiv(l2, 1.0 / 24) - FloorDiv(l1, 1.0 / 24);
  else if (iv == "n") r = FloorDiv(l2, 1.0 / 1440) - FloorDiv(l1, 1.0 / 1440);
  else if (iv == "s") r = std::llround(l2 * 86400) - std::llround(l1 * 86400);
  else Fail(kErrInvalidCall);
  if (r < INT32_MIN || r > INT32_MAX) Fail(kErrOverflow);
  return Variant::Long(static_cast<int32_t>(r));
}

// The first day of week 1 of a year: the week holding January 1st, the
// first week with four days of the year, or the first whole week.
double WeekOneStart(int year, int first, int firstWeek) {
  double jan1 = DaySerial(year, 1, 1);
  int before = WeekdayFrom(SplitDate(jan1).weekday, first) - 1;  // days of its week before Jan 1
  double start = jan1 - before;
  if ((firstWeek == 2 && before > 3) || (firstWeek == 3 && before > 0)) start += 7;
  return start;
}

Variant FnDatePart(Interp&, Variant* a, int n) {
  std::string iv = Interval(a, n);
  int first = FirstDay(a, n, 2);
  int firstWeek = FirstWeek(a, n, 3);
  DateParts p;
  double serial;
  if (!DateArg(a, n, 1, p, &serial)) return Variant::Null();
  int r;
  if (iv == "yyyy") r = p.year;
  else if (iv == "q") r = (p.month - 1) / 3 + 1;
  else if (iv == "m") r = p.month;
  else if (iv == "y") r = static_cast<int>(DaySerial(p.year, p.month, p.day) - DaySerial(p.year, 1, 1)) + 1;
  else if (iv == "d") r = p.day;
  else if (iv == "w") r = WeekdayFrom(p.weekday, first);
  else if (iv == "ww") {
    // Days before week 1 belong to the last week of the year before.
    double day = DaySerial(p.year, p.month, p.day);
    double start = WeekOneStart(p.year, first, firstWeek);
    if (day < start) start = WeekOneStart(p.year - 1, first, firstWeek);
    r = static_cast<int>((day - start) / 7) + 1;
  } else if (iv == "h") r = p.hour;
  else if (iv == "n") r = p.minute;
  else if (iv == "s") r = p.second;
  else Fail(kErrInvalidCall);
  return Variant::Int(static_cast<int16_t>(r));
}

Variant FnDateSerial(Interp&, Variant* a, int n) {
  for (int i = 0; i < 3; ++i)
    if (Arg(a, n, i).IsNull()) Fail(kErrInvalidNull);
  double out;
  if (!MakeDate(ToLong(Arg(a, n, 0)), ToLong(Arg(a, n, 1)), ToLong(Arg(a, n, 2)), out)) Fail(kErrInvalidCall);
  return Variant::Date(out);
}

Variant FnTimeSerial(Interp&, Variant* a, int n) {
  for (int i = 0; i < 3; ++i)
    if (Arg(a, n, i).IsNull()) Fail(kErrInvalidNull);
  double secs = static_cast<double>(ToLong(Arg(a, n, 0))) * 3600 + ToLong(Arg(a, n, 1)) * 60.0 + ToLong(Arg(a, n, 2));
  double days = secs / 86400.0;
  if (days < 0) {
    // Before midnight: a day serial below zero with a positive time of day.
    double whole = std::floor(days);
    double frac = days - whole;
    return Variant::Date(Combine(whole, frac));
  }
  return Variant::Date(days);
}

// DateValue and TimeValue read text (or take a date); a number is no date text.
const Variant& DateText(Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  if (v.IsNumeric() && v.vt != vtDate) Fail(kErrTypeMismatch);
  return v;
}

Variant FnDateValue(Interp&, Variant* a, int n) {
  const Variant& v = DateText(a, n);
  double d = ToDate(v);
  return Variant::Date(std::trunc(d));
}

Variant FnTimeValue(Interp&, Variant* a, int n) {
  const Variant& v = DateText(a, n);
  double d = ToDate(v);
  return Variant::Date(std::fabs(d - std::trunc(d)));
}

// ---- Formatting ------------------------------------------------------------

int Tristate(Variant* a, int n, int i) {
  if (!Has(a, n, i)) return -2;
  int32_t t = LongArg(a, n, i, -2);
  if (t < -2 || t > 0) Fail(kErrInvalidCall);
  return t;
}

enum class NumberForm { Number, Currency, Percent };

// FormatNumber, FormatCurrency and FormatPercent: the decimal value the number
// stands for, rounded half away from zero, in the locale's separators.
// leading, parens and group are tristates (-2: the locale's choice).
Variant FormatFixed(Decimal x, int digits, int leading, int parens, int group, NumberForm form) {
  const LocaleInfo& loc = CurrentLocale();
  if (digits < -1 || digits > 255) Fail(kErrInvalidCall);
  if (digits == -1) digits = form == NumberForm::Currency ? loc.currencyDigits : 2;
  if (form == NumberForm::Percent && !x.digits.empty()) x.point += 2;
  RoundDecimal(x, digits, false);
  bool neg = x.negative && !x.digits.empty();
  std::string text = FixedText(x, digits);
  size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : loc.decimal + text.substr(dot + 1);
  if (whole == "0" && leading == 0) whole.clear();
  if (group != 0 && whole.size() > 3) {
    std::string g;
    int count = 0;
    for (size_t i = whole.size(); i-- > 0;) {
      g += whole[i];
      if (++count % 3 == 0 && i > 0) g += loc.thousands;
    }
    std::reverse(g.begin(), g.end());
    whole = g;
  }
  std::string number = whole + frac;
  if (form == NumberForm::Percent) number += '%';
  if (form != NumberForm::Currency) {
    if (!neg) return Str(number);
    return Str(parens == -1 ? "(" + number + ")" : "-" + number);
  }
  // The sixteen negative and four positive currency forms: '$' is the
  // symbol, 'n' the number.
  static const char* const kNegative[16] = {"($n)", "-$n",  "$-n",  "$n-",  "(n$)", "-n$", "n-$",  "n$-",
                                            "-n $", "-$ n", "n $-", "$ n-", "$ -n", "n- $", "($ n)", "(n $)"};
  static const char* const kPositive[4] = {"$n", "n$", "$ n", "n $"};
  std::string pattern = kPositive[loc.currencyPositive];
  if (neg) {
    const char* localForm = kNegative[loc.currencyNegative];
    bool localParens = localForm[0] == '(';
    if (parens == -1) pattern = "(" + pattern + ")";
    else if (parens == 0 && localParens) pattern = "-" + pattern;
    else pattern = localForm;
  }
  std::u16string out;
  for (char c : pattern) {
    if (c == '$') {
      out += Utf8ToUnits(loc.currency);
    } else if (c == 'n') {
      for (unsigned char d : number) out += static_cast<char16_t>(Cp1252ToUnicode(d));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return StrFromUnits(out);
}

// The value of a Format function: Null is a type mismatch here.
Decimal FormatValue(Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) Fail(kErrTypeMismatch);
  if (v.vt == vtCurrency) {
    // All of a Currency's digits, which may be more than a Double holds.
    // The scaled integer's digits with the point four places from the right.
    Decimal x;
    if (v.cy == 0) return x;
    x.negative = v.cy < 0;
    x.digits = std::to_string(x.negative ? 0 - static_cast<uint64_t>(v.cy) : static_cast<uint64_t>(v.cy));
    x.point = static_cast<int>(x.digits.size()) - 4;
    while (x.digits.back() == '0') x.digits.pop_back();
    return x;
  }
  return ToDecimal(ToDouble(v));
}

Variant Formatted(Variant* a, int n, NumberForm form) {
  Decimal x = FormatValue(a, n);
  return FormatFixed(x, LongArg(a, n, 1, -1), Tristate(a, n, 2), Tristate(a, n, 3), Tristate(a, n, 4), form);
}

Variant FnFormatNumber(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Number); }
Variant FnFormatCurrency(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Currency); }
Variant FnFormatPercent(Interp&, Variant* a, int n) { return Formatted(a, n, NumberForm::Percent); }

Variant FnFormatDateTime(Interp&, Variant* a, int n) {
  const Variant& v = Arg(a, n, 0);
  if (v.IsNull()) Fail(kErrTypeMismatch);
  int32_t fmt = LongArg(a, n, 1, 0);
  if (fmt < 0 || fmt > 4) Fail(kErrInvalidCall);
  return Str(FormatDate(ToDate(v), fmt));
}

// ---- The user --------------------------------------------------------------

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

Variant FnCreateObject(Interp&, Variant* a, int n) {
  Object* o = CreateBuiltinObject(ToStr(Arg(a, n, 0)));
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

const Builtin kBuiltins[] = {
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
    {"split", 1, 4, FnSplit},
    {"join", 1, 2, FnJoin},
    {"filter", 2, 4, FnFilter},
    {"asc", 1, 1, FnAsc},
    {"ascb", 1, 1, FnAscB},
    {"ascw", 1, 1, FnAscW},
    {"chr", 1, 1, FnChr},
    {"chrb", 1, 1, FnChrB},
    {"lenb", 1, 1, FnLenB},
    {"leftb", 2, 2, FnLeftB},
    {"rightb", 2, 2, FnRightB},
    {"midb", 2, 3, FnMidB},
    {"instrb", 2, 4, FnInStrB},
    {"chrw", 1, 1, FnChrW},
    {"hex", 1, 1, FnHex},
    {"oct", 1, 1, FnOct},
    {"escape", 1, 1, FnEscape},
    {"unescape", 1, 1, FnUnescape},
    {"cbool", 1, 1, FnCBool},
    {"cbyte", 1, 1, FnCByte, kErrUnsupportedType},
    {"ccur", 1, 1, FnCCur, kErrUnsupportedType},
    {"cdate", 1, 1, FnCDate, kErrUnsupportedType},
    {"cdbl", 1, 1, FnCDbl, kErrUnsupportedType},
    {"cint", 1, 1, FnCInt, kErrUnsupportedType},
    {"clng", 1, 1, FnCLng, kErrUnsupportedType},
    {"csng", 1, 1, FnCSng, kErrUnsupportedType},
    {"cstr", 1, 1, FnCStr},
    {"int", 1, 1, FnInt},
    {"fix", 1, 1, FnFix},
    {"abs", 1, 1, FnAbs},
    {"sgn", 1, 1, FnSgn},
    {"sqr", 1, 1, FnSqr},
    {"exp", 1, 1, FnExp},
    {"log", 1, 1, FnLog},
    {"sin", 1, 1, FnSin},
    {"cos", 1, 1, FnCos},
    {"tan", 1, 1, FnTan},
    {"atn", 1, 1, FnAtn},
    {"round", 1, 2, FnRound},
    {"rnd", 0, 1, FnRnd},
    {"isarray", 1, 1, FnIsArray},
    {"isdate", 1, 1, FnIsDate},
    {"isempty", 1, 1, FnIsEmpty},
    {"isnull", 1, 1, FnIsNull},
    {"isnumeric", 1, 1, FnIsNumeric},
    {"isobject", 1, 1, FnIsObject},
    {"typename", 1, 1, FnTypeName},
    {"vartype", 1, 1, FnVarType},
    {"array", 0, 1 << 20, FnArray},
    {"ubound", 1, 2, FnUBound},
    {"lbound", 1, 2, FnLBound},
    {"now", 0, 0, FnNow},
    {"date", 0, 0, FnDate},
    {"time", 0, 0, FnTime},
    {"timer", 0, 0, FnTimer},
    {"year", 1, 1, PartOf<&DateParts::year>},
    {"month", 1, 1, PartOf<&DateParts::month>},
    {"day", 1, 1, PartOf<&DateParts::day>},
    {"hour", 1, 1, PartOf<&DateParts::hour>},
    {"minute", 1, 1, PartOf<&DateParts::minute>},
    {"second", 1, 1, PartOf<&DateParts::second>},
    {"weekday", 1, 2, FnWeekday},
    {"weekdayname", 1, 3, FnWeekdayName},
    {"monthname", 1, 2, FnMonthName},
    {"dateadd", 3, 3, FnDateAdd},
    {"datediff", 3, 5, FnDateDiff},
    {"datepart", 2, 4, FnDatePart},
    {"dateserial", 3, 3, FnDateSerial},
    {"datevalue", 1, 1, FnDateValue},
    {"timeserial", 3, 3, FnTimeSerial},
    {"timevalue", 1, 1, FnTimeValue},
    {"formatnumber", 1, 5, FnFormatNumber},
    {"formatcurrency", 1, 5, FnFormatCurrency},
    {"formatpercent", 1, 5, FnFormatPercent},
    {"formatdatetime", 1, 2, FnFormatDateTime},
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

const Builtin* FindBuiltin(const std::string& lowerName) {
  static const std::unordered_map<std::string, const Builtin*> map = [] {
    std::unordered_map<std::string, const Builtin*> m;
    for (const Builtin& b : kBuiltins) m.emplace(b.name, &b);
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

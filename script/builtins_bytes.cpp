// The byte functions (LenB, LeftB, MidB, InStrB, AscB, ChrB ...), which see a
// string as its UTF-16LE bytes, and the encodings Hex, Oct, Escape and Unescape.
#include "script/builtins_common.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace qfscript {

namespace {

using namespace builtin;

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

const Builtin kByteBuiltins[] = {
    {"ascb", 1, 1, FnAscB},
    {"chrb", 1, 1, FnChrB},
    {"lenb", 1, 1, FnLenB},
    {"leftb", 2, 2, FnLeftB},
    {"rightb", 2, 2, FnRightB},
    {"midb", 2, 3, FnMidB},
    {"instrb", 2, 4, FnInStrB},
    {"hex", 1, 1, FnHex},
    {"oct", 1, 1, FnOct},
    {"escape", 1, 1, FnEscape},
    {"unescape", 1, 1, FnUnescape},
};

}  // namespace

std::span<const Builtin> ByteBuiltins() { return kByteBuiltins; }

}  // namespace qfscript

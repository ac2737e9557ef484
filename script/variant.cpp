#include "script/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "script/datetime.h"
#include "script/errors.h"
#include "script/locales.h"

namespace qfscript {

Variant Variant::Str(std::string x) {
  if (x.size() > kMaxStringLength) ThrowError(kErrOutOfMemory);
  Variant v;
  v.vt = vtString;
  v.s = new StrRep{1, std::move(x), nullptr};
  return v;
}

Variant Variant::Obj(Object* obj) {
  Variant v;
  v.vt = vtObject;
  v.o = obj;
  if (obj) ++obj->refs;
  return v;
}

Variant Variant::Whole(int64_t x) {
  if (x >= INT16_MIN && x <= INT16_MAX) return Int(static_cast<int16_t>(x));
  if (x >= INT32_MIN && x <= INT32_MAX) return Long(static_cast<int32_t>(x));
  return Double(static_cast<double>(x));
}

namespace {

// Arrays may nest arbitrarily deep (a = Array(a) in a loop): free them
// iteratively so that dropping the outermost one cannot exhaust the stack.
thread_local std::vector<ArrayRep*>* tPending = nullptr;

void FreeArray(ArrayRep* a) {
  if (tPending) {
    tPending->push_back(a);
    return;
  }
  std::vector<ArrayRep*> pending;
  tPending = &pending;
  delete a;
  while (!pending.empty()) {
    ArrayRep* next = pending.back();
    pending.pop_back();
    delete next;
  }
  tPending = nullptr;
}

}  // namespace

void Variant::Release() {
  switch (vt) {
    case vtString:
      if (--s->refs == 0) delete s;
      break;
    case vtArray:
      if (--a->refs == 0) FreeArray(a);
      break;
    case vtObject:
      if (o && --o->refs == 0) o->LastReleased();
      break;
    default: break;
  }
}

bool Variant::IsNumeric() const {
  switch (vt) {
    case vtInteger: case vtLong: case vtSingle: case vtDouble: case vtCurrency:
    case vtDate: case vtBoolean: case vtByte:
      return true;
    default: return false;
  }
}

ArrayRep* Variant::UniqueArray() {
  if (a->refs > 1) {
    ArrayRep* copy = new ArrayRep{1, a->fixed, a->bounds, a->data};
    --a->refs;
    a = copy;
  }
  return a;
}

void Variant::UnfixArray() {
  *this = Arr(new ArrayRep{1, false, a->bounds, a->data});
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool SameName(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

double RoundHalfEven(double x) {
  double r = std::nearbyint(x);  // default rounding mode: to nearest, ties to even
  return r;
}

bool ParseNumber(const std::string& text, double& out) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t')) --n;
  if (i >= n) return false;
  if (text[i] == '&' && i + 1 < n) {
    char k = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    int base = k == 'h' ? 16 : k == 'o' ? 8 : 0;
    if (!base) return false;
    i += 2;
    if (i >= n) return false;
    uint64_t v = 0;
    for (; i < n; ++i) {
      int dgt;
      char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      if (c >= '0' && c <= '9') dgt = c - '0';
      else if (base == 16 && c >= 'a' && c <= 'f') dgt = c - 'a' + 10;
      else return false;
      if (dgt >= base) return false;
      v = v * base + dgt;
      if (v > 0xFFFFFFFFull) return false;
    }
    if (v <= 0xFFFF) out = static_cast<int16_t>(v);
    else out = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  std::string buf;
  buf.reserve(n - i);
  if (text[i] == '+' || text[i] == '-') buf += text[i++];
  bool digits = false, dot = false;
  const LocaleInfo& loc = CurrentLocale();
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') { buf += c; digits = true; }
    else if (c == loc.thousands && digits && !dot) continue;
    else if (c == loc.decimal && !dot) { buf += '.'; dot = true; }
    else break;
  }
  if (!digits) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    buf += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) buf += text[i++];
    bool expDigits = false;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) { buf += text[i]; expDigits = true; }
    if (!expDigits) return false;
  }
  if (i != n) return false;
  out = std::strtod(buf.c_str(), nullptr);
  if (std::isinf(out)) ThrowError(kErrOverflow);
  return true;
}

namespace {

// The text of a number rounded to `precision` significant digits, in the
// layout of printf's %G: "0.0001", "1E-05", "123456789012345", "1E+15".
std::string GeneralText(Decimal x, int precision) {
  if (x.digits.empty()) return "0";
  if (static_cast<int>(x.digits.size()) > precision) RoundDecimal(x, precision - x.point, false);
  int exp = x.point - 1;
  std::string out = x.negative ? "-" : "";
  const std::string& dg = x.digits;
  if (exp < -4 || exp >= precision) {
    out += dg[0];
    if (dg.size() > 1) out += "." + dg.substr(1);
    char buf[16];
    snprintf(buf, sizeof buf, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    return out + buf;
  }
  if (x.point <= 0) return out + "0." + std::string(static_cast<size_t>(-x.point), '0') + dg;
  size_t point = static_cast<size_t>(x.point);
  if (point >= dg.size()) return out + dg + std::string(point - dg.size(), '0');
  return out + dg.substr(0, point) + "." + dg.substr(point);
}

}  // namespace

Decimal ToDecimal(double d, int precision) {
  Decimal x;
  if (d == 0 || !std::isfinite(d)) return x;
  x.negative = d < 0;
  // The value correctly rounded to `precision` significant digits: for a
  // Double whose shortest round-trip text has at most 15 digits, that text.
  char buf[64];
  snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(d));
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') x.digits += *p;
  x.point = (*p ? std::atoi(p + 1) : 0) + 1;
  while (!x.digits.empty() && x.digits.back() == '0') x.digits.pop_back();
  return x;
}

void RoundDecimal(Decimal& x, int fraction, bool halfEven) {
  std::string& dg = x.digits;
  long keep = static_cast<long>(x.point) + fraction;
  if (keep >= static_cast<long>(dg.size())) return;
  if (keep < 0) {
    dg.clear();
    x.point = 0;
    return;
  }
  size_t k = static_cast<size_t>(keep);
  char next = dg[k];
  bool up;
  if (next != '5') {
    up = next > '5';
  } else if (dg.find_first_not_of('0', k + 1) != std::string::npos || !halfEven) {
    up = true;
  } else {
    up = k > 0 && (dg[k - 1] - '0') % 2 == 1;
  }
  dg.resize(k);
  if (up) {
    size_t i = k;
    while (i > 0 && dg[i - 1] == '9') dg[--i] = '0';
    if (i == 0) {
      dg.insert(dg.begin(), '1');
      ++x.point;
    } else {
      ++dg[i - 1];
    }
  }
  while (!dg.empty() && dg.back() == '0') dg.pop_back();
  if (dg.empty()) x.point = 0;
}

std::string FixedText(const Decimal& x, int fraction) {
  const std::string& dg = x.digits;
  std::string out;
  if (x.point <= 0) {
    out = "0";
  } else {
    size_t point = static_cast<size_t>(x.point);
    out = dg.substr(0, std::min(point, dg.size()));
    if (point > dg.size()) out.append(point - dg.size(), '0');
  }
  if (fraction <= 0) return out;
  out += '.';
  for (int k = 0; k < fraction; ++k) {
    long idx = static_cast<long>(x.point) + k;
    out += idx >= 0 && idx < static_cast<long>(dg.size()) ? dg[static_cast<size_t>(idx)] : '0';
  }
  return out;
}

double RoundDecimalPlaces(double d, int fraction, int precision) {
  Decimal x = ToDecimal(d, precision);
  RoundDecimal(x, fraction, true);
  if (x.digits.empty()) return d < 0 ? -0.0 : 0.0;
  std::string text = (x.negative ? "-0." : "0.") + x.digits + "e" + std::to_string(x.point);
  return std::strtod(text.c_str(), nullptr);
}

std::string DoubleToStr(double d) {
  if (d == 0) return "0";
  return GeneralText(ToDecimal(d), 15);
}

std::string SingleToStr(float f) {
  if (f == 0) return "0";
  return GeneralText(ToDecimal(f, 7), 7);
}

std::string CurrencyToStr(int64_t cy) {
  bool neg = cy < 0;
  uint64_t u = neg ? 0 - static_cast<uint64_t>(cy) : static_cast<uint64_t>(cy);
  std::string s = std::to_string(u / 10000);
  unsigned frac = static_cast<unsigned>(u % 10000);
  if (frac) {
    char buf[8];
    snprintf(buf, sizeof buf, ".%04u", frac);
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    s += f;
  }
  return neg ? "-" + s : s;
}

namespace {

[[noreturn]] void Mismatch() { ThrowError(kErrTypeMismatch); }

}  // namespace

// An object where a value is needed: its default member (Err gives its Number).
Variant DefaultOf(const Variant& v) {
  if (!v.o) ThrowError(kErrObjectNotSet);
  std::vector<Variant*> none;
  Variant r;
  int err = v.o->Invoke("", InvokeKind::Get, none, r);
  if (err) ThrowError(err == kErrNoSuchMember ? kErrTypeMismatch : err);
  if (r.vt == vtObject) Mismatch();
  return r;
}

namespace {

double StringToDouble(const std::string& s) {
  double d;
  if (ParseNumber(s, d)) return d;
  Mismatch();
}

}  // namespace

double ToDouble(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtEmpty: return 0;
    case vtNull: ThrowError(kErrInvalidNull);
    case vtInteger: return v.i;
    case vtLong: return v.l;
    case vtSingle: return v.f;
    case vtDouble: case vtDate: return v.d;
    case vtCurrency: return static_cast<double>(v.cy) / 10000.0;
    case vtBoolean: return v.b ? -1 : 0;
    case vtByte: return v.by;
    case vtString: return StringToDouble(v.s->s);
    case vtObject: return ToDouble(DefaultOf(v));
    default: Mismatch();
  }
}

int32_t ToLong(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtInteger: return v.i;
    case vtLong: return v.l;
    case vtByte: return v.by;
    case vtBoolean: return v.b ? -1 : 0;
    case vtEmpty: return 0;
    default: break;
  }
  double d = RoundHalfEven(ToDouble(v));
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) ThrowError(kErrOverflow);
  return static_cast<int32_t>(d);
}

int16_t ToInteger(const Variant& v) {
  int32_t l;
  const Variant& r = v.Deref();
  if (r.vt == vtInteger) return r.i;
  double d = r.vt == vtLong ? r.l : RoundHalfEven(ToDouble(r));
  if (!(d >= -32768.0 && d <= 32767.0)) ThrowError(kErrOverflow);
  l = static_cast<int32_t>(d);
  return static_cast<int16_t>(l);
}

int64_t ToCurrencyScaled(const Variant& vin) {
  const Variant& v = vin.Deref();
  if (v.vt == vtCurrency) return v.cy;
  double d = ToDouble(v) * 10000.0;
  if (!(std::fabs(d) < 9.2233720368547e18)) ThrowError(kErrOverflow);
  return static_cast<int64_t>(RoundHalfEven(d));
}

bool ToBool(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtBoolean: return v.b;
    case vtEmpty: return false;
    case vtNull: ThrowError(kErrInvalidNull);
    case vtString: {
      const std::string& s = v.s->s;
      if (SameName(s, "true") || SameName(s, "#true#")) return true;
      if (SameName(s, "false") || SameName(s, "#false#")) return false;
      double d;
      if (ParseNumber(s, d)) return d != 0;
      Mismatch();
    }
    case vtInteger: case vtLong: case vtSingle: case vtDouble: case vtCurrency: case vtDate: case vtByte:
      return ToDouble(v) != 0;
    case vtObject: return ToBool(DefaultOf(v));
    default: Mismatch();
  }
}

namespace {

// A number's text with the locale's decimal separator.
std::string Localized(std::string text) {
  char sep = CurrentLocale().decimal;
  if (sep != '.') {
    size_t dot = text.find('.');
    if (dot != std::string::npos) text[dot] = sep;
  }
  return text;
}

}  // namespace

std::string ToStr(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtEmpty: return std::string();
    case vtNull: ThrowError(kErrInvalidNull);
    case vtInteger: return std::to_string(v.i);
    case vtLong: return std::to_string(v.l);
    case vtByte: return std::to_string(v.by);
    case vtSingle: return Localized(SingleToStr(v.f));
    case vtDouble: return Localized(DoubleToStr(v.d));
    case vtCurrency: return Localized(CurrencyToStr(v.cy));
    case vtDate: return DateToStr(v.d);
    case vtBoolean: return v.b ? "True" : "False";
    case vtString: return v.s->s;
    case vtError: return std::string();
    case vtObject: return ToStr(DefaultOf(v));
    default: Mismatch();
  }
}

double ToDate(const Variant& vin) {
  const Variant& v = vin.Deref();
  if (v.vt == vtDate) return v.d;
  if (v.vt == vtString) {
    double d;
    if (ParseLocalDate(v.s->s, d)) return d;
    if (!ParseNumber(v.s->s, d)) Mismatch();
    if (d < DaySerial(100, 1, 1) || d >= DaySerial(10000, 1, 1)) ThrowError(kErrOverflow);
    return d;
  }
  double d = ToDouble(v);
  if (d < DaySerial(100, 1, 1) || d >= DaySerial(10000, 1, 1)) ThrowError(kErrOverflow);
  return d;
}

Variant ToNumeric(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtEmpty: return Variant::Int(0);
    case vtString: return Variant::Double(StringToDouble(v.s->s));
    case vtNull: case vtInteger: case vtLong: case vtSingle: case vtDouble: case vtCurrency:
    case vtDate: case vtBoolean: case vtByte:
      return v;
    case vtObject: return ToNumeric(DefaultOf(v));
    default: Mismatch();
  }
}

std::string TypeNameOf(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtEmpty: return "Empty";
    case vtNull: return "Null";
    case vtInteger: return "Integer";
    case vtLong: return "Long";
    case vtSingle: return "Single";
    case vtDouble: return "Double";
    case vtCurrency: return "Currency";
    case vtDate: return "Date";
    case vtString: return "String";
    case vtObject: return v.o ? v.o->TypeName() : "Nothing";
    case vtError: return "Error";
    case vtBoolean: return "Boolean";
    case vtByte: return "Byte";
    case vtArray: return "Variant()";
    default: return "Unknown";
  }
}

int VarTypeOf(const Variant& vin) {
  const Variant& v = vin.Deref();
  if (v.vt == vtArray) return vtArray | vtVariant;
  return v.vt;
}

// ---- Windows-1252, UTF-16 and bytes -------------------------------------------

namespace {

// Windows-1252 bytes 0x80..0x9F and their Unicode code points.
const uint16_t kCp1252High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

}  // namespace

int Cp1252ToUnicode(unsigned char c) { return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : c; }

int UnicodeToCp1252(int u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return 0x80 + i;
  return -1;
}

std::u16string UnitsOf(const Variant& vin) {
  const Variant& v = vin.Deref();
  if (v.vt != vtString) return UnitsOf(Variant::Str(ToStr(v)));
  if (v.s->extra && !v.s->extra->units.empty()) return v.s->extra->units;
  std::u16string u;
  u.reserve(v.s->s.size());
  for (unsigned char c : v.s->s) u += static_cast<char16_t>(Cp1252ToUnicode(c));
  return u;
}

Variant StrFromUnits(const std::u16string& units, int oddByte) {
  std::string text;
  text.reserve(units.size());
  bool exact = true;
  for (char16_t u : units) {
    int c = UnicodeToCp1252(u);
    if (c < 0) {
      exact = false;
      c = '?';
    }
    text += static_cast<char>(c);
  }
  Variant v = Variant::Str(std::move(text));
  if (!exact || oddByte >= 0) {
    v.s->extra = std::make_unique<StrExtra>();
    if (!exact) v.s->extra->units = units;
    v.s->extra->oddByte = oddByte;
  }
  return v;
}

std::string BytesOf(const Variant& vin) {
  const Variant& v = vin.Deref();
  std::u16string units = UnitsOf(v);
  std::string bytes;
  bytes.reserve(units.size() * 2 + 1);
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  if (v.vt == vtString && v.s->extra && v.s->extra->oddByte >= 0) bytes += static_cast<char>(v.s->extra->oddByte);
  return bytes;
}

Variant StrFromBytes(const std::string& bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  int odd = bytes.size() % 2 ? static_cast<unsigned char>(bytes.back()) : -1;
  return StrFromUnits(units, odd);
}

size_t ByteLength(const Variant& vin) {
  const Variant& v = vin.Deref();
  if (v.vt != vtString) return ToStr(v).size() * 2;
  return v.s->s.size() * 2 + (v.s->extra && v.s->extra->oddByte >= 0 ? 1 : 0);
}

Variant ConcatExact(const Variant& a, const Variant& b) {
  std::string bytes = BytesOf(a) + BytesOf(b);
  if (bytes.size() / 2 > kMaxStringLength) ThrowError(kErrOutOfMemory);
  return StrFromBytes(bytes);
}

}  // namespace qfscript

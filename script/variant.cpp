#include "variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datetime.h"
#include "errors.h"

namespace qfscript {

Variant Variant::Str(std::string x) {
  if (x.size() > kMaxStringLength) ThrowError(kErrOutOfMemory);
  Variant v;
  v.vt = vtString;
  v.s = new StrRep{1, std::move(x)};
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
    ArrayRep* copy = new ArrayRep{1, false, a->bounds, a->data};
    --a->refs;
    a = copy;
  }
  return a;
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
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') { buf += c; digits = true; }
    else if (c == ',' && digits && !dot) continue;
    else if (c == '.' && !dot) { buf += c; dot = true; }
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

static std::string TrimExponent(const char* buf) {
  // printf writes at least two exponent digits, as VBScript does ("1E+20", "1E-05").
  return buf;
}

std::string DoubleToStr(double d) {
  if (d == 0) return "0";
  char buf[48];
  snprintf(buf, sizeof buf, "%.15G", d);
  return TrimExponent(buf);
}

std::string SingleToStr(float f) {
  if (f == 0) return "0";
  char buf[48];
  snprintf(buf, sizeof buf, "%.7G", static_cast<double>(f));
  return TrimExponent(buf);
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

std::string ToStr(const Variant& vin) {
  const Variant& v = vin.Deref();
  switch (v.vt) {
    case vtEmpty: return std::string();
    case vtNull: ThrowError(kErrInvalidNull);
    case vtInteger: return std::to_string(v.i);
    case vtLong: return std::to_string(v.l);
    case vtByte: return std::to_string(v.by);
    case vtSingle: return SingleToStr(v.f);
    case vtDouble: return DoubleToStr(v.d);
    case vtCurrency: return CurrencyToStr(v.cy);
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
    if (ParseDate(v.s->s, d)) return d;
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

}  // namespace qfscript

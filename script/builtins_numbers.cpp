// The conversions (CBool ... CStr), the arithmetic functions (Int, Abs, Sqr,
// Round, Rnd ...) and the tests of values (IsNumeric, TypeName, VarType ...).
#include "script/builtins_common.h"

#include <cmath>
#include <cstring>
#include <string>

#include "script/datetime.h"
#include "script/vm.h"

namespace qfscript {

namespace {

using namespace builtin;

// "Variable uses an Automation type not supported": a conversion called as a statement.
constexpr int kErrUnsupportedType = 458;

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

const Builtin kNumberBuiltins[] = {
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
};

}  // namespace

std::span<const Builtin> NumberBuiltins() { return kNumberBuiltins; }

}  // namespace qfscript

#include "script/operators.h"

#include <cctype>
#include <cmath>

#include "script/datetime.h"
#include "script/errors.h"

namespace qfscript {

namespace {

// Numeric ranks for choosing the result subtype of + - *.
enum Rank { rByte = 1, rInteger, rLong, rSingle, rDouble, rCurrency, rDate };

int RankOf(const Variant& v) {
  switch (v.vt) {
    case vtByte: return rByte;
    case vtInteger: case vtBoolean: case vtEmpty: return rInteger;
    case vtLong: return rLong;
    case vtSingle: return rSingle;
    case vtDouble: case vtString: return rDouble;
    case vtCurrency: return rCurrency;
    case vtDate: return rDate;
    default: ThrowError(kErrTypeMismatch);
  }
}

int64_t WholeOf(const Variant& v) {
  switch (v.vt) {
    case vtByte: return v.by;
    case vtInteger: return v.i;
    case vtBoolean: return v.b ? -1 : 0;
    case vtLong: return v.l;
    default: return 0;
  }
}

Variant FitWhole(int64_t r, int rank) {
  if (rank == rByte && r >= 0 && r <= 255) return Variant::Byte(static_cast<uint8_t>(r));
  if (rank <= rInteger && r >= INT16_MIN && r <= INT16_MAX) return Variant::Int(static_cast<int16_t>(r));
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant::Long(static_cast<int32_t>(r));
  return Variant::Double(static_cast<double>(r));
}

Variant CheckedDouble(double d) {
  if (std::isinf(d) || std::isnan(d)) ThrowError(kErrOverflow);
  return Variant::Double(d);
}

bool IsWholeRank(int r) { return r <= rLong; }

Variant Prepare(const Variant& v) {
  if (v.vt == vtString || v.vt == vtObject) return ToNumeric(v);
  return v;
}

}  // namespace

Variant Arith(BinOp op, const Variant& ain, const Variant& bin) {
  const Variant& a0 = ain.Deref();
  const Variant& b0 = bin.Deref();
  // Fast path: the common Integer/Long cases.
  if ((a0.vt == vtInteger || a0.vt == vtLong) && (b0.vt == vtInteger || b0.vt == vtLong)) {
    int64_t x = a0.vt == vtInteger ? a0.i : a0.l;
    int64_t y = b0.vt == vtInteger ? b0.i : b0.l;
    int rank = (a0.vt == vtLong || b0.vt == vtLong) ? rLong : rInteger;
    switch (op) {
      case BinOp::Add: return FitWhole(x + y, rank);
      case BinOp::Sub: return FitWhole(x - y, rank);
      case BinOp::Mul: return FitWhole(x * y, rank);
      case BinOp::Mod:
        if (y == 0) ThrowError(kErrDivByZero);
        return FitWhole(x % y, rank);
      case BinOp::IntDiv:
        if (y == 0) ThrowError(kErrDivByZero);
        return FitWhole(x / y, rank);
      default: break;
    }
  }
  if (a0.vt == vtNull || b0.vt == vtNull) {
    if (!(a0.vt == vtNull || a0.IsNumeric() || a0.vt == vtString || a0.vt == vtEmpty) ||
        !(b0.vt == vtNull || b0.IsNumeric() || b0.vt == vtString || b0.vt == vtEmpty))
      ThrowError(kErrTypeMismatch);
    return Variant::Null();
  }
  if (op == BinOp::Add && a0.vt == vtString && b0.vt == vtString) return Concat(a0, b0);
  if (op == BinOp::Add && ((a0.vt == vtString && b0.vt == vtEmpty) || (a0.vt == vtEmpty && b0.vt == vtString)))
    return a0.vt == vtString ? a0 : b0;
  Variant a = Prepare(a0), b = Prepare(b0);
  int ra = RankOf(a), rb = RankOf(b);

  switch (op) {
    case BinOp::Add: case BinOp::Sub: case BinOp::Mul: {
      int rank = ra > rb ? ra : rb;
      if (ra == rByte && rb == rByte) rank = rByte;
      else if (rank == rByte) rank = rInteger;
      if ((ra == rSingle && rb == rLong) || (ra == rLong && rb == rSingle)) rank = rDouble;
      if (rank == rCurrency && (ra == rSingle || ra == rDouble || rb == rSingle || rb == rDouble)) rank = rDouble;
      if (rank == rDate && op == BinOp::Mul) rank = rDouble;
      if (rank == rDate && op == BinOp::Sub && ra == rDate && rb == rDate) rank = rDouble;
      if (IsWholeRank(rank)) {
        int64_t x = WholeOf(a), y = WholeOf(b);
        int64_t r = op == BinOp::Add ? x + y : op == BinOp::Sub ? x - y : x * y;
        return FitWhole(r, rank);
      }
      if (rank == rCurrency) {
        int64_t x = ToCurrencyScaled(a), y = ToCurrencyScaled(b);
        if (op == BinOp::Mul) {
          long double r = static_cast<long double>(x) * y / 10000.0L;
          if (std::fabs(static_cast<double>(r)) >= 9.2233720368547e18) ThrowError(kErrOverflow);
          return Variant::Currency(static_cast<int64_t>(std::nearbyint(static_cast<double>(r))));
        }
        int64_t r;
        if (op == BinOp::Add ? __builtin_add_overflow(x, y, &r) : __builtin_sub_overflow(x, y, &r))
          ThrowError(kErrOverflow);
        return Variant::Currency(r);
      }
      double x = ToDouble(a), y = ToDouble(b);
      double r = op == BinOp::Add ? x + y : op == BinOp::Sub ? x - y : x * y;
      if (rank == rSingle) {
        if (std::isinf(static_cast<float>(r))) ThrowError(kErrOverflow);
        return Variant::Single(static_cast<float>(r));
      }
      if (rank == rDate) {
        if (!(r >= DaySerial(100, 1, 1) && r < DaySerial(10000, 1, 1))) ThrowError(kErrOverflow);
        return Variant::Date(r);
      }
      return CheckedDouble(r);
    }
    case BinOp::Div: {
      double x = ToDouble(a), y = ToDouble(b);
      if (y == 0) ThrowError(x == 0 ? kErrOverflow : kErrDivByZero);
      return CheckedDouble(x / y);
    }
    case BinOp::Pow: {
      double x = ToDouble(a), y = ToDouble(b);
      if (x == 0 && y < 0) ThrowError(kErrInvalidCall);
      if (x < 0 && y != std::floor(y)) ThrowError(kErrInvalidCall);
      return CheckedDouble(std::pow(x, y));
    }
    case BinOp::IntDiv: case BinOp::Mod: {
      int64_t x = ToLong(a), y = ToLong(b);
      if (y == 0) ThrowError(kErrDivByZero);
      int rank = (ra <= rInteger && rb <= rInteger) ? rInteger : rLong;
      if (ra == rByte && rb == rByte) rank = rByte;
      int64_t r = op == BinOp::IntDiv ? x / y : x % y;
      if (rank == rLong) return Variant::Long(static_cast<int32_t>(r));
      return FitWhole(r, rank);
    }
    default: break;
  }
  ThrowError(kErrTypeMismatch);
}

Variant Concat(const Variant& ain, const Variant& bin) {
  const Variant& a = ain.Deref();
  const Variant& b = bin.Deref();
  if (a.vt == vtNull && b.vt == vtNull) return Variant::Null();
  if (a.vt == vtString && b.vt == vtString) {
    if (a.s->extra || b.s->extra) return ConcatExact(a, b);
    size_t n = a.s->s.size() + b.s->s.size();
    if (n > kMaxStringLength) ThrowError(kErrOutOfMemory);
    std::string r;
    r.reserve(n);
    r += a.s->s;
    r += b.s->s;
    return Variant::Str(std::move(r));
  }
  if (a.vt == vtObject || b.vt == vtObject) {
    // An object joins with its default value; without one it is error 438.
    auto value = [](const Variant& v) -> Variant {
      if (v.vt != vtObject) return v;
      if (!v.o) ThrowError(kErrObjectNotSet);
      std::vector<Variant*> none;
      Variant r;
      if (int err = v.o->Invoke("", InvokeKind::Get, none, r)) ThrowError(err);
      if (r.vt == vtObject) ThrowError(kErrTypeMismatch);
      return r;
    };
    return Concat(value(a), value(b));
  }
  std::string x = a.vt == vtNull ? std::string() : ToStr(a);
  std::string y = b.vt == vtNull ? std::string() : ToStr(b);
  if (x.size() + y.size() > kMaxStringLength) ThrowError(kErrOutOfMemory);
  return Variant::Str(x + y);
}

int CompareStrings(const std::string& a, const std::string& b, bool textCompare) {
  if (!textCompare) {
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

namespace {

bool IsNumberLike(const Variant& v) { return v.IsNumeric() || v.vt == vtEmpty; }

// A string against a number (not Empty): -1, 0 or 1 for the string's side.
// Against a numeric literal the string is converted to a number (Type
// mismatch when it is not one); against a Boolean literal it is compared with
// the text True or False; a string literal against a computed number is
// compared with the number's text; otherwise the string is the greater.
int StringVsNumber(const std::string& s, const Variant& n, bool numLiteral, bool strLiteral) {
  if (numLiteral) {
    if (n.vt == vtBoolean) return CompareStrings(s, n.b ? "True" : "False", false);
    double x;
    if (!ParseNumber(s, x) && !(n.vt == vtDate && ParseDate(s, x))) ThrowError(kErrTypeMismatch);
    double y = ToDouble(n);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (strLiteral) return CompareStrings(s, ToStr(n), false);
  return 1;
}

// -1, 0, 1 for two non-Null operands.
int Order(const Variant& a, const Variant& b, uint8_t literals) {
  if ((a.vt == vtInteger || a.vt == vtLong) && (b.vt == vtInteger || b.vt == vtLong)) {
    int32_t x = a.vt == vtInteger ? a.i : a.l, y = b.vt == vtInteger ? b.i : b.l;
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (a.vt == vtString && b.vt == vtString) return CompareStrings(a.s->s, b.s->s, false);
  if (a.vt == vtString && b.vt == vtEmpty) return a.s->s.empty() ? 0 : 1;
  if (a.vt == vtEmpty && b.vt == vtString) return b.s->s.empty() ? 0 : -1;
  if (a.vt == vtString && b.IsNumeric())
    return StringVsNumber(a.s->s, b, (literals & kLitB) != 0, (literals & kLitA) != 0);
  if (a.IsNumeric() && b.vt == vtString)
    return -StringVsNumber(b.s->s, a, (literals & kLitA) != 0, (literals & kLitB) != 0);
  if (IsNumberLike(a) && IsNumberLike(b)) {
    if (a.vt == vtCurrency && b.vt == vtCurrency) return a.cy < b.cy ? -1 : a.cy > b.cy ? 1 : 0;
    double x = ToDouble(a), y = ToDouble(b);
    if ((a.vt == vtSingle && b.vt == vtDouble) || (a.vt == vtDouble && b.vt == vtSingle)) {
      // A Single against a Double compares at Single precision.
      float fx = static_cast<float>(x), fy = static_cast<float>(y);
      return fx < fy ? -1 : fx > fy ? 1 : 0;
    }
    return x < y ? -1 : x > y ? 1 : 0;
  }
  ThrowError(kErrTypeMismatch);
}

}  // namespace

Variant Compare(BinOp op, const Variant& ain, const Variant& bin, uint8_t literals) {
  if (ain.Deref().vt == vtObject || bin.Deref().vt == vtObject) {
    Variant x = ain.Deref().vt == vtObject ? DefaultOf(ain.Deref()) : ain.Deref();
    Variant y = bin.Deref().vt == vtObject ? DefaultOf(bin.Deref()) : bin.Deref();
    return Compare(op, x, y, literals);
  }
  const Variant& a = ain.Deref();
  const Variant& b = bin.Deref();
  if (a.vt == vtNull || b.vt == vtNull) {
    if (a.vt == vtObject || b.vt == vtObject || a.vt == vtArray || b.vt == vtArray) ThrowError(kErrTypeMismatch);
    return Variant::Null();
  }
  int c = Order(a, b, literals);
  bool r;
  switch (op) {
    case BinOp::Eq: r = c == 0; break;
    case BinOp::Ne: r = c != 0; break;
    case BinOp::Lt: r = c < 0; break;
    case BinOp::Gt: r = c > 0; break;
    case BinOp::Le: r = c <= 0; break;
    default: r = c >= 0; break;
  }
  return Variant::Bool(r);
}

namespace {

// Operand of a logical operator: Boolean, or a whole number with its rank.
struct LogicArg {
  bool isNull = false;
  bool isBool = false;
  int rank = rInteger;
  int32_t bits = 0;
};

LogicArg LogicOperand(const Variant& v) {
  LogicArg r;
  switch (v.vt) {
    case vtNull: r.isNull = true; return r;
    case vtBoolean: r.isBool = true; r.bits = v.b ? -1 : 0; return r;
    case vtEmpty: r.rank = rLong; return r;  // Empty is a Long 0 here, unlike in arithmetic
    case vtByte: r.rank = rByte; r.bits = v.by; return r;
    case vtInteger: r.bits = v.i; return r;
    case vtString:
      if (SameName(v.s->s, "true") || SameName(v.s->s, "#true#")) {
        r.isBool = true;
        r.bits = -1;
        return r;
      }
      if (SameName(v.s->s, "false") || SameName(v.s->s, "#false#")) {
        r.isBool = true;
        return r;
      }
      r.rank = rLong;
      r.bits = ToLong(v);
      return r;
    default:
      r.rank = rLong;
      r.bits = ToLong(v);
      return r;
  }
}

int32_t BitOp(BinOp op, int32_t x, int32_t y) {
  switch (op) {
    case BinOp::And: return x & y;
    case BinOp::Or: return x | y;
    case BinOp::Xor: return x ^ y;
    case BinOp::Eqv: return ~(x ^ y);
    default: return ~x | y;  // Imp
  }
}

}  // namespace

Variant Logic(BinOp op, const Variant& ain, const Variant& bin) {
  if (ain.vt == vtBoolean && bin.vt == vtBoolean) [[likely]]
    return Variant::Bool(BitOp(op, ain.b ? -1 : 0, bin.b ? -1 : 0) != 0);
  LogicArg x = LogicOperand(ain.Deref());
  LogicArg y = LogicOperand(bin.Deref());
  if (x.isNull || y.isNull) {
    // Null where the other side decides the answer on its own.
    const LogicArg& other = x.isNull ? y : x;
    if (x.isNull && y.isNull) return Variant::Null();
    auto known = [&](int32_t bits) -> Variant {
      if (other.isBool) return Variant::Bool(bits != 0);
      return FitWhole(bits, other.rank);
    };
    switch (op) {
      case BinOp::And:
        if (other.bits == 0) return known(0);
        return Variant::Null();
      case BinOp::Or:
        if (other.bits == -1) return known(-1);
        return Variant::Null();
      case BinOp::Imp:
        // A Byte on the left gives its complement: the Null's bits are lost in the Byte.
        if (y.isNull && x.rank == rByte && !x.isBool) return Variant::Byte(static_cast<uint8_t>(~x.bits));
        if (x.isNull && y.bits == -1) return known(-1);
        if (y.isNull && x.bits == 0) return known(-1);
        return Variant::Null();
      default: return Variant::Null();
    }
  }
  int32_t r = BitOp(op, x.bits, y.bits);
  if (x.isBool && y.isBool) return Variant::Bool(r != 0);
  int rank = x.rank > y.rank ? x.rank : y.rank;
  if (x.isBool) rank = y.rank;
  if (y.isBool) rank = x.rank;
  if (rank == rByte && !(x.rank == rByte && y.rank == rByte)) rank = rInteger;
  if (rank == rByte) return Variant::Byte(static_cast<uint8_t>(r));
  if (rank == rInteger) return Variant::Int(static_cast<int16_t>(r));
  return Variant::Long(r);
}

Variant Not(const Variant& ain) {
  if (ain.vt == vtBoolean) [[likely]] return Variant::Bool(!ain.b);
  const Variant& a = ain.Deref();
  LogicArg x = LogicOperand(a);
  if (x.isNull) return Variant::Null();
  if (x.isBool) return Variant::Bool(x.bits == 0);
  if (x.rank == rByte) return Variant::Byte(static_cast<uint8_t>(~x.bits));
  if (x.rank == rInteger) return Variant::Int(static_cast<int16_t>(~x.bits));
  return Variant::Long(~x.bits);
}

Variant Negate(const Variant& ain) {
  const Variant& a = ain.Deref();
  switch (a.vt) {
    case vtNull: return Variant::Null();
    case vtEmpty: return Variant::Int(0);
    case vtBoolean: return Variant::Int(a.b ? 1 : 0);
    case vtByte: return Variant::Int(static_cast<int16_t>(-static_cast<int>(a.by)));
    case vtInteger: return FitWhole(-static_cast<int64_t>(a.i), rInteger);
    case vtLong: return FitWhole(-static_cast<int64_t>(a.l), rLong);
    case vtSingle: return Variant::Single(-a.f);
    case vtDouble: return Variant::Double(-a.d);
    case vtDate: return Variant::Date(-a.d);
    case vtCurrency:
      if (a.cy == INT64_MIN) ThrowError(kErrOverflow);
      return Variant::Currency(-a.cy);
    case vtString: return Variant::Double(-ToDouble(a));
    default: ThrowError(kErrTypeMismatch);
  }
}

Variant ObjectIs(const Variant& ain, const Variant& bin) {
  const Variant& a = ain.Deref();
  const Variant& b = bin.Deref();
  if (a.vt != vtObject || b.vt != vtObject) ThrowError(kErrObjectRequired);
  return Variant::Bool(a.o == b.o);
}

Variant Apply(BinOp op, const Variant& a, const Variant& b) {
  switch (op) {
    case BinOp::Add: case BinOp::Sub: case BinOp::Mul: case BinOp::Div:
    case BinOp::IntDiv: case BinOp::Mod: case BinOp::Pow:
      return Arith(op, a, b);
    case BinOp::Concat: return Concat(a, b);
    case BinOp::Is: return ObjectIs(a, b);
    case BinOp::Eq: case BinOp::Ne: case BinOp::Lt: case BinOp::Gt: case BinOp::Le: case BinOp::Ge:
      return Compare(op, a, b);
    default: return Logic(op, a, b);
  }
}

}  // namespace qfscript

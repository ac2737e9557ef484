// Variant: the one value type of the script language.
//
// A small tagged union (16 bytes). Numbers, Booleans and Dates live inside it
// and never allocate; strings, arrays and objects are shared, reference-counted
// representations. Strings are immutable once shared (the interpreter may
// append in place only to a string nobody else holds); arrays are copied on
// write, which gives VBScript's by-value array assignment cheaply.
//
// The engine is single-threaded: reference counts are plain integers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qfscript {

enum VarType : uint16_t {
  vtEmpty = 0,
  vtNull = 1,
  vtInteger = 2,
  vtLong = 3,
  vtSingle = 4,
  vtDouble = 5,
  vtCurrency = 6,
  vtDate = 7,
  vtString = 8,
  vtObject = 9,
  vtError = 10,  // a missing optional argument
  vtBoolean = 11,
  vtVariant = 12,
  vtByte = 17,
  vtArray = 8192,
  vtRef = 0x4000,  // internal: a ByRef parameter slot pointing at the caller's variable
};

// Largest string and array the engine builds; past them a script gets
// "Out of memory" rather than taking the program down.
inline constexpr size_t kMaxStringLength = size_t(1) << 27;
inline constexpr size_t kMaxArrayElements = size_t(1) << 23;

class Variant;

// What a string's Windows-1252 text cannot say, for the few strings that
// need it: the exact UTF-16 code units when a character has no Windows-1252
// form (the text holds '?' for it), and an odd trailing byte that the byte
// functions leave (LeftB(s, 3)). Ordinary strings carry none.
struct StrExtra {
  std::u16string units;  // empty: the text's own characters
  int oddByte = -1;      // 0..255 when the string ends in half a character
};

struct StrRep {
  int refs = 1;
  std::string s;
  std::unique_ptr<StrExtra> extra;
};

struct ArrayRep {
  int refs = 1;
  bool fixed = false;             // declared with bounds by Dim: ReDim refuses it
  std::vector<int32_t> bounds;    // upper bound of each dimension (lower bounds are 0)
  std::vector<Variant> data;      // first dimension varies fastest
};

enum class InvokeKind { Method, Get, Let, Set };

// Anything a script reaches with "obj.member": host objects, Err, and later
// the script's own classes. Members are looked up by name, case-insensitively.
class Object {
 public:
  int refs = 0;
  virtual ~Object() = default;
  virtual std::string TypeName() const { return "Object"; }
  // Returns 0 or an error number. For Let/Set the value is the last argument.
  virtual int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args,
                     Variant& result) = 0;
  // For Each: fills the items, or returns an error number.
  virtual int Enumerate(std::vector<Variant>& items) { return 451; }
  // The last reference went (refs is 0). Instances of script classes run
  // Class_Terminate here first, which may take new references.
  virtual void LastReleased() { delete this; }
};

class Variant {
 public:
  uint16_t vt = vtEmpty;
  union {
    uint64_t raw;  // the whole payload: constructors store it at once (no partial-store stalls)
    int16_t i;
    int32_t l;
    float f;
    double d;  // Double and Date
    int64_t cy;  // Currency, scaled by 10,000
    uint8_t by;
    bool b;
    StrRep* s;
    ArrayRep* a;
    Object* o;  // nullptr is Nothing
    Variant* ref;
  };

  Variant() : raw(0) {}
  Variant(const Variant& v) : vt(v.vt), raw(v.raw) { AddRef(); }
  [[gnu::always_inline]] Variant(Variant&& v) noexcept : vt(v.vt), raw(v.raw) { v.vt = vtEmpty; }
  [[gnu::always_inline]] ~Variant() { if (Owns()) Release(); }
  Variant& operator=(const Variant& v) {
    if (this != &v) {
      Variant tmp(v);
      Swap(tmp);
    }
    return *this;
  }
  // The old value is released after the new one is in place: releasing an
  // object may run script code (Class_Terminate) that reads or writes this
  // variable.
  [[gnu::always_inline]] Variant& operator=(Variant&& v) noexcept {
    if (this != &v) {
      Variant old;
      old.vt = vt;
      old.raw = raw;
      vt = v.vt;
      raw = v.raw;
      v.vt = vtEmpty;
    }
    return *this;
  }
  void Swap(Variant& v) noexcept {
    std::swap(vt, v.vt);
    std::swap(raw, v.raw);
  }
  [[gnu::always_inline]] void Clear() {
    if (Owns()) {
      Variant old;
      old.vt = vt;
      old.raw = raw;
      vt = vtEmpty;
    } else {
      vt = vtEmpty;
    }
  }

  static Variant Null() { Variant v; v.vt = vtNull; return v; }
  static Variant Missing() { Variant v; v.vt = vtError; return v; }
  static Variant Int(int16_t x) { return Raw(vtInteger, static_cast<uint16_t>(x)); }
  static Variant Long(int32_t x) { return Raw(vtLong, static_cast<uint32_t>(x)); }
  static Variant Byte(uint8_t x) { return Raw(vtByte, x); }
  static Variant Single(float x) {
    uint32_t bits;
    __builtin_memcpy(&bits, &x, sizeof bits);
    return Raw(vtSingle, bits);
  }
  static Variant Double(double x) { return Raw(vtDouble, Bits(x)); }
  static Variant Date(double x) { return Raw(vtDate, Bits(x)); }
  static Variant Currency(int64_t scaled) { return Raw(vtCurrency, static_cast<uint64_t>(scaled)); }
  static Variant Bool(bool x) { return Raw(vtBoolean, x ? 1u : 0u); }
  static Variant Str(std::string x);
  static Variant Str(const char* x) { return Str(std::string(x)); }
  static Variant Obj(Object* o);  // takes a reference; nullptr gives Nothing
  static Variant Nothing() { return Obj(nullptr); }
  static Variant Arr(ArrayRep* a) { Variant v; v.vt = vtArray; v.a = a; return v; }  // adopts
  static Variant RefTo(Variant* target) { Variant v; v.vt = vtRef; v.ref = target; return v; }
  // A whole number in the smallest of Integer, Long, Double that holds it.
  static Variant Whole(int64_t x);

  bool IsEmpty() const { return vt == vtEmpty; }
  bool IsNull() const { return vt == vtNull; }
  bool IsString() const { return vt == vtString; }
  bool IsObject() const { return vt == vtObject; }
  bool IsArray() const { return vt == vtArray; }
  bool IsMissing() const { return vt == vtError; }
  bool IsNumeric() const;  // numeric subtypes, Boolean and Date (not strings)
  const std::string& Text() const { return s->s; }  // only for strings

  // Follows a ByRef slot to the caller's variable.
  Variant& Deref() { return vt == vtRef ? *ref : *this; }
  const Variant& Deref() const { return vt == vtRef ? *ref : *this; }

  // Whether the variant holds a string, array or object (a reference to release).
  bool HoldsReference() const { return Owns(); }
  // Puts a whole number (vtInteger or vtLong) in place of a value that holds no reference.
  void SetWhole(int type, int64_t x) {
    vt = static_cast<uint16_t>(type);
    raw = type == vtInteger ? static_cast<uint16_t>(x) : static_cast<uint32_t>(x);
  }

  // An array this variant alone holds (copied first when shared; the copy
  // stays fixed when the array was, since it replaces this variable's own).
  ArrayRep* UniqueArray();
  // The value as another variable receives it: a fixed array's copy can be
  // redimensioned, so it gets elements of its own.
  void Unfix() {
    if (vt == vtArray && a->fixed) [[unlikely]] UnfixArray();
  }

 private:
  // Strings, objects and arrays hold a reference to release.
  bool Owns() const { return (vt | 1) == vtObject || vt == vtArray; }
  static Variant Raw(uint16_t type, uint64_t payload) {
    Variant v;
    v.vt = type;
    v.raw = payload;
    return v;
  }
  static uint64_t Bits(double x) {
    uint64_t bits;
    __builtin_memcpy(&bits, &x, sizeof bits);
    return bits;
  }
  void AddRef() const {
    if (vt == vtString) ++s->refs;
    else if (vt == vtArray) ++a->refs;
    else if (vt == vtObject && o) ++o->refs;
  }
  void Release();
  void UnfixArray();
};

// Conversions. They throw RuntimeError (Type mismatch, Overflow, Invalid use
// of Null) as VBScript does.
double ToDouble(const Variant& v);
int32_t ToLong(const Variant& v);      // rounds halves to even; Overflow past 32 bits
int16_t ToInteger(const Variant& v);
int64_t ToCurrencyScaled(const Variant& v);
bool ToBool(const Variant& v);
std::string ToStr(const Variant& v);   // CStr; Null gives Invalid use of Null
double ToDate(const Variant& v);
// For numeric contexts: Empty -> Integer 0, String -> Double, Boolean kept.
// Null stays Null. Others: Type mismatch.
Variant ToNumeric(const Variant& v);

// Rounds to the nearest whole number, halves to even.
double RoundHalfEven(double x);

// Parses a numeric string as VBScript does ("12", " -1.5e3 ", "&HFF", "1,000").
bool ParseNumber(const std::string& text, double& out);

std::string DoubleToStr(double d);

// The decimal number a Double stands for, as CStr shows it: 15 significant
// digits (7 for a Single), which is its shortest round-trip text whenever that
// needs no more. The value is 0.digits x 10^point (digits has no leading or
// trailing zero; empty for 0).
struct Decimal {
  std::string digits;
  int point = 0;
  bool negative = false;
};
Decimal ToDecimal(double d, int precision = 15);
// Rounds to `fraction` digits after the point: halves away from zero, or to even.
void RoundDecimal(Decimal& x, int fraction, bool halfEven);
// "1234.50": the whole part and exactly `fraction` digits (no sign, no grouping).
std::string FixedText(const Decimal& x, int fraction);
// Rounds halves to even on the decimal value (Round(2.675, 2) = 2.68);
// precision 7 takes a Single's digits.
double RoundDecimalPlaces(double d, int fraction, int precision = 15);

// Windows-1252 and UTF-16.
int Cp1252ToUnicode(unsigned char c);
int UnicodeToCp1252(int u);  // -1 when the character has no Windows-1252 form
// The UTF-16 code units of a string value (its exact characters).
std::u16string UnitsOf(const Variant& str);
// A string of these code units; characters without a Windows-1252 form are
// kept in the string's extra.
Variant StrFromUnits(const std::u16string& units, int oddByte = -1);
// The UTF-16LE bytes of a string (2 per character, plus an odd trailing byte).
std::string BytesOf(const Variant& str);
Variant StrFromBytes(const std::string& bytes);
// The length in bytes (LenB).
size_t ByteLength(const Variant& str);
// Joins two strings that may carry extras, unit by unit and byte by byte.
Variant ConcatExact(const Variant& a, const Variant& b);
std::string SingleToStr(float f);
std::string CurrencyToStr(int64_t cy);

// TypeName and VarType.
std::string TypeNameOf(const Variant& v);
int VarTypeOf(const Variant& v);

// The value of an object's default member (Type mismatch when it has none).
Variant DefaultOf(const Variant& v);

// Case-insensitive (ASCII) helpers used throughout.
std::string Lower(std::string s);
bool SameName(const std::string& a, const char* b);

}  // namespace qfscript

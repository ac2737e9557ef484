// What the files of built-in functions share: the argument helpers, and each
// library's part of the name table (FindBuiltin looks a name up in all of them).
// One file per library: builtins_text, builtins_bytes, builtins_numbers,
// builtins_arrays, builtins_dates, builtins_format, and builtins.cpp for the
// rest (the user, objects, the locale, the engine, run-time code) and the
// constants. Internal to the engine.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "script/builtins.h"
#include "script/errors.h"
#include "script/operators.h"
#include "script/variant.h"

namespace qfscript {

std::span<const Builtin> TextBuiltins();
std::span<const Builtin> ByteBuiltins();
std::span<const Builtin> NumberBuiltins();
std::span<const Builtin> ArrayBuiltins();
std::span<const Builtin> DateBuiltins();
std::span<const Builtin> FormatBuiltins();
std::span<const Builtin> OtherBuiltins();

namespace builtin {

// Every file of built-ins gets its own copy of these, as when they were one file:
// internal, so that the compiler treats them as its own.
namespace {

inline const Variant kMissing = Variant::Missing();

inline const Variant& Arg(Variant* args, int n, int i) { return i < n ? args[i].Deref() : kMissing; }
inline bool Has(Variant* args, int n, int i) { return i < n && !args[i].IsMissing(); }

[[noreturn]] inline void Fail(int number) { ThrowError(number); }

inline int32_t LongArg(Variant* args, int n, int i, int32_t dflt) {
  if (!Has(args, n, i)) return dflt;
  const Variant& v = Arg(args, n, i);
  if (v.IsNull()) Fail(kErrInvalidNull);
  return ToLong(v);
}

// The compare argument: 0 binary, 1 text; some functions take 2 (database) too.
inline bool TextCompare(Variant* args, int n, int i, int32_t highest = 2) {
  if (!Has(args, n, i)) return false;
  int32_t c = LongArg(args, n, i, 0);
  if (c < 0 || c > highest) Fail(kErrInvalidCall);
  return c == 1;
}

// An argument that must not be Null.
inline const Variant& NotNullAt(Variant* args, int n, int i) {
  const Variant& v = Arg(args, n, i);
  if (v.IsNull()) Fail(kErrInvalidNull);
  return v;
}

// An optional argument that, when given, must not be Null (checked before
// the other arguments' bounds).
inline void NotNullIfGiven(Variant* args, int n, int i) {
  if (Has(args, n, i)) NotNullAt(args, n, i);
}

inline Variant Str(std::string s) { return Variant::Str(std::move(s)); }

inline std::string LowerStr(const std::string& s) { return Lower(s); }

// Finds `what` in `in` from position `from` (0-based); npos if absent.
inline size_t Find(const std::string& in, const std::string& what, size_t from, bool text) {
  if (!text) return in.find(what, from);
  if (what.empty()) return from <= in.size() ? from : std::string::npos;
  return LowerStr(in).find(LowerStr(what), from);
}

// The length argument of Left, Right, Mid and their byte twins.
inline int32_t LengthArg(Variant* a, int n, int i) {
  int32_t len = LongArg(a, n, i, 0);
  if (len < 0) Fail(kErrInvalidCall);
  return len;
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

}  // namespace
}  // namespace builtin
}  // namespace qfscript

// The operators of the language over Variants, with VBScript's result
// subtypes: whole-number arithmetic widens Integer -> Long -> Double on
// overflow, Null propagates, numeric strings convert where a number is needed.
#pragma once

#include "script/variant.h"

namespace qfscript {

enum class BinOp : uint8_t {
  Add, Sub, Mul, Div, IntDiv, Mod, Pow, Concat,
  Eq, Ne, Lt, Gt, Le, Ge, Is,
  And, Or, Xor, Eqv, Imp,
};

Variant Arith(BinOp op, const Variant& a, const Variant& b);  // Add..Pow
Variant Concat(const Variant& a, const Variant& b);
// Which operands of a comparison were written as literals (a literal of the
// script, or a named constant): a string compared with a numeric literal is
// converted to a number, a string literal compared with a computed number is
// compared as text.
enum : uint8_t { kLitA = 1, kLitB = 2 };
Variant Compare(BinOp op, const Variant& a, const Variant& b, uint8_t literals = 0);  // Eq..Ge
Variant Logic(BinOp op, const Variant& a, const Variant& b);    // And..Imp
Variant Negate(const Variant& a);
Variant Not(const Variant& a);
Variant ObjectIs(const Variant& a, const Variant& b);

// -1, 0 or 1; strings binary (or case-insensitive with textCompare).
int CompareStrings(const std::string& a, const std::string& b, bool textCompare);

// The operator an evaluator applies; dispatches to the groups above.
Variant Apply(BinOp op, const Variant& a, const Variant& b);

}  // namespace qfscript

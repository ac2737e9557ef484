// Built-in functions and constants of the language.
//
// The compiler binds a call to its Builtin entry once; the vm then calls
// `fn` with the evaluated arguments (missing optional arguments are
// vtError variants). Functions throw RuntimeError on bad arguments.
#pragma once

#include <string>

#include "script/variant.h"

namespace qfscript {

class Interp;

using BuiltinFn = Variant (*)(Interp& in, Variant* args, int count);

struct Builtin {
  const char* name;  // lower case
  int minArgs;
  int maxArgs;
  BuiltinFn fn;
  // Raised by a Call statement of the function once it has succeeded (the
  // conversions refuse to be called for nothing); 0 for none.
  int callError = 0;
};

const Builtin* FindBuiltin(const std::string& lowerName);
bool FindConstant(const std::string& lowerName, Variant& value);

}  // namespace qfscript

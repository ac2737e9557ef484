// Parser: tokens -> program tree (ast.h), with VBScript's compile errors.
//
// Names stay unresolved (EK::Name); the parser records the declarations
// (Dim, Const, parameters, procedures) that the compiler resolves against.
// Constants are folded here. Throws CompileError at the first fault.
#pragma once

#include <memory>
#include <string>

#include "script/ast.h"

namespace qfscript {

// globals: hidden slots for top-level With blocks are taken from it.
std::unique_ptr<Program> Parse(const std::string& source, Globals& globals);
// One expression alone (Eval), kept in the program's evalExpr.
std::unique_ptr<Program> ParseExpression(const std::string& source, Globals& globals);

}  // namespace qfscript

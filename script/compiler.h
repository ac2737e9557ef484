// Compiler: resolves every name of a parsed program to where it lives.
//
// Locals become frame slots, script-level names global slots (created here
// for Dim and for implicit variables), procedures direct pointers, built-in
// functions their table entry, constants literals. After Compile the vm never
// searches a name, except for the rare EK::Dynamic call. Also registers the
// program's procedures and constants in `globals` so later code sees them.
// Throws CompileError for names declared twice.
#pragma once

#include "script/ast.h"

namespace qfscript {

void Compile(Program& program, Globals& globals);
// Code run by Execute or Eval inside a procedure: the procedure's locals are
// visible; names the code assigns that are not among them are script-level.
void CompileInScope(Program& program, Globals& globals, const Proc* scope);

}  // namespace qfscript

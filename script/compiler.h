// Compiler: resolves every name of a parsed program to where it lives.
//
// Locals become frame slots, script-level names global slots (created here
// for Dim and for implicit variables), procedures direct pointers, built-in
// functions their table entry, constants literals. After Compile the vm never
// searches a name, except for the rare EK::Dynamic call. Also registers the
// program's procedures and constants in `globals` so later code sees them.
// Throws CompileError for names declared twice.
#pragma once

#include "ast.h"

namespace qfscript {

void Compile(Program& program, Globals& globals);

}  // namespace qfscript

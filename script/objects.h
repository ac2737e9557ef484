// The objects scripts may create: Scripting.Dictionary and RegExp (with its
// Matches, Match and SubMatches).
#pragma once

#include <string>

#include "script/script_host.h"
#include "script/variant.h"

namespace qfscript {

// CreateBuiltinObject (CreateObject's objects) is declared in script_host.h.

// A new object for "New name" of a built-in class (RegExp); nullptr when the
// name is not one.
Object* NewBuiltinObject(const std::string& lowerName);

}  // namespace qfscript

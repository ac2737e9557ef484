// The objects scripts may create: Scripting.Dictionary and RegExp (with its
// Matches, Match and SubMatches).
#pragma once

#include <string>

#include "variant.h"

namespace qfscript {

// A new object for CreateObject's class name ("Scripting.Dictionary",
// "VBScript.RegExp"); nullptr for every other name.
Object* CreateBuiltinObject(const std::string& progId);

// A new object for "New name" of a built-in class (RegExp); nullptr when the
// name is not one.
Object* NewBuiltinObject(const std::string& lowerName);

}  // namespace qfscript

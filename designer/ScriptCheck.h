// ScriptCheck: compiles a form script with the script engine without running any of
// it, for the script editor. Kept apart from the windows, whose toolkit defines
// words the engine's headers use as names.
#pragma once

#include <string>

namespace ScriptCheck {

// "" when the script compiles; else the engine's message, with line and column
// (1-based) of the fault.
std::string Compile(const std::string& source, int& line, int& column);

}  // namespace ScriptCheck

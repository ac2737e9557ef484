// The engine's module state, one instance per program: the current database (the
// form definition and, in the data-entry program, the open database). Private to
// the engine.
#pragma once

#include "engine/Database.h"

namespace modDB::detail {

using EngineState = Database;

inline Database& S() { return CurrentDatabase(); }

// Resets the open-file members (not the descriptor: the caller closes it).
inline void ResetOpenState() { S().ResetOpen(); }

}  // namespace modDB::detail

// The engine's module state, one instance per program: the form definition and, in
// the data-entry program, the open database. Private to the engine.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FormHeader.h"

namespace modDB::detail {

struct EngineState {
  FormHeader header;
  int fd = -1;               // the open database's descriptor; -1 = none
  int16_t fileNumber = 0;    // the handle the callers see; 0 = no database open
  std::string DatabaseName;  // base name, as BaseFileName returned it
  int32_t CurrentRecord = 0;
  std::string RecordText;
  // The current record as the file held it when it was last read or written: a save
  // or a delete compares the file with it, so that another program's change in
  // between is never overwritten unseen.
  std::string RecordAsRead;
  // Set when the database could only be opened for reading: the system's reason,
  // given with every refused write.
  std::string readOnlyWhy;
};

EngineState& S();

// Resets the open-file members (not the descriptor: the caller closes it).
void ResetOpenState();

}  // namespace modDB::detail

// What saving a changed definition over a database's records would lose: the values
// that a shorter field cuts, and those of a field that no longer exists (no field of
// the new definition has its name), counted per old field before anything is
// written. The new definition is the one in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Database.h"
#include "engine/FormHeader.h"

namespace modDB {

struct SaveLoss {
  std::string field;   // the old field's trimmed name
  int32_t cut = 0;     // values longer than the new field (blanks at their end aside)
  int32_t newLength = 0;
  int32_t dropped = 0;  // values (not blank) of a field the new definition lacks
};

// The losses of carrying the records of `old` (read from the open file `fd`) into
// the definition `now`, in old slot order; fields that lose nothing are left out.
// Read errors throw.
std::vector<SaveLoss> CountSaveLoss(const FormHeader& now, const FormHeader& old, int fd);

// The same for the database `name` (base name or file) into the definition in
// memory; false with `why` when its file cannot be read or is damaged.
bool CountSaveLoss(const std::string& name, std::vector<SaveLoss>& losses, std::string& why);

// One line per field: "Name: 3 values cut to 3 characters", "Old: 12 values
// dropped (no field has its name)"; after ten fields, how many more.
std::string SaveLossText(const std::vector<SaveLoss>& losses, const char* lineEnd);

// Asks through d, when recovering the records of `old` into d's header loses values,
// whether to save anyway (title "Recover Data", default No). True when nothing is
// lost or the answer is Yes.
bool AcceptSaveLoss(const Database& d, const FormHeader& old, int fd);

}  // namespace modDB

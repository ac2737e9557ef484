// The JSON form of a form definition, as `qfd dump --json` writes it and
// `qfd create --from` reads it back. Texts are UTF-8 in JSON and Windows-1252 in the
// file; colours are "#RRGGBB" (or a plain number for values with a high byte).
// Only slots in use are listed.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "checks/Rules.h"
#include "engine/FormHeader.h"

namespace qfd {

// withPassword: write the password itself; otherwise only whether one is set.
// With rules, each field carries its checks ("Min", "Max", "Legal", "RequiredIf",
// "Skip", "Message", "Hard") and the definition the form's "Checks".
nlohmann::json DefinitionToJson(const modDB::FormHeader& h, bool withPassword,
                                const qfchecks::Rules* rules = nullptr);

// Makes the JSON form the engine's definition: a new design (InitHeader) whose
// properties, fields (in slot order) and banners (in list order) go through the same
// operations and checks as in the designer; offsets follow the slot order. A refused
// field or banner has shown its message through the Host: the result is then false.
// A member of the wrong type throws std::runtime_error naming it. "Slot", "Offset",
// "RecordCount", "RecordLength", "FieldCount" and "HasPassword" are not read back.
// The checks it declares go to `rules` where given; `declared` says whether it
// declares any (a field's rule keys or "Checks").
bool DefinitionFromJson(const nlohmann::json& j, qfchecks::Rules* rules = nullptr, bool* declared = nullptr);

}  // namespace qfd

// The checks a form declares beside its database: rules per field (a range, legal
// values with labels, required-if, skip) and cross-field rules over the whole form,
// each soft (the clerk is warned and may go on) or hard (the record is not saved).
//
// They are kept in base + ".Qfc", a JSON file beside base + ".Qfd" (README: "Checks"),
// whose keys are those of the JSON form of a definition:
//
//   {"Fields": [{"Name": "AGE", "Min": "0", "Max": "120", "Hard": true,
//                "Message": "Age out of range"},
//               {"Name": "SEX", "Legal": [{"Code": "M", "Label": "male"}, ...],
//                "Skip": {"If": "SEX = \"M\"", "To": "WEIGHT"}},
//               {"Name": "PREG", "RequiredIf": "SEX = \"F\""}],
//    "Checks": [{"Name": "Stay", "Rule": "DISCHARGE >= ADMIT", "Message": "...", "Hard": true}]}
//
// A field's "Hard" and "Message" hold for its range, legal values and required-if;
// soft is the default, and without a message the rule says what it wants. "Min" and
// "Max" are numbers, or dates and times as the field's format takes them (in the
// form's date order). A form rule without "Name" is named by its place: "Check1", ...
// The database's bytes never change for any of it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace qfchecks {

struct LegalValue {
  std::string Code, Label;  // Windows-1252, as the record holds the code
  bool operator==(const LegalValue&) const = default;
};

struct FieldRules {
  std::string Field;              // the field's name
  std::string Min, Max;           // "" for none
  std::vector<LegalValue> Legal;  // empty for any value
  std::string RequiredIf;         // an expression over field names; "" for none
  std::string SkipIf, SkipTo;     // after this field, when SkipIf holds, go to field SkipTo
  std::string Message;            // the designer's words; "" for the rule's own
  bool Hard = false;
  bool Empty() const;
  bool operator==(const FieldRules&) const = default;
};

struct FormRule {
  std::string Name;  // "" : "Check" + its place
  std::string Rule;  // an expression over field names that must hold
  std::string Message;
  bool Hard = false;
  bool operator==(const FormRule&) const = default;
};

struct Rules {
  std::vector<FieldRules> Fields;
  std::vector<FormRule> Checks;
  bool Empty() const;
  // The rules of a field by name (case does not matter), or nullptr.
  const FieldRules* Of(const std::string& field) const;
  // Puts a field's rules in place of those it had (none when r is Empty).
  void Put(const FieldRules& r);
  // Follows a field's new name (its rules, skip targets).
  void Rename(const std::string& from, const std::string& to);
  bool operator==(const Rules&) const = default;
};

// The name of a form rule: its own, or "Check" + its 1-based place.
std::string RuleName(const Rules& r, size_t index);

// The rule keys of a field (JSON, texts UTF-8) added to `field`, and read back from
// it. Reading throws std::runtime_error naming a member of the wrong type.
void FieldRulesToJson(const FieldRules& r, nlohmann::json& field);
FieldRules FieldRulesFromJson(const nlohmann::json& field);
// Whether a field's JSON carries any rule key.
bool HasRuleKeys(const nlohmann::json& field);
nlohmann::json FormRulesToJson(const std::vector<FormRule>& checks);
std::vector<FormRule> FormRulesFromJson(const nlohmann::json& checks);

nlohmann::json RulesToJson(const Rules& r);
Rules RulesFromJson(const nlohmann::json& j);

// The rules file of a database name (FILE or FILE.Qfd).
std::string RulesFileOf(const std::string& database);
// Reads the database's rules: none when it has no rules file. "" when read, else the
// reason (the rules are then none).
std::string ReadRules(const std::string& database, Rules& out);
// Writes the rules file whole (a new file that takes the name once complete); with
// no rules, the file goes. "" when done, else the reason.
std::string WriteRules(const std::string& database, const Rules& r);

// The program's rules, as the designer edits them and the entry window applies them.
Rules& Current();

}  // namespace qfchecks

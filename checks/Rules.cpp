// The declared checks and their file (see Rules.h).
#include "checks/Rules.h"

#include <fcntl.h>

#include <stdexcept>

#include "checks/Companion.h"
#include "engine/files/FileIo.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace qfchecks {

using nlohmann::json;

namespace {

std::string Upper(const std::string& s) { return modLIB::UCase(modLIB::Trim(s)); }

std::string Utf8(const std::string& cp1252) { return modLIB::Cp1252ToUtf8(cp1252); }

// A text member: a JSON string (UTF-8), or a number for "Min" and "Max".
std::string TextAt(const json& obj, const char* key, const std::string& where, bool numbers = false) {
  auto it = obj.find(key);
  if (it == obj.end() || it->is_null()) return "";
  if (it->is_string()) return modLIB::Trim(modLIB::Utf8ToCp1252(it->get<std::string>()));
  if (numbers && it->is_number_integer()) return std::to_string(it->get<int64_t>());
  if (numbers && it->is_number()) {
    std::string s = it->dump();
    return s;
  }
  throw std::runtime_error(where + "." + key + (numbers ? ": a number or a text is expected" : ": a text is expected"));
}

bool BoolAt(const json& obj, const char* key, const std::string& where) {
  auto it = obj.find(key);
  if (it == obj.end() || it->is_null()) return false;
  if (!it->is_boolean()) throw std::runtime_error(where + "." + key + ": true or false is expected");
  return it->get<bool>();
}

// "Min" and "Max" go out as numbers when they are plain numbers, so that a
// definition reads as it was written.
json Bound(const std::string& s) {
  if (!s.empty() && modLIB::IsNumber(s) && s.size() < 10 && s.find('.') == std::string::npos)
    return std::stoll(s);
  return Utf8(s);
}

}  // namespace

bool FieldRules::Empty() const {
  return Min.empty() && Max.empty() && Legal.empty() && RequiredIf.empty() && SkipIf.empty() && SkipTo.empty();
}

bool Rules::Empty() const {
  for (const FieldRules& f : Fields)
    if (!f.Empty()) return false;
  return Checks.empty();
}

const FieldRules* Rules::Of(const std::string& field) const {
  const std::string name = Upper(field);
  for (const FieldRules& f : Fields)
    if (Upper(f.Field) == name) return &f;
  return nullptr;
}

void Rules::Put(const FieldRules& r) {
  const std::string name = Upper(r.Field);
  for (size_t i = 0; i < Fields.size(); ++i)
    if (Upper(Fields[i].Field) == name) {
      if (r.Empty())
        Fields.erase(Fields.begin() + static_cast<long>(i));
      else
        Fields[i] = r;
      return;
    }
  if (!r.Empty()) Fields.push_back(r);
}

void Rules::Rename(const std::string& from, const std::string& to) {
  const std::string old = Upper(from);
  if (old.empty() || old == Upper(to)) return;
  for (FieldRules& f : Fields) {
    if (Upper(f.Field) == old) f.Field = to;
    if (Upper(f.SkipTo) == old) f.SkipTo = to;
  }
}

std::string RuleName(const Rules& r, size_t index) {
  if (index < r.Checks.size() && !r.Checks[index].Name.empty()) return r.Checks[index].Name;
  return "Check" + std::to_string(index + 1);
}

bool HasRuleKeys(const json& field) {
  if (!field.is_object()) return false;
  for (const char* key : {"Min", "Max", "Legal", "RequiredIf", "Skip"})
    if (field.contains(key)) return true;
  return false;
}

void FieldRulesToJson(const FieldRules& r, json& field) {
  if (!r.Min.empty()) field["Min"] = Bound(r.Min);
  if (!r.Max.empty()) field["Max"] = Bound(r.Max);
  if (!r.Legal.empty()) {
    json legal = json::array();
    for (const LegalValue& v : r.Legal) legal.push_back({{"Code", Utf8(v.Code)}, {"Label", Utf8(v.Label)}});
    field["Legal"] = legal;
  }
  if (!r.RequiredIf.empty()) field["RequiredIf"] = Utf8(r.RequiredIf);
  if (!r.SkipIf.empty() || !r.SkipTo.empty()) field["Skip"] = {{"If", Utf8(r.SkipIf)}, {"To", Utf8(r.SkipTo)}};
  if (r.Empty()) return;
  if (!r.Message.empty()) field["Message"] = Utf8(r.Message);
  if (r.Hard) field["Hard"] = true;
}

FieldRules FieldRulesFromJson(const json& field) {
  FieldRules r;
  const std::string where = "Fields." + (field.contains("Name") && field["Name"].is_string()
                                             ? field["Name"].get<std::string>()
                                             : std::string("?"));
  r.Field = TextAt(field, "Name", where);
  r.Min = TextAt(field, "Min", where, true);
  r.Max = TextAt(field, "Max", where, true);
  if (auto it = field.find("Legal"); it != field.end() && !it->is_null()) {
    if (!it->is_array()) throw std::runtime_error(where + ".Legal: a list is expected");
    for (const json& v : *it) {
      if (v.is_string()) {  // a bare code is its own label
        const std::string code = modLIB::Trim(modLIB::Utf8ToCp1252(v.get<std::string>()));
        r.Legal.push_back({code, code});
        continue;
      }
      if (!v.is_object()) throw std::runtime_error(where + ".Legal: each value is {\"Code\": ..., \"Label\": ...}");
      LegalValue lv{TextAt(v, "Code", where + ".Legal", true), TextAt(v, "Label", where + ".Legal")};
      if (lv.Code.empty()) throw std::runtime_error(where + ".Legal: a value has no \"Code\"");
      if (lv.Label.empty()) lv.Label = lv.Code;
      r.Legal.push_back(lv);
    }
  }
  r.RequiredIf = TextAt(field, "RequiredIf", where);
  if (auto it = field.find("Skip"); it != field.end() && !it->is_null()) {
    if (!it->is_object()) throw std::runtime_error(where + ".Skip: {\"If\": ..., \"To\": ...} is expected");
    r.SkipIf = TextAt(*it, "If", where + ".Skip");
    r.SkipTo = TextAt(*it, "To", where + ".Skip");
    if (r.SkipIf.empty() != r.SkipTo.empty())
      throw std::runtime_error(where + ".Skip: both \"If\" and \"To\" are needed");
  }
  if (HasRuleKeys(field)) {
    r.Message = TextAt(field, "Message", where);
    r.Hard = BoolAt(field, "Hard", where);
  }
  return r;
}

json FormRulesToJson(const std::vector<FormRule>& checks) {
  json out = json::array();
  for (const FormRule& c : checks) {
    json j;
    if (!c.Name.empty()) j["Name"] = Utf8(c.Name);
    j["Rule"] = Utf8(c.Rule);
    j["Message"] = Utf8(c.Message);
    j["Hard"] = c.Hard;
    out.push_back(j);
  }
  return out;
}

std::vector<FormRule> FormRulesFromJson(const json& checks) {
  std::vector<FormRule> out;
  if (checks.is_null()) return out;
  if (!checks.is_array()) throw std::runtime_error("Checks: a list is expected");
  int n = 0;
  for (const json& c : checks) {
    const std::string where = "Checks[" + std::to_string(++n) + "]";
    if (!c.is_object()) throw std::runtime_error(where + ": an object is expected");
    FormRule r{TextAt(c, "Name", where), TextAt(c, "Rule", where), TextAt(c, "Message", where),
               BoolAt(c, "Hard", where)};
    if (r.Rule.empty()) throw std::runtime_error(where + ": the \"Rule\" is empty");
    out.push_back(r);
  }
  return out;
}

json RulesToJson(const Rules& r) {
  json fields = json::array();
  for (const FieldRules& f : r.Fields) {
    if (f.Empty()) continue;
    json j = {{"Name", Utf8(f.Field)}};
    FieldRulesToJson(f, j);
    fields.push_back(j);
  }
  return {{"Fields", fields}, {"Checks", FormRulesToJson(r.Checks)}};
}

Rules RulesFromJson(const json& j) {
  if (!j.is_object()) throw std::runtime_error("the checks must be a JSON object");
  Rules r;
  if (auto it = j.find("Fields"); it != j.end() && !it->is_null()) {
    if (!it->is_array()) throw std::runtime_error("Fields: a list is expected");
    for (const json& f : *it) {
      if (!f.is_object()) throw std::runtime_error("Fields: each field is an object");
      r.Put(FieldRulesFromJson(f));
    }
  }
  if (auto it = j.find("Checks"); it != j.end()) r.Checks = FormRulesFromJson(*it);
  return r;
}

std::string RulesFileOf(const std::string& database) { return ChecksFileOf(database); }

std::string ReadRules(const std::string& database, Rules& out) {
  out = Rules();
  const std::string path = RulesFileOf(database);
  if (!modDB::detail::IsFile(path)) return "";
  try {
    modDB::detail::Fd fd(modDB::detail::OpenFile(path, O_RDONLY));
    std::string text;
    char buf[65536];
    for (int64_t at = 0;;) {
      const size_t got = modDB::detail::ReadAt(fd.get(), buf, sizeof buf, at);
      text.append(buf, got);
      at += static_cast<int64_t>(got);
      if (got < sizeof buf) break;
    }
    out = RulesFromJson(json::parse(text));
    return "";
  } catch (const std::exception& e) {
    out = Rules();
    return "the checks FILE:" + path + " cannot be read: " + e.what();
  }
}

std::string WriteRules(const std::string& database, const Rules& r) {
  const std::string path = RulesFileOf(database);
  try {
    if (r.Empty()) {
      modDB::detail::RemoveFile(path);
      return "";
    }
    const std::string text = RulesToJson(r).dump(2) + "\n";
    modDB::detail::FileBeside file(path);
    modDB::detail::WriteAt(file.get(), text.data(), text.size(), 0);
    file.PutInPlace();
    return "";
  } catch (const std::exception& e) {
    return "the checks FILE:" + path + " could not be written: " + e.what();
  }
}

Rules& Current() {
  static Rules rules;
  return rules;
}

}  // namespace qfchecks

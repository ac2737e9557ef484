#include "tools/DefinitionJson.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

#include "engine/modDB.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace qfd {

using nlohmann::json;

namespace {

json Colour(int32_t c) {
  if ((static_cast<uint32_t>(c) >> 24) != 0) return c;
  char buf[8];
  // Stored as 0x00BBGGRR: red is the low byte.
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

int32_t ColourFrom(const json& v, const std::string& where) {
  if (v.is_number_integer()) return static_cast<int32_t>(v.get<int64_t>());
  if (v.is_string()) {
    const std::string s = v.get<std::string>();
    // Exactly "#" and six hexadecimal digits: no sign, blank or shorter group.
    if (s.size() == 7 && s[0] == '#' &&
        s.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
      const unsigned long v = std::stoul(s.substr(1), nullptr, 16);
      const unsigned r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      return static_cast<int32_t>(r | (g << 8) | (b << 16));
    }
  }
  throw std::runtime_error(where + ": a colour is \"#RRGGBB\" or a number");
}

std::string Text(const std::string& cp1252) { return modLIB::Cp1252ToUtf8(cp1252); }

json Font(const modDB::FontDef& f) {
  return {{"Name", Text(f.Name.Trimmed())}, {"Size", f.Size},       {"Bold", f.Bold},
          {"Italic", f.Italic},             {"ForeColor", Colour(f.ForeColor)},
          {"BackColor", Colour(f.BackColor)}};
}

std::string TextOf(const json& v, const std::string& where, size_t width) {
  if (!v.is_string()) throw std::runtime_error(where + ": a text is expected");
  // Stored texts lose their blanks on both sides; only what is left must fit.
  const std::string text = modLIB::Trim(modLIB::Utf8ToCp1252(v.get<std::string>()));
  if (text.size() > width)
    throw std::runtime_error(where + ": the text has " + std::to_string(text.size()) + " characters; at most " +
                             std::to_string(width) + " fit");
  return text;
}

// Member access with the path in every error.
struct Reader {
  const json& j;
  std::string where;

  const json* Find(const char* key) const {
    auto it = j.find(key);
    return it == j.end() ? nullptr : &*it;
  }
  template <typename T>
  T Int(const char* key, T fallback) const {
    const json* v = Find(key);
    if (!v) return fallback;
    if (!v->is_number_integer() && !v->is_boolean())
      throw std::runtime_error(where + "." + key + ": a whole number is expected");
    const int64_t n = v->is_boolean() ? (v->get<bool>() ? 255 : 0) : v->get<int64_t>();
    if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
      throw std::runtime_error(where + "." + key + ": " + std::to_string(n) + " does not fit");
    return static_cast<T>(n);
  }
  // A text of at most `width` characters (the width it has in the file): a longer
  // one is refused rather than cut.
  std::string Str(const char* key, size_t width, const std::string& fallback = "") const {
    const json* v = Find(key);
    if (!v) return fallback;
    return TextOf(*v, where + "." + key, width);
  }
  int32_t Col(const char* key, int32_t fallback) const {
    const json* v = Find(key);
    return v ? ColourFrom(*v, where + "." + key) : fallback;
  }
  Reader Sub(const char* key) const {
    const json* v = Find(key);
    if (!v || !v->is_object()) throw std::runtime_error(where + "." + key + ": an object is expected");
    return {*v, where + "." + key};
  }
};

modDB::FontDef FontFrom(const Reader& r, const modDB::FontDef& base) {
  modDB::FontDef f = base;
  f.Name.Set(r.Str("Name", 16, base.Name.Trimmed()));
  f.Size = r.Int<uint8_t>("Size", base.Size);
  f.Bold = r.Int<uint8_t>("Bold", base.Bold);
  f.Italic = r.Int<uint8_t>("Italic", base.Italic);
  f.ForeColor = r.Col("ForeColor", base.ForeColor);
  f.BackColor = r.Col("BackColor", base.BackColor);
  return f;
}

const json& ArrayOf(const json& j, const char* key) {
  static const json empty = json::array();
  auto it = j.find(key);
  if (it == j.end()) return empty;
  if (!it->is_array()) throw std::runtime_error(std::string(key) + ": a list is expected");
  return *it;
}

}  // namespace

json DefinitionToJson(const modDB::FormHeader& h, bool withPassword, const qfchecks::Rules* rules) {
  json j;
  j["RecordCount"] = h.RecordCount;
  j["RecordLength"] = h.RecordLength;
  j["Props"] = {{"Width", h.Props.Width},
                {"Height", h.Props.Height},
                {"BackColor", Colour(h.Props.BackColor)},
                {"BannerFont", Font(h.Props.BannerFont)},
                {"FieldFont", Font(h.Props.FieldFont)}};
  j["FieldCount"] = h.FieldCount;
  json fields = json::array();
  for (int k = 1; k <= modDB::kMaxFields; ++k) {
    const modDB::FieldDef& f = h.Fields[k];
    if (f.Page == 0) continue;
    fields.push_back({{"Slot", k},          {"Name", Text(f.Name.Trimmed())},
                      {"Page", f.Page},     {"X", f.X},
                      {"Y", f.Y},           {"Width", f.Width},
                      {"Height", f.Height}, {"Length", f.Length},
                      {"Format", Text(f.Format.Trimmed())}, {"Offset", f.Offset}});
    if (rules)
      if (const qfchecks::FieldRules* r = rules->Of(f.Name.Trimmed())) qfchecks::FieldRulesToJson(*r, fields.back());
  }
  j["Fields"] = fields;
  json banners = json::array();
  for (int k = 1; k <= modDB::kMaxBanners; ++k) {
    const modDB::BannerDef& b = h.Banners[k];
    if (b.Page == 0) continue;
    banners.push_back({{"Slot", k}, {"Page", b.Page}, {"X", b.X}, {"Y", b.Y},
                       {"Caption", Text(b.Caption.Trimmed())}, {"Font", Font(b.Font)}});
  }
  j["Banners"] = banners;
  json headings = json::array();
  for (int p = 1; p <= modDB::kMaxPages; ++p) headings.push_back(Text(h.PageHeadings[p].Trimmed()));
  j["PageHeadings"] = headings;
  j["Script"] = Text(h.Script.Trimmed());
  if (withPassword)
    j["Password"] = Text(h.Password.Trimmed());
  else
    j["HasPassword"] = !h.Password.Trimmed().empty();
  j["DateOrder"] = h.DateOrder;
  j["Orientation"] = h.Orientation;
  if (rules && !rules->Checks.empty()) j["Checks"] = qfchecks::FormRulesToJson(rules->Checks);
  return j;
}

bool DefinitionFromJson(const json& j, qfchecks::Rules* rules, bool* declared) {
  if (!j.is_object()) throw std::runtime_error("the definition must be a JSON object");
  qfchecks::Rules read;
  bool any = j.contains("Checks");
  for (const json& f : ArrayOf(j, "Fields"))
    if (qfchecks::HasRuleKeys(f)) {
      any = true;
      read.Put(qfchecks::FieldRulesFromJson(f));
    }
  if (j.contains("Checks")) read.Checks = qfchecks::FormRulesFromJson(j["Checks"]);
  if (rules) *rules = read;
  if (declared) *declared = any;
  modDB::InitHeader();
  const Reader root{j, "definition"};
  if (root.Find("Props")) {
    const Reader p = root.Sub("Props");
    modDB::FormProps props = modDB::GetFormProps();
    props.Width = p.Int<int16_t>("Width", props.Width);
    props.Height = p.Int<int16_t>("Height", props.Height);
    props.BackColor = p.Col("BackColor", props.BackColor);
    if (p.Find("BannerFont")) props.BannerFont = FontFrom(p.Sub("BannerFont"), props.BannerFont);
    if (p.Find("FieldFont")) props.FieldFont = FontFrom(p.Sub("FieldFont"), props.FieldFont);
    modDB::SetFormProps(props);
  }
  // Fields and banners go through the designer's own operations and checks.
  int n = 0;
  for (const json& f : ArrayOf(j, "Fields")) {
    const Reader r{f, "definition.Fields[" + std::to_string(++n) + "]"};
    if (!f.is_object()) throw std::runtime_error(r.where + ": an object is expected");
    modDB::FieldDef d;
    d.Page = r.Int<uint8_t>("Page", 1);
    d.X = r.Int<int16_t>("X", 0);
    d.Y = r.Int<int16_t>("Y", 0);
    d.Width = r.Int<int16_t>("Width", 0);
    d.Height = r.Int<int16_t>("Height", 0);
    d.Length = r.Int<int16_t>("Length", 0);
    d.Format.Set(r.Str("Format", 8));
    d.Name.Set(r.Str("Name", 32));
    if (modDB::AddField(d) == 0) return false;
  }
  n = 0;
  for (const json& b : ArrayOf(j, "Banners")) {
    const Reader r{b, "definition.Banners[" + std::to_string(++n) + "]"};
    if (!b.is_object()) throw std::runtime_error(r.where + ": an object is expected");
    modDB::BannerDef d;
    d.Page = r.Int<uint8_t>("Page", 1);
    d.X = r.Int<int16_t>("X", 0);
    d.Y = r.Int<int16_t>("Y", 0);
    d.Caption.Set(r.Str("Caption", 64));
    d.Font = r.Find("Font") ? FontFrom(r.Sub("Font"), modDB::GetFormProps().BannerFont)
                            : modDB::GetFormProps().BannerFont;
    if (modDB::InsertBanner(d) == 0) return false;
  }
  const json& headings = ArrayOf(j, "PageHeadings");
  if (headings.size() > static_cast<size_t>(modDB::kMaxPages))
    throw std::runtime_error("definition.PageHeadings: a form has 8 pages; " + std::to_string(headings.size()) +
                             " headings are given");
  for (size_t p = 0; p < headings.size(); ++p)
    modDB::SetPageHeading(static_cast<int16_t>(p + 1),
                   TextOf(headings[p], "definition.PageHeadings[" + std::to_string(p + 1) + "]", 32));
  if (root.Find("Script")) modDB::SetScript(root.Str("Script", modDB::kScriptWidth));
  std::string password = root.Str("Password", 32);
  modDB::SetPassword(password);
  modDB::SetDateOrder(root.Int<uint8_t>("DateOrder", 1));
  modDB::SetOrientation(root.Int<uint8_t>("Orientation", 1));
  modDB::AssignOffsets();
  return true;
}

}  // namespace qfd

// Applying the declared checks to a record (see Checker.h).
#include "checks/Checker.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "script/script_control.h"

namespace qfchecks {

using qfscript::Variant;

namespace {

std::string Upper(std::string_view s) { return modLIB::UCase(modLIB::TrimView(s)); }

// Days since 30 December 1899, the script engine's day 0.
double DaySerial(int y, int m, int d) {
  return static_cast<double>(modLIB::DaysFromCivil(y, m, d)) + 25569.0;  // 1970-01-01 is day 25569
}

int Two(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

bool DateOf(std::string_view v, int order, double& out) {
  if (!modLIB::IsValidDate(v, order)) return false;
  const int a = Two(v, 0), b = Two(v, 3), y = Two(v, 6) * 100 + Two(v, 8);
  out = order == 2 ? DaySerial(y, a, b) : DaySerial(y, b, a);
  return true;
}

bool TimeOf(std::string_view v, double& out) {
  if (!modLIB::IsValidTime(v)) return false;
  out = (Two(v, 0) * 3600 + Two(v, 3) * 60 + Two(v, 6)) / 86400.0;
  return true;
}

// A plain decimal number: an optional minus, digits, at most one full stop.
bool NumberOf(std::string_view v, double& out) {
  size_t i = v.size() && v[0] == '-';
  bool digits = false, dot = false;
  for (size_t k = i; k < v.size(); ++k) {
    if (v[k] >= '0' && v[k] <= '9') digits = true;
    else if (v[k] == '.' && !dot) dot = true;
    else return false;
  }
  if (!digits) return false;
  out = std::strtod(std::string(v).c_str(), nullptr);
  return true;
}

enum class Kind { Text, Date, Time, Number };

Kind KindOf(const std::string& format) {
  if (format.find('D') != std::string::npos) return Kind::Date;
  if (format.find('T') != std::string::npos) return Kind::Time;
  if (format.find('N') != std::string::npos && format.find('A') == std::string::npos &&
      format.find('*') == std::string::npos)
    return Kind::Number;
  return Kind::Text;
}

bool Scalar(Kind k, std::string_view v, int order, double& out) {
  switch (k) {
    case Kind::Date: return DateOf(v, order, out);
    case Kind::Time: return TimeOf(v, out);
    default: return NumberOf(v, out);
  }
}

bool IsIdStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsIdChar(char c) { return IsIdStart(c) || (c >= '0' && c <= '9') || c == '_'; }

}  // namespace

std::string FieldLabel(const modDB::FormHeader& h, int16_t slot) {
  if (slot < 1 || slot > modDB::kMaxFields || h.Fields[slot].Page == 0) return "";
  // The banner's caption as the exports and the screen reader name the field, less
  // the colon a caption often ends in.
  std::string label = modDB::FieldLabel(h, slot);
  while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
  return label.empty() ? h.Fields[slot].Name.Trimmed() : label;
}

std::vector<LegalValue> LegalValues(const Rules& r, const std::string& field) {
  const FieldRules* f = r.Of(field);
  return f ? f->Legal : std::vector<LegalValue>();
}

std::map<int16_t, std::vector<LegalValue>> LegalValuesBySlot(const modDB::FormHeader& h, const Rules& r) {
  std::map<int16_t, std::vector<LegalValue>> out;
  for (int16_t k = 1; k <= modDB::kMaxFields; ++k) {
    if (h.Fields[k].Page == 0) continue;
    std::vector<LegalValue> legal = LegalValues(r, h.Fields[k].Name.Trimmed());
    if (!legal.empty()) out[k] = std::move(legal);
  }
  return out;
}

struct Checker::Impl {
  modDB::FormHeader h;
  int order = 1;
  int16_t numberSlot = 0;
  std::string labels[modDB::kMaxFields + 1];
  Kind kinds[modDB::kMaxFields + 1] = {};

  struct Expr {
    std::string func;             // "" : could not be prepared
    std::vector<int16_t> slots;   // the fields it names, in argument order
  };
  struct Field {
    int16_t slot = 0;
    std::string name;
    FieldRules rules;
    bool hasMin = false, hasMax = false;
    double min = 0, max = 0;
    Expr requiredIf, skipIf;
    int16_t skipTo = 0;
  };
  struct Form {
    std::string name;
    FormRule rule;
    Expr expr;
  };
  std::vector<Field> fields;  // in slot order
  std::vector<Form> forms;
  qfscript::ScriptControl ctl;
  std::vector<Variant> args;
  std::string fault;

  void Fault(const std::string& where, const std::string& what) {
    if (fault.empty()) fault = where + ": " + what;
  }

  // The expression with every field name in it made a parameter; the names are
  // found outside string and date literals and after no ".".
  bool Rewrite(const std::string& text, std::string& out, std::vector<int16_t>& slots, std::string& why) {
    out.clear();
    slots.clear();
    for (size_t i = 0; i < text.size();) {
      const char c = text[i];
      if (c == '"') {
        size_t j = i + 1;
        for (; j < text.size(); ++j)
          if (text[j] == '"') {
            if (j + 1 < text.size() && text[j + 1] == '"') ++j;
            else break;
          }
        if (j >= text.size()) return why = "a text is not closed with \"", false;
        out.append(text, i, j + 1 - i);
        i = j + 1;
      } else if (c == '#') {
        const size_t j = text.find('#', i + 1);
        if (j == std::string::npos) return why = "a date is not closed with #", false;
        out.append(text, i, j + 1 - i);
        i = j + 1;
      } else if (IsIdStart(c) && (i == 0 || (!IsIdChar(text[i - 1]) && text[i - 1] != '.'))) {
        size_t j = i;
        while (j < text.size() && IsIdChar(text[j])) ++j;
        const std::string word = text.substr(i, j - i);
        int16_t slot = 0;
        for (int k = 1; k <= modDB::kMaxFields && !slot; ++k)
          if (h.Fields[k].Page != 0 && Upper(h.Fields[k].Name.Trimmed()) == Upper(word)) slot = static_cast<int16_t>(k);
        if (slot) {
          auto at = std::find(slots.begin(), slots.end(), slot);
          if (at == slots.end()) slots.push_back(slot), at = slots.end() - 1;
          out += "qf" + std::to_string(at - slots.begin());
        } else {
          out += word;
        }
        i = j;
      } else {
        out += c;
        ++i;
      }
    }
    return true;
  }

  std::string code;
  int exprCount = 0;

  Expr Compile(const std::string& where, const std::string& text) {
    Expr e;
    std::string body, why;
    if (!Rewrite(text, body, e.slots, why)) return Fault(where, why), e;
    if (e.slots.empty()) return Fault(where, "it names no field of the form"), e;
    const std::string func = "qfRule" + std::to_string(++exprCount);
    std::string params;
    for (size_t k = 0; k < e.slots.size(); ++k) params += (k ? ", qf" : "qf") + std::to_string(k);
    const std::string src = "Function " + func + "(" + params + ")\n" + func + " = (" + body + ")\nEnd Function\n";
    if (!ctl.Check("Option Explicit\n" + src)) return Fault(where, ctl.Error().Description), e;
    code += src;
    e.func = func;
    return e;
  }

  // The value of field `slot` as the script sees it.
  Variant Typed(int16_t slot, std::string_view v) {
    double x;
    switch (kinds[slot]) {
      case Kind::Date:
        if (DateOf(v, order, x)) return Variant::Date(x);
        break;
      case Kind::Time:
        if (TimeOf(v, x)) return Variant::Date(x);
        break;
      case Kind::Number:
        if (NumberOf(v, x)) return Variant::Double(x);
        break;
      default: break;
    }
    return Variant::Str(std::string(v));
  }

  // 1 holds, 0 does not, -1 not checked (a named field is blank), -2 an error (why).
  int Eval(const Expr& e, const Values& v, std::string& why) {
    if (e.func.empty()) return -1;
    args.resize(e.slots.size());
    for (size_t k = 0; k < e.slots.size(); ++k) {
      const std::string_view t = modLIB::TrimView(v[static_cast<size_t>(e.slots[k])]);
      if (t.empty()) return -1;
      args[k] = Typed(e.slots[k], t);
    }
    Variant r;
    if (!ctl.Run(e.func, args, &r)) return why = ctl.Error().Description, -2;
    const Variant& x = r.Deref();
    if (x.vt == qfscript::vtBoolean) return x.b ? 1 : 0;
    if (x.IsNumeric()) return qfscript::ToDouble(x) != 0 ? 1 : 0;
    if (x.IsNull() || x.IsEmpty()) return 0;
    return why = "the rule gives no True or False", -2;
  }

  std::string Shown(const Expr& e, const Values& v) {
    std::string s;
    for (int16_t slot : e.slots) {
      if (!s.empty()) s += "; ";
      s += labels[slot] + "=" + std::string(modLIB::TrimView(v[static_cast<size_t>(slot)]));
    }
    return s;
  }
};

Checker::Checker() : p_(std::make_unique<Impl>()) {}
Checker::~Checker() = default;

std::string Checker::Prepare(const modDB::FormHeader& h, const Rules& r) {
  p_ = std::make_unique<Impl>();
  Impl& p = *p_;
  p.h = h;
  p.order = h.DateOrder == 2 ? 2 : 1;
  p.ctl.Timeout = 2000;
  for (int16_t k = 1; k <= modDB::kMaxFields; ++k) {
    const modDB::FieldDef& f = h.Fields[k];
    if (f.Page == 0) continue;
    const std::string format = Upper(f.Format.Trimmed());
    p.kinds[k] = KindOf(format);
    p.labels[k] = qfchecks::FieldLabel(h, k);
    if (!p.numberSlot && format.find('#') != std::string::npos) p.numberSlot = k;
  }
  for (int16_t k = 1; k <= modDB::kMaxFields; ++k) {
    const modDB::FieldDef& f = h.Fields[k];
    if (f.Page == 0) continue;
    const FieldRules* fr = r.Of(f.Name.Trimmed());
    if (!fr || fr->Empty()) continue;
    Impl::Field x;
    x.slot = k;
    x.name = f.Name.Trimmed();
    x.rules = *fr;
    const Kind kind = p.kinds[k] == Kind::Text ? Kind::Number : p.kinds[k];
    const char* what = kind == Kind::Date ? "date" : kind == Kind::Time ? "time" : "number";
    if (!fr->Min.empty() && !(x.hasMin = Scalar(kind, fr->Min, p.order, x.min)))
      p.Fault(x.name + ".Range", "the minimum \"" + fr->Min + "\" is no " + what);
    if (!fr->Max.empty() && !(x.hasMax = Scalar(kind, fr->Max, p.order, x.max)))
      p.Fault(x.name + ".Range", "the maximum \"" + fr->Max + "\" is no " + what);
    if (!fr->RequiredIf.empty()) x.requiredIf = p.Compile(x.name + ".RequiredIf", fr->RequiredIf);
    if (!fr->SkipTo.empty()) {
      for (int16_t t = k + 1; t <= modDB::kMaxFields && !x.skipTo; ++t)
        if (h.Fields[t].Page != 0 && Upper(h.Fields[t].Name.Trimmed()) == Upper(fr->SkipTo)) x.skipTo = t;
      if (!x.skipTo)
        p.Fault(x.name + ".Skip", "\"" + fr->SkipTo + "\" is no field after " + x.name + " in the tab order");
      else
        x.skipIf = p.Compile(x.name + ".Skip", fr->SkipIf);
      if (!x.skipTo) x.skipIf = {};
    }
    p.fields.push_back(std::move(x));
  }
  for (size_t i = 0; i < r.Checks.size(); ++i) {
    Impl::Form x{RuleName(r, i), r.Checks[i], {}};
    x.expr = p.Compile(x.name, x.rule.Rule);
    p.forms.push_back(std::move(x));
  }
  if (!p.code.empty() && !p.ctl.AddCode("Option Explicit\n" + p.code)) {
    p.Fault("the checks", p.ctl.Error().Description);
    for (auto& f : p.fields) f.requiredIf.func.clear(), f.skipIf.func.clear();
    for (auto& f : p.forms) f.expr.func.clear();
  }
  // A name that is neither a field nor the language's own shows on a trial run.
  auto trial = [&](Impl::Expr& e, const std::string& where) {
    if (e.func.empty()) return;
    std::vector<Variant> none(e.slots.size());
    Variant r;
    if (!p.ctl.Run(e.func, none, &r) && p.ctl.Error().Number == 500) {
      p.Fault(where, p.ctl.Error().Description);
      e.func.clear();
    }
  };
  for (auto& f : p.fields) trial(f.requiredIf, f.name + ".RequiredIf"), trial(f.skipIf, f.name + ".Skip");
  for (auto& f : p.forms) trial(f.expr, f.name);
  return p.fault;
}

bool Checker::Any() const { return !p_->fields.empty() || !p_->forms.empty(); }

namespace {
std::string Join(const std::vector<LegalValue>& legal) {
  std::string s;
  for (const LegalValue& v : legal) s += (s.empty() ? "" : ", ") + v.Code;
  return s;
}
}  // namespace

void Checker::CheckField(const Values& v, int16_t slot, std::vector<Finding>& out) {
  Impl& p = *p_;
  auto it = std::find_if(p.fields.begin(), p.fields.end(), [&](const Impl::Field& f) { return f.slot == slot; });
  if (it == p.fields.end()) return;
  if (Skipped(v)[static_cast<size_t>(slot)]) return;
  FieldOn(&*it, v, out);
}

void Checker::FieldOn(const void* field, const Values& v, std::vector<Finding>& out) {
  Impl& p = *p_;
  const Impl::Field& f = *static_cast<const Impl::Field*>(field);
  const int16_t slot = f.slot;
  const FieldRules& r = f.rules;
  const std::string_view value = modLIB::TrimView(v[static_cast<size_t>(slot)]);
  auto add = [&](const char* kind, const std::string& message) {
    Finding x;
    x.Slot = slot;
    x.Field = p.labels[slot];
    x.Rule = f.name + "." + kind;
    x.Value = std::string(value);
    x.Message = r.Message.empty() ? message : r.Message;
    x.Hard = r.Hard;
    out.push_back(std::move(x));
  };
  const std::string& label = p.labels[slot];
  if (!value.empty() && (f.hasMin || f.hasMax)) {
    const Kind kind = p.kinds[slot] == Kind::Text ? Kind::Number : p.kinds[slot];
    double x = 0;
    const bool ok = Scalar(kind, value, p.order, x);
    if (!ok || (f.hasMin && x < f.min) || (f.hasMax && x > f.max)) {
      if (f.hasMin && f.hasMax) add("Range", label + " must be from " + r.Min + " to " + r.Max);
      else if (f.hasMin) add("Range", label + " must be at least " + r.Min);
      else add("Range", label + " must be at most " + r.Max);
    }
  }
  if (!value.empty() && !r.Legal.empty() &&
      std::none_of(r.Legal.begin(), r.Legal.end(), [&](const LegalValue& l) { return l.Code == value; }))
    add("Legal", label + " must be one of " + Join(r.Legal));
  if (!f.requiredIf.func.empty() && value.empty()) {
    std::string why;
    const int held = p.Eval(f.requiredIf, v, why);
    if (held == 1) add("RequiredIf", label + " is required when " + r.RequiredIf);
    if (held == -2) add("RequiredIf", "The rule \"" + r.RequiredIf + "\" cannot be checked: " + why);
  }
}

int16_t Checker::SkipTarget(const Values& v, int16_t slot) {
  Impl& p = *p_;
  for (const Impl::Field& f : p.fields) {
    if (f.slot != slot || f.skipIf.func.empty()) continue;
    std::string why;
    return p.Eval(f.skipIf, v, why) == 1 ? f.skipTo : 0;
  }
  return 0;
}

std::vector<bool> Checker::Skipped(const Values& v) {
  std::vector<bool> held;
  return SkipsOn(v, held);
}

std::vector<bool> Checker::SkipsOn(const Values& v, std::vector<bool>& held) {
  Impl& p = *p_;
  std::vector<bool> out(modDB::kMaxFields + 1, false);
  held.assign(p.fields.size(), false);
  for (size_t i = 0; i < p.fields.size(); ++i) {
    const Impl::Field& f = p.fields[i];
    if (f.skipIf.func.empty() || out[static_cast<size_t>(f.slot)]) continue;
    std::string why;
    if (p.Eval(f.skipIf, v, why) != 1) continue;
    held[i] = true;
    for (int16_t k = f.slot + 1; k < f.skipTo; ++k) out[static_cast<size_t>(k)] = true;
  }
  return out;
}

void Checker::CheckRecord(const Values& v, std::vector<Finding>& out) {
  Impl& p = *p_;
  std::vector<bool> held;
  const std::vector<bool> skipped = SkipsOn(v, held);
  for (size_t i = 0; i < p.fields.size(); ++i) {
    const Impl::Field& f = p.fields[i];
    if (skipped[static_cast<size_t>(f.slot)]) continue;
    FieldOn(&f, v, out);
    if (!held[i]) continue;
    for (int16_t k = f.slot + 1; k < f.skipTo; ++k) {
      const std::string_view value = modLIB::TrimView(v[static_cast<size_t>(k)]);
      if (p.h.Fields[k].Page == 0 || value.empty()) continue;
      Finding x;
      x.Slot = k;
      x.Field = p.labels[k];
      x.Rule = f.name + ".Skip";
      x.Value = std::string(value);
      x.Message = p.labels[k] + " is skipped when " + f.rules.SkipIf + " and must be empty";
      x.Hard = f.rules.Hard;
      out.push_back(std::move(x));
    }
  }
  for (const Impl::Form& f : p.forms) {
    std::string why;
    const int held = p.Eval(f.expr, v, why);
    if (held == 1 || held == -1) continue;
    Finding x;
    x.Slot = f.expr.slots.empty() ? 0 : f.expr.slots.front();
    x.Field = x.Slot ? p.labels[x.Slot] : "";
    x.Rule = f.name;
    x.Value = p.Shown(f.expr, v);
    x.Message = held == -2 ? "The rule \"" + f.rule.Rule + "\" cannot be checked: " + why
                           : (f.rule.Message.empty() ? "The rule \"" + f.rule.Rule + "\" is broken" : f.rule.Message);
    x.Hard = f.rule.Hard;
    out.push_back(std::move(x));
  }
}

std::vector<int16_t> Checker::SlotsRead() const {
  std::vector<int16_t> s;
  for (const auto& f : p_->fields) {
    s.push_back(f.slot);
    s.insert(s.end(), f.requiredIf.slots.begin(), f.requiredIf.slots.end());
    s.insert(s.end(), f.skipIf.slots.begin(), f.skipIf.slots.end());
    for (int16_t k = f.slot + 1; k < f.skipTo; ++k) s.push_back(k);
  }
  for (const auto& f : p_->forms) s.insert(s.end(), f.expr.slots.begin(), f.expr.slots.end());
  if (p_->numberSlot) s.push_back(p_->numberSlot);
  std::sort(s.begin(), s.end());
  s.erase(std::unique(s.begin(), s.end()), s.end());
  return s;
}

std::vector<LegalValue> Checker::Legal(int16_t slot) const {
  for (const auto& f : p_->fields)
    if (f.slot == slot) return f.rules.Legal;
  return {};
}

std::string Checker::Label(int16_t slot) const {
  return slot >= 1 && slot <= modDB::kMaxFields ? p_->labels[slot] : "";
}

int16_t Checker::NumberSlot() const { return p_->numberSlot; }

}  // namespace qfchecks

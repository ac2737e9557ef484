#include "script/objects.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdio>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "script/errors.h"

namespace qfscript {

namespace {

constexpr int kErrDuplicateKey = 457;
constexpr int kErrElementNotFound = 32811;
constexpr int kErrRegExpSyntax = 5017;

const Variant& Arg(std::vector<Variant*>& args, size_t i) {
  static const Variant missing = Variant::Missing();
  return i < args.size() ? args[i]->Deref() : missing;
}

Variant MakeArray(std::vector<Variant> items) {
  auto* a = new ArrayRep;
  a->bounds.push_back(static_cast<int32_t>(items.size()) - 1);
  a->data = std::move(items);
  return Variant::Arr(a);
}

// ---- Scripting.Dictionary -------------------------------------------------

class Dictionary : public Object {
 public:
  std::string TypeName() const override { return "Dictionary"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    bool put = kind == InvokeKind::Let || kind == InvokeKind::Set;
    if (name.empty() || SameName(name, "item")) {
      if (put) {
        if (args.size() != 2) return kErrWrongArgs;
        const Variant& v = Arg(args, 1);
        if (kind == InvokeKind::Let && v.IsObject()) {
          // Let of an object stores its default value.
          Find(Arg(args, 0), true)->second = DefaultOf(v);
        } else {
          Find(Arg(args, 0), true)->second = v;
        }
        return 0;
      }
      if (args.size() != 1) return kErrWrongArgs;
      // Reading a missing key adds it, as the Windows dictionary does.
      result = Find(Arg(args, 0), true)->second;
      return 0;
    }
    if (SameName(name, "add")) {
      if (put || args.size() != 2) return kErrWrongArgs;
      const Variant& key = Arg(args, 0);
      if (Find(key, false) != items_.end()) return kErrDuplicateKey;
      Find(key, true)->second = Arg(args, 1);
      return 0;
    }
    if (SameName(name, "exists")) {
      if (put || args.size() != 1) return kErrWrongArgs;
      result = Variant::Bool(Find(Arg(args, 0), false) != items_.end());
      return 0;
    }
    if (SameName(name, "remove")) {
      if (put || args.size() != 1) return kErrWrongArgs;
      std::string k = KeyOf(Arg(args, 0));
      auto it = index_.find(k);
      if (it == index_.end()) return kErrElementNotFound;
      items_.erase(it->second);
      index_.erase(it);
      return 0;
    }
    if (SameName(name, "removeall")) {
      if (put || !args.empty()) return kErrWrongArgs;
      items_.clear();
      index_.clear();
      return 0;
    }
    if (SameName(name, "count")) {
      if (put) return kErrNoSuchMember;
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Long(static_cast<int32_t>(items_.size()));
      return 0;
    }
    if (SameName(name, "keys") || SameName(name, "items")) {
      if (put) return kErrNoSuchMember;
      if (!args.empty()) return kErrWrongArgs;
      bool keys = SameName(name, "keys");
      std::vector<Variant> out;
      out.reserve(items_.size());
      for (auto& kv : items_) out.push_back(keys ? kv.first : kv.second);
      result = MakeArray(std::move(out));
      return 0;
    }
    if (SameName(name, "comparemode")) {
      if (!put) {
        if (!args.empty()) return kErrWrongArgs;
        result = Variant::Long(compareMode_);
        return 0;
      }
      if (args.size() != 1) return kErrWrongArgs;
      int32_t mode = ToLong(Arg(args, 0));
      if (mode < 0 || !items_.empty()) return kErrInvalidCall;
      compareMode_ = mode;
      return 0;
    }
    if (SameName(name, "key")) {
      // d.Key(old) = new renames a key.
      if (!put || args.size() != 2) return put ? kErrWrongArgs : kErrNoSuchMember;
      std::string oldKey = KeyOf(Arg(args, 0));
      auto it = index_.find(oldKey);
      if (it == index_.end()) return kErrElementNotFound;
      std::string newKey = KeyOf(Arg(args, 1));
      if (newKey != oldKey && index_.count(newKey)) return kErrDuplicateKey;
      auto pos = it->second;
      index_.erase(it);
      pos->first = Arg(args, 1);
      index_[newKey] = pos;
      return 0;
    }
    return kErrNoSuchMember;
  }

  int Enumerate(std::vector<Variant>& out) override {
    for (auto& kv : items_) out.push_back(kv.first);
    return 0;
  }

 private:
  using Items = std::list<std::pair<Variant, Variant>>;
  Items items_;
  std::unordered_map<std::string, Items::iterator> index_;
  int32_t compareMode_ = 0;

  // A key's identity: numbers by value whatever their subtype, strings by
  // their text (without regard to case under text comparison), objects by
  // identity.
  std::string KeyOf(const Variant& key) const {
    const Variant& k = key.Deref();
    switch (k.vt) {
      case vtEmpty: return "e";
      case vtNull: return "z";
      case vtString: {
        std::string s = k.Text();
        if (compareMode_ != 0) s = Lower(std::move(s));
        return "s" + s;
      }
      case vtObject: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "o%p", static_cast<void*>(k.o));
        return buf;
      }
      case vtArray: ThrowError(kErrTypeMismatch);
      default: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "n%.17g", ToDouble(k));
        return buf;
      }
    }
  }

  Items::iterator Find(const Variant& key, bool add) {
    std::string k = KeyOf(key);
    auto it = index_.find(k);
    if (it != index_.end()) return it->second;
    if (!add) return items_.end();
    items_.emplace_back(key.Deref(), Variant());
    auto pos = std::prev(items_.end());
    index_.emplace(std::move(k), pos);
    return pos;
  }
};

// ---- RegExp ----------------------------------------------------------------

int Count(std::vector<Variant*>& args, InvokeKind kind, Variant& result, size_t n) {
  if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
  if (!args.empty()) return kErrWrongArgs;
  result = Variant::Long(static_cast<int32_t>(n));
  return 0;
}

// Item(i) of a collection held in a vector.
int ItemAt(const std::vector<Variant>& items, std::vector<Variant*>& args, InvokeKind kind, Variant& result) {
  if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
  if (args.size() != 1) return kErrWrongArgs;
  int32_t i = ToLong(Arg(args, 0));
  if (i < 0 || static_cast<size_t>(i) >= items.size()) return kErrInvalidCall;
  result = items[static_cast<size_t>(i)];
  return 0;
}

class SubMatches : public Object {
 public:
  std::vector<Variant> items;
  std::string TypeName() const override { return "ISubMatches"; }
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (name.empty() || SameName(name, "item")) return ItemAt(items, args, kind, result);
    if (SameName(name, "count")) return Count(args, kind, result, items.size());
    return kErrNoSuchMember;
  }
  int Enumerate(std::vector<Variant>& out) override {
    out = items;
    return 0;
  }
};

class Match : public Object {
 public:
  std::string value;
  int32_t firstIndex = 0;
  Variant subMatches;  // a SubMatches object
  std::string TypeName() const override { return "IMatch2"; }
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (kind == InvokeKind::Let || kind == InvokeKind::Set) return kErrNoSuchMember;
    bool isValue = name.empty() || SameName(name, "value");
    if (isValue || SameName(name, "firstindex") || SameName(name, "length")) {
      if (!args.empty()) return kErrWrongArgs;
      if (isValue) result = Variant::Str(value);
      else if (SameName(name, "firstindex")) result = Variant::Long(firstIndex);
      else result = Variant::Long(static_cast<int32_t>(value.size()));
      return 0;
    }
    if (SameName(name, "submatches")) {
      if (args.empty()) {
        result = subMatches;
        return 0;
      }
      std::vector<Variant*> rest(args);
      return subMatches.o->Invoke("", kind, rest, result);
    }
    return kErrNoSuchMember;
  }
};

class Matches : public Object {
 public:
  std::vector<Variant> items;
  std::string TypeName() const override { return "IMatchCollection2"; }
  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    if (name.empty() || SameName(name, "item")) return ItemAt(items, args, kind, result);
    if (SameName(name, "count")) return Count(args, kind, result, items.size());
    return kErrNoSuchMember;
  }
  int Enumerate(std::vector<Variant>& out) override {
    out = items;
    return 0;
  }
};

struct CodeFree {
  void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct DataFree {
  void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};

class RegExp : public Object {
 public:
  std::string TypeName() const override { return "IRegExp2"; }

  int Invoke(const std::string& name, InvokeKind kind, std::vector<Variant*>& args, Variant& result) override {
    bool put = kind == InvokeKind::Let || kind == InvokeKind::Set;
    if (SameName(name, "pattern")) return Prop(args, put, result, [&](const Variant* v) {
      if (v) { pattern_ = ToStr(*v); code_.reset(); } else result = Variant::Str(pattern_);
    });
    if (SameName(name, "global")) return Flag(global_, args, put, result);
    if (SameName(name, "ignorecase")) return Flag(ignoreCase_, args, put, result);
    if (SameName(name, "multiline")) return Flag(multiline_, args, put, result);
    if (put) return kErrNoSuchMember;
    if (SameName(name, "test")) {
      if (args.size() != 1) return kErrWrongArgs;
      std::string s = ToStr(Arg(args, 0));
      Compile();
      result = Variant::Bool(MatchAt(s, 0));
      return 0;
    }
    if (SameName(name, "execute")) {
      if (args.size() != 1) return kErrWrongArgs;
      std::string s = ToStr(Arg(args, 0));
      Compile();
      auto* ms = new Matches;
      Variant holder = Variant::Obj(ms);
      ForEachMatch(s, [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        auto* m = new Match;
        Variant mh = Variant::Obj(m);
        m->firstIndex = static_cast<int32_t>(ov[0]);
        m->value = s.substr(ov[0], ov[1] - ov[0]);
        auto* sub = new SubMatches;
        m->subMatches = Variant::Obj(sub);
        for (uint32_t g = 1; g < pairs; ++g) {
          if (ov[2 * g] == PCRE2_UNSET) sub->items.emplace_back();
          else sub->items.push_back(Variant::Str(s.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g])));
        }
        ms->items.push_back(std::move(mh));
      });
      result = std::move(holder);
      return 0;
    }
    if (SameName(name, "replace")) {
      if (args.size() != 2) return kErrWrongArgs;
      std::string s = ToStr(Arg(args, 0));
      // A Boolean replacement is its number: True gives "-1".
      const Variant& replacement = Arg(args, 1);
      std::string with = replacement.vt == vtBoolean ? (replacement.b ? "-1" : "0") : ToStr(replacement);
      Compile();
      std::string out;
      size_t last = 0;
      ForEachMatch(s, [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        out.append(s, last, ov[0] - last);
        Expand(with, s, ov, pairs, out);
        last = ov[1];
      });
      out.append(s, last, std::string::npos);
      result = Variant::Str(std::move(out));
      return 0;
    }
    return kErrNoSuchMember;
  }

 private:
  std::string pattern_;
  bool global_ = false, ignoreCase_ = false, multiline_ = false;
  uint32_t compiledOptions_ = 0;
  std::unique_ptr<pcre2_code, CodeFree> code_;
  std::unique_ptr<pcre2_match_data, DataFree> data_;

  template <class F>
  int Prop(std::vector<Variant*>& args, bool put, Variant& result, F f) {
    (void)result;
    if (put) {
      if (args.size() != 1) return kErrWrongArgs;
      f(&Arg(args, 0));
    } else {
      if (!args.empty()) return kErrWrongArgs;
      f(nullptr);
    }
    return 0;
  }

  int Flag(bool& flag, std::vector<Variant*>& args, bool put, Variant& result) {
    if (put) {
      if (args.size() != 1) return kErrWrongArgs;
      flag = ToBool(Arg(args, 0));
    } else {
      if (!args.empty()) return kErrWrongArgs;
      result = Variant::Bool(flag);
    }
    return 0;
  }

  uint32_t Options() const {
    uint32_t o = PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX;
    if (ignoreCase_) o |= PCRE2_CASELESS;
    if (multiline_) o |= PCRE2_MULTILINE;
    return o;
  }

  void Compile() {
    uint32_t opts = Options();
    if (code_ && opts == compiledOptions_) return;
    int errCode = 0;
    PCRE2_SIZE errOffset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(), opts, &errCode,
                              &errOffset, nullptr));
    if (!code_) ThrowError(kErrRegExpSyntax);
    compiledOptions_ = opts;
    data_.reset(pcre2_match_data_create_from_pattern(code_.get(), nullptr));
  }

  // Matches at or after `start`; the offsets are in data_.
  bool MatchAt(const std::string& s, size_t start, uint32_t opts = 0) {
    int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), start, opts,
                         data_.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc < 0) ThrowError(kErrOutOfStack);  // match limits: a pattern that backtracks without end
    return true;
  }

  // Calls f(ovector, pairs) for the first match, or for every match when Global.
  template <class F>
  void ForEachMatch(const std::string& s, F f) {
    size_t start = 0;
    while (start <= s.size()) {
      if (!MatchAt(s, start)) break;
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_.get());
      uint32_t pairs = 0;
      pcre2_pattern_info(code_.get(), PCRE2_INFO_CAPTURECOUNT, &pairs);
      ++pairs;
      PCRE2_SIZE b = ov[0], e = ov[1];
      std::vector<PCRE2_SIZE> copy(ov, ov + 2 * pairs);
      f(copy.data(), pairs);
      if (!global_) break;
      start = e > b ? e : e + 1;
    }
  }

  // The replacement text with $1..$99, $&, $`, $' and $$ filled in.
  static void Expand(const std::string& with, const std::string& s, const PCRE2_SIZE* ov, uint32_t pairs,
                     std::string& out) {
    for (size_t i = 0; i < with.size(); ++i) {
      char c = with[i];
      if (c != '$' || i + 1 >= with.size()) {
        out += c;
        continue;
      }
      char n = with[i + 1];
      if (n == '$') {
        out += '$';
        ++i;
      } else if (n == '&') {
        out.append(s, ov[0], ov[1] - ov[0]);
        ++i;
      } else if (n == '`') {
        out.append(s, 0, ov[0]);
        ++i;
      } else if (n == '\'') {
        out.append(s, ov[1], std::string::npos);
        ++i;
      } else if (n >= '0' && n <= '9') {
        // Two digits when that group exists, else one.
        uint32_t g = static_cast<uint32_t>(n - '0');
        size_t used = 1;
        if (i + 2 < with.size() && with[i + 2] >= '0' && with[i + 2] <= '9') {
          uint32_t g2 = g * 10 + static_cast<uint32_t>(with[i + 2] - '0');
          if (g2 >= 1 && g2 < pairs) {
            g = g2;
            used = 2;
          }
        }
        if (g >= 1 && g < pairs) {
          if (ov[2 * g] != PCRE2_UNSET) out.append(s, ov[2 * g], ov[2 * g + 1] - ov[2 * g]);
          i += used;
        } else {
          out += c;
        }
      } else {
        out += c;
      }
    }
  }
};

}  // namespace

Object* CreateBuiltinObject(const std::string& progId) {
  if (SameName(progId, "scripting.dictionary")) return new Dictionary;
  if (SameName(progId, "vbscript.regexp")) return new RegExp;
  return nullptr;
}

Object* NewBuiltinObject(const std::string& lowerName) {
  if (lowerName == "regexp") return new RegExp;
  return nullptr;
}

}  // namespace qfscript

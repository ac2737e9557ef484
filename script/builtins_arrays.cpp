// The array functions: Array, UBound, LBound, and Split, Join and Filter between
// arrays and strings.
#include "script/builtins_common.h"

#include <string>
#include <utility>
#include <vector>

namespace qfscript {

namespace {

using namespace builtin;

Variant MakeArray(std::vector<Variant> items) {
  auto* r = new ArrayRep;
  r->bounds.push_back(static_cast<int32_t>(items.size()) - 1);
  r->data = std::move(items);
  return Variant::Arr(r);
}

Variant FnSplit(Interp&, Variant* a, int n) {
  const Variant& v = NotNullAt(a, n, 0);
  std::string delim = Has(a, n, 1) ? ToStr(NotNullAt(a, n, 1)) : " ";
  int32_t count = LongArg(a, n, 2, -1);
  bool text = TextCompare(a, n, 3, 1);
  if (count < -1) Fail(kErrInvalidCall);
  std::string s = ToStr(v);
  std::vector<Variant> parts;
  if (s.empty() || count == 0) return MakeArray(std::move(parts));
  if (delim.empty()) {
    parts.push_back(Str(s));
    return MakeArray(std::move(parts));
  }
  size_t pos = 0;
  for (;;) {
    if (count > 0 && static_cast<int32_t>(parts.size()) == count - 1) break;
    size_t hit = Find(s, delim, pos, text);
    if (hit == std::string::npos) break;
    parts.push_back(Str(s.substr(pos, hit - pos)));
    if (parts.size() > kMaxArrayElements) Fail(kErrOutOfMemory);
    pos = hit + delim.size();
  }
  parts.push_back(Str(s.substr(pos)));
  return MakeArray(std::move(parts));
}

const ArrayRep& OneDim(const Variant& v) {
  if (v.IsNull()) Fail(kErrInvalidNull);
  if (!v.IsArray()) Fail(kErrTypeMismatch);
  if (v.a->bounds.size() != 1) Fail(kErrSubscript);
  return *v.a;
}

// An object argument stands for its default member's value (438 without one).
Variant ValueOf(const Variant& v) {
  if (!v.IsObject()) return v;
  if (!v.o) Fail(kErrObjectNotSet);
  std::vector<Variant*> none;
  Variant r;
  int err = v.o->Invoke("", InvokeKind::Get, none, r);
  if (err) Fail(err);
  return r;
}

Variant FnJoin(Interp&, Variant* a, int n) {
  Variant list = ValueOf(Arg(a, n, 0));
  if (list.IsNull()) Fail(kErrInvalidNull);
  if (!list.IsArray() || list.a->bounds.size() != 1) Fail(kErrTypeMismatch);
  const ArrayRep& arr = *list.a;
  std::string delim = Has(a, n, 1) ? ToStr(NotNullAt(a, n, 1)) : " ";
  std::string out;
  for (size_t i = 0; i < arr.data.size(); ++i) {
    if (i) out += delim;
    if (arr.data[i].IsNull() || arr.data[i].IsArray()) Fail(kErrTypeMismatch);
    out += ToStr(arr.data[i]);
    if (out.size() > kMaxStringLength) Fail(kErrOutOfMemory);
  }
  return Str(std::move(out));
}

Variant FnFilter(Interp&, Variant* a, int n) {
  const ArrayRep& arr = OneDim(Arg(a, n, 0));
  if (Arg(a, n, 1).IsNull()) Fail(kErrInvalidNull);
  std::string value = ToStr(Arg(a, n, 1));
  bool include = Has(a, n, 2) ? ToBool(Arg(a, n, 2)) : true;
  bool text = TextCompare(a, n, 3);
  std::vector<Variant> out;
  for (auto& item : arr.data) {
    if (item.IsNull()) Fail(kErrInvalidNull);
    std::string s = ToStr(item);
    bool hit = Find(s, value, 0, text) != std::string::npos;
    if (hit == include) out.push_back(Str(s));
  }
  return MakeArray(std::move(out));
}

Variant FnArray(Interp&, Variant* a, int n) {
  std::vector<Variant> items;
  items.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    Variant v = a[i].Deref();
    if (v.IsMissing()) v.Clear();
    items.push_back(std::move(v));
  }
  return MakeArray(std::move(items));
}

Variant Bound(Variant* a, int n, bool upper) {
  const Variant& arg = Arg(a, n, 0);
  if (arg.IsObject() && !arg.o) Fail(kErrObjectNotSet);
  Variant v = ValueOf(arg);
  if (!v.IsArray()) Fail(kErrTypeMismatch);
  int32_t dim = LongArg(a, n, 1, 1);
  if (dim < 1 || static_cast<size_t>(dim) > v.a->bounds.size()) Fail(kErrSubscript);
  return Variant::Long(upper ? v.a->bounds[static_cast<size_t>(dim) - 1] : 0);
}
Variant FnUBound(Interp&, Variant* a, int n) { return Bound(a, n, true); }
Variant FnLBound(Interp&, Variant* a, int n) { return Bound(a, n, false); }

const Builtin kArrayBuiltins[] = {
    {"split", 1, 4, FnSplit},
    {"join", 1, 2, FnJoin},
    {"filter", 2, 4, FnFilter},
    {"array", 0, 1 << 20, FnArray},
    {"ubound", 1, 2, FnUBound},
    {"lbound", 1, 2, FnLBound},
};

}  // namespace

std::span<const Builtin> ArrayBuiltins() { return kArrayBuiltins; }

}  // namespace qfscript

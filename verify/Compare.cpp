#include "verify/Compare.h"

#include <string_view>
#include <unordered_map>

#include "engine/files/Companions.h"
#include "engine/history/Format.h"
#include "engine/store/DirectFile.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace qfverify {

namespace {

std::string_view TrimEnd(std::string_view v) {
  while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
  return v;
}

struct File {
  std::string name, records;
  modDB::FormHeader h;
  size_t len = 0;
  int32_t count = 0;
  std::string_view Rec(int32_t r) const { return {records.data() + static_cast<size_t>(r - 1) * len, len}; }
  std::string_view Field(int32_t r, int16_t s) const {
    return TrimEnd(Rec(r).substr(static_cast<size_t>(h.Fields[s].Offset), static_cast<size_t>(h.Fields[s].Length)));
  }
};

std::string Load(const std::string& database, File& f) {
  f.name = modDB::detail::Companions::Of(database).Named();
  std::string why;
  const int16_t handle = modDB::OpenOtherDatabase(f.name, why);
  if (!handle) return why.empty() ? "FILE:" + f.name + " not found!" : why;
  const bool ok = modDB::ReadHeaderDirect(handle, f.h);
  if (ok) f.records = modDB::ReadRecordsDirect(handle, f.h, 1, f.h.RecordCount);
  modDB::CloseOtherDatabase(handle);
  if (!ok || f.h.RecordLength <= 0) return "FILE:" + f.name + " cannot be read";
  f.len = static_cast<size_t>(f.h.RecordLength);
  f.count = static_cast<int32_t>(f.records.size() / f.len);
  return "";
}

std::string NameOf(const modDB::FieldDef& f) { return f.Name.Trimmed(); }

}  // namespace

std::string CompareFiles(const std::string& a, const std::string& b, const std::string& keyField,
                         std::vector<Difference>& out) {
  out.clear();
  File fa, fb;
  if (std::string e = Load(a, fa); !e.empty()) return e;
  if (std::string e = Load(b, fb); !e.empty()) return e;
  // The fields by name, in A's order; both files must have the same ones.
  std::vector<std::pair<int16_t, int16_t>> pairs;
  std::unordered_map<std::string, int16_t> inB;
  for (int16_t s = 1; s <= modDB::kMaxFields; ++s)
    if (fb.h.Fields[s].Page) inB[modLIB::UCase(NameOf(fb.h.Fields[s]))] = s;
  const std::string key = modLIB::UCase(modLIB::Utf8ToCp1252(keyField));
  int16_t keyA = 0, keyB = 0;
  size_t inA = 0;
  for (int16_t s = 1; s <= modDB::kMaxFields; ++s) {
    if (!fa.h.Fields[s].Page) continue;
    ++inA;
    const std::string name = modLIB::UCase(NameOf(fa.h.Fields[s]));
    auto it = inB.find(name);
    if (it == inB.end())
      return modLIB::Cp1252ToUtf8(fb.name + " has no field " + NameOf(fa.h.Fields[s]) + ": the forms differ");
    if (name == key) keyA = s, keyB = it->second;
    pairs.emplace_back(s, it->second);
  }
  if (inA != inB.size()) return modLIB::Cp1252ToUtf8(fa.name + " and " + fb.name + " do not have the same fields");
  if (!keyA) return "no field " + keyField + " in " + modLIB::Cp1252ToUtf8(fa.name);

  auto keyOf = [](const File& f, int32_t r, int16_t s) {
    return modLIB::TrimView(f.Rec(r).substr(static_cast<size_t>(f.h.Fields[s].Offset),
                                            static_cast<size_t>(f.h.Fields[s].Length)));
  };
  std::unordered_map<std::string_view, int32_t> byKey;
  byKey.reserve(static_cast<size_t>(fb.count) * 2);
  for (int32_t r = 1; r <= fb.count; ++r) {
    if (fb.Rec(r)[0] == '*') continue;
    auto [it, fresh] = byKey.emplace(keyOf(fb, r, keyB), r);
    if (!fresh)
      return modLIB::Cp1252ToUtf8("key \"" + std::string(it->first) + "\" is given twice in " + fb.name +
                                  " (records " + std::to_string(it->second) + " and " + std::to_string(r) + ")");
  }
  std::unordered_map<std::string_view, int32_t> seenA;
  seenA.reserve(static_cast<size_t>(fa.count) * 2);
  std::vector<char> paired(static_cast<size_t>(fb.count) + 1, 0);
  auto utf = [](std::string_view v) { return modLIB::Cp1252ToUtf8(v); };
  for (int32_t r = 1; r <= fa.count; ++r) {
    if (fa.Rec(r)[0] == '*') continue;
    const std::string_view k = keyOf(fa, r, keyA);
    if (auto [it, fresh] = seenA.emplace(k, r); !fresh)
      return modLIB::Cp1252ToUtf8("key \"" + std::string(k) + "\" is given twice in " + fa.name + " (records " +
                                  std::to_string(it->second) + " and " + std::to_string(r) + ")");
    auto it = byKey.find(k);
    if (it == byKey.end()) {
      out.push_back({utf(k), "(record)", "record " + std::to_string(r), "", r, 0});
      continue;
    }
    const int32_t rb = it->second;
    paired[static_cast<size_t>(rb)] = 1;
    for (const auto& [sa, sb] : pairs) {
      const modDB::FieldDef &da = fa.h.Fields[sa], &db = fb.h.Fields[sb];
      // Most fields agree byte for byte, padding and all: only those that do not are
      // looked at without their padding.
      if (da.Length == db.Length &&
          fa.Rec(r).compare(static_cast<size_t>(da.Offset), static_cast<size_t>(da.Length), fb.Rec(rb),
                            static_cast<size_t>(db.Offset), static_cast<size_t>(db.Length)) == 0)
        continue;
      const std::string_view va = fa.Field(r, sa), vb = fb.Field(rb, sb);
      if (va != vb) out.push_back({utf(k), utf(NameOf(fa.h.Fields[sa])), utf(va), utf(vb), r, rb});
    }
  }
  for (int32_t r = 1; r <= fb.count; ++r)
    if (fb.Rec(r)[0] != '*' && !paired[static_cast<size_t>(r)])
      out.push_back({utf(keyOf(fb, r, keyB)), "(record)", "", "record " + std::to_string(r), 0, r});
  return "";
}

std::string CompareText(const std::vector<Difference>& diffs, bool csv) {
  std::string out;
  if (csv) {
    out = "Key,Field,A,B\n";
    for (const auto& d : diffs) {
      for (const std::string* c : {&d.key, &d.field, &d.a, &d.b}) {
        modDB::AppendCsvCell(out, *c);
        out += c == &d.b ? '\n' : ',';
      }
    }
    return out;
  }
  for (const auto& d : diffs) {
    if (d.field == "(record)")
      out += d.key + ": only in " + (d.recordA ? "A (" + d.a + ")" : "B (" + d.b + ")") + "\n";
    else
      out += d.key + ": " + d.field + ": A \"" + d.a + "\", B \"" + d.b + "\"\n";
  }
  out += std::to_string(diffs.size()) + (diffs.size() == 1 ? " difference\n" : " differences\n");
  return out;
}

}  // namespace qfverify

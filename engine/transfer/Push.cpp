// The push of the open database's records into a central database.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <stdexcept>

#include "engine/history/History.h"
#include "engine/modDB.h"
#include "engine/transfer/Centre.h"
#include "engine/transfer/Table.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace {

using transfer::Kind;
using transfer::Row;

const char* const kSite = "_site";
const char* const kDeleted = "_deleted";
const char* const kRevision = "_revision";
const char* const kPushed = "_pushed";

// A centre's text for a value of the given kind, in the form the site's values take,
// so that the same value compares equal whichever side it comes from.
std::optional<std::string> Canonical(Kind kind, const std::optional<std::string>& v) {
  if (!v) return std::nullopt;
  transfer::Cell cell;
  cell.missing = false;
  switch (kind) {
    case Kind::Integer: cell.integer = std::strtoll(v->c_str(), nullptr, 10); break;
    case Kind::Decimal: cell.number = std::strtod(v->c_str(), nullptr); break;
    case Kind::Date: return v->substr(0, 10);
    case Kind::Time: return v->substr(0, 8);
    case Kind::Text: return v;
  }
  return transfer::CanonicalText(kind, cell);
}

// A digest of a row's values and mark (FNV-1a, 64 bits, as 16 hexadecimal digits).
std::string Digest(const Row& values, bool deleted) {
  uint64_t h = 14695981039346656037ull;
  auto add = [&](unsigned char c) {
    h ^= c;
    h *= 1099511628211ull;
  };
  for (const auto& v : values) {
    add(v ? 1 : 0);
    if (v)
      for (const char c : *v) add(static_cast<unsigned char>(c));
    add(0xFF);
  }
  add(deleted ? '1' : '0');
  char buf[20];
  std::snprintf(buf, sizeof buf, "%016" PRIx64, h);
  return buf;
}

struct Record {
  int32_t number = 0;
  bool deleted = false;
  Row values;
};

struct AtCentre {
  Row values;
  bool deleted = false;
  int64_t revision = 0;
  std::string pushed;
};

void PushHistory(transfer::Centre& centre, const std::string& table, const std::string& site,
                 const std::string& database, PushResult& result) {
  const std::string name = table + "_history";
  const std::vector<std::string> columns = {kSite,    "_line", "time",   "user",   "host",  "program",
                                            "operation", "record", "number", "field", "before", "after"};
  if (centre.ColumnsOf(name).empty()) {
    std::string sql = "CREATE TABLE " + transfer::Quoted(name) + " (";
    for (const std::string& c : columns) sql += transfer::Quoted(c) + (c == "_line" ? " INTEGER NOT NULL, " : " TEXT, ");
    centre.Exec(sql + "PRIMARY KEY (" + transfer::Quoted(kSite) + ", \"_line\"))");
  }
  int64_t last = 0;
  centre.Query("SELECT max(\"_line\") FROM " + transfer::Quoted(name) + " WHERE " + transfer::Quoted(kSite) + " = $1",
               {site}, [&](const Row& r) { last = r[0] ? std::strtoll(r[0]->c_str(), nullptr, 10) : 0; });
  std::vector<HistoryEntry> lines;
  if (HistoryKept(database)) {
    const std::string why = ReadHistory(database, lines);
    if (!why.empty()) throw std::runtime_error(why);
  }
  std::vector<Row> rows;
  for (size_t i = static_cast<size_t>(std::max<int64_t>(last, 0)); i < lines.size(); ++i) {
    const HistoryEntry& e = lines[i];
    rows.push_back({site, std::to_string(i + 1), e.time, e.user, e.host, e.program, e.operation, e.record, e.number,
                    e.field, e.before, e.after});
  }
  centre.Insert(name, columns, rows);
  result.historyLines = static_cast<int32_t>(rows.size());
}

}  // namespace

PushResult PushTo(const PushOptions& options) {
  PushResult result;
  if (GetFileNumber() == 0) {
    GetRecordNo();  // the store's own "DB not open"
    result.error = "DB not open";
    return result;
  }
  const std::string base = GetDatabaseName();
  if (options.site.empty()) {
    result.error = "the site has no name";
    return result;
  }
  try {
    transfer::Table t = transfer::Prepare(std::vector<bool>(kMaxFields + 1, true), {});
    const int16_t keySlot = FindField(modLIB::Utf8ToCp1252(options.key));
    size_t key = t.columns.size();
    for (size_t k = 0; k < t.columns.size(); ++k)
      if (t.columns[k].slot == keySlot) key = k;
    if (keySlot == 0 || key == t.columns.size()) {
      GetHost().HidePer();
      result.error = "no field named \"" + options.key + "\" in " + modLIB::Cp1252ToUtf8(base) + ".Qfd";
      return result;
    }
    auto centre = transfer::OpenCentre(options.to);
    const std::string& table = t.name;
    centre->Begin(table);
    // The table, made when missing; a field it lacks is added. A column it has keeps
    // its kind: a value that is not of that kind refuses the push.
    const std::vector<transfer::Centre::ColumnType> have = centre->ColumnsOf(table);
    if (have.empty()) {
      std::string sql = "CREATE TABLE " + transfer::Quoted(table) + " (" + transfer::Quoted(kSite) + " TEXT NOT NULL";
      for (const transfer::Column& c : t.columns)
        sql += ", " + transfer::Quoted(c.name) + " " + centre->TypeOf(c.kind, c.length) +
               (&c == &t.columns[key] ? " NOT NULL" : "");
      sql += ", " + transfer::Quoted(kDeleted) + " SMALLINT NOT NULL, " + transfer::Quoted(kRevision) +
             " INTEGER NOT NULL, " + transfer::Quoted(kPushed) + " TEXT, PRIMARY KEY (" + transfer::Quoted(kSite) +
             ", " + transfer::Quoted(t.columns[key].name) + "))";
      centre->Exec(sql);
    } else {
      for (transfer::Column& c : t.columns) {
        const auto it = std::find_if(have.begin(), have.end(), [&](const auto& h) { return h.name == c.name; });
        if (it == have.end())
          centre->Exec("ALTER TABLE " + transfer::Quoted(table) + " ADD COLUMN " + transfer::Quoted(c.name) + " " +
                       centre->TypeOf(c.kind, c.length));
        else
          c.kind = transfer::KindOfSqlType(it->type);
      }
    }

    // The records with their values as the centre will hold them; every key once.
    static const char* const kKindWords[] = {"a whole number", "a number", "a date", "a time", "text"};
    std::vector<Record> records;
    std::map<std::string, int32_t> byKey;
    transfer::ForEachRecord(t, [&](int32_t r, bool marked, const std::vector<transfer::Cell>& cells) {
      Record rec{r, marked, {}};
      for (size_t k = 0; k < cells.size(); ++k) {
        if (cells[k].bad)
          throw std::invalid_argument("record " + std::to_string(r) + ", field " + t.columns[k].name +
                                      ": the value is not " + kKindWords[static_cast<int>(t.columns[k].kind)] +
                                      ", as the centre's column is");
        rec.values.push_back(cells[k].missing ? std::nullopt
                                              : std::optional(transfer::CanonicalText(t.columns[k].kind, cells[k])));
      }
      if (!rec.values[key]) throw std::invalid_argument("record " + std::to_string(r) + " has no " + options.key);
      const auto [it, fresh] = byKey.emplace(*rec.values[key], r);
      if (!fresh)
        throw std::invalid_argument("records " + std::to_string(it->second) + " and " + std::to_string(r) +
                                    " have the same " + options.key + " " + *rec.values[key]);
      records.push_back(std::move(rec));
    });
    GetHost().HidePer();

    // The site's rows as the centre holds them.
    std::string select = "SELECT ";
    for (const transfer::Column& c : t.columns) select += transfer::Quoted(c.name) + ", ";
    select += transfer::Quoted(kDeleted) + ", " + transfer::Quoted(kRevision) + ", " + transfer::Quoted(kPushed) +
              " FROM " + transfer::Quoted(table) + " WHERE " + transfer::Quoted(kSite) + " = $1";
    std::map<std::string, AtCentre> rows;
    const size_t n = t.columns.size();
    centre->Query(select, {options.site}, [&](const Row& r) {
      AtCentre at;
      for (size_t k = 0; k < n; ++k) at.values.push_back(Canonical(t.columns[k].kind, r[k]));
      at.deleted = r[n].value_or("0") != "0";
      at.revision = std::strtoll(r[n + 1].value_or("0").c_str(), nullptr, 10);
      at.pushed = r[n + 2].value_or("");
      if (at.values[key]) rows[*at.values[key]] = std::move(at);
    });

    // Inserts, updates, and the rows changed at the centre that ours would overwrite.
    std::vector<std::string> columns = {kSite, t.columns[key].name};
    for (size_t k = 0; k < n; ++k)
      if (k != key) columns.push_back(t.columns[k].name);
    for (const char* c : {kDeleted, kRevision, kPushed}) columns.push_back(c);
    std::vector<Row> inserts, updates;
    for (const Record& rec : records) {
      const std::string digest = Digest(rec.values, rec.deleted);
      const auto it = rows.find(*rec.values[key]);
      int64_t revision = 1;
      if (it != rows.end()) {
        const AtCentre& at = it->second;
        const std::string now = Digest(at.values, at.deleted);
        if (now == digest && at.pushed == digest) {
          ++result.unchanged;
          continue;
        }
        if (now != at.pushed && now != digest) {  // changed there, and ours differs: not overwritten
          for (size_t k = 0; k < n; ++k)
            if (at.values[k] != rec.values[k])
              result.conflicts.push_back(
                  {*rec.values[key], t.columns[k].name, at.values[k].value_or(""), rec.values[k].value_or("")});
          if (at.deleted != rec.deleted)
            result.conflicts.push_back({*rec.values[key], kDeleted, at.deleted ? "1" : "0", rec.deleted ? "1" : "0"});
          continue;
        }
        revision = at.revision + 1;
      }
      Row row = {options.site, rec.values[key]};
      for (size_t k = 0; k < n; ++k)
        if (k != key) row.push_back(rec.values[k]);
      row.push_back(rec.deleted ? "1" : "0");
      row.push_back(std::to_string(revision));
      row.push_back(digest);
      (it == rows.end() ? inserts : updates).push_back(std::move(row));
    }
    centre->Insert(table, columns, inserts);
    centre->Update(table, columns, 2, updates);
    result.inserted = static_cast<int32_t>(inserts.size());
    result.updated = static_cast<int32_t>(updates.size());
    if (options.history) PushHistory(*centre, table, options.site, base, result);
    centre->Commit();
  } catch (const std::exception& e) {
    GetHost().HidePer();
    result = PushResult{};
    result.error = e.what();
  }
  return result;
}

}  // namespace modDB

// A central database as the push sees it: PostgreSQL through libpq, or an SQLite
// file. Private to engine/transfer. Every call throws std::runtime_error with the
// database's own message when it fails.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/transfer/Table.h"

namespace modDB::transfer {

using Row = std::vector<std::optional<std::string>>;  // values as text; none is NULL

class Centre {
 public:
  virtual ~Centre() = default;
  // Starts the one transaction of a push; `table` names what it writes, so that two
  // pushes into one table take turns.
  virtual void Begin(const std::string& table) = 0;
  virtual void Commit() = 0;
  virtual void Exec(const std::string& sql) = 0;
  // The rows of a query whose parameters ($1, $2, ... ) are texts.
  virtual void Query(const std::string& sql, const std::vector<std::string>& params,
                     const std::function<void(const Row&)>& onRow) = 0;
  virtual void Insert(const std::string& table, const std::vector<std::string>& columns,
                      const std::vector<Row>& rows) = 0;
  // Sets every column but the first `keys` of the rows found by those.
  virtual void Update(const std::string& table, const std::vector<std::string>& columns, size_t keys,
                      const std::vector<Row>& rows) = 0;
  // The table's columns: name and declared type; none when there is no such table.
  struct ColumnType {
    std::string name, type;
  };
  virtual std::vector<ColumnType> ColumnsOf(const std::string& table) = 0;
  virtual std::string TypeOf(Kind kind, size_t length) const = 0;
};

// Whether `to` names an SQLite file (".sqlite", ".sqlite3" or ".db") rather than a
// PostgreSQL connection string.
bool IsSqliteFile(const std::string& to);
std::unique_ptr<Centre> OpenCentre(const std::string& to);

// A name between double quotes, inner quotes doubled.
std::string Quoted(const std::string& name);

}  // namespace modDB::transfer

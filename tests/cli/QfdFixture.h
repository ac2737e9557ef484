// What the qfd tests share: a temporary folder, a database made by `qfd create` from
// a JSON definition, and the file's records read back by hand.
#pragma once

#include "tests/support/QfdJson.h"
#include "tests/support/TestSupport.h"

namespace clitest {

using namespace qftest;  // NOLINT: the helpers every qfd test calls
namespace fs = std::filesystem;

// The bytes with the record count (the first four, little-endian) set to `count`.
inline std::string WithCount(std::string bytes, int32_t count) { return WithI32(std::move(bytes), 0, count); }

class QfdTest : public ::testing::Test {
 protected:
  // `qfd create` of the JSON definition, written beside it as NAME.json; returns the
  // database's name without extension.
  std::string Create(const std::string& json, const std::string& name = "db") {
    return QfdCreate(dir, name, json);
  }
  std::string Records(const std::string& db) { return RecordsOf(db); }
  TempDir dir;
};

}  // namespace clitest

// What the qfd tests share: a temporary folder, a database made by `qfd create` from
// a JSON definition, and the file's records read back by hand.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TestSupport.h"

namespace clitest {

using namespace qftest;  // NOLINT: the helpers every qfd test calls
namespace fs = std::filesystem;

constexpr size_t kHead = 23496;  // a database's header, before its first record

// Record n (from 1) of records of `length` bytes.
inline std::string RecordAt(const std::string& bytes, int n, size_t length) {
  return bytes.substr(kHead + static_cast<size_t>(n - 1) * length, length);
}

// The bytes with the record count (the first four, little-endian) set to `count`.
inline std::string WithCount(std::string bytes, int32_t count) {
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(count) >> (8 * i));
  return bytes;
}

class QfdTest : public ::testing::Test {
 protected:
  // `qfd create` of the JSON definition, written beside it as NAME.json; returns the
  // database's name without extension.
  std::string Create(const std::string& json, const std::string& name = "db") {
    const std::string base = dir / name;
    WriteFile(base + ".json", json);
    const RunResult r = Qfd({"create", "--from", base + ".json", base});
    EXPECT_EQ(r.status, 0) << r.err;
    return base;
  }
  std::string Records(const std::string& db) { return ReadFile(db + ".Qfd").substr(kHead); }
  TempDir dir;
};

}  // namespace clitest

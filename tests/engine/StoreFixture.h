// Shared set-up of the record store, header save and pack tests: a temporary folder,
// the recording Host, and small builders for definitions and databases.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "RecordingHost.h"
#include "TestSupport.h"
#include "modDB.h"
#include "modLIB.h"

namespace storetest {

using namespace modDB;

inline FieldDef Field(const std::string& name, int length, int page = 1, const std::string& format = "") {
  FieldDef f;
  f.Name.Set(name);
  f.Length = static_cast<int16_t>(length);
  f.Page = static_cast<uint8_t>(page);
  f.Format.Set(format);
  return f;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    modLIB::SetTwipsPerPixel(15, 15);
    InitHeader();
  }
  void TearDown() override {
    if (GetFileNumber() != 0) CloseDatabase();
    InitHeader();
  }

  // A new design of the given fields (name, length), in slot order.
  void Design(const std::vector<std::pair<std::string, int>>& fields) {
    InitHeader();
    for (const auto& [name, length] : fields) {
      FieldDef f = Field(name, length);
      ASSERT_NE(AddField(f), 0) << host.Last();
    }
  }

  // Saves the current design as `name` and appends the records, each given as its
  // field values in slot order; a value starting with "*" marks the record deleted
  // (the "*" itself is dropped). Leaves the database closed and the messages clear.
  std::string MakeDb(const std::string& name, const std::vector<std::pair<std::string, int>>& fields,
                     const std::vector<std::vector<std::string>>& records) {
    Design(fields);
    std::string path = dir / name;
    std::string save = path;
    EXPECT_EQ(SaveHeader(save), 1) << host.Last();
    std::string open = path;
    EXPECT_EQ(OpenDatabase(open), 1) << host.Last();
    for (const auto& values : records) {
      ClearRecord();
      bool mark = false;
      for (size_t i = 0; i < values.size(); ++i) {
        std::string v = values[i];
        if (i == 0 && !v.empty() && v[0] == '*') {
          mark = true;
          v.erase(0, 1);
        }
        WriteField(static_cast<int16_t>(i + 1), v);
      }
      EXPECT_EQ(AddRecord(), 1) << host.Last();
      if (mark) {
        EXPECT_EQ(DeleteRecord(), 1) << host.Last();
      }
    }
    CloseDatabase();
    host.Clear();
    return path;
  }

  std::string Field1(int16_t n) {
    std::string v;
    ReadField(n, v);
    return v;
  }

  qftest::TempDir dir;
  RecordingHost host;
};

}  // namespace storetest

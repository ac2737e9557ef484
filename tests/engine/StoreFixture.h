// Shared set-up of the record store, header save and pack tests: a temporary folder,
// the recording Host, and small builders for definitions and databases.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

namespace storetest {


inline modDB::FieldDef Field(const std::string& name, int length, int page = 1, const std::string& format = "") {
  modDB::FieldDef f;
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
    modDB::InitHeader();
  }
  void TearDown() override {
    if (modDB::GetFileNumber() != 0) modDB::CloseDatabase();
    modDB::InitHeader();
  }

  // A new design of the given fields (name, length), in slot order.
  void Design(const std::vector<std::pair<std::string, int>>& fields) {
    modDB::InitHeader();
    for (const auto& [name, length] : fields) {
      modDB::FieldDef f = Field(name, length);
      ASSERT_NE(modDB::AddField(f), 0) << host.Last();
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
    EXPECT_EQ(modDB::SaveHeader(save), 1) << host.Last();
    std::string open = path;
    EXPECT_EQ(modDB::OpenDatabase(open), 1) << host.Last();
    for (const auto& values : records) {
      modDB::ClearRecord();
      bool mark = false;
      for (size_t i = 0; i < values.size(); ++i) {
        std::string v = values[i];
        if (i == 0 && !v.empty() && v[0] == '*') {
          mark = true;
          v.erase(0, 1);
        }
        modDB::WriteField(static_cast<int16_t>(i + 1), v);
      }
      EXPECT_EQ(modDB::AddRecord(), 1) << host.Last();
      if (mark) {
        EXPECT_EQ(modDB::DeleteRecord(), 1) << host.Last();
      }
    }
    modDB::CloseDatabase();
    host.Clear();
    return path;
  }

  std::string Field1(int16_t n) {
    std::string v;
    modDB::ReadField(n, v);
    return v;
  }

  qftest::TempDir dir;
  modDB::RecordingHost host;
};

}  // namespace storetest

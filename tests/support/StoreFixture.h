// The engine-level database builder the tests share: a temporary folder, the
// recording Host, definitions and databases made through the store itself, and the
// checks of a message box.
#pragma once

#include <gtest/gtest.h>

#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

namespace storetest {

using namespace qftest;  // NOLINT: the file helpers every store test calls

inline modDB::FieldDef Field(const std::string& name, int length, int page = 1, const std::string& format = "") {
  modDB::FieldDef f;
  f.Name.Set(name);
  f.Length = static_cast<int16_t>(length);
  f.Page = static_cast<uint8_t>(page);
  f.Format.Set(format);
  return f;
}

// A field of a design made by MakeForm: its name, length and format.
struct FieldShape {
  std::string name;
  int length;
  std::string format = "";
};
using Records = std::vector<std::vector<std::string>>;

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

  // A new design of the given fields, in slot order.
  void DesignOf(const std::vector<FieldShape>& fields) {
    modDB::InitHeader();
    for (const FieldShape& field : fields) {
      modDB::FieldDef f = Field(field.name, field.length, 1, field.format);
      ASSERT_NE(modDB::AddField(f), 0) << host.Last();
    }
  }
  void Design(const std::vector<std::pair<std::string, int>>& fields) { DesignOf(WithoutFormats(fields)); }

  // Saves a design of `fields` as dir/name and appends the records, each given as its
  // field values in slot order; a value starting with "*" marks the record deleted
  // (the "*" itself is dropped). Returns dir/name with the database left open (when
  // `keepOpen`, or closed) and the messages clear.
  std::string MakeForm(const std::string& name, const std::vector<FieldShape>& fields, const Records& records = {},
                       bool keepOpen = false, uint8_t dateOrder = 1) {
    DesignOf(fields);
    modDB::SetDateOrder(dateOrder);
    std::string path = dir / name, save = path;
    EXPECT_EQ(modDB::SaveHeader(save), 1) << host.Last();
    Open(path);
    AddRecords(records);
    if (!keepOpen) modDB::CloseDatabase();
    host.Clear();
    return path;
  }
  // Appends the records to the open database, as MakeForm does.
  void AddRecords(const Records& records) {
    for (const auto& values : records) {
      modDB::ClearRecord();
      const bool mark = !values.empty() && !values[0].empty() && values[0][0] == '*';
      for (size_t i = 0; i < values.size(); ++i)
        modDB::WriteField(static_cast<int16_t>(i + 1), i == 0 && mark ? values[i].substr(1) : values[i]);
      EXPECT_EQ(modDB::AddRecord(), 1) << host.Last();
      if (mark) {
        EXPECT_EQ(modDB::DeleteRecord(), 1) << host.Last();
      }
    }
  }
  std::string MakeDb(const std::string& name, const std::vector<std::pair<std::string, int>>& fields,
                     const Records& records) {
    return MakeForm(name, WithoutFormats(fields), records);
  }

  void Open(std::string path) { ASSERT_EQ(modDB::OpenDatabase(path), 1) << host.Last(); }
  // Packs the open database, its question answered Yes.
  int PackYes() {
    host.replies = {modDB::vbYes};
    return modDB::PackRecords();
  }

  // The trimmed value of slot n of the current record.
  std::string Field1(int16_t n) {
    std::string v;
    modDB::ReadField(n, v);
    return v;
  }

  // The last box is a critical one with this title and text; the boxes are cleared.
  void ExpectBox(const std::string& title, const std::string& text) {
    ASSERT_FALSE(host.boxes.empty()) << "no message; expected " << title << ": " << text;
    EXPECT_EQ(host.boxes.back().title, title);
    EXPECT_EQ(host.boxes.back().text, text);
    EXPECT_EQ(host.boxes.back().style, modDB::vbCritical);
    host.Clear();
  }

  qftest::TempDir dir;
  modDB::RecordingHost host;

 private:
  static std::vector<FieldShape> WithoutFormats(const std::vector<std::pair<std::string, int>>& fields) {
    std::vector<FieldShape> out;
    for (const auto& [name, length] : fields) out.push_back({name, length});
    return out;
  }
};

}  // namespace storetest

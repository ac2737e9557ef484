// A database of every kind of column, opened, with value labels for two fields.
#pragma once

#include "engine/transfer/Transfer.h"
#include "tests/support/StoreFixture.h"

namespace transfertest {

class TransferTest : public storetest::StoreTest {
 protected:
  // Id "#", Name any text (labelled by the banner on its left), Sex digits, Weight
  // digits and point, Born a date, At a time, Zip digits (text: a value keeps its
  // leading zero), Code letters. Record 2 is marked for deletion and mostly blank.
  std::string MakeSurvey(const std::string& name = "Survey") {
    modDB::InitHeader();
    const storetest::FieldShape fields[] = {{"Id", 5, "#"},    {"Name", 20, "*"}, {"Sex", 1, "N"},  {"Weight", 6, "N."},
                                            {"Born", 10, "D"}, {"At", 8, "T"},     {"Zip", 5, "N"}, {"Code", 2, "AU"}};
    int16_t y = 10;
    for (const auto& f : fields) {
      modDB::FieldDef d = storetest::Field(f.name, f.length, 1, f.format);
      d.X = 150, d.Y = y += 30, d.Width = 100, d.Height = 21;
      EXPECT_NE(modDB::AddField(d), 0) << host.Last();
    }
    modDB::BannerDef b;
    b.Page = 1, b.X = 20, b.Y = 72, b.Caption.Set("Full name");
    EXPECT_NE(modDB::InsertBanner(b), 0) << host.Last();
    std::string path = dir / name, save = path;
    EXPECT_EQ(modDB::SaveHeader(save), 1) << host.Last();
    Open(path);
    AddRecords({{" 1", "Zo\xEB \"Q\"", "1", "72.5", "31/12/1999", "08:05:00", "01234", "RM"},
                {"* 2", "", "2", "", "", "", "", ""},
                {" 3", "Ann", "", "0.25", "01/02/2000", "23:59:59", "98765", "MI"}});
    labels.values[3] = {{"1", "Male"}, {"2", "Female"}};
    labels.values[8] = {{"RM", "Rome"}, {"MI", "Milano \xEB"}};
    host.Clear();
    return path;
  }
  modDB::ExportLabels labels;
  const std::vector<bool> all = std::vector<bool>(129, true);
};

}  // namespace transfertest

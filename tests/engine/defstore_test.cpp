// The definition store: checks in their order, exact messages and titles, results,
// and the normalisations the caller sees.
#include <gtest/gtest.h>

#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/support/RecordingHost.h"


namespace {

modDB::FieldDef Field(const std::string& name, int length, int page = 1, const std::string& format = "") {
  modDB::FieldDef f;
  f.Name.Set(name);
  f.Length = static_cast<int16_t>(length);
  f.Page = static_cast<uint8_t>(page);
  f.Format.Set(format);
  return f;
}

modDB::BannerDef Banner(const std::string& caption, int page = 1) {
  modDB::BannerDef b;
  b.Caption.Set(caption);
  b.Page = static_cast<uint8_t>(page);
  return b;
}

class DefinitionStore : public ::testing::Test {
 protected:
  void SetUp() override {
    modLIB::SetTwipsPerPixel(15, 15);
    modDB::InitHeader();
  }
  void AddFields(int n) {
    for (int i = 1; i <= n; ++i) {
      modDB::FieldDef f = Field("F" + std::to_string(i), i);
      ASSERT_EQ(modDB::AddField(f), i);
    }
    host.Clear();
  }
  modDB::RecordingHost host;
};

}  // namespace

TEST_F(DefinitionStore, Defaults) {
  const modDB::FormProps p = modDB::GetFormProps();
  EXPECT_EQ(p.Width, 9600);
  EXPECT_EQ(p.Height, 7200);
  EXPECT_EQ(p.BackColor, 0x00FFFFFF);
  EXPECT_EQ(p.FieldFont.BackColor, 0x00FFFFCC);
  EXPECT_EQ(p.BannerFont.Name.Trimmed(), "Arial");
  EXPECT_EQ(modDB::GetFieldCount(), 0);
  EXPECT_EQ(modDB::GetBannerCount(), 0);
  EXPECT_EQ(modDB::GetLastPage(), 0);
  EXPECT_EQ(modDB::GetScript(), "Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub");
  EXPECT_EQ(modDB::GetPassword(), "");
  EXPECT_EQ(modDB::GetDateOrder(), 1);
  EXPECT_EQ(modDB::GetOrientation(), 1);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(DefinitionStore, DefaultFormSizeFollowsTheScreen) {
  modLIB::SetTwipsPerPixel(12, 12);  // 120 DPI
  modDB::InitHeader();
  EXPECT_EQ(modDB::GetFormProps().Width, 7680);
  EXPECT_EQ(modDB::GetFormProps().Height, 5760);
  modLIB::SetTwipsPerPixel(15, 15);
}

TEST_F(DefinitionStore, AddFieldChecksInOrder) {
  modDB::FieldDef f = Field("  Bad Name ", 5, 9);
  EXPECT_EQ(modDB::AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid Field Name");
  EXPECT_EQ(host.boxes.back().style, modDB::vbCritical);
  EXPECT_EQ(f.Name.Trimmed(), "Bad Name");   // trimmed back into the caller's record
  EXPECT_EQ(f.Name.Raw().substr(0, 8), "Bad Name");

  f = Field("Good", 5, 9, " d");
  EXPECT_EQ(modDB::AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid page number!");
  EXPECT_EQ(f.Format.Trimmed(), "d");         // the format is normalised after the page check

  f = Field("Good", 0, 1);
  EXPECT_EQ(modDB::AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid field length!");

  f = Field("Good", 8193, 1);
  EXPECT_EQ(modDB::AddField(f), 0);
  f = Field("Good", 8192, 1);
  EXPECT_EQ(modDB::AddField(f), 1);
  f = Field("Good", 3, 2);
  EXPECT_EQ(modDB::AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Duplicate field name!");
  f = Field("good", 3, 2);                     // letter case counts
  EXPECT_EQ(modDB::AddField(f), 2);
  EXPECT_EQ(modDB::GetFieldCount(), 2);
}

TEST_F(DefinitionStore, FormatsForceLengthsLastTestWins) {
  modDB::FieldDef f = Field("A", 30, 1, " yd ");
  EXPECT_EQ(modDB::AddField(f), 1);
  EXPECT_EQ(f.Format.Trimmed(), "YD");
  EXPECT_EQ(f.Length, 10);
  f = Field("B", 30, 1, "D#");
  modDB::AddField(f);
  EXPECT_EQ(f.Length, 5);
  f = Field("C", 30, 1, "t");
  AddField(f);
  EXPECT_EQ(f.Length, 8);
  f = Field("D", 0, 1, "Y");                   // a forced length passes the length check
  EXPECT_EQ(AddField(f), 4);
  EXPECT_EQ(f.Length, 1);
  modDB::FieldDef stored;
  ASSERT_EQ(modDB::GetFieldDef(1, stored), 1);
  EXPECT_EQ(stored.Format.Raw(), "YD      ");
  EXPECT_EQ(stored.Length, 10);
}

TEST_F(DefinitionStore, FullFormRefusesBeforeLookingAtTheRecord) {
  for (int i = 1; i <= 128; ++i) {
    modDB::FieldDef f = Field("F" + std::to_string(i), 1);
    ASSERT_EQ(modDB::AddField(f), i);
  }
  modDB::FieldDef bad = Field("  not valid  ", 0, 0);
  EXPECT_EQ(modDB::AddField(bad), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: No more fields left!");
  EXPECT_EQ(bad.Name.Raw().substr(0, 5), "  not");  // untouched
}

TEST_F(DefinitionStore, SetFieldDef) {
  AddFields(5);
  modDB::FieldDef f;
  EXPECT_EQ(modDB::SetFieldDef(0, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Field number out or range");
  EXPECT_EQ(modDB::SetFieldDef(129, f), 0);
  EXPECT_EQ(modDB::SetFieldDef(6, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Field not defined");

  f = Field("F3", 7, 4, "n");
  EXPECT_EQ(modDB::SetFieldDef(3, f), 3);             // keeps its own name
  ASSERT_EQ(modDB::GetFieldDef(3, f), 3);
  EXPECT_EQ(f.Length, 7);
  EXPECT_EQ(f.Page, 4);
  EXPECT_EQ(f.Format.Trimmed(), "N");

  f = Field("F5", 7);
  EXPECT_EQ(modDB::SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Duplicate field name!");
  modDB::FieldDef kept;
  modDB::GetFieldDef(3, kept);
  EXPECT_EQ(kept.Name.Trimmed(), "F3");

  // Length is checked before the name, and the page is not checked at all.
  f = Field("bad name", 0, 99);
  EXPECT_EQ(modDB::SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Invalid field length!");
  f = Field("bad name", 2, 99);
  EXPECT_EQ(modDB::SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Invalid Field Name");
  f = Field(" Renamed ", 2, 99);
  EXPECT_EQ(modDB::SetFieldDef(3, f), 3);
  EXPECT_EQ(modDB::FindField("Renamed"), 3);
  EXPECT_EQ(modDB::FindField("F3"), 0);
  EXPECT_EQ(modDB::GetLastPage(), 99);
}

TEST_F(DefinitionStore, FindFieldAndGetFieldDef) {
  AddFields(3);
  EXPECT_EQ(modDB::FindField("F2"), 2);
  EXPECT_EQ(modDB::FindField("f2"), 0);
  EXPECT_EQ(modDB::FindField("F 2"), 0);
  EXPECT_EQ(modDB::FindField(""), 0);
  modDB::FieldDef f;
  EXPECT_EQ(modDB::GetFieldDef(4, f), 0);
  EXPECT_TRUE(host.boxes.empty());             // an unused slot is no error
  EXPECT_EQ(modDB::GetFieldDef(129, f), 0);
  EXPECT_EQ(host.Last(), "GET FIELD: Field out of range");
  EXPECT_EQ(modDB::GetFieldDef(0, f), 0);
}

TEST_F(DefinitionStore, DeleteFieldClosesTheGap) {
  AddFields(3);
  EXPECT_EQ(modDB::DeleteField(4), 0);
  EXPECT_EQ(host.Last(), "DELETE FIELD: Field not defined");
  EXPECT_EQ(modDB::DeleteField(-1), 0);
  EXPECT_EQ(host.Last(), "DELETE FIELD: Field number out or range");
  EXPECT_EQ(modDB::DeleteField(1), 1);
  EXPECT_EQ(modDB::GetFieldCount(), 2);
  modDB::FieldDef f;
  modDB::GetFieldDef(1, f);
  EXPECT_EQ(f.Name.Trimmed(), "F2");
  GetFieldDef(2, f);
  EXPECT_EQ(f.Name.Trimmed(), "F3");
  EXPECT_EQ(GetFieldDef(3, f), 0);
  EXPECT_EQ(modDB::GetHeader().Fields[3], modDB::FieldDef{});
  EXPECT_EQ(modDB::GetHeader().Fields[128], modDB::FieldDef{});
}

TEST_F(DefinitionStore, MovesSwapWholeRecords) {
  AddFields(3);
  EXPECT_EQ(modDB::MoveFieldUp(1), 0);
  EXPECT_EQ(modDB::MoveFieldDown(3), 0);
  EXPECT_EQ(modDB::MoveFieldUp(4), 0);
  EXPECT_EQ(modDB::MoveFieldDown(0), 0);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(modDB::MoveFieldDown(1), 2);
  EXPECT_EQ(modDB::FindField("F1"), 2);
  EXPECT_EQ(modDB::MoveFieldUp(3), 2);
  modDB::FieldDef f;
  modDB::GetFieldDef(2, f);
  EXPECT_EQ(f.Name.Trimmed(), "F3");
  EXPECT_EQ(f.Length, 3);                      // the whole record moved
}

TEST_F(DefinitionStore, AssignOffsetsFollowsSlotOrder) {
  modDB::FieldDef a = Field("A", 20), b = Field("B", 3);
  modDB::AddField(a);
  AddField(b);
  modDB::AssignOffsets();
  modDB::FormHeader h = modDB::GetHeader();
  EXPECT_EQ(h.Fields[1].Offset, 1);
  EXPECT_EQ(h.Fields[2].Offset, 21);
  EXPECT_EQ(h.RecordLength, 24);
  modDB::MoveFieldDown(1);
  modDB::AssignOffsets();
  h = modDB::GetHeader();
  EXPECT_EQ(h.Fields[1].Offset, 1);            // B now first
  EXPECT_EQ(h.Fields[2].Offset, 4);
  EXPECT_EQ(h.RecordLength, 24);
}

TEST_F(DefinitionStore, Banners) {
  modDB::BannerDef b = Banner("   ");
  EXPECT_EQ(modDB::InsertBanner(b), 0);
  EXPECT_EQ(host.Last(), "ADD BANNER: Invalid banner caption!");
  b = Banner(" Title ", 0);
  EXPECT_EQ(modDB::InsertBanner(b), 0);
  EXPECT_EQ(host.Last(), "ADD BANNER: Invalid page number!");
  EXPECT_EQ(b.Caption.Trimmed(), "Title");
  b = Banner("Title", 9);
  EXPECT_EQ(modDB::InsertBanner(b), 0);
  for (int i = 1; i <= 3; ++i) {
    b = Banner("B" + std::to_string(i), i);
    EXPECT_EQ(modDB::InsertBanner(b), i);
  }
  EXPECT_EQ(modDB::GetLastPage(), 3);
  EXPECT_EQ(modDB::DeleteBanner(2), 2);
  modDB::BannerDef got;
  ASSERT_EQ(modDB::GetBanner(2, got), 2);
  EXPECT_EQ(got.Caption.Trimmed(), "B3");
  EXPECT_EQ(modDB::GetBanner(3, got), 0);
  EXPECT_EQ(modDB::GetBannerCount(), 2);
  b = Banner("B4");
  EXPECT_EQ(modDB::InsertBanner(b), 3);

  // A gap is filled first.
  modDB::FormHeader h = modDB::GetHeader();
  h.Banners[2].Page = 0;
  modDB::SetHeader(h);
  b = Banner("Gap");
  EXPECT_EQ(modDB::InsertBanner(b), 2);

  host.Clear();
  EXPECT_EQ(modDB::GetBanner(129, got), 0);
  EXPECT_EQ(host.Last(), "GET BANNER: Banner number out of range!");
  EXPECT_EQ(modDB::SetBanner(0, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Invalid banner number!");
  EXPECT_EQ(modDB::SetBanner(10, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Banner not defined!");
  b = Banner("  ", 42);
  EXPECT_EQ(modDB::SetBanner(1, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Invalid banner caption!");
  b = Banner(" New text ", 42);
  EXPECT_EQ(modDB::SetBanner(1, b), 1);               // the page is not checked here
  modDB::GetBanner(1, got);
  EXPECT_EQ(got.Caption.Trimmed(), "New text");
  EXPECT_EQ(modDB::DeleteBanner(0), 0);
  EXPECT_EQ(host.Last(), "DELETE BANNER: Banner number out of range!");
  EXPECT_EQ(modDB::DeleteBanner(100), 0);
  EXPECT_EQ(host.Last(), "DELETE BANNER: Banner not defined!");
}

TEST_F(DefinitionStore, DeletedBannerSlotTakesTheBannerFont) {
  modDB::FormProps p = modDB::GetFormProps();
  p.BannerFont.Name.Set("Courier New");
  p.BannerFont.Size = 14;
  modDB::SetFormProps(p);
  modDB::BannerDef b = Banner("Only");
  modDB::InsertBanner(b);
  modDB::DeleteBanner(1);
  const modDB::FormHeader h = modDB::GetHeader();
  EXPECT_EQ(h.Banners[128].Page, 0);
  EXPECT_EQ(h.Banners[128].Font, p.BannerFont);
  EXPECT_EQ(h.Banners[128].Caption.Raw(), std::string(64, ' '));
}

TEST_F(DefinitionStore, PageHeadingsScriptPasswordAndOrders) {
  EXPECT_EQ(modDB::GetPageHeading(9), "");
  EXPECT_EQ(host.Last(), "GET PAGE HEADING: Invalid Page NO specified");
  modDB::SetPageHeading(0, "x");
  EXPECT_EQ(host.Last(), "SET PAGE HEADING: Invalid Page NO specified");
  modDB::SetPageHeading(8, "  " + std::string(40, 'h') + "  ");
  EXPECT_EQ(modDB::GetPageHeading(8), std::string(32, 'h'));

  EXPECT_EQ(modDB::SetScript("  x = 1  "), 1);
  EXPECT_EQ(modDB::GetScript(), "x = 1");
  modDB::SetScript(std::string(4001, 'z'));
  EXPECT_EQ(modDB::GetScript().size(), 4000u);

  std::string pw = "  open sesame  ";
  EXPECT_EQ(modDB::SetPassword(pw), 1);
  EXPECT_EQ(pw, "open sesame");
  EXPECT_EQ(modDB::GetPassword(), "open sesame");

  modDB::SetDateOrder(2);
  EXPECT_EQ(modDB::GetDateOrder(), 2);
  modDB::SetDateOrder(7);
  EXPECT_EQ(modDB::GetDateOrder(), 1);
  EXPECT_EQ(modDB::GetHeader().DateOrder, 7);         // stored unchanged
  modDB::SetOrientation(2);
  EXPECT_EQ(modDB::GetOrientation(), 2);
}

TEST(BaseFileName, TrimsAndDropsTheExtensionInAnyCase) {
  std::string n = "  /data/Contacts.qFd ";
  EXPECT_EQ(modDB::BaseFileName(n), "/data/Contacts");
  EXPECT_EQ(n, "/data/Contacts");
  n = "Contacts";
  EXPECT_EQ(modDB::BaseFileName(n), "Contacts");
  n = "Contacts.txt";
  EXPECT_EQ(modDB::BaseFileName(n), "Contacts.txt");
  n = ".Qfd";                                    // 4 characters: never shortened
  EXPECT_EQ(modDB::BaseFileName(n), ".Qfd");
  n = "a.QFD";
  EXPECT_EQ(modDB::BaseFileName(n), "a");
}

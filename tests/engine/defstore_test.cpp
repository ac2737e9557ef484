// The definition store: checks in their order, exact messages and titles, results,
// and the normalisations the caller sees.
#include <gtest/gtest.h>

#include "RecordingHost.h"
#include "modDB.h"
#include "modLIB.h"

using namespace modDB;

namespace {

FieldDef Field(const std::string& name, int length, int page = 1, const std::string& format = "") {
  FieldDef f;
  f.Name.Set(name);
  f.Length = static_cast<int16_t>(length);
  f.Page = static_cast<uint8_t>(page);
  f.Format.Set(format);
  return f;
}

BannerDef Banner(const std::string& caption, int page = 1) {
  BannerDef b;
  b.Caption.Set(caption);
  b.Page = static_cast<uint8_t>(page);
  return b;
}

class DefinitionStore : public ::testing::Test {
 protected:
  void SetUp() override {
    modLIB::SetTwipsPerPixel(15, 15);
    InitHeader();
  }
  void AddFields(int n) {
    for (int i = 1; i <= n; ++i) {
      FieldDef f = Field("F" + std::to_string(i), i);
      ASSERT_EQ(AddField(f), i);
    }
    host.Clear();
  }
  RecordingHost host;
};

}  // namespace

TEST_F(DefinitionStore, Defaults) {
  const FormProps p = GetFormProps();
  EXPECT_EQ(p.Width, 9600);
  EXPECT_EQ(p.Height, 7200);
  EXPECT_EQ(p.BackColor, 0x00FFFFFF);
  EXPECT_EQ(p.FieldFont.BackColor, 0x00FFFFCC);
  EXPECT_EQ(p.BannerFont.Name.Trimmed(), "Arial");
  EXPECT_EQ(GetFieldCount(), 0);
  EXPECT_EQ(GetBannerCount(), 0);
  EXPECT_EQ(GetLastPage(), 0);
  EXPECT_EQ(GetScript(), "Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub");
  EXPECT_EQ(GetPassword(), "");
  EXPECT_EQ(GetDateOrder(), 1);
  EXPECT_EQ(GetOrientation(), 1);
  EXPECT_TRUE(host.boxes.empty());
}

TEST_F(DefinitionStore, DefaultFormSizeFollowsTheScreen) {
  modLIB::SetTwipsPerPixel(12, 12);  // 120 DPI
  InitHeader();
  EXPECT_EQ(GetFormProps().Width, 7680);
  EXPECT_EQ(GetFormProps().Height, 5760);
  modLIB::SetTwipsPerPixel(15, 15);
}

TEST_F(DefinitionStore, AddFieldChecksInOrder) {
  FieldDef f = Field("  Bad Name ", 5, 9);
  EXPECT_EQ(AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid Field Name");
  EXPECT_EQ(host.boxes.back().style, vbCritical);
  EXPECT_EQ(f.Name.Trimmed(), "Bad Name");   // trimmed back into the caller's record
  EXPECT_EQ(f.Name.Raw().substr(0, 8), "Bad Name");

  f = Field("Good", 5, 9, " d");
  EXPECT_EQ(AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid page number!");
  EXPECT_EQ(f.Format.Trimmed(), "d");         // the format is normalised after the page check

  f = Field("Good", 0, 1);
  EXPECT_EQ(AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid field length!");

  f = Field("Good", 8193, 1);
  EXPECT_EQ(AddField(f), 0);
  f = Field("Good", 8192, 1);
  EXPECT_EQ(AddField(f), 1);
  f = Field("Good", 3, 2);
  EXPECT_EQ(AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Duplicate field name!");
  f = Field("good", 3, 2);                     // letter case counts
  EXPECT_EQ(AddField(f), 2);
  EXPECT_EQ(GetFieldCount(), 2);
}

TEST_F(DefinitionStore, FormatsForceLengthsLastTestWins) {
  FieldDef f = Field("A", 30, 1, " yd ");
  EXPECT_EQ(AddField(f), 1);
  EXPECT_EQ(f.Format.Trimmed(), "YD");
  EXPECT_EQ(f.Length, 10);
  f = Field("B", 30, 1, "D#");
  AddField(f);
  EXPECT_EQ(f.Length, 5);
  f = Field("C", 30, 1, "t");
  AddField(f);
  EXPECT_EQ(f.Length, 8);
  f = Field("D", 0, 1, "Y");                   // a forced length passes the length check
  EXPECT_EQ(AddField(f), 4);
  EXPECT_EQ(f.Length, 1);
  FieldDef stored;
  ASSERT_EQ(GetFieldDef(1, stored), 1);
  EXPECT_EQ(stored.Format.Raw(), "YD      ");
  EXPECT_EQ(stored.Length, 10);
}

TEST_F(DefinitionStore, FullFormRefusesBeforeLookingAtTheRecord) {
  for (int i = 1; i <= 128; ++i) {
    FieldDef f = Field("F" + std::to_string(i), 1);
    ASSERT_EQ(AddField(f), i);
  }
  FieldDef bad = Field("  not valid  ", 0, 0);
  EXPECT_EQ(AddField(bad), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: No more fields left!");
  EXPECT_EQ(bad.Name.Raw().substr(0, 5), "  not");  // untouched
}

TEST_F(DefinitionStore, SetFieldDef) {
  AddFields(5);
  FieldDef f;
  EXPECT_EQ(SetFieldDef(0, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Field number out or range");
  EXPECT_EQ(SetFieldDef(129, f), 0);
  EXPECT_EQ(SetFieldDef(6, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Field not defined");

  f = Field("F3", 7, 4, "n");
  EXPECT_EQ(SetFieldDef(3, f), 3);             // keeps its own name
  ASSERT_EQ(GetFieldDef(3, f), 3);
  EXPECT_EQ(f.Length, 7);
  EXPECT_EQ(f.Page, 4);
  EXPECT_EQ(f.Format.Trimmed(), "N");

  f = Field("F5", 7);
  EXPECT_EQ(SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Duplicate field name!");
  FieldDef kept;
  GetFieldDef(3, kept);
  EXPECT_EQ(kept.Name.Trimmed(), "F3");

  // Length is checked before the name, and the page is not checked at all.
  f = Field("bad name", 0, 99);
  EXPECT_EQ(SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Invalid field length!");
  f = Field("bad name", 2, 99);
  EXPECT_EQ(SetFieldDef(3, f), 0);
  EXPECT_EQ(host.Last(), "SET FIELD: Invalid Field Name");
  f = Field(" Renamed ", 2, 99);
  EXPECT_EQ(SetFieldDef(3, f), 3);
  EXPECT_EQ(FindField("Renamed"), 3);
  EXPECT_EQ(FindField("F3"), 0);
  EXPECT_EQ(GetLastPage(), 99);
}

TEST_F(DefinitionStore, FindFieldAndGetFieldDef) {
  AddFields(3);
  EXPECT_EQ(FindField("F2"), 2);
  EXPECT_EQ(FindField("f2"), 0);
  EXPECT_EQ(FindField("F 2"), 0);
  EXPECT_EQ(FindField(""), 0);
  FieldDef f;
  EXPECT_EQ(GetFieldDef(4, f), 0);
  EXPECT_TRUE(host.boxes.empty());             // an unused slot is no error
  EXPECT_EQ(GetFieldDef(129, f), 0);
  EXPECT_EQ(host.Last(), "GET FIELD: Field out of range");
  EXPECT_EQ(GetFieldDef(0, f), 0);
}

TEST_F(DefinitionStore, DeleteFieldClosesTheGap) {
  AddFields(3);
  EXPECT_EQ(DeleteField(4), 0);
  EXPECT_EQ(host.Last(), "DELETE FIELD: Field not defined");
  EXPECT_EQ(DeleteField(-1), 0);
  EXPECT_EQ(host.Last(), "DELETE FIELD: Field number out or range");
  EXPECT_EQ(DeleteField(1), 1);
  EXPECT_EQ(GetFieldCount(), 2);
  FieldDef f;
  GetFieldDef(1, f);
  EXPECT_EQ(f.Name.Trimmed(), "F2");
  GetFieldDef(2, f);
  EXPECT_EQ(f.Name.Trimmed(), "F3");
  EXPECT_EQ(GetFieldDef(3, f), 0);
  EXPECT_EQ(GetHeader().Fields[3], FieldDef{});
  EXPECT_EQ(GetHeader().Fields[128], FieldDef{});
}

TEST_F(DefinitionStore, MovesSwapWholeRecords) {
  AddFields(3);
  EXPECT_EQ(MoveFieldUp(1), 0);
  EXPECT_EQ(MoveFieldDown(3), 0);
  EXPECT_EQ(MoveFieldUp(4), 0);
  EXPECT_EQ(MoveFieldDown(0), 0);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(MoveFieldDown(1), 2);
  EXPECT_EQ(FindField("F1"), 2);
  EXPECT_EQ(MoveFieldUp(3), 2);
  FieldDef f;
  GetFieldDef(2, f);
  EXPECT_EQ(f.Name.Trimmed(), "F3");
  EXPECT_EQ(f.Length, 3);                      // the whole record moved
}

TEST_F(DefinitionStore, AssignOffsetsFollowsSlotOrder) {
  FieldDef a = Field("A", 20), b = Field("B", 3);
  AddField(a);
  AddField(b);
  AssignOffsets();
  FormHeader h = GetHeader();
  EXPECT_EQ(h.Fields[1].Offset, 1);
  EXPECT_EQ(h.Fields[2].Offset, 21);
  EXPECT_EQ(h.RecordLength, 24);
  MoveFieldDown(1);
  AssignOffsets();
  h = GetHeader();
  EXPECT_EQ(h.Fields[1].Offset, 1);            // B now first
  EXPECT_EQ(h.Fields[2].Offset, 4);
  EXPECT_EQ(h.RecordLength, 24);
}

TEST_F(DefinitionStore, Banners) {
  BannerDef b = Banner("   ");
  EXPECT_EQ(InsertBanner(b), 0);
  EXPECT_EQ(host.Last(), "ADD BANNER: Invalid banner caption!");
  b = Banner(" Title ", 0);
  EXPECT_EQ(InsertBanner(b), 0);
  EXPECT_EQ(host.Last(), "ADD BANNER: Invalid page number!");
  EXPECT_EQ(b.Caption.Trimmed(), "Title");
  b = Banner("Title", 9);
  EXPECT_EQ(InsertBanner(b), 0);
  for (int i = 1; i <= 3; ++i) {
    b = Banner("B" + std::to_string(i), i);
    EXPECT_EQ(InsertBanner(b), i);
  }
  EXPECT_EQ(GetLastPage(), 3);
  EXPECT_EQ(DeleteBanner(2), 2);
  BannerDef got;
  ASSERT_EQ(GetBanner(2, got), 2);
  EXPECT_EQ(got.Caption.Trimmed(), "B3");
  EXPECT_EQ(GetBanner(3, got), 0);
  EXPECT_EQ(GetBannerCount(), 2);
  b = Banner("B4");
  EXPECT_EQ(InsertBanner(b), 3);

  // A gap is filled first.
  FormHeader h = GetHeader();
  h.Banners[2].Page = 0;
  SetHeader(h);
  b = Banner("Gap");
  EXPECT_EQ(InsertBanner(b), 2);

  host.Clear();
  EXPECT_EQ(GetBanner(129, got), 0);
  EXPECT_EQ(host.Last(), "GET BANNER: Banner number out of range!");
  EXPECT_EQ(SetBanner(0, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Invalid banner number!");
  EXPECT_EQ(SetBanner(10, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Banner not defined!");
  b = Banner("  ", 42);
  EXPECT_EQ(SetBanner(1, b), 0);
  EXPECT_EQ(host.Last(), "SET BANNER: Invalid banner caption!");
  b = Banner(" New text ", 42);
  EXPECT_EQ(SetBanner(1, b), 1);               // the page is not checked here
  GetBanner(1, got);
  EXPECT_EQ(got.Caption.Trimmed(), "New text");
  EXPECT_EQ(DeleteBanner(0), 0);
  EXPECT_EQ(host.Last(), "DELETE BANNER: Banner number out of range!");
  EXPECT_EQ(DeleteBanner(100), 0);
  EXPECT_EQ(host.Last(), "DELETE BANNER: Banner not defined!");
}

TEST_F(DefinitionStore, DeletedBannerSlotTakesTheBannerFont) {
  FormProps p = GetFormProps();
  p.BannerFont.Name.Set("Courier New");
  p.BannerFont.Size = 14;
  SetFormProps(p);
  BannerDef b = Banner("Only");
  InsertBanner(b);
  DeleteBanner(1);
  const FormHeader h = GetHeader();
  EXPECT_EQ(h.Banners[128].Page, 0);
  EXPECT_EQ(h.Banners[128].Font, p.BannerFont);
  EXPECT_EQ(h.Banners[128].Caption.Raw(), std::string(64, ' '));
}

TEST_F(DefinitionStore, PageHeadingsScriptPasswordAndOrders) {
  EXPECT_EQ(GetPageHeading(9), "");
  EXPECT_EQ(host.Last(), "GET PAGE HEADING: Invalid Page NO specified");
  SetPageHeading(0, "x");
  EXPECT_EQ(host.Last(), "SET PAGE HEADING: Invalid Page NO specified");
  SetPageHeading(8, "  " + std::string(40, 'h') + "  ");
  EXPECT_EQ(GetPageHeading(8), std::string(32, 'h'));

  EXPECT_EQ(SetScript("  x = 1  "), 1);
  EXPECT_EQ(GetScript(), "x = 1");
  SetScript(std::string(4001, 'z'));
  EXPECT_EQ(GetScript().size(), 4000u);

  std::string pw = "  open sesame  ";
  EXPECT_EQ(SetPassword(pw), 1);
  EXPECT_EQ(pw, "open sesame");
  EXPECT_EQ(GetPassword(), "open sesame");

  SetDateOrder(2);
  EXPECT_EQ(GetDateOrder(), 2);
  SetDateOrder(7);
  EXPECT_EQ(GetDateOrder(), 1);
  EXPECT_EQ(GetHeader().DateOrder, 7);         // stored unchanged
  SetOrientation(2);
  EXPECT_EQ(GetOrientation(), 2);
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

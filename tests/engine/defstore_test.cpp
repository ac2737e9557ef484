// The definition store: checks in their order, exact messages and titles, results,
// and the normalisations the caller sees.

#include "tests/support/StoreFixture.h"

using storetest::Field;

namespace {

modDB::BannerDef Banner(const std::string& caption, int page = 1) {
  modDB::BannerDef b;
  b.Caption.Set(caption);
  b.Page = static_cast<uint8_t>(page);
  return b;
}

// A call, its result and the box it shows ("TITLE: text", "" for none).
struct Call {
  std::function<int()> run;
  int result;
  std::string box;
};

// The store's calls on a field or banner made from the arguments.
std::function<int()> Add(const std::string& name, int length, int page) {
  return [=] { modDB::FieldDef f = Field(name, length, page); return modDB::AddField(f); };
}
std::function<int()> Set(int16_t n, const std::string& name, int length, int page) {
  return [=] { modDB::FieldDef f = Field(name, length, page); return modDB::SetFieldDef(n, f); };
}
std::function<int()> SetB(int16_t n, const std::string& caption, int page) {
  return [=] { modDB::BannerDef b = Banner(caption, page); return modDB::SetBanner(n, b); };
}
std::function<int()> InsertB(const std::string& caption, int page) {
  return [=] { modDB::BannerDef b = Banner(caption, page); return modDB::InsertBanner(b); };
}

class DefinitionStore : public storetest::StoreTest {
 protected:
  // Runs the calls in turn, each against its result and its box.
  void Expect(const std::vector<Call>& calls) {
    for (size_t i = 0; i < calls.size(); ++i) {
      host.Clear();
      EXPECT_EQ(calls[i].run(), calls[i].result) << "call " << i;
      EXPECT_EQ(host.Last(), calls[i].box) << "call " << i;
    }
  }
};

}  // namespace

TEST_F(DefinitionStore, AddFieldChecksInOrder) {
  modDB::FieldDef f = Field("  Bad Name ", 5, 9);
  EXPECT_EQ(modDB::AddField(f), 0);
  ExpectBox("ADD FIELD", "Invalid Field Name");
  EXPECT_EQ(f.Name.Raw().substr(0, 8), "Bad Name");  // trimmed back into the caller's record
  f = Field("Good", 5, 9, " d");
  EXPECT_EQ(modDB::AddField(f), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: Invalid page number!");
  EXPECT_EQ(f.Format.Trimmed(), "d");  // the format is normalised after the page check
  Expect({{Add("Good", 0, 1), 0, "ADD FIELD: Invalid field length!"},
          {Add("Good", 8193, 1), 0, "ADD FIELD: Invalid field length!"},
          {Add("Good", 8192, 1), 1, ""},
          {Add("Good", 3, 2), 0, "ADD FIELD: Duplicate field name!"},
          {Add("good", 3, 2), 2, ""}});  // letter case counts
  EXPECT_EQ(modDB::GetFieldCount(), 2);
  // A changed field may keep its own name, but not take another's.
  Expect({{Set(1, "Good", 10, 1), 1, ""},
          {Set(2, "Good", 3, 2), 0, "SET FIELD: Duplicate field name!"},
          {Set(3, "Other", 3, 1), 0, "SET FIELD: Field not defined"},
          {Set(129, "Other", 3, 1), 0, "SET FIELD: Field number out or range"}});

  // A full form refuses before looking at the field.
  for (int i = 3; i <= 128; ++i) ASSERT_EQ(Add("F" + std::to_string(i), 1, 1)(), i);
  modDB::FieldDef bad = Field("  not valid  ", 0, 0);
  EXPECT_EQ(modDB::AddField(bad), 0);
  EXPECT_EQ(host.Last(), "ADD FIELD: No more fields left!");
  EXPECT_EQ(bad.Name.Raw().substr(0, 5), "  not");  // untouched
}

// A format forces the length (the last of its letters that does wins) and is stored
// trimmed and upper-cased; a forced length passes the length check.
TEST_F(DefinitionStore, FormatsForceLengthsLastTestWins) {
  const std::tuple<const char*, int, const char*, int16_t, std::string> cases[] = {
      {"A", 30, " yd ", 10, "YD      "}, {"B", 30, "D#", 5, "D#      "}, {"C", 30, "t", 8, "T       "},
      {"D", 0, "Y", 1, "Y       "}};
  for (const auto& [name, length, format, forced, stored] : cases) {
    modDB::FieldDef f = Field(name, length, 1, format), kept;
    const int16_t n = modDB::AddField(f);
    ASSERT_NE(n, 0) << name << host.Last();
    ASSERT_EQ(modDB::GetFieldDef(n, kept), n);
    EXPECT_EQ(std::make_tuple(f.Length, f.Format.Raw(), kept.Length, kept.Format.Raw()),
              std::make_tuple(forced, stored, forced, stored)) << name;
  }
}

TEST_F(DefinitionStore, Banners) {
  modDB::FormProps p = modDB::GetFormProps();
  p.BannerFont.Name.Set("Courier New"), p.BannerFont.Size = 14;
  modDB::SetFormProps(p);
  modDB::BannerDef b = Banner(" Title ", 0);
  EXPECT_EQ(modDB::InsertBanner(b), 0);
  EXPECT_EQ(host.Last(), "ADD BANNER: Invalid page number!");
  EXPECT_EQ(b.Caption.Trimmed(), "Title");
  Expect({{InsertB("   ", 1), 0, "ADD BANNER: Invalid banner caption!"},
          {InsertB("Title", 9), 0, "ADD BANNER: Invalid page number!"},
          {InsertB("B1", 1), 1, ""},
          {InsertB("B2", 2), 2, ""},
          {InsertB("B3", 3), 3, ""},
          {[] { return modDB::GetLastPage(); }, 3, ""},
          {[] { return modDB::DeleteBanner(2); }, 2, ""},
          {[&b] { return modDB::GetBanner(2, b) == 2 && b.Caption.Trimmed() == "B3"; }, 1, ""},
          {[&b] { return modDB::GetBanner(3, b); }, 0, ""},
          {[] { return modDB::GetBannerCount(); }, 2, ""},
          {InsertB("B4", 1), 3, ""}});
  // The last slot, freed by the deletion, takes the banner font.
  modDB::FormHeader h = modDB::GetHeader();
  EXPECT_EQ(std::make_tuple(h.Banners[128].Page, h.Banners[128].Font, h.Banners[128].Caption.Raw()),
            std::make_tuple(uint8_t{0}, p.BannerFont, std::string(64, ' ')));
  // A gap is filled first.
  h.Banners[2].Page = 0;
  modDB::SetHeader(h);
  Expect({{InsertB("Gap", 1), 2, ""},
          {[&b] { return modDB::GetBanner(129, b); }, 0, "GET BANNER: Banner number out of range!"},
          {SetB(0, "x", 1), 0, "SET BANNER: Invalid banner number!"},
          {SetB(10, "x", 1), 0, "SET BANNER: Banner not defined!"},
          {SetB(1, "  ", 42), 0, "SET BANNER: Invalid banner caption!"},
          {SetB(1, " New text ", 42), 1, ""},  // the page is not checked here
          {[&b] { return modDB::GetBanner(1, b) == 1 && b.Caption.Trimmed() == "New text"; }, 1, ""},
          {[] { return modDB::DeleteBanner(0); }, 0, "DELETE BANNER: Banner number out of range!"},
          {[] { return modDB::DeleteBanner(100); }, 0, "DELETE BANNER: Banner not defined!"}});
}

TEST_F(DefinitionStore, PageHeadingsScriptPasswordAndOrders) {
  Expect({{[] { return static_cast<int>(modDB::GetPageHeading(9).size()); }, 0,
           "GET PAGE HEADING: Invalid Page NO specified"},
          {[] { return modDB::SetPageHeading(0, "x"), 0; }, 0, "SET PAGE HEADING: Invalid Page NO specified"}});
  modDB::SetPageHeading(8, "  " + std::string(40, 'h') + "  ");
  EXPECT_EQ(modDB::GetPageHeading(8), std::string(32, 'h'));
  EXPECT_EQ(modDB::SetScript("  x = 1  "), 1);
  EXPECT_EQ(modDB::GetScript(), "x = 1");
  modDB::SetScript(std::string(4001, 'z'));
  EXPECT_EQ(modDB::GetScript().size(), 4000u);

  std::string pw = "  open sesame  ";
  EXPECT_EQ(modDB::SetPassword(pw), 1);
  EXPECT_EQ(pw + "|" + modDB::GetPassword(), "open sesame|open sesame");

  modDB::SetDateOrder(2);
  const int two = modDB::GetDateOrder();
  modDB::SetDateOrder(7);  // stored unchanged, read as 1: day first
  modDB::SetOrientation(2);
  EXPECT_EQ((std::vector<int>{two, modDB::GetDateOrder(), modDB::GetHeader().DateOrder, modDB::GetOrientation()}),
            (std::vector<int>{2, 1, 7, 2}));
}

// The name is given back trimmed, in place too; ".Qfd" alone, 4 characters, is never shortened.
TEST(BaseFileName, TrimsAndDropsTheExtensionInAnyCase) {
  for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"  /data/Contacts.qFd ", "/data/Contacts"}, {"Contacts", "Contacts"}, {"Contacts.txt", "Contacts.txt"},
           {".Qfd", ".Qfd"}, {"a.QFD", "a"}}) {
    std::string n = in;
    EXPECT_EQ(modDB::BaseFileName(n) + "|" + n, out + "|" + out) << in;
  }
}

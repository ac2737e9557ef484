// qfd info and qfd dump --json, run as a user runs them, on headers written by the
// engine and on damaged files.
#include <nlohmann/json.hpp>
#include <random>

#include "engine/HeaderLayout.h"
#include "engine/modDB.h"
#include "tests/cli/QfdFixture.h"
#include "tests/support/RecordingHost.h"
#include "tools/DefinitionJson.h"

using namespace clitest;

namespace {

// A small contact form made through the designer's operations.
modDB::FormHeader ContactForm() {
  modDB::InitHeader();
  auto add = [](const char* name, int len, int page, const char* format) {
    modDB::FieldDef f;
    f.Name.Set(name);
    f.Length = static_cast<int16_t>(len);
    f.Page = static_cast<uint8_t>(page);
    f.Format.Set(format);
    f.X = 120;
    f.Y = 40;
    f.Width = 200;
    f.Height = 21;
    ASSERT_NE(modDB::AddField(f), 0);
  };
  add("Name", 30, 1, "!");
  add("Born", 0, 1, "D");
  add("Notes", 500, 2, "M");
  modDB::BannerDef b;
  b.Caption.Set("Caf\xE9 contacts");  // Windows-1252 e acute
  b.Page = 1;
  b.X = 10;
  b.Y = 5;
  b.Font = modDB::GetFormProps().BannerFont;
  modDB::InsertBanner(b);
  modDB::SetPageHeading(1, "People");
  modDB::SetPageHeading(2, "Notes");
  std::string pw = "hunter2";
  modDB::SetPassword(pw);
  modDB::SetDateOrder(2);
  modDB::AssignOffsets();
  return modDB::GetHeader();
}

// The header's bytes as the engine writes them.
std::string HeaderBytes(const modDB::FormHeader& h) {
  std::string bytes(modDB::kHeaderSize, '\0');
  modDB::EncodeHeader(h, reinterpret_cast<uint8_t*>(bytes.data()));
  return bytes;
}

class QfdInfo : public QfdTest {};

}  // namespace

// info shows the definition but never the password; dump --json holds every value
// and reads back.
TEST_F(QfdInfo, InfoAndDumpOfAHeader) {
  const modDB::FormHeader h = ContactForm();
  WriteFile(dir / "Contacts.Qfd", HeaderBytes(h));
  // The name may be given with the extension in any case, or without it.
  for (const std::string& name : {dir / "Contacts.Qfd", dir / "Contacts", "  " + (dir / "Contacts.QFD") + " "}) {
    const auto r = QfdOk({"info", name});
    for (const char* line : {"Records:       0 of 541 bytes", "Password:      set", "Date order:    month/day/year",
                             "Fields:        3", "     2  Born                                1     31     10  D",
                             "page 1 at 10,5  \"Caf\xC3\xA9 contacts\"" /* UTF-8 out */, "     2  Notes"})
      EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    EXPECT_EQ(r.out.find("hunter2"), std::string::npos);
  }

  auto j = QfdJson({"dump", "--json", dir / "Contacts.Qfd"});  // not const: a failed run gives {}
  const auto field = j["Fields"][1];
  EXPECT_EQ(nlohmann::json({j["RecordLength"], j["FieldCount"], j["Props"]["Width"], field["Name"], field["Offset"],
                            field["Length"], j["Fields"][2]["Page"], j["Banners"][0]["Caption"], j["PageHeadings"][1],
                            j["PageHeadings"].size(), j["HasPassword"], j.contains("Password"), j["DateOrder"]}),
            nlohmann::json({541, 3, 9600, "Born", 31, 10, 2, "Caf\xC3\xA9 contacts", "Notes", 8, true, false, 2}));
  EXPECT_EQ(j["Props"]["FieldFont"]["BackColor"], "#CCFFFF");  // red 204, green 255, blue 255

  auto jp = QfdJson({"dump", "--json", "--with-password", dir / "Contacts"});
  EXPECT_EQ(jp["Password"], "hunter2");

  // The JSON form builds the same definition again.
  modDB::RecordingHost host;
  ASSERT_TRUE(qfd::DefinitionFromJson(jp));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(modDB::GetHeader(), h);
}

TEST_F(QfdInfo, DamagedFilesGiveAClearErrorAndExitOne) {
  struct Case {
    std::string name, bytes, expect;
  };
  const std::string good = HeaderBytes(ContactForm());
  const std::string manyFields = WithI16(good, 70, 500);  // the field count
  const std::string negativeCount = WithCount(good, INT32_MIN);
  const Case cases[] = {
      {"Empty", "", "fewer than the 23496 of a header"},
      {"Short", good.substr(0, 23495), "it has 23495 bytes, fewer than the 23496 of a header"},
      {"Fields", manyFields, "field count 500 is outside 0 ... 128"},
      {"Count", negativeCount, "is outside 0 ... 65530"},
  };
  for (const Case& c : cases) {
    WriteFile(dir / (c.name + ".Qfd"), c.bytes);
    for (const char* cmd : {"info", "dump"}) {
      const auto r = std::string(cmd) == "dump" ? Qfd({cmd, "--json", dir / c.name}) : Qfd({cmd, dir / c.name});
      EXPECT_EQ(r.status, 1) << c.name << " " << cmd;
      EXPECT_NE(r.err.find(c.expect), std::string::npos) << c.name << ": " << r.err;
      EXPECT_NE(r.err.find(c.name + ".Qfd"), std::string::npos) << r.err;  // names the file
      // info lists what it can read of a whole header, then the damage; dump gives nothing.
      const bool whole = c.bytes.size() >= kHead;
      EXPECT_EQ(r.out.empty(), std::string(cmd) == "dump" || !whole) << c.name << " " << cmd;
    }
  }
  const auto missing = QfdEnds({"info", dir / "Nothing"}, 1);
  EXPECT_NE(missing.err.find("Nothing.Qfd: No such file or directory"), std::string::npos) << missing.err;
}

TEST_F(QfdInfo, AnyBytesNeverCrashIt) {
  std::mt19937 rng(11);
  for (int run = 0; run < 30; ++run) {
    std::string bytes(modDB::kHeaderSize + (run % 3) * 17, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    if (run % 2) {  // possible counts, random everything else
      bytes[70] = static_cast<char>(rng() % 129);
      bytes[71] = 0;
      bytes[3] = bytes[7] = 0;
      bytes[2] = bytes[6] = 0;
    }
    WriteFile(dir / "R.Qfd", bytes);
    const auto info = Qfd({"info", dir / "R"});
    EXPECT_TRUE(info.status == 0 || info.status == 1) << "run " << run;
    const auto dump = Qfd({"dump", "--json", dir / "R"});
    EXPECT_TRUE(dump.status == 0 || dump.status == 1) << "run " << run;
    if (dump.status == 0) {
      EXPECT_TRUE(nlohmann::json::accept(dump.out)) << "run " << run;
    }
  }
}


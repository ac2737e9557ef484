// The header's byte layout, checked against offsets computed by hand from the
// file format: 23,496 bytes, little-endian, texts blank-padded, no gaps.
#include <gtest/gtest.h>

#include <random>

#include "engine/HeaderLayout.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

using qftest::I16At;
using qftest::I32At;

namespace {
std::string Encode(const modDB::FormHeader& h) {
  std::string bytes(modDB::kHeaderSize, '\0');
  modDB::EncodeHeader(h, reinterpret_cast<uint8_t*>(bytes.data()));
  return bytes;
}
// The little-endian bytes of a number of `size` bytes.
std::string Le(int64_t v, int size) {
  std::string s;
  for (int i = 0; i < size; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}
// Each (offset, bytes) of the table stands at its offset in b.
void ExpectBytes(const std::string& b, const std::vector<std::pair<size_t, std::string>>& table) {
  for (const auto& [at, bytes] : table) EXPECT_EQ(b.substr(at, bytes.size()), bytes) << "at " << at;
}
}  // namespace

TEST(HeaderLayout, SizesAndSectionOffsets) {
  EXPECT_EQ(modDB::kHeaderSize, qftest::kHead);
  EXPECT_EQ(modDB::kBannersOffset + 128 * modDB::kBannerSize, modDB::kFieldsOffset);
  EXPECT_EQ(modDB::kFieldsOffset + 128 * modDB::kFieldSize, modDB::kPageHeadingsOffset);
  EXPECT_EQ(modDB::kPageHeadingsOffset + 8 * 32, modDB::kScriptOffset);
  EXPECT_EQ(modDB::kScriptOffset + 4000, modDB::kPasswordOffset);
  EXPECT_EQ(modDB::kReservedOffset + 62, modDB::kHeaderSize);
  EXPECT_EQ(modDB::RecordPosition(65530, 32000), 23496 + 65529LL * 32000);  // the first ones: the store's bytes
}

TEST(HeaderLayout, DefaultsOfANewDesignByteForByte) {
  modLIB::SetTwipsPerPixel(15, 15);
  modDB::InitHeader();
  const std::string script = "Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub";
  ExpectBytes(Encode(modDB::GetHeader()),
              {{0, Le(0, 4) + Le(0, 4)},                                // RecordCount, RecordLength
               {8, Le(9600, 2) + Le(7200, 2) + Le(0x00FFFFFF, 4)},      // Width, Height (twips), BackColor
               {16, "Arial           " + Le(10, 1) + Le(0, 2) + Le(0, 4) + Le(0x00FFFFFF, 4)},  // BannerFont
               {43, "Arial           " + Le(10, 1)},                    // FieldFont at 8 + 35
               {66, "\xCC\xFF\xFF" + Le(0, 1)},                          // red 204, green 255, blue 255
               {70, Le(0, 2) + Le(0, 1)},                               // FieldCount; banner 1 unused
               {72 + 5, std::string(64, ' ')},
               {19144, std::string(256, ' ') + script + std::string(4000 - script.size(), ' ')},
               {23400, std::string(32, ' ') + "\1\1" + std::string(62, ' ')}});  // DateOrder, Orientation
  EXPECT_EQ(std::tuple(modDB::GetBannerCount(), modDB::GetLastPage()), std::tuple(0, 0));
  modLIB::SetTwipsPerPixel(12, 12);  // at 120 DPI the form is as many pixels: 640 x 480
  modDB::InitHeader();
  ExpectBytes(Encode(modDB::GetHeader()), {{8, Le(7680, 2) + Le(5760, 2)}});
  modLIB::SetTwipsPerPixel(15, 15);
}

TEST(HeaderLayout, EveryMemberAtItsOffset) {
  modDB::FormHeader h;
  h.RecordCount = 0x01020304, h.RecordLength = 24, h.Props.Width = -2, h.FieldCount = 3;
  modDB::FieldDef& f = h.Fields[3];
  f.Page = 2, f.X = 0x1234, f.Y = 300, f.Width = 120, f.Height = 21, f.Length = 8192, f.Offset = 0x7FFF;
  f.Name.Set("Third_Field");
  f.Format.Set("#D");
  modDB::BannerDef& bn = h.Banners[2];
  bn.Page = 8, bn.X = -5, bn.Y = 7;
  bn.Caption.Set("Customer details");
  bn.Font.Name.Set("Times New Roman");
  bn.Font.Size = 12, bn.Font.Bold = 255, bn.Font.ForeColor = 0x000000FF;  // red
  h.PageHeadings[3].Set("Page three");
  h.Fields[1].Name.Set(std::string(40, 'N'));  // long texts are cut to their width
  h.Script.Set(std::string(4100, 'x'));
  h.Password.Set("secret");
  h.DateOrder = 2, h.Orientation = 2;
  const size_t slot3 = 12360 + 2 * 53, banner2 = 72 + 96;
  ExpectBytes(Encode(h),
              {{0, "\x04\x03\x02\x01"},
               {8, Le(-2, 2)},
               {70, Le(3, 2)},
               {slot3, "\x02\x34\x12" + Le(300, 2) + Le(120, 2) + Le(21, 2) + Le(8192, 2) + "Third_Field" +
                           std::string(21, ' ') + "#D      " + Le(0x7FFF, 2) + Le(0, 1)},  // nothing spills into slot 4
               {banner2, "\x08" + Le(-5, 2) + Le(7, 2) + "Customer details"},
               {banner2 + 69, "Times New Roman \x0C\xFF"},
               {banner2 + 69 + 19, Le(0xFF, 4)},
               {12371, std::string(32, 'N') + "        "},  // no terminator, no spill
               {19144 + 2 * 32, "Page three"},
               {19400, std::string(4000, 'x') + "secret"},
               {23432, "\2\2"}});
}

TEST(HeaderLayout, RoundTripIsByteIdenticalForAnyBytes) {
  std::mt19937 rng(7);
  for (int run = 0; run < 20; ++run) {
    std::string in(modDB::kHeaderSize, '\0');
    for (char& c : in) c = static_cast<char>(rng());
    modDB::FormHeader h;
    modDB::DecodeHeader(reinterpret_cast<const uint8_t*>(in.data()), h);
    EXPECT_EQ(Encode(h), in) << "run " << run;
  }
}

TEST(HeaderChecks, CountsAndLayout) {
  modDB::FormHeader h;  // A (20) at 1, B (3) at 21
  h.FieldCount = 2, h.RecordLength = 24;
  h.Fields[1].Page = 1, h.Fields[1].Length = 20, h.Fields[1].Offset = 1;
  h.Fields[2].Page = 1, h.Fields[2].Length = 3, h.Fields[2].Offset = 21;
  EXPECT_EQ(modDB::CheckCounts(h) + modDB::CheckLayout(h), "");
  using H = modDB::FormHeader;
  const std::pair<std::function<void(H&)>, std::string> cases[] = {
      {[](H& b) { b.FieldCount = 129; }, "field count 129 is outside 0 ... 128"},
      {[](H& b) { b.RecordCount = 65531; }, "record count 65531 is outside 0 ... 65530"},
      {[](H& b) { b.RecordCount = -1; }, "record count -1 is outside 0 ... 65530"},
      {[](H& b) { b.RecordLength = 32001; }, "record length 32001 is outside 0 ... 32000"},
      {[](H& b) { b.RecordLength = 25; }, "record length 25 is not 1 + the sum of the field lengths (24)"},
      {[](H& b) { b.Fields[2].Offset = 22; }, "field 2 lies outside the record (offset 22, length 3)"},
      {[](H& b) { b.Fields[2].Length = 0; }, "field 2 has length 0, outside 1 ... 8192"},
      {[](H& b) { b.Fields[1].Length = 8193; }, "field 1 has length 8193, outside 1 ... 8192"},
      {[](H& b) { b.Fields[5].Page = 1; }, "field 5 is in use above the field count"},
      {[](H& b) { b.Fields[1].Page = 9; }, "field 1 is on page 9, outside 1 ... 8"},
      {[](H& b) { b.Banners[4].Page = 200; }, "banner 4 is on page 200, outside 1 ... 8"},
  };
  for (const auto& [damage, why] : cases) {
    H bad = h;
    damage(bad);
    const std::string counts = modDB::CheckCounts(bad);
    EXPECT_EQ(counts.empty() ? modDB::CheckLayout(bad) : counts, why);
  }
}

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
}  // namespace

TEST(HeaderLayout, SizesAndSectionOffsets) {
  EXPECT_EQ(modDB::kHeaderSize, 23496);
  EXPECT_EQ(modDB::kBannersOffset + 128 * modDB::kBannerSize, modDB::kFieldsOffset);
  EXPECT_EQ(modDB::kFieldsOffset + 128 * modDB::kFieldSize, modDB::kPageHeadingsOffset);
  EXPECT_EQ(modDB::kPageHeadingsOffset + 8 * 32, modDB::kScriptOffset);
  EXPECT_EQ(modDB::kScriptOffset + 4000, modDB::kPasswordOffset);
  EXPECT_EQ(modDB::kReservedOffset + 62, modDB::kHeaderSize);
  EXPECT_EQ(modDB::RecordPosition(1, 24), 23496);
  EXPECT_EQ(modDB::RecordPosition(2, 24), 23520);
  EXPECT_EQ(modDB::RecordPosition(65530, 32000), 23496 + 65529LL * 32000);
}

TEST(HeaderLayout, DefaultsOfANewDesignByteForByte) {
  modLIB::SetTwipsPerPixel(15, 15);
  modDB::InitHeader();
  const std::string b = Encode(modDB::GetHeader());
  EXPECT_EQ(I32At(b, 0), 0);                 // RecordCount
  EXPECT_EQ(I32At(b, 4), 0);                 // RecordLength
  EXPECT_EQ(I16At(b, 8), 9600);              // Width, twips
  EXPECT_EQ(I16At(b, 10), 7200);             // Height
  EXPECT_EQ(I32At(b, 12), 0x00FFFFFF);       // BackColor
  EXPECT_EQ(b.substr(16, 16), "Arial           ");  // BannerFont.Name
  EXPECT_EQ(b[32], 10);                      // BannerFont.Size
  EXPECT_EQ(b[33], 0);                       // Bold
  EXPECT_EQ(b[34], 0);                       // Italic
  EXPECT_EQ(I32At(b, 35), 0);                // ForeColor black
  EXPECT_EQ(I32At(b, 39), 0x00FFFFFF);
  EXPECT_EQ(b.substr(43, 16), "Arial           ");  // FieldFont at 8 + 35
  EXPECT_EQ(b[59], 10);
  EXPECT_EQ(I32At(b, 66), 0x00FFFFCC);       // red 204, green 255, blue 255
  EXPECT_EQ(static_cast<unsigned char>(b[66]), 0xCC);
  EXPECT_EQ(I16At(b, 70), 0);                // FieldCount
  EXPECT_EQ(b[72], 0);                       // banner 1 unused
  EXPECT_EQ(b.substr(72 + 5, 64), std::string(64, ' '));
  EXPECT_EQ(b.substr(19144, 256), std::string(256, ' '));
  const std::string script = "Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub";
  EXPECT_EQ(b.substr(19400, script.size()), script);
  EXPECT_EQ(b.substr(19400 + script.size(), 4000 - script.size()), std::string(4000 - script.size(), ' '));
  EXPECT_EQ(b.substr(23400, 32), std::string(32, ' '));
  EXPECT_EQ(b[23432], 1);                    // DateOrder
  EXPECT_EQ(b[23433], 1);                    // Orientation
  EXPECT_EQ(b.substr(23434, 62), std::string(62, ' '));
}

TEST(HeaderLayout, EveryMemberAtItsOffset) {
  modDB::FormHeader h;
  h.RecordCount = 0x01020304;
  h.RecordLength = 24;
  h.Props.Width = -2;
  h.FieldCount = 3;
  modDB::FieldDef& f = h.Fields[3];
  f.Page = 2;
  f.X = 0x1234;
  f.Y = 300;
  f.Width = 120;
  f.Height = 21;
  f.Length = 8192;
  f.Name.Set("Third_Field");
  f.Format.Set("#D");
  f.Offset = 0x7FFF;
  modDB::BannerDef& bn = h.Banners[2];
  bn.Page = 8;
  bn.X = -5;
  bn.Y = 7;
  bn.Caption.Set("Customer details");
  bn.Font.Name.Set("Times New Roman");
  bn.Font.Size = 12;
  bn.Font.Bold = 255;
  bn.Font.ForeColor = 0x000000FF;  // red
  h.PageHeadings[3].Set("Page three");
  h.Password.Set("secret");
  h.DateOrder = 2;
  h.Orientation = 2;
  const std::string b = Encode(h);

  EXPECT_EQ(static_cast<unsigned char>(b[0]), 0x04);  // little-endian
  EXPECT_EQ(static_cast<unsigned char>(b[3]), 0x01);
  EXPECT_EQ(I16At(b, 8), -2);
  EXPECT_EQ(I16At(b, 70), 3);
  const size_t slot3 = 12360 + 2 * 53;
  EXPECT_EQ(b[slot3], 2);
  EXPECT_EQ(I16At(b, slot3 + 1), 0x1234);
  EXPECT_EQ(static_cast<unsigned char>(b[slot3 + 1]), 0x34);
  EXPECT_EQ(I16At(b, slot3 + 3), 300);
  EXPECT_EQ(I16At(b, slot3 + 5), 120);
  EXPECT_EQ(I16At(b, slot3 + 7), 21);
  EXPECT_EQ(I16At(b, slot3 + 9), 8192);
  EXPECT_EQ(b.substr(12360 + 2 * 53 + 11, 32), "Third_Field" + std::string(21, ' '));
  EXPECT_EQ(b.substr(slot3 + 43, 8), "#D      ");
  EXPECT_EQ(I16At(b, slot3 + 51), 0x7FFF);
  const size_t banner2 = 72 + 96;
  EXPECT_EQ(b[banner2], 8);
  EXPECT_EQ(I16At(b, banner2 + 1), -5);
  EXPECT_EQ(I16At(b, banner2 + 3), 7);
  EXPECT_EQ(b.substr(banner2 + 5, 16), "Customer details");
  EXPECT_EQ(b.substr(banner2 + 69, 16), "Times New Roman ");
  EXPECT_EQ(b[banner2 + 69 + 16], 12);
  EXPECT_EQ(static_cast<unsigned char>(b[banner2 + 69 + 17]), 255);
  EXPECT_EQ(I32At(b, banner2 + 69 + 19), 0xFF);
  EXPECT_EQ(b.substr(19144 + 2 * 32, 10), "Page three");
  EXPECT_EQ(b.substr(23400, 6), "secret");
  EXPECT_EQ(b[23432], 2);
  EXPECT_EQ(b[23433], 2);
  // Nothing of slot 3 spills into slot 4.
  EXPECT_EQ(b[12360 + 3 * 53], 0);
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

TEST(HeaderLayout, LongTextsAreCutToTheirWidth) {
  modDB::FormHeader h;
  h.Script.Set(std::string(4100, 'x'));
  h.Fields[1].Name.Set(std::string(40, 'N'));
  const std::string b = Encode(h);
  EXPECT_EQ(b.substr(19400, 4000), std::string(4000, 'x'));
  EXPECT_EQ(b[23400], ' ');  // no terminator, no spill into the password
  EXPECT_EQ(b.substr(12371, 32), std::string(32, 'N'));
  EXPECT_EQ(b[12403], ' ');
}

TEST(HeaderChecks, CountsAndLayout) {
  modDB::FormHeader h;
  h.FieldCount = 2;
  h.Fields[1].Page = 1;
  h.Fields[1].Length = 20;
  h.Fields[1].Offset = 1;
  h.Fields[2].Page = 1;
  h.Fields[2].Length = 3;
  h.Fields[2].Offset = 21;
  h.RecordLength = 24;
  EXPECT_EQ(modDB::CheckCounts(h), "");
  EXPECT_EQ(modDB::CheckLayout(h), "");

  modDB::FormHeader bad = h;
  bad.FieldCount = 129;
  EXPECT_EQ(modDB::CheckCounts(bad), "field count 129 is outside 0 ... 128");
  bad = h;
  bad.RecordCount = 65531;
  EXPECT_EQ(modDB::CheckCounts(bad), "record count 65531 is outside 0 ... 65530");
  bad = h;
  bad.RecordCount = -1;
  EXPECT_NE(modDB::CheckCounts(bad), "");
  bad = h;
  bad.RecordLength = 32001;
  EXPECT_NE(modDB::CheckCounts(bad), "");
  bad = h;
  bad.RecordLength = 25;
  EXPECT_EQ(modDB::CheckLayout(bad), "record length 25 is not 1 + the sum of the field lengths (24)");
  bad = h;
  bad.Fields[2].Offset = 22;
  EXPECT_EQ(modDB::CheckLayout(bad), "field 2 lies outside the record (offset 22, length 3)");
  bad = h;
  bad.Fields[2].Length = 0;
  EXPECT_EQ(modDB::CheckLayout(bad), "field 2 has length 0, outside 1 ... 8192");
  bad = h;
  bad.Fields[5].Page = 1;
  EXPECT_EQ(modDB::CheckLayout(bad), "field 5 is in use above the field count");
  bad = h;
  bad.Fields[1].Page = 9;
  EXPECT_EQ(modDB::CheckLayout(bad), "field 1 is on page 9, outside 1 ... 8");
  bad = h;
  bad.Banners[4].Page = 200;
  EXPECT_EQ(modDB::CheckLayout(bad), "banner 4 is on page 200, outside 1 ... 8");
}

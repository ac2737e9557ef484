// The byte layout of a form database: a 23,496-byte header at offset 0, then the
// records back to back. All integers little-endian, no gaps, no magic number.
//
//   0     i32  RecordCount              12360  128 x FieldDef (53 bytes each)
//   4     i32  RecordLength             19144  8 x page heading (32 bytes each)
//   8     FormProps (62 bytes)          19400  Script (4000)
//   70    i16  FieldCount               23400  Password (32)
//   72    128 x BannerDef (96 bytes)    23432  u8 DateOrder, 23433 u8 Orientation
//                                       23434  Reserved (62)
//
// EncodeHeader and DecodeHeader are exact inverses on every 23,496-byte input.
// CheckHeader says whether a decoded header can be trusted by code that indexes
// records and slots with its numbers.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FormHeader.h"

namespace modDB {

// The regions of the header, each right behind the one before it (the byte offsets
// are checked below against the figures the file format has always had).
constexpr int32_t kFormPropsOffset = 8;
constexpr int32_t kFieldCountOffset = 70;
constexpr int32_t kBannersOffset = kFieldCountOffset + 2;
constexpr int32_t kBannerSize = 96;
constexpr int32_t kFieldsOffset = kBannersOffset + kMaxBanners * kBannerSize;
constexpr int32_t kFieldSize = 53;
constexpr int32_t kPageHeadingWidth = 32;
constexpr int32_t kPageHeadingsOffset = kFieldsOffset + kMaxFields * kFieldSize;
constexpr int32_t kScriptOffset = kPageHeadingsOffset + kMaxPages * kPageHeadingWidth;
constexpr int32_t kPasswordOffset = kScriptOffset + kScriptWidth;
constexpr int32_t kDateOrderOffset = kPasswordOffset + 32;
constexpr int32_t kOrientationOffset = kDateOrderOffset + 1;
constexpr int32_t kReservedOffset = kOrientationOffset + 1;
constexpr int32_t kHeaderSize = kReservedOffset + 62;

static_assert(kFieldsOffset == 12360 && kPageHeadingsOffset == 19144 && kScriptOffset == 19400 &&
                  kPasswordOffset == 23400 && kDateOrderOffset == 23432 && kHeaderSize == 23496,
              "the header's byte layout is fixed by the files in use");

using HeaderBytes = std::array<uint8_t, kHeaderSize>;

void EncodeHeader(const FormHeader& h, uint8_t* out);  // writes kHeaderSize bytes
void DecodeHeader(const uint8_t* in, FormHeader& h);   // reads kHeaderSize bytes

// File position (0-based) of record n (1-based).
inline int64_t RecordPosition(int32_t n, int32_t recordLength) {
  return kHeaderSize + static_cast<int64_t>(n - 1) * recordLength;
}

// "" when the counts are possible (RecordCount 0 ... 65530, RecordLength 0 ... 32000,
// FieldCount 0 ... 128); otherwise what is wrong, in words for the user.
std::string CheckCounts(const FormHeader& h);

// "" when the header describes a usable database: the counts above, every field in
// slots 1 ... FieldCount in use on a page 1 ... 8 with a length of 1 ... 8192 and its bytes inside the
// record, each starting where the one before it ends (the first at 1), no field in use above FieldCount, no banner beyond page 8, and RecordLength 1 + the sum of the
// lengths. Otherwise the first thing wrong.
std::string CheckLayout(const FormHeader& h);

// Gives each field in use its offset in the record, in slot order behind the deletion
// mark, and sets RecordLength to match.
void AssignOffsets(FormHeader& h);
// The slot among 1 ... FieldCount of the field named `name` (trimmed); 0 when none is.
int16_t FindField(const FormHeader& h, const std::string& name);

}  // namespace modDB

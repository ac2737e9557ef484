// The form definition: the header of every form database, held in memory exactly as
// it lies in the file. Fixed-width texts keep their declared width, blank-padded, so
// that a header read and written again gives the same bytes, unused slots included.
// Slot arrays are 1-based: element 0 is unused and never stored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace modDB {

constexpr int kMaxFields = 128;
constexpr int kMaxBanners = 128;
constexpr int kMaxPages = 8;
constexpr int kMaxFieldLength = 8192;
constexpr int32_t kMaxRecordLength = 32000;
constexpr int32_t kMaxRecords = 65530;
constexpr int kScriptWidth = 4000;

// A text of exactly N single-byte characters, padded with blanks.
template <size_t N>
struct FixedText {
  std::array<char, N> bytes;
  FixedText() { bytes.fill(' '); }
  FixedText(std::string_view s) { Set(s); }  // NOLINT: texts assign naturally

  // Left-aligns the text, cutting what does not fit.
  void Set(std::string_view s) {
    bytes.fill(' ');
    s.copy(bytes.data(), std::min(s.size(), N));
  }
  std::string Raw() const { return std::string(bytes.data(), N); }
  // The text without the blanks on either side, as every reader uses it.
  std::string Trimmed() const {
    size_t b = 0, e = N;
    while (b < e && bytes[b] == ' ') ++b;
    while (e > b && bytes[e - 1] == ' ') --e;
    return std::string(bytes.data() + b, e - b);
  }
  bool operator==(const FixedText&) const = default;
};

struct FontDef {
  FixedText<16> Name;
  uint8_t Size = 0;
  uint8_t Bold = 0;    // 0 normal, anything else bold (the designer writes 255)
  uint8_t Italic = 0;  // 0 upright, anything else italic
  int32_t ForeColor = 0;
  int32_t BackColor = 0;
  bool operator==(const FontDef&) const = default;
};

struct FormProps {
  int16_t Width = 0;   // outer size of the form window, twips
  int16_t Height = 0;
  int32_t BackColor = 0;  // 0x00BBGGRR
  FontDef BannerFont;
  FontDef FieldFont;
  bool operator==(const FormProps&) const = default;
};

struct BannerDef {
  uint8_t Page = 0;  // 1 ... 8; 0 = slot unused
  int16_t X = 0;
  int16_t Y = 0;
  FixedText<64> Caption;
  FontDef Font;
  bool operator==(const BannerDef&) const = default;
};

struct FieldDef {
  uint8_t Page = 0;  // 1 ... 8; 0 = slot unused
  int16_t X = 0;
  int16_t Y = 0;
  int16_t Width = 0;
  int16_t Height = 0;
  int16_t Length = 0;  // characters, 1 ... 8192
  FixedText<32> Name;
  FixedText<8> Format;
  int16_t Offset = 0;  // first character inside a record
  bool operator==(const FieldDef&) const = default;
};

struct FormHeader {
  int32_t RecordCount = 0;
  int32_t RecordLength = 0;
  FormProps Props;
  int16_t FieldCount = 0;
  std::array<BannerDef, kMaxBanners + 1> Banners;  // [1] ... [128]
  std::array<FieldDef, kMaxFields + 1> Fields;     // [1] ... [128]
  std::array<FixedText<32>, kMaxPages + 1> PageHeadings;  // [1] ... [8]
  FixedText<kScriptWidth> Script;
  FixedText<32> Password;
  uint8_t DateOrder = 0;    // 1 day/month/year, 2 month/day/year
  uint8_t Orientation = 0;  // 1 portrait, 2 landscape
  FixedText<62> Reserved;
  bool operator==(const FormHeader&) const = default;
};

}  // namespace modDB

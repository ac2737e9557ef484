#include "engine/HeaderLayout.h"

#include <algorithm>
#include <cstring>

#include "lib/modLIB.h"

namespace modDB {

namespace {

// Sequential little-endian writer and reader over the header bytes.
struct Out {
  uint8_t* p;
  void U8(uint8_t v) { *p++ = v; }
  void I16(int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    *p++ = static_cast<uint8_t>(u);
    *p++ = static_cast<uint8_t>(u >> 8);
  }
  void I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) *p++ = static_cast<uint8_t>(u >> (8 * i));
  }
  template <size_t N>
  void Text(const FixedText<N>& t) {
    std::memcpy(p, t.bytes.data(), N);
    p += N;
  }
  void Font(const FontDef& f) {
    Text(f.Name);
    U8(f.Size);
    U8(f.Bold);
    U8(f.Italic);
    I32(f.ForeColor);
    I32(f.BackColor);
  }
};

struct In {
  const uint8_t* p;
  uint8_t U8() { return *p++; }
  int16_t I16() {
    const uint16_t u = static_cast<uint16_t>(p[0] | (p[1] << 8));
    p += 2;
    return static_cast<int16_t>(u);
  }
  int32_t I32() {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
    p += 4;
    return static_cast<int32_t>(u);
  }
  template <size_t N>
  void Text(FixedText<N>& t) {
    std::memcpy(t.bytes.data(), p, N);
    p += N;
  }
  void Font(FontDef& f) {
    Text(f.Name);
    f.Size = U8();
    f.Bold = U8();
    f.Italic = U8();
    f.ForeColor = I32();
    f.BackColor = I32();
  }
};

}  // namespace

void EncodeHeader(const FormHeader& h, uint8_t* out) {
  Out o{out};
  o.I32(h.RecordCount);
  o.I32(h.RecordLength);
  o.I16(h.Props.Width);
  o.I16(h.Props.Height);
  o.I32(h.Props.BackColor);
  o.Font(h.Props.BannerFont);
  o.Font(h.Props.FieldFont);
  o.I16(h.FieldCount);
  for (int k = 1; k <= kMaxBanners; ++k) {
    const BannerDef& b = h.Banners[k];
    o.U8(b.Page);
    o.I16(b.X);
    o.I16(b.Y);
    o.Text(b.Caption);
    o.Font(b.Font);
  }
  for (int k = 1; k <= kMaxFields; ++k) {
    const FieldDef& f = h.Fields[k];
    o.U8(f.Page);
    o.I16(f.X);
    o.I16(f.Y);
    o.I16(f.Width);
    o.I16(f.Height);
    o.I16(f.Length);
    o.Text(f.Name);
    o.Text(f.Format);
    o.I16(f.Offset);
  }
  for (int p = 1; p <= kMaxPages; ++p) o.Text(h.PageHeadings[p]);
  o.Text(h.Script);
  o.Text(h.Password);
  o.U8(h.DateOrder);
  o.U8(h.Orientation);
  o.Text(h.Reserved);
}

void DecodeHeader(const uint8_t* in, FormHeader& h) {
  In i{in};
  h.RecordCount = i.I32();
  h.RecordLength = i.I32();
  h.Props.Width = i.I16();
  h.Props.Height = i.I16();
  h.Props.BackColor = i.I32();
  i.Font(h.Props.BannerFont);
  i.Font(h.Props.FieldFont);
  h.FieldCount = i.I16();
  h.Banners[0] = BannerDef{};
  for (int k = 1; k <= kMaxBanners; ++k) {
    BannerDef& b = h.Banners[k];
    b.Page = i.U8();
    b.X = i.I16();
    b.Y = i.I16();
    i.Text(b.Caption);
    i.Font(b.Font);
  }
  h.Fields[0] = FieldDef{};
  for (int k = 1; k <= kMaxFields; ++k) {
    FieldDef& f = h.Fields[k];
    f.Page = i.U8();
    f.X = i.I16();
    f.Y = i.I16();
    f.Width = i.I16();
    f.Height = i.I16();
    f.Length = i.I16();
    i.Text(f.Name);
    i.Text(f.Format);
    f.Offset = i.I16();
  }
  h.PageHeadings[0] = FixedText<32>{};
  for (int p = 1; p <= kMaxPages; ++p) i.Text(h.PageHeadings[p]);
  i.Text(h.Script);
  i.Text(h.Password);
  h.DateOrder = i.U8();
  h.Orientation = i.U8();
  i.Text(h.Reserved);
}

std::string CheckCounts(const FormHeader& h) {
  if (h.RecordCount < 0 || h.RecordCount > kMaxRecords)
    return "record count " + std::to_string(h.RecordCount) + " is outside 0 ... 65530";
  if (h.RecordLength < 0 || h.RecordLength > kMaxRecordLength)
    return "record length " + std::to_string(h.RecordLength) + " is outside 0 ... 32000";
  if (h.FieldCount < 0 || h.FieldCount > kMaxFields)
    return "field count " + std::to_string(h.FieldCount) + " is outside 0 ... 128";
  return "";
}

std::string CheckLayout(const FormHeader& h) {
  if (std::string why = CheckCounts(h); !why.empty()) return why;
  int32_t sum = 1;
  for (int k = 1; k <= kMaxFields; ++k) {
    const FieldDef& f = h.Fields[k];
    auto slot = [k] { return "field " + std::to_string(k); };  // named only in a refusal
    if (k > h.FieldCount) {
      if (f.Page != 0 || f.Length != 0) return slot() + " is in use above the field count";
      continue;
    }
    if (f.Page == 0) return slot() + " is not in use below the field count";
    if (f.Page > kMaxPages) return slot() + " is on page " + std::to_string(f.Page) + ", outside 1 ... 8";
    if (f.Length < 1 || f.Length > kMaxFieldLength)
      return slot() + " has length " + std::to_string(f.Length) + ", outside 1 ... 8192";
    if (f.Offset < 1 || f.Offset + f.Length > h.RecordLength)
      return slot() + " lies outside the record (offset " + std::to_string(f.Offset) +
             ", length " + std::to_string(f.Length) + ")";
    // Fields follow each other in slot order: any other offset makes two fields share
    // bytes, and writing one would overwrite the other.
    if (f.Offset != sum)
      return slot() + " starts at " + std::to_string(f.Offset) + " instead of " + std::to_string(sum);
    sum += f.Length;
  }
  for (int k = 1; k <= kMaxBanners; ++k)
    if (h.Banners[k].Page > kMaxPages)
      return "banner " + std::to_string(k) + " is on page " + std::to_string(h.Banners[k].Page) +
             ", outside 1 ... 8";
  if (h.RecordLength != sum)
    return "record length " + std::to_string(h.RecordLength) +
           " is not 1 + the sum of the field lengths (" + std::to_string(sum) + ")";
  return "";
}

void AssignOffsets(FormHeader& h) {
  int32_t length = 1;
  for (int k = 1; k <= kMaxFields; ++k) {
    FieldDef& f = h.Fields[k];
    if (f.Length > 0) {
      f.Offset = static_cast<int16_t>(length);
      length += f.Length;
    }
  }
  h.RecordLength = length;
}

int16_t FindField(const FormHeader& h, const std::string& name) {
  if (!modLIB::IsValidName(name)) return 0;
  const int count = std::clamp<int>(h.FieldCount, 0, kMaxFields);
  for (int k = 1; k <= count; ++k)
    if (h.Fields[k].Name.Trimmed() == name) return static_cast<int16_t>(k);
  return 0;
}

}  // namespace modDB

// The in-memory form definition and the operations through which the windows read
// and change it. Checks run in the order the users know; a failing check shows its
// message and changes nothing beyond the normalisations it already applied to the
// caller's record (trimmed name or caption, upper-cased format, forced length).
#include <algorithm>

#include "State.h"
#include "modDB.h"
#include "modLIB.h"

namespace modDB {

namespace detail {
EngineState& S() {
  static EngineState state;
  return state;
}
void ResetOpenState() {
  S().fd = -1;
  S().fileNumber = 0;
  S().DatabaseName.clear();
  S().CurrentRecord = 0;
  S().RecordText.clear();
  S().readOnlyWhy.clear();
}
}  // namespace detail

using detail::S;

namespace {
FormHeader& H() { return S().header; }

bool InSlotRange(int16_t n) { return n >= 1 && n <= kMaxFields; }

FontDef DefaultFont(int32_t backColor) {
  FontDef f;
  f.Name.Set("Arial");
  f.Size = 10;
  f.ForeColor = 0;
  f.BackColor = backColor;
  return f;
}

// Upper-cases the trimmed format and forces the length it implies.
void NormaliseFormat(FieldDef& def) {
  def.Format.Set(modLIB::UCase(def.Format.Trimmed()));
  def.Length = ForcedLength(def.Format.Trimmed(), def.Length);
}
}  // namespace

void InitHeader() {
  FormHeader h;
  h.Props.Width = static_cast<int16_t>(modLIB::PixelsToTwipsX(640));
  h.Props.Height = static_cast<int16_t>(modLIB::PixelsToTwipsY(480));
  h.Props.BackColor = 0x00FFFFFF;
  h.Props.BannerFont = DefaultFont(0x00FFFFFF);
  h.Props.FieldFont = DefaultFont(0x00FFFFCC);
  h.Script.Set("Sub Start\r\nEnd Sub\r\n\r\nSub Update\r\nEnd Sub");
  h.DateOrder = 1;
  h.Orientation = 1;
  H() = h;
  detail::ResetOpenState();
}

FormHeader GetHeader() { return H(); }
void SetHeader(const FormHeader& h) { H() = h; }

FormProps GetFormProps() { return H().Props; }
void SetFormProps(const FormProps& props) { H().Props = props; }
int16_t GetDateOrder() { return H().DateOrder == 2 ? 2 : 1; }
void SetDateOrder(uint8_t order) { H().DateOrder = order; }
uint8_t GetOrientation() { return H().Orientation; }
void SetOrientation(uint8_t orientation) { H().Orientation = orientation; }

std::string GetScript() { return H().Script.Trimmed(); }
int16_t SetScript(const std::string& text) {
  H().Script.Set(modLIB::Trim(text));
  return 1;
}

std::string GetPassword() { return H().Password.Trimmed(); }
int16_t SetPassword(std::string& text) {
  text = modLIB::Trim(text);
  H().Password.Set(text);
  return 1;
}

std::string GetPageHeading(int16_t page) {
  if (page < 1 || page > kMaxPages) {
    Fail("GET PAGE HEADING", "Invalid Page NO specified");
    return "";
  }
  return H().PageHeadings[page].Trimmed();
}

void SetPageHeading(int16_t page, const std::string& text) {
  if (page < 1 || page > kMaxPages) {
    Fail("SET PAGE HEADING", "Invalid Page NO specified");
    return;
  }
  H().PageHeadings[page].Set(modLIB::Trim(text));
}

int16_t GetLastPage() {
  int16_t last = 0;
  for (int k = 1; k <= kMaxFields; ++k) last = std::max<int16_t>(last, H().Fields[k].Page);
  for (int k = 1; k <= kMaxBanners; ++k) last = std::max<int16_t>(last, H().Banners[k].Page);
  return last;
}

void AssignOffsets() {
  int32_t length = 1;
  for (int k = 1; k <= kMaxFields; ++k) {
    FieldDef& f = H().Fields[k];
    if (f.Length > 0) {
      f.Offset = static_cast<int16_t>(length);
      length += f.Length;
    }
  }
  H().RecordLength = length;
}

int16_t ForcedLength(const std::string& format, int16_t length) {
  auto has = [&](char c) { return format.find(c) != std::string::npos; };
  if (has('Y')) length = 1;
  if (has('D')) length = 10;
  if (has('T')) length = 8;
  if (has('#')) length = 5;
  return length;
}

// ---- Fields --------------------------------------------------------------------

int16_t GetFieldCount() { return H().FieldCount; }

int16_t FindField(const std::string& name) {
  if (!modLIB::IsValidName(name)) return 0;
  const int count = std::clamp<int>(H().FieldCount, 0, kMaxFields);
  for (int k = 1; k <= count; ++k)
    if (H().Fields[k].Name.Trimmed() == name) return static_cast<int16_t>(k);
  return 0;
}

int16_t GetFieldDef(int16_t n, FieldDef& out) {
  if (!InSlotRange(n)) {
    Fail("GET FIELD", "Field out of range");
    return 0;
  }
  if (H().Fields[n].Page == 0) return 0;
  out = H().Fields[n];
  return n;
}

int16_t AddField(FieldDef& def) {
  const char* title = "ADD FIELD";
  if (H().FieldCount >= kMaxFields) {
    Fail(title, "No more fields left!");
    return 0;
  }
  def.Name.Set(def.Name.Trimmed());
  if (!modLIB::IsValidName(def.Name.Trimmed())) {
    Fail(title, "Invalid Field Name");
    return 0;
  }
  if (def.Page < 1 || def.Page > kMaxPages) {
    Fail(title, "Invalid page number!");
    return 0;
  }
  NormaliseFormat(def);
  if (def.Length < 1 || def.Length > kMaxFieldLength) {
    Fail(title, "Invalid field length!");
    return 0;
  }
  if (FindField(def.Name.Trimmed()) != 0) {
    Fail(title, "Duplicate field name!");
    return 0;
  }
  const int16_t slot = static_cast<int16_t>(std::max<int>(H().FieldCount, 0) + 1);
  H().FieldCount = slot;
  H().Fields[slot] = def;
  return slot;
}

int16_t SetFieldDef(int16_t n, FieldDef& def) {
  const char* title = "SET FIELD";
  if (!InSlotRange(n)) {
    Fail(title, "Field number out or range");
    return 0;
  }
  if (H().Fields[n].Page == 0) {
    Fail(title, "Field not defined");
    return 0;
  }
  NormaliseFormat(def);
  if (def.Length < 1 || def.Length > kMaxFieldLength) {
    Fail(title, "Invalid field length!");
    return 0;
  }
  def.Name.Set(def.Name.Trimmed());
  if (!modLIB::IsValidName(def.Name.Trimmed())) {
    Fail(title, "Invalid Field Name");
    return 0;
  }
  // A field may keep its own name: leave it out of the duplicate test.
  const FixedText<32> own = H().Fields[n].Name;
  H().Fields[n].Name.Set("");
  const bool duplicate = FindField(def.Name.Trimmed()) != 0;
  H().Fields[n].Name = own;
  if (duplicate) {
    Fail(title, "Duplicate field name!");
    return 0;
  }
  H().Fields[n] = def;
  return n;
}

int16_t DeleteField(int16_t n) {
  const char* title = "DELETE FIELD";
  if (!InSlotRange(n)) {
    Fail(title, "Field number out or range");
    return 0;
  }
  if (H().Fields[n].Page == 0) {
    Fail(title, "Field not defined");
    return 0;
  }
  auto& f = H().Fields;
  std::move(f.begin() + n + 1, f.end(), f.begin() + n);
  f[kMaxFields] = FieldDef{};
  H().FieldCount = static_cast<int16_t>(H().FieldCount - 1);
  return n;
}

int16_t MoveFieldUp(int16_t n) {
  const int16_t count = H().FieldCount;
  if (n < 2 || n > count || count < 2 || count > kMaxFields) return 0;
  std::swap(H().Fields[n - 1], H().Fields[n]);
  return static_cast<int16_t>(n - 1);
}

int16_t MoveFieldDown(int16_t n) {
  const int16_t count = H().FieldCount;
  if (n < 1 || n >= count || count > kMaxFields) return 0;
  std::swap(H().Fields[n], H().Fields[n + 1]);
  return static_cast<int16_t>(n + 1);
}

// ---- Banners -------------------------------------------------------------------

int16_t GetBannerCount() {
  int16_t count = 0;
  for (int k = 1; k <= kMaxBanners; ++k)
    if (H().Banners[k].Page != 0) ++count;
  return count;
}

int16_t GetBanner(int16_t n, BannerDef& out) {
  if (!InSlotRange(n)) {
    Fail("GET BANNER", "Banner number out of range!");
    return 0;
  }
  if (H().Banners[n].Page == 0) return 0;
  out = H().Banners[n];
  return n;
}

int16_t InsertBanner(BannerDef& def) {
  const char* title = "ADD BANNER";
  def.Caption.Set(def.Caption.Trimmed());
  if (def.Caption.Trimmed().empty()) {
    Fail(title, "Invalid banner caption!");
    return 0;
  }
  if (def.Page == 0 || def.Page > kMaxPages) {
    Fail(title, "Invalid page number!");
    return 0;
  }
  for (int k = 1; k <= kMaxBanners; ++k) {
    if (H().Banners[k].Page == 0) {
      H().Banners[k] = def;
      return static_cast<int16_t>(k);
    }
  }
  Fail(title, "No more banners left!");
  return 0;
}

int16_t SetBanner(int16_t n, BannerDef& def) {
  const char* title = "SET BANNER";
  if (!InSlotRange(n)) {
    Fail(title, "Invalid banner number!");
    return 0;
  }
  if (H().Banners[n].Page == 0) {
    Fail(title, "Banner not defined!");
    return 0;
  }
  def.Caption.Set(def.Caption.Trimmed());
  if (def.Caption.Trimmed().empty()) {
    Fail(title, "Invalid banner caption!");
    return 0;
  }
  H().Banners[n] = def;
  return n;
}

int16_t DeleteBanner(int16_t n) {
  const char* title = "DELETE BANNER";
  if (!InSlotRange(n)) {
    Fail(title, "Banner number out of range!");
    return 0;
  }
  if (H().Banners[n].Page == 0) {
    Fail(title, "Banner not defined!");
    return 0;
  }
  auto& b = H().Banners;
  std::move(b.begin() + n + 1, b.end(), b.begin() + n);
  b[kMaxBanners] = BannerDef{};
  b[kMaxBanners].Font = H().Props.BannerFont;
  return n;
}

// ---- File names ----------------------------------------------------------------

std::string BaseFileName(std::string& name) {
  name = modLIB::Trim(name);
  if (name.size() > 4 && modLIB::UCase(name.substr(name.size() - 4)) == ".QFD")
    name.resize(name.size() - 4);
  return name;
}

std::string AutoNumberText(int32_t n) {
  // The "#" field holds 5 places: the sign blank goes when the number needs all five.
  const std::string digits = std::to_string(n);
  return n >= 0 && digits.size() < 5 ? " " + digits : digits;
}

}  // namespace modDB

// The in-memory form definition and the operations through which the windows read
// and change it. Checks run in the order the users know; a failing check shows its
// message and changes nothing beyond the normalisations it already applied to the
// caller's record (trimmed name or caption, upper-cased format, forced length).
#include <algorithm>

#include "engine/HeaderLayout.h"
#include "engine/State.h"
#include "engine/files/Companions.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

namespace modDB {

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

// The checks of the operations below. Each shows its message under the operation's
// title and answers false when it refuses.

// Slot n holds a field or banner: in range, and with a page.
template <class Def, size_t N>
bool CheckDefined(const char* title, const std::array<Def, N>& slots, int16_t n, const char* outOfRange,
                  const char* notDefined) {
  if (!InSlotRange(n)) {
    Fail(title, outOfRange);
    return false;
  }
  if (slots[n].Page == 0) {
    Fail(title, notDefined);
    return false;
  }
  return true;
}

bool CheckPage(const char* title, uint8_t page) {
  if (page < 1 || page > kMaxPages) {
    Fail(title, "Invalid page number!");
    return false;
  }
  return true;
}

// Trims the name first.
bool CheckFieldName(const char* title, FieldDef& def) {
  def.Name.Set(def.Name.Trimmed());
  if (!modLIB::IsValidName(def.Name.Trimmed())) {
    Fail(title, "Invalid Field Name");
    return false;
  }
  return true;
}

// Normalises the format first, which may force the length.
bool CheckFieldLength(const char* title, FieldDef& def) {
  NormaliseFormat(def);
  if (def.Length < 1 || def.Length > kMaxFieldLength) {
    Fail(title, "Invalid field length!");
    return false;
  }
  return true;
}

// No other field has the name; `own` (0 for none) is the slot of the field being
// changed, which may keep its name.
bool CheckUniqueName(const char* title, const FieldDef& def, int16_t own) {
  FixedText<32> ownName;
  if (own != 0) std::swap(ownName, H().Fields[own].Name);
  const bool duplicate = FindField(def.Name.Trimmed()) != 0;
  if (own != 0) std::swap(ownName, H().Fields[own].Name);
  if (duplicate) {
    Fail(title, "Duplicate field name!");
    return false;
  }
  return true;
}

// Trims the caption first.
bool CheckCaption(const char* title, BannerDef& def) {
  def.Caption.Set(def.Caption.Trimmed());
  if (def.Caption.Trimmed().empty()) {
    Fail(title, "Invalid banner caption!");
    return false;
  }
  return true;
}

// Copies slot n into out when it holds a field or banner; 0 for an empty slot.
template <class Def, size_t N>
int16_t GetSlot(const char* title, const std::array<Def, N>& slots, int16_t n, Def& out, const char* outOfRange) {
  if (!InSlotRange(n)) {
    Fail(title, outOfRange);
    return 0;
  }
  if (slots[n].Page == 0) return 0;
  out = slots[n];
  return n;
}

// Slot n leaves the list: the slots after it move up one, and the last is empty.
template <class Def, size_t N>
Def& CloseGap(std::array<Def, N>& slots, int16_t n) {
  std::move(slots.begin() + n + 1, slots.end(), slots.begin() + n);
  slots[N - 1] = Def{};
  return slots[N - 1];
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

std::string PageCaption(int16_t page) {
  const std::string heading = GetPageHeading(page);
  return heading.empty() ? "Page " + std::to_string(page) : heading;
}

int16_t GetLastPage() {
  int16_t last = 0;
  for (int k = 1; k <= kMaxFields; ++k) last = std::max<int16_t>(last, H().Fields[k].Page);
  for (int k = 1; k <= kMaxBanners; ++k) last = std::max<int16_t>(last, H().Banners[k].Page);
  return last;
}

void AssignOffsets() { AssignOffsets(H()); }

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

int16_t FindField(const std::string& name) { return FindField(H(), name); }

int16_t GetFieldDef(int16_t n, FieldDef& out) { return GetSlot("GET FIELD", H().Fields, n, out, "Field out of range"); }

int16_t AddField(FieldDef& def) {
  const char* title = "ADD FIELD";
  if (H().FieldCount >= kMaxFields) {
    Fail(title, "No more fields left!");
    return 0;
  }
  if (!CheckFieldName(title, def) || !CheckPage(title, def.Page) || !CheckFieldLength(title, def) ||
      !CheckUniqueName(title, def, 0))
    return 0;
  const int16_t slot = static_cast<int16_t>(std::max<int>(H().FieldCount, 0) + 1);
  H().FieldCount = slot;
  H().Fields[slot] = def;
  return slot;
}

int16_t SetFieldDef(int16_t n, FieldDef& def) {
  const char* title = "SET FIELD";
  if (!CheckDefined(title, H().Fields, n, "Field number out or range", "Field not defined") ||
      !CheckFieldLength(title, def) || !CheckFieldName(title, def) || !CheckUniqueName(title, def, n))
    return 0;
  H().Fields[n] = def;
  return n;
}

int16_t DeleteField(int16_t n) {
  if (!CheckDefined("DELETE FIELD", H().Fields, n, "Field number out or range", "Field not defined")) return 0;
  CloseGap(H().Fields, n);
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
  return GetSlot("GET BANNER", H().Banners, n, out, "Banner number out of range!");
}

int16_t InsertBanner(BannerDef& def) {
  const char* title = "ADD BANNER";
  if (!CheckCaption(title, def) || !CheckPage(title, def.Page)) return 0;
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
  if (!CheckDefined(title, H().Banners, n, "Invalid banner number!", "Banner not defined!") ||
      !CheckCaption(title, def))
    return 0;
  H().Banners[n] = def;
  return n;
}

int16_t DeleteBanner(int16_t n) {
  if (!CheckDefined("DELETE BANNER", H().Banners, n, "Banner number out of range!", "Banner not defined!")) return 0;
  CloseGap(H().Banners, n).Font = H().Props.BannerFont;
  return n;
}

// ---- File names ----------------------------------------------------------------

std::string BaseFileName(std::string& name) {
  name = detail::BaseName(name);
  return name;
}

std::string AutoNumberText(int32_t n) {
  // The "#" field holds 5 places: the sign blank goes when the number needs all five.
  const std::string digits = std::to_string(n);
  return n >= 0 && digits.size() < 5 ? " " + digits : digits;
}

}  // namespace modDB

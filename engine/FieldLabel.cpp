#include <algorithm>

#include "engine/modDB.h"

namespace modDB {

std::string LabelOf(const Box& field, const std::vector<BannerBox>& banners) {
  const BannerBox* best = nullptr;
  for (const BannerBox& b : banners) {
    if (b.caption.empty() || b.box.left >= field.left) continue;
    if (b.box.top > field.bottom() || b.box.bottom() < field.top) continue;
    if (!best || b.box.right() > best->box.right()) best = &b;
  }
  if (best) return best->caption;
  for (const BannerBox& b : banners) {
    if (b.caption.empty() || b.box.bottom() >= field.top) continue;
    if (b.box.right() < field.left || b.box.left > field.right()) continue;
    if (!best || b.box.bottom() > best->box.bottom()) best = &b;
  }
  return best ? best->caption : std::string();
}

std::string FieldLabel(const FormHeader& h, int16_t slot) {
  if (slot < 1 || slot > h.FieldCount || slot > kMaxFields) return "";
  const FieldDef& f = h.Fields[static_cast<size_t>(slot)];
  std::vector<BannerBox> banners;
  for (size_t i = 1; i <= static_cast<size_t>(kMaxBanners); ++i) {
    const BannerDef& b = h.Banners[i];
    if (b.Page != f.Page) continue;
    // A label's size as the window draws it: a line of the font's height, about half
    // an em per character (points at 96 pixels to the inch; 8 points when unset).
    const int32_t em = (b.Font.Size ? b.Font.Size : 8) * 96 / 72;
    const std::string caption = b.Caption.Trimmed();
    banners.push_back({{b.X, b.Y, std::max<int32_t>(1, static_cast<int32_t>(caption.size()) * em / 2),
                        em * 5 / 4},
                       caption});
  }
  std::string label = LabelOf({f.X, f.Y, std::max<int32_t>(f.Width, 1), std::max<int32_t>(f.Height, 1)}, banners);
  return label.empty() ? f.Name.Trimmed() : label;
}

}  // namespace modDB

#include "engine/store/SaveLoss.h"

#include <fcntl.h>

#include <exception>

#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/Host.h"
#include "engine/modDB.h"
#include "engine/State.h"
#include "engine/StoreCommon.h"
#include "lib/modLIB.h"

namespace modDB {

std::vector<SaveLoss> CountSaveLoss(const FormHeader& now, const FormHeader& old, int fd) {
  struct Watch {
    size_t offset, length;
    size_t keep;  // characters the new field holds; 0 when the field is gone
    SaveLoss loss;
  };
  std::vector<Watch> watched;
  for (int j = 1; j <= old.FieldCount; ++j) {
    const FieldDef& of = old.Fields[j];
    const int16_t k = FindField(now, of.Name.Trimmed());
    const FieldDef& nf = now.Fields[k];
    if (k != 0 && nf.Length >= of.Length) continue;  // nothing to lose
    Watch w{static_cast<size_t>(of.Offset), static_cast<size_t>(of.Length), k == 0 ? 0 : static_cast<size_t>(nf.Length),
            SaveLoss{of.Name.Trimmed(), 0, k == 0 ? 0 : nf.Length, 0}};
    watched.push_back(w);
  }
  if (watched.empty() || old.RecordCount <= 0) return {};
  const size_t len = static_cast<size_t>(old.RecordLength);
  detail::ReadRecordBlocks(
      fd, len, old.RecordCount, detail::RecordsPerBlock(len),
      [&](int32_t, const char* rec) {
        for (Watch& w : watched) {
          const std::string_view v = modLIB::TrimRightView(std::string_view(rec + w.offset, w.length));
          if (w.keep == 0) w.loss.dropped += !modLIB::TrimView(v).empty();
          else w.loss.cut += v.size() > w.keep;
        }
      },
      [] {});
  std::vector<SaveLoss> out;
  for (const Watch& w : watched)
    if (w.loss.cut > 0 || w.loss.dropped > 0) out.push_back(w.loss);
  return out;
}

bool CountSaveLoss(const std::string& name, std::vector<SaveLoss>& losses, std::string& why) {
  std::string n = name;
  const std::string file = BaseFileName(n) + ".Qfd";
  try {
    detail::Fd fd(detail::OpenFile(file, O_RDONLY));
    FormHeader old;
    why = detail::ReadCheckedHeader(fd.get(), file, old);
    if (!why.empty()) return false;
    losses = CountSaveLoss(detail::S().header, old, fd.get());
    return true;
  } catch (const std::exception& e) {
    why = detail::UnexpectedError(e, file);
    return false;
  }
}

std::string SaveLossText(const std::vector<SaveLoss>& losses, const char* lineEnd) {
  constexpr size_t kListed = 10;
  std::string s;
  for (size_t i = 0; i < losses.size() && i < kListed; ++i) {
    const SaveLoss& l = losses[i];
    if (i > 0) s += lineEnd;
    s += l.field + ": ";
    if (l.dropped > 0) s += std::to_string(l.dropped) + " values dropped (no field has its name)";
    else s += std::to_string(l.cut) + " values cut to " + std::to_string(l.newLength) + " characters";
  }
  if (losses.size() > kListed) s += lineEnd + ("and " + std::to_string(losses.size() - kListed) + " fields more");
  return s;
}

bool AcceptSaveLoss(const Database& d, const FormHeader& old, int fd) {
  const std::vector<SaveLoss> losses = CountSaveLoss(d.header, old, fd);
  if (losses.empty()) return true;
  return d.Ask("Recovering the records loses values:\r\n" + SaveLossText(losses, "\r\n") + "\r\nSave anyway?",
               vbYesNo | vbExclamation | vbDefaultButton2, "Recover Data") == vbYes;
}

}  // namespace modDB

#include "entry/modBrowse.h"

#include "common/modDlg.h"
#include "entry/frmBrowse.h"

namespace modBrowse {

std::array<int16_t, 129> BrowseColumns{};
int16_t BrowseColumnCount = 0;
int16_t BrowseFile = 0;
int32_t BrowseResult = 0;
int32_t BrowseCurrent = 0;

void ClearBrowseColumns() {
  BrowseColumnCount = 0;
  BrowseCurrent = 0;
  BrowseColumns.fill(0);
}

void IncludeBrowseColumn(int16_t slot) {
  if (BrowseColumnCount >= 128) return;
  BrowseColumns[++BrowseColumnCount] = slot;
}

int32_t ShowBrowse(int16_t fileHandle) {
  BrowseResult = 0;
  BrowseFile = fileHandle;
  frmBrowse table(modDlg::OwnerWindow());
  modDlg::RunModal(table);
  return BrowseResult;
}

}  // namespace modBrowse

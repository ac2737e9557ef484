#include "entry/frmSearch.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "common/DialogParts.h"
#include "common/QtText.h"
#include "engine/modDB.h"
#include "entry/EntryState.h"
#include "entry/ViewSettings.h"
#include "lib/modLIB.h"


frmSearch::frmSearch(EntryState* editor) : QDialog(editor->DialogParent()), editor_(editor) {
  setObjectName("frmSearch");
  setWindowTitle("Find");
  auto* grid = new QGridLayout(this);
  auto* forLabel = new QLabel("For", this);
  SearchStr = new QLineEdit(this);
  SearchStr->setObjectName("SearchStr");
  SearchStr->setMaxLength(32);
  DialogParts::Caption(forLabel, SearchStr);
  auto* inLabel = new QLabel("In", this);
  FldList = new QListWidget(this);
  FldList->setObjectName("FldList");
  FldList->setSelectionMode(QAbstractItemView::MultiSelection);
  DialogParts::Caption(inLabel, FldList);
  BtnSearch = new QPushButton("Search", this);
  BtnSearch->setObjectName("BtnSearch");
  BtnSearch->setDefault(true);
  BtnCancel = new QPushButton("Cancel", this);
  BtnCancel->setObjectName("BtnCancel");
  grid->addWidget(forLabel, 0, 0);
  grid->addWidget(SearchStr, 0, 1);
  grid->addWidget(BtnSearch, 0, 2);
  grid->addWidget(inLabel, 1, 0, Qt::AlignTop);
  grid->addWidget(FldList, 1, 1);
  grid->addWidget(BtnCancel, 1, 2, Qt::AlignTop);
  connect(BtnSearch, &QPushButton::clicked, this, &frmSearch::BtnSearch_Click);
  connect(BtnCancel, &QPushButton::clicked, this, &frmSearch::BtnCancel_Click);

  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    modDB::GetFieldDef(i, f);
    FldList->addItem(QtText::FromCp(f.Name.Trimmed()));
  }
  // A field is chosen already: the one last typed in when it is on the page shown,
  // else the first field of that page.
  int chosen = 0;
  modDB::FieldDef f;
  const int last = editor_->LastFieldSlot;
  if (last >= 1 && last <= count && modDB::GetFieldDef(static_cast<int16_t>(last), f) == last && f.Page == editor_->CurPage)
    chosen = last;
  for (int16_t i = 1; i <= count && !chosen; ++i)
    if (modDB::GetFieldDef(i, f) == i && f.Page == editor_->CurPage) chosen = i;
  if (chosen) {
    FldList->item(chosen - 1)->setSelected(true);
    FldList->setCurrentRow(chosen - 1, QItemSelectionModel::NoUpdate);
  }
}

// After a hit the field found is scrolled into view, and the dialog stands clear of
// it, above or below it.
void frmSearch::MoveOffField(int slot) {
  QWidget* box = editor_->ShownField(slot);
  if (!box) return;
  ViewSettings::Reveal(box);
  const QRect field(box->mapToGlobal(QPoint(0, 0)), box->size());
  QRect frame = frameGeometry();
  if (!frame.intersects(field)) return;
  const QRect screenArea = screen() ? screen()->availableGeometry() : QRect();
  const int below = field.bottom() + 8;
  const int above = field.top() - 8 - frame.height();
  frame.moveTop(screenArea.isNull() || below + frame.height() <= screenArea.bottom() || above < screenArea.top()
                    ? below
                    : above);
  move(frame.topLeft());
}

void frmSearch::BtnSearch_Click() {
  const std::string text = modLIB::UCase(modLIB::Trim(QtText::ToCp(SearchStr->text())));
  SearchStr->setText(QtText::FromCp(text));
  if (text.empty() || FldList->selectedItems().isEmpty()) return;
  SearchStr->setEnabled(false);
  FldList->setEnabled(false);
  BtnSearch->setEnabled(false);

  const int32_t n = modDB::GetRecordCount();
  for (int32_t i = editor_->PickedRecord + 1; i <= n; ++i) {
    modDB::SetRecordNo(i);
    for (int j = 0; j < FldList->count(); ++j) {
      if (!FldList->item(j)->isSelected()) continue;
      std::string value;
      modDB::ReadField(static_cast<int16_t>(j + 1), value);
      if (modLIB::UCase(value).find(text) == std::string::npos) continue;
      modDB::FieldDef f;
      modDB::GetFieldDef(static_cast<int16_t>(j + 1), f);
      editor_->CurPage = f.Page;
      editor_->PickedRecord = i;
      editor_->ShowCurPage();
      BtnSearch->setText("Again");
      BtnSearch->setEnabled(true);
      BtnSearch->setFocus();  // Enter goes on with "Again"
      MoveOffField(j + 1);
      return;
    }
  }
  modDB::GetHost().MsgBox("No more records.", modDB::vbOKOnly, "");
  editor_->PickedRecord = n;
  accept();
}

void frmSearch::BtnCancel_Click() {
  editor_->PickedRecord = modDB::GetRecordNo();
  reject();
}

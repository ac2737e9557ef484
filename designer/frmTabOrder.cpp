#include "designer/frmTabOrder.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/DialogParts.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"


frmTabOrder::frmTabOrder(DesignerState* designer)
    : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmTabOrder");
  setWindowTitle("Tab Order");
  Lst = new QListWidget(this);
  Lst->setObjectName("Lst");
  Lst->setMinimumSize(200, 240);
  cmdUp = DialogParts::Button(this, "Up", "cmdUp");
  cmdDn = DialogParts::Button(this, "Dn", "cmdDn");
  cmdOK = DialogParts::Button(this, "Ok", "cmdOK");
  btnHelp = DialogParts::Button(this, "Help", "btnHelp");

  auto* side = new QVBoxLayout;
  side->addWidget(cmdUp);
  side->addWidget(cmdDn);
  side->addStretch(1);
  side->addWidget(cmdOK);
  side->addWidget(btnHelp);
  auto* all = new QHBoxLayout(this);
  all->addWidget(Lst, 1);
  all->addLayout(side);

  connect(cmdUp, &QPushButton::clicked, this, &frmTabOrder::cmdUp_Click);
  connect(cmdDn, &QPushButton::clicked, this, &frmTabOrder::cmdDn_Click);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Insert Field"); });

  const int16_t count = modDB::GetFieldCount();
  for (int16_t i = 1; i <= count; ++i) {
    modDB::FieldDef f;
    modDB::GetFieldDef(i, f);
    Lst->addItem(QtText::FromCp(f.Name.Trimmed()));
  }
}

void frmTabOrder::cmdUp_Click() {
  const int k = Lst->currentRow();
  if (k <= 0 || !Lst->currentItem() || !Lst->currentItem()->isSelected()) return;
  modDB::MoveFieldUp(static_cast<int16_t>(k + 1));
  const QString above = Lst->item(k - 1)->text();
  Lst->item(k - 1)->setText(Lst->item(k)->text());
  Lst->item(k)->setText(above);
  Lst->setCurrentRow(k - 1);
  designer_->Modified = true;
}

void frmTabOrder::cmdDn_Click() {
  const int k = Lst->currentRow();
  if (k < 0 || k >= Lst->count() - 1 || !Lst->currentItem() || !Lst->currentItem()->isSelected()) return;
  modDB::MoveFieldDown(static_cast<int16_t>(k + 1));
  const QString below = Lst->item(k + 1)->text();
  Lst->item(k + 1)->setText(Lst->item(k)->text());
  Lst->item(k)->setText(below);
  Lst->setCurrentRow(k + 1);
  designer_->Modified = true;
}

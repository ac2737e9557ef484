#include "designer/frmChecks.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "checks/Checker.h"
#include "common/DialogParts.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "designer/DesignerState.h"
#include "engine/modDB.h"
#include "lib/modLIB.h"

frmChecks::frmChecks(DesignerState* designer) : QDialog(designer->DialogParent()), designer_(designer) {
  setObjectName("frmChecks");
  setWindowTitle("Checks");
  lstChecks = new QTableWidget(0, 4, this);
  lstChecks->setObjectName("lstChecks");
  lstChecks->setHorizontalHeaderLabels({"Name", "Rule", "Message", "Hard"});
  lstChecks->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  lstChecks->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  lstChecks->setMinimumSize(640, 240);
  cmdAdd = DialogParts::Button(this, "Add", "cmdAdd");
  cmdDelete = DialogParts::Button(this, "Delete", "cmdDelete");
  cmdOK = DialogParts::Button(this, "OK", "cmdOK");
  btnCancel = DialogParts::Button(this, "Cancel", "btnCancel");
  btnHelp = DialogParts::Button(this, "Help", "btnHelp");
  auto* side = new QVBoxLayout;
  for (QPushButton* b : {cmdAdd, cmdDelete}) side->addWidget(b);
  side->addStretch(1);
  for (QPushButton* b : {cmdOK, btnCancel, btnHelp}) side->addWidget(b);
  auto* all = new QHBoxLayout(this);
  all->addWidget(lstChecks, 1);
  all->addLayout(side);
  connect(cmdAdd, &QPushButton::clicked, this, &frmChecks::cmdAdd_Click);
  connect(cmdDelete, &QPushButton::clicked, this, &frmChecks::cmdDelete_Click);
  connect(cmdOK, &QPushButton::clicked, this, &frmChecks::cmdOK_Click);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnHelp, &QPushButton::clicked, this, [] { modDlg::ShowHelp("Checks"); });
  for (const qfchecks::FormRule& r : qfchecks::Current().Checks)
    AddRow(QtText::FromCp(r.Name), QtText::FromCp(r.Rule), QtText::FromCp(r.Message), r.Hard);
}

void frmChecks::AddRow(const QString& name, const QString& rule, const QString& message, bool hard) {
  const int row = lstChecks->rowCount();
  lstChecks->insertRow(row);
  lstChecks->setItem(row, 0, new QTableWidgetItem(name));
  lstChecks->setItem(row, 1, new QTableWidgetItem(rule));
  lstChecks->setItem(row, 2, new QTableWidgetItem(message));
  auto* h = new QTableWidgetItem;
  h->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  h->setCheckState(hard ? Qt::Checked : Qt::Unchecked);
  lstChecks->setItem(row, 3, h);
}

void frmChecks::cmdAdd_Click() {
  AddRow("", "", "", false);
  lstChecks->setCurrentCell(lstChecks->rowCount() - 1, 1);
  lstChecks->editItem(lstChecks->item(lstChecks->rowCount() - 1, 1));
}

void frmChecks::cmdDelete_Click() {
  if (lstChecks->currentRow() >= 0) lstChecks->removeRow(lstChecks->currentRow());
}

void frmChecks::cmdOK_Click() {
  qfchecks::Rules rules = qfchecks::Current();
  rules.Checks.clear();
  auto text = [&](int row, int col) {
    const QTableWidgetItem* it = lstChecks->item(row, col);
    return it ? modLIB::Trim(QtText::ToCp(it->text())) : std::string();
  };
  for (int row = 0; row < lstChecks->rowCount(); ++row) {
    qfchecks::FormRule r{text(row, 0), text(row, 1), text(row, 2),
                         lstChecks->item(row, 3) && lstChecks->item(row, 3)->checkState() == Qt::Checked};
    if (!r.Rule.empty()) rules.Checks.push_back(r);
  }
  qfchecks::Checker c;
  if (const std::string fault = c.Prepare(modDB::GetHeader(), rules); !fault.empty()) {
    modDB::GetHost().MsgBox(fault, modDB::vbCritical | modDB::vbOKOnly, "CHECKS");
    return;
  }
  if (!(rules == qfchecks::Current())) designer_->Modified = true;
  qfchecks::Current() = rules;
  accept();
}

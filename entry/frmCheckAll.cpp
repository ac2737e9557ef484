#include "entry/frmCheckAll.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/DialogParts.h"
#include "common/QtText.h"
#include "engine/Host.h"
#include "entry/EntryState.h"
#include "lib/modLIB.h"

frmCheckAll::frmCheckAll(EntryState* editor, const std::string& database, const qfchecks::Rules& rules)
    : QDialog(editor->DialogParent()), database_(database) {
  setObjectName("frmCheckAll");
  setWindowTitle("Check All");
  lstFindings = new QTreeWidget(this);
  lstFindings->setObjectName("lstFindings");
  lstFindings->setRootIsDecorated(false);
  lstFindings->setHeaderLabels({"Record", "#", "Field", "Rule", "Value", "Message"});
  lstFindings->setMinimumSize(760, 300);
  lstFindings->header()->setStretchLastSection(true);
  lblCounts = new QLabel(this);
  lblCounts->setObjectName("lblCounts");
  lblCounts->setWordWrap(true);
  txtNote = new QLineEdit(this);
  txtNote->setObjectName("txtNote");
  txtNote->setMaxLength(200);
  txtNote->setPlaceholderText("why the record is right as it is");
  auto* noteLabel = new QLabel("&Note", this);
  noteLabel->setBuddy(txtNote);
  cmdGoTo = DialogParts::Button(this, "Go To", "cmdGoTo");
  cmdAccept = DialogParts::Button(this, "Accept", "cmdAccept");
  cmdClose = DialogParts::Button(this, "Close", "cmdClose");
  auto* row = new QHBoxLayout;
  row->addWidget(noteLabel);
  row->addWidget(txtNote, 1);
  row->addWidget(cmdAccept);
  row->addWidget(cmdGoTo);
  row->addWidget(cmdClose);
  auto* all = new QVBoxLayout(this);
  all->addWidget(lstFindings, 1);
  all->addWidget(lblCounts);
  all->addLayout(row);
  connect(cmdGoTo, &QPushButton::clicked, this, &frmCheckAll::cmdGoTo_Click);
  connect(cmdAccept, &QPushButton::clicked, this, &frmCheckAll::cmdAccept_Click);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(lstFindings, &QTreeWidget::itemActivated, this, [this] { cmdGoTo_Click(); });

  if (const std::string why = qfchecks::CheckFile(database, rules, report_); !why.empty()) {
    modDB::GetHost().MsgBox(why, modDB::vbCritical | modDB::vbOKOnly, "CHECK ALL");
    lblCounts->setText("The records were not checked.");
    return;
  }
  shown_ = report_.Findings;
  for (const qfchecks::Finding& f : shown_) {
    auto* item = new QTreeWidgetItem(lstFindings);
    const QStringList cells = {QString::number(f.Record), QtText::FromCp(f.Number), QtText::FromCp(f.Field),
                               QtText::FromCp(f.Rule) + (f.Hard ? " (hard)" : ""), QtText::FromCp(f.Value),
                               QtText::FromCp(f.Message)};
    for (int c = 0; c < cells.size(); ++c) item->setText(c, cells[c]);
  }
  for (int c = 0; c < 5; ++c) lstFindings->resizeColumnToContents(c);
  if (lstFindings->topLevelItemCount() > 0) lstFindings->setCurrentItem(lstFindings->topLevelItem(0));
  lstFindings->setFocus();
  ShowCounts();
}

void frmCheckAll::ShowCounts() {
  QString s = QString("%1 records checked, %2 broken rules").arg(report_.Records).arg(shown_.size());
  if (report_.Excepted) s += QString(", %1 accepted exceptions left out").arg(report_.Excepted);
  s += ".";
  std::vector<std::pair<std::string, int32_t>> counts;
  for (const qfchecks::Finding& f : shown_) {
    auto it = std::find_if(counts.begin(), counts.end(), [&](auto& p) { return p.first == f.Rule; });
    if (it == counts.end()) counts.emplace_back(f.Rule, 1);
    else ++it->second;
  }
  for (const auto& [rule, n] : counts) s += QString("  %1: %2.").arg(QtText::FromCp(rule)).arg(n);
  lblCounts->setText(s);
}

void frmCheckAll::cmdGoTo_Click() {
  const int k = lstFindings->indexOfTopLevelItem(lstFindings->currentItem());
  if (k < 0 || k >= static_cast<int>(shown_.size())) return;
  PickedRecord = shown_[static_cast<size_t>(k)].Record;
  PickedSlot = shown_[static_cast<size_t>(k)].Slot;
  accept();
}

void frmCheckAll::cmdAccept_Click() {
  const int k = lstFindings->indexOfTopLevelItem(lstFindings->currentItem());
  if (k < 0 || k >= static_cast<int>(shown_.size())) return;
  const std::string note = modLIB::Trim(QtText::ToCp(txtNote->text()));
  if (note.empty()) {
    modDB::GetHost().MsgBox("An exception needs a note", modDB::vbCritical | modDB::vbOKOnly, "ACCEPT");
    txtNote->setFocus();
    return;
  }
  if (const std::string why = qfchecks::Accept(database_, shown_[static_cast<size_t>(k)], note); !why.empty()) {
    modDB::GetHost().MsgBox(why, modDB::vbCritical | modDB::vbOKOnly, "ACCEPT");
    return;
  }
  ++report_.Excepted;
  shown_.erase(shown_.begin() + k);
  delete lstFindings->takeTopLevelItem(k);
  txtNote->clear();
  ShowCounts();
  lstFindings->setFocus();
}

#include "entry/frmCompare.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/QtText.h"
#include "engine/modDB.h"
#include "lib/Codepage.h"

frmCompare::frmCompare(QWidget* parent, const std::string& a, const std::string& b,
                       std::function<void(int32_t)> goTo)
    : QDialog(parent), a_(a), b_(b), goTo_(std::move(goTo)) {
  setWindowTitle("Compare With");
  setObjectName("frmCompare");
  auto* top = new QHBoxLayout;
  auto* lblKey = new QLabel("&Key field:");
  cboKey = new QComboBox;
  cboKey->setObjectName("cboKey");
  lblKey->setBuddy(cboKey);
  for (int16_t i = 1; i <= modDB::GetFieldCount(); ++i) {
    modDB::FieldDef f;
    if (modDB::GetFieldDef(i, f) == i) cboKey->addItem(QtText::FromCp(f.Name.Trimmed()));
  }
  cmdCompare = new QPushButton("&Compare");
  cmdCompare->setObjectName("cmdCompare");
  top->addWidget(lblKey);
  top->addWidget(cboKey, 1);
  top->addWidget(cmdCompare);
  lstDiffs = new QTreeWidget;
  lstDiffs->setObjectName("lstDiffs");
  lstDiffs->setHeaderLabels({"Key", "Field", "A", "B"});
  lstDiffs->setRootIsDecorated(false);
  lstDiffs->setAccessibleName("Differences");
  lblCount = new QLabel(QString("A: %1\nB: %2").arg(QtText::FromCp(a), QtText::FromCp(b)));
  lblCount->setObjectName("lblCount");
  cmdGoTo = new QPushButton("&Go To");
  cmdGoTo->setObjectName("cmdGoTo");
  cmdTake = new QPushButton("&Take B's Value");
  cmdTake->setObjectName("cmdTake");
  cmdClose = new QPushButton("Close");
  cmdClose->setObjectName("cmdClose");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblCount, 1);
  buttons->addWidget(cmdGoTo);
  buttons->addWidget(cmdTake);
  buttons->addWidget(cmdClose);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(lstDiffs, 1);
  all->addLayout(buttons);
  resize(640, 400);
  connect(cmdCompare, &QPushButton::clicked, this, &frmCompare::Compare);
  connect(cmdGoTo, &QPushButton::clicked, this, &frmCompare::GoTo);
  connect(cmdTake, &QPushButton::clicked, this, &frmCompare::TakeB);
  connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
  connect(lstDiffs, &QTreeWidget::itemActivated, this, &frmCompare::GoTo);
}

void frmCompare::Compare() {
  lstDiffs->clear();
  const std::string key = cboKey->currentText().toStdString();
  if (const std::string why = qfverify::CompareFiles(a_, b_, key, diffs_); !why.empty()) {
    diffs_.clear();
    modDB::GetHost().MsgBox(modLIB::Utf8ToCp1252(why), modDB::vbCritical, "Compare With");
    return;
  }
  for (const auto& d : diffs_) {
    auto* item = new QTreeWidgetItem(lstDiffs, {QString::fromStdString(d.key), QString::fromStdString(d.field),
                                                QString::fromStdString(d.a), QString::fromStdString(d.b)});
    item->setData(0, Qt::UserRole, static_cast<int>(&d - diffs_.data()));
  }
  lblCount->setText(QString("%1 difference%2").arg(diffs_.size()).arg(diffs_.size() == 1 ? "" : "s"));
  if (lstDiffs->topLevelItemCount()) lstDiffs->setCurrentItem(lstDiffs->topLevelItem(0));
}

void frmCompare::GoTo() {
  QTreeWidgetItem* item = lstDiffs->currentItem();
  if (!item) return;
  const auto& d = diffs_[static_cast<size_t>(item->data(0, Qt::UserRole).toInt())];
  if (d.recordA) goTo_(d.recordA);
}

void frmCompare::TakeB() {
  QTreeWidgetItem* item = lstDiffs->currentItem();
  if (!item) return;
  const auto& d = diffs_[static_cast<size_t>(item->data(0, Qt::UserRole).toInt())];
  if (!d.recordA || d.field == "(record)") {
    modDB::GetHost().MsgBox("The key is in one file only: there is no value to take.", modDB::vbInformation,
                            "Compare With");
    return;
  }
  const int16_t slot = modDB::FindField(modLIB::Utf8ToCp1252(d.field));
  if (slot <= 0 || modDB::WriteFieldsOf(d.recordA, {{slot, modLIB::Utf8ToCp1252(d.b), modLIB::Utf8ToCp1252(d.a)}},
                                               "Compare With") != 1) return;
  goTo_(d.recordA);
  delete item;
}

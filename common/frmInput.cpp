#include "common/frmInput.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "common/KeyFilter.h"
#include "common/modDlg.h"
#include "common/QtText.h"
#include "lib/modLIB.h"

frmInput::frmInput(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QtText::FromCp(modDlg::DialogTitle));
  txtStr = new QLineEdit(this);
  txtStr->setObjectName("txtStr");
  txtStr->setMinimumWidth(260);
  txtStr->setAccessibleName(windowTitle());  // the title is the box's question
  cmdOK = new QPushButton(tr("OK"), this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);  // Enter in the box answers Ok as well

  auto* row = new QHBoxLayout(this);
  row->addWidget(txtStr, 1);
  row->addWidget(cmdOK);
  setLayout(row);

  txtStr->setMaxLength(modDlg::InputMaxLength > 0 ? modDlg::InputMaxLength : 32);
  Mode = QtText::FromCp(modDlg::InputMode.empty() ? std::string("*") : modDlg::InputMode);
  if (Mode.contains('P')) {
    txtStr->setEchoMode(QLineEdit::Password);
    txtStr->setStyleSheet(QStringLiteral("lineedit-password-character: 35;"));  // "#"
  }
  txtStr->setText(QtText::FromCp(modLIB::Trim(modDlg::InputText)));
  txtStr->selectAll();
  KeyFilter::Install(txtStr, Mode);

  connect(cmdOK, &QPushButton::clicked, this, &frmInput::cmdOK_Click);
  setFixedSize(sizeHint());
}

void frmInput::cmdOK_Click() {
  modDlg::InputText = modLIB::Trim(QtText::ToCp(txtStr->text()));
  accept();
}

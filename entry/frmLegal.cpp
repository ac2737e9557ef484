#include "entry/frmLegal.h"

#include <QListWidget>
#include <QVBoxLayout>

#include "common/QtText.h"

frmLegal::frmLegal(QWidget* parent, const std::string& label, const std::vector<qfchecks::LegalValue>& values,
                   const std::string& current)
    : QDialog(parent) {
  setObjectName("frmLegal");
  setWindowTitle(QtText::FromCp(label));
  lstValues = new QListWidget(this);
  lstValues->setObjectName("lstValues");
  for (const qfchecks::LegalValue& v : values)
    lstValues->addItem(QtText::FromCp(v.Code) + (v.Label == v.Code ? "" : "   " + QtText::FromCp(v.Label)));
  int at = 0;
  for (size_t k = 0; k < values.size(); ++k)
    if (values[k].Code == current) at = static_cast<int>(k);
  lstValues->setCurrentRow(at);
  auto* all = new QVBoxLayout(this);
  all->addWidget(lstValues);
  connect(lstValues, &QListWidget::itemActivated, this, [this] {
    Picked = lstValues->currentRow();
    accept();
  });
}

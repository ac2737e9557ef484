// frmLegal: the legal values of a field to pick from (caption: the field's label),
// opened with F4 in a field that declares them. Each line shows a code and its label;
// Enter or a double click picks the line, Esc picks nothing.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "checks/Rules.h"

class QListWidget;

class frmLegal : public QDialog {
  Q_OBJECT
 public:
  frmLegal(QWidget* parent, const std::string& label, const std::vector<qfchecks::LegalValue>& values,
           const std::string& current);

  QListWidget* lstValues;
  int Picked = -1;  // the index of the value picked, -1 for none
};

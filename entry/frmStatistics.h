// frmStatistics: Tools > Keying Statistics (caption "Keying Statistics"): the
// sessions kept beside the database and each clerk's sums, as `qfd stats` prints
// them, with the session in hand (not yet written) as the last session line.
#pragma once

#include <QDialog>
#include <string>

#include "verify/Statistics.h"

class QTableWidget;

class frmStatistics : public QDialog {
  Q_OBJECT
 public:
  frmStatistics(QWidget* parent, const std::string& database, const qfverify::Session& current);
  QTableWidget* tblStats;
};

#pragma once
// The values table of the results window as a Qt item model over the
// table of the active marking mode (TGrid): row 0 is the control row, rows
// 1 to 3 the identifiers, units and descriptions, then one row per image.
#include <QAbstractTableModel>

#include "core/results/values_grid.h"

namespace kinevo {

class TResultsTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TResultsTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // The table shown (null: none); call Reset after the table changed.
  void SetGrid(TGrid* grid);
  void Reset();
  // The results row a displayed row shows (-1 for the fixed rows).
  static int ResultsRow(int displayedRow) { return displayedRow - TGrid::kFixedRows; }
  // The displayed row of the image shown in the main window (-1: none).
  void SetHighlightedRow(int resultsRow);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  TGrid* grid_ = nullptr;
  int highlighted_ = -1;
};

}  // namespace kinevo

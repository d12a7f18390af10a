#pragma once
// The values table of one marking mode (TGrid) and the pair of them
// (TResGrid).  One fixed column of row labels and four fixed rows: row 0 is
// the results window's control row, row 1 the identifiers, row 2 the units,
// row 3 the descriptions; data rows follow.
//
// Data columns (N systems, s the 0-based system): 0 the time; 1 .. 2N the
// positions (x, y of each system); then vx, vy, v of each system; then ax,
// ay, a; then θ ("O"), R, ω ("w").  Displayed column k >= 1 shows the
// (k − 1)-th visible data column.
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/colour.h"
#include "core/common/results_target.h"
#include "core/results/quantity.h"
#include "core/results/results_calc.h"

namespace kinevo {

struct TColumnState {
  bool visible = false;
  int32_t digits = 0;  // extra digits, 0..8
};

struct TColumnInfo {
  int quantity = qtTime;
  int system = -1;  // −1 for the time column
  std::string identifier;
  std::string unit;
  std::string description;
};

class TGrid {
 public:
  static constexpr int kFixedRows = 4;
  static constexpr int kMaxDigits = 8;

  TGrid(const TCalcul& calc, const IResultsSource& source, bool layer,
        const TResultsOptions& options)
      : calc_(calc), source_(source), layer_(layer), options_(options) {}

  // Quantity and system of a data column for N systems (qtTime and −1 for
  // column 0; −1 and −1 outside 0 .. 11N).
  static void ColumnQuantity(int dataColumn, int systems, int& quantity, int& system);
  // Data column of (quantity, system); −1 when there is none.
  static int DataColumnOf(int quantity, int system, int systems);

  // 11·N + 1 column states, existing ones kept, new ones hidden with no
  // extra digits.
  void ResetColumns();
  // Displayed columns = max(1, visible data columns) + 1; rows = rows + 4.
  void Recount();
  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }

  // Text of a displayed cell; `formatted` uses the number formatter with the
  // column's extra digits, otherwise the number in general format with up to
  // 15 significant digits (exports).  Empty outside the table.
  std::string CellText(int col, int row, bool formatted) const;

  TColumnInfo ColumnInfo(int dataColumn) const;
  // Data column of a displayed column (>= 1), −1 when there is none; for an
  // uncertainty column, the column of its quantity.
  int DataColumn(int displayedColumn) const;

  // "Afficher les incertitudes": each visible column but the time is
  // followed by the standard uncertainty of its values ("u(x)", same unit),
  // and the formatted values are rounded to match their uncertainty.
  void SetUncertaintiesShown(bool shown);
  bool UncertaintiesShown() const { return uncertainties_; }
  bool IsUncertaintyColumn(int displayedColumn) const;

  void SetKindsVisible(bool visible, TQuantitySet kinds);
  void SetColumnVisible(bool visible, int displayedColumn);
  void MoreDigits(int displayedColumn);
  void FewerDigits(int displayedColumn);
  void ResetDigits();
  TColor ColumnColour(int displayedColumn) const;

  const std::vector<TColumnState>& Columns() const { return columns_; }
  const TCalcul& Calc() const { return calc_; }
  int RowLabel(int row) const { return row + (options_.startByZero ? 0 : 1); }

 private:
  void RebuildVisible();
  // The largest magnitude of a data column (kept until the next computation).
  double ColumnScale(int dataColumn, int s, int q) const;

  const TCalcul& calc_;
  const IResultsSource& source_;
  bool layer_;
  const TResultsOptions& options_;
  std::vector<TColumnState> columns_;
  std::vector<int> visible_;     // visible data columns in order
  std::vector<bool> uncertain_;  // per entry of visible_: the uncertainty column
  bool uncertainties_ = false;
  int colCount_ = 2;
  int rowCount_ = kFixedRows;
  mutable std::vector<double> scales_;
  mutable uint64_t scaleGeneration_ = ~uint64_t{0};
};

// The Grid and Layer tables; the active one follows the marking mode.
class TResGrid {
 public:
  explicit TResGrid(TResCalc& calc, const IResultsSource& source)
      : source_(source),
        grid_(calc.Grid(), source, false, calc.Options()),
        layer_(calc.Layer(), source, true, calc.Options()) {}

  TGrid& Active() { return source_.IsLayerActive() ? layer_ : grid_; }
  const TGrid& Active() const { return source_.IsLayerActive() ? layer_ : grid_; }
  TGrid& Grid() { return grid_; }
  TGrid& Layer() { return layer_; }
  // rtBoth: both tables.
  void ResetDigits(TResultsTarget target);

 private:
  const IResultsSource& source_;
  TGrid grid_, layer_;
};

}  // namespace kinevo

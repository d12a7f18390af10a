#include "core/results/values_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/graph/graph_model_element.h"

namespace kinevo {

void TGrid::ColumnQuantity(int c, int n, int& quantity, int& system) {
  quantity = -1;
  system = -1;
  if (c == 0) {
    quantity = qtTime;
    return;
  }
  if (c < 0 || n <= 0 || c > 11 * n) return;
  if (c <= 2 * n) {
    quantity = c % 2 == 1 ? qtX : qtY;
    system = (c + 1) / 2 - 1;
    return;
  }
  // Blocks of 3 columns per system: speeds, accelerations, polar quantities.
  static constexpr int kBlocks[3][3] = {
      {qtV, qtVx, qtVy}, {qtA, qtAx, qtAy}, {qtOmega, qtTheta, qtR}};
  const int block = (c - 2 * n - 1) / (3 * n);
  const int k = c - (2 + 3 * block) * n;
  quantity = kBlocks[block][k % 3];
  system = (k + 2) / 3 - 1;
}

int TGrid::DataColumnOf(int quantity, int system, int n) {
  if (quantity == qtTime) return 0;
  if (system < 0 || system >= n) return -1;
  switch (quantity) {
    case qtX:
      return 2 * system + 1;
    case qtY:
      return 2 * system + 2;
    case qtVx:
      return 2 * n + 3 * system + 1;
    case qtVy:
      return 2 * n + 3 * system + 2;
    case qtV:
      return 2 * n + 3 * system + 3;
    case qtAx:
      return 5 * n + 3 * system + 1;
    case qtAy:
      return 5 * n + 3 * system + 2;
    case qtA:
      return 5 * n + 3 * system + 3;
    case qtTheta:
      return 8 * n + 3 * system + 1;
    case qtR:
      return 8 * n + 3 * system + 2;
    case qtOmega:
      return 8 * n + 3 * system + 3;
    default:
      return -1;
  }
}

void TGrid::ResetColumns() {
  columns_.resize(static_cast<size_t>(11 * std::max(0, calc_.SystemsCount()) + 1));
  RebuildVisible();
}

void TGrid::Recount() {
  colCount_ = std::max<int>(1, static_cast<int>(visible_.size())) + 1;
  rowCount_ = calc_.RowCount() + kFixedRows;
}

void TGrid::RebuildVisible() {
  visible_.clear();
  uncertain_.clear();
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (!columns_[c].visible) continue;
    visible_.push_back(static_cast<int>(c));
    uncertain_.push_back(false);
    // Times are exact: the time column has no uncertainty beside it.
    if (uncertainties_ && c > 0) {
      visible_.push_back(static_cast<int>(c));
      uncertain_.push_back(true);
    }
  }
}

void TGrid::SetUncertaintiesShown(bool shown) {
  uncertainties_ = shown;
  RebuildVisible();
}

bool TGrid::IsUncertaintyColumn(int displayed) const {
  return displayed >= 1 && displayed <= static_cast<int>(uncertain_.size()) &&
         uncertain_[displayed - 1];
}

int TGrid::DataColumn(int displayed) const {
  if (displayed < 1 || displayed > static_cast<int>(visible_.size())) return -1;
  return visible_[displayed - 1];
}

TColumnInfo TGrid::ColumnInfo(int dataColumn) const {
  TColumnInfo info;
  ColumnQuantity(dataColumn, calc_.SystemsCount(), info.quantity, info.system);
  if (info.quantity < 0) return info;
  info.identifier = QuantityIdentifier(info.quantity);
  info.unit = QuantityUnit(info.quantity);
  info.description = QuantityDescription(info.quantity);
  if (info.system >= 0) {
    if (info.system >= 1) info.identifier += std::to_string(info.system + 1);
    info.description += " " + source_.SystemName(layer_, info.system);
  }
  return info;
}

namespace {

std::string NumberText(double v, int digits, bool formatted) {
  if (formatted || !std::isfinite(v)) return FormatNumber(digits, v);
  return FloatToText(v, 15, DecimalSeparator());
}

}  // namespace

std::string TGrid::CellText(int col, int row, bool formatted) const {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return "";
  if (col == 0) return row >= kFixedRows ? std::to_string(RowLabel(row - kFixedRows)) : "";
  const int c = DataColumn(col);
  if (c < 0 || c >= static_cast<int>(columns_.size())) return "";
  const TColumnInfo info = ColumnInfo(c);
  if (info.quantity < 0) return "";
  const bool isU = IsUncertaintyColumn(col);
  switch (row) {
    case 0:
      return "";
    case 1:
      return isU ? "u(" + info.identifier + ")" : info.identifier;
    case 2:
      return info.unit;
    case 3:
      return isU ? "Incertitude-type : " + info.description : info.description;
    default:
      break;
  }
  const int i = row - kFixedRows;
  const int digits = columns_[c].digits;
  if (c == 0) return NumberText(calc_.RowTime(i), digits, formatted);
  const int s = info.system;
  if (!calc_.IsMarked(s, i)) return "";
  if (options_.hideEdgeSpeed && InSet(kSpeeds, info.quantity) &&
      (i == calc_.FirstMarkedRow(s) || i == calc_.LastMarkedRow(s)))
    return "";
  if (options_.hideEdgeAcceleration && InSet(kAccelerations, info.quantity) &&
      !(calc_.FirstMarkedRow(s) + 1 < i && i < calc_.LastMarkedRow(s) - 1))
    return "";
  double v = calc_.Value(cfAxes, s, info.quantity, i);
  if (uncertainties_) {
    const double u = calc_.Uncertainty(cfAxes, s, info.quantity, i);
    if (!formatted) return NumberText(isU ? u : v, digits, false);
    return isU ? FormatUncertainty(u) : FormatMeasured(v, u);
  }
  // Shown, a value that is only the rounding residue of 0 at the scale of
  // its column (-1.77E-16 for a speed that is exactly 0) is 0; exports keep
  // the number computed.
  if (formatted && IsNegligible(v, ColumnScale(c, s, info.quantity))) v = 0.0;
  return NumberText(v, digits, formatted);
}

double TGrid::ColumnScale(int dataColumn, int s, int q) const {
  if (scaleGeneration_ != calc_.Generation() || scales_.size() != columns_.size()) {
    scales_.assign(columns_.size(), -1.0);
    scaleGeneration_ = calc_.Generation();
  }
  double& scale = scales_[static_cast<size_t>(dataColumn)];
  if (scale >= 0.0) return scale;
  // The values of a column are computed from positions of the size of the
  // picture, divided by the time between images for each derivative: their
  // rounding follows those magnitudes, even where the column holds only
  // zeros (the acceleration of a uniform motion).
  const double picture = std::max(std::fabs(calc_.ScaleX()), std::fabs(calc_.ScaleY()));
  const double dt = calc_.Period() > 0.0 ? calc_.Period() : 1.0;
  double from = 0.0;
  if (InSet(kPositions, q) || q == qtR) from = picture;
  if (InSet(kSpeeds, q)) from = picture / dt;
  if (InSet(kAccelerations, q)) from = picture / (dt * dt);
  if (q == qtTheta) from = std::numbers::pi;
  if (q == qtOmega) from = std::numbers::pi / dt;
  const double values =
      std::max(std::fabs(calc_.MinValue(cfAxes, s, q)), std::fabs(calc_.MaxValue(cfAxes, s, q)));
  scale = std::max(from, std::isfinite(values) ? values : 0.0);
  return scale;
}

void TGrid::SetKindsVisible(bool visible, TQuantitySet kinds) {
  const int n = calc_.SystemsCount();
  for (size_t c = 0; c < columns_.size(); ++c) {
    int q, s;
    ColumnQuantity(static_cast<int>(c), n, q, s);
    if (InSet(kinds, q)) columns_[c].visible = visible;
  }
  if (!columns_.empty()) columns_[0].visible = true;
  RebuildVisible();
}

void TGrid::SetColumnVisible(bool visible, int displayed) {
  const int c = DataColumn(displayed);
  if (c >= 0) columns_[c].visible = visible;
  if (!columns_.empty()) columns_[0].visible = true;
  RebuildVisible();
}

void TGrid::MoreDigits(int displayed) {
  const int c = DataColumn(displayed);
  if (c >= 0) columns_[c].digits = std::min(kMaxDigits, columns_[c].digits + 1);
}

void TGrid::FewerDigits(int displayed) {
  const int c = DataColumn(displayed);
  if (c >= 0) columns_[c].digits = std::max(0, columns_[c].digits - 1);
}

void TGrid::ResetDigits() {
  for (auto& col : columns_) col.digits = 0;
}

TColor TGrid::ColumnColour(int displayed) const {
  const int c = DataColumn(displayed);
  if (c < 0) return colors::White;
  int q, s;
  ColumnQuantity(c, calc_.SystemsCount(), q, s);
  return QuantityColour(q);
}

void TResGrid::ResetDigits(TResultsTarget target) {
  switch (target) {
    case rtBoth:
      layer_.ResetDigits();
      grid_.ResetDigits();
      break;
    case rtLayer:
      layer_.ResetDigits();
      break;
    case rtGrid:
      grid_.ResetDigits();
      break;
    default:
      Active().ResetDigits();
      break;
  }
}

}  // namespace kinevo

#pragma once
// The results of one marking mode seen as the table the formulas read.
#include <functional>
#include <utility>

#include "core/formulas/user_formulas.h"
#include "core/results/quantity.h"
#include "core/results/results_model.h"

namespace kinevo {

class TCalculFormulaTable : public IFormulaTable {
 public:
  // `axisAngle` gives the x-axis angle of the reference frame in radians.
  TCalculFormulaTable(const TCalcul& calcul, std::function<double()> axisAngle)
      : calcul_(calcul), axisAngle_(std::move(axisAngle)) {}

  int32_t RowCount() const override { return calcul_.RowCount(); }
  int32_t SystemsCount() const override { return calcul_.SystemsCount(); }
  double RowTime(int32_t row) const override { return calcul_.RowTime(row); }
  bool HasValue(int32_t q, int32_t s, int32_t row) const override {
    if (!calcul_.IsMarked(s, row)) return false;
    // Speeds, accelerations and polar quantities exist once derived.
    return q == qtX || q == qtY || calcul_.HasDerivatives();
  }
  double Value(int32_t q, int32_t s, int32_t row) const override {
    return calcul_.Value(cfAxes, s, q, row);
  }
  double AxisAngle() const override { return axisAngle_ ? axisAngle_() : 0.0; }

 private:
  const TCalcul& calcul_;
  std::function<double()> axisAngle_;
};

}  // namespace kinevo

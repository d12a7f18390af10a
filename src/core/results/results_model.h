#pragma once
// The results of one marking mode (TCalcul): one row per marked image and,
// for every system, its position, speed, acceleration and polar quantities
// in metres, seconds and radians.
#include <cstdint>
#include <vector>

#include "core/results/quantity.h"
#include "core/results/results_source.h"

namespace kinevo {

// Result codes of Compute and ComputeDerivatives.
enum TComputeCode : int {
  ccOk = 0,
  ccNoSystem = 3,      // no system to derive
  ccBadScale = 4,      // a scale factor is not a positive number
  ccNoVideo = 5,       // no video open
  ccBadPeriod = 6,     // the image period is not a positive number
  ccInactiveMode = 7,  // the source cannot give that mode's marks now
};

// A point of a curve with the label of its row.
struct TLabelledPoint {
  double x = 0.0;
  double y = 0.0;
  int32_t label = 0;
};

class TCalcul {
 public:
  // Smoothing flags of ComputeDerivatives.
  static constexpr int kSmoothSpeed = 1;         // speeds and angular speeds
  static constexpr int kSmoothAcceleration = 2;  // accelerations

  // Rebuilds everything but the derivatives from the series of one marking
  // mode.  Returns ccOk, ccNoVideo, ccInactiveMode or ccBadScale (Stale
  // stays set on failure).
  int Compute(const IResultsSource& source, bool layer);
  // Speeds, accelerations and polar quantities.  Returns ccOk when every
  // system's speed and acceleration could be derived, else the first failure
  // code (a TDeriv code, ccNoSystem or ccBadPeriod).  An angular speed that
  // cannot be derived leaves that system's polar rows as they were.
  int ComputeDerivatives(int flags);

  // Whether ComputeDerivatives also propagates the marks' uncertainties to
  // every quantity (off by default: it costs a pass per mark).
  void SetUncertainties(bool on) { uncertaintiesOn_ = on; }
  bool UncertaintiesOn() const { return uncertaintiesOn_; }
  // Whether the values of Uncertainty belong to the last computation.
  bool HasUncertainties() const { return hasUncertainties_; }

  bool Stale() const { return stale_; }
  // The image of the first mark whose position is not a number at the last
  // Compute (beyond the plane's horizon, or damaged), -1 when none.
  int32_t UnplacedImage() const { return unplacedImage_; }
  void Invalidate() { stale_ = true; }
  // Counts the computations: the values may have changed when it moved.
  uint64_t Generation() const { return generation_; }
  // Whether the last ComputeDerivatives since the last Compute succeeded.
  bool HasDerivatives() const { return derived_; }

  int SystemsCount() const { return systems_; }
  int RowCount() const { return rows_; }
  double ScaleX() const { return scaleX_; }
  double ScaleY() const { return scaleY_; }
  double Period() const { return period_; }

  // Number of rows in which system s is marked (0 for a bad index).
  int MarksCount(int s) const;
  // Copy of the row times; the time of one row (0 outside the table).
  const std::vector<double>& RowTimes() const { return times_; }
  double RowTime(int row) const;
  // The system's relative time index per row (−1 where unmarked); empty for
  // a bad index.
  std::vector<int32_t> RowImages(int s) const;
  bool IsMarked(int s, int row) const;
  // Row numbers 0 .. rows − 1.
  std::vector<int32_t> RowList() const;
  // First and last marked rows of a system (−1 when it has none).
  int FirstMarkedRow(int s) const;
  int LastMarkedRow(int s) const;

  // The value stored for a row; 0 outside the table or for an unassigned
  // code.  qtTime ignores frame and system; magnitudes and polar quantities
  // ignore the frame.
  double Value(int frame, int s, int q, int row) const;
  // Standard uncertainty of that value from the marks' own uncertainties
  // (u(Q)² = Σ (∂Q/∂mark)²·u(mark)², first order for magnitudes and polar
  // quantities); 0 for the time, which is exact, and outside the table.
  double Uncertainty(int frame, int s, int q, int row) const;
  // The scale's relative uncertainty, common to every length, speed and
  // acceleration (not to angles): u = |Q| × this, apart from Uncertainty.
  double ScaleRelativeUncertainty() const { return scaleU_; }

  // The [system][row] matrix of one quantity.
  std::vector<std::vector<double>> QuantityRows(int frame, int q) const;
  // Extremes over the marked rows of a system, from −1e100 (max) and
  // +1e100 (min); the all-systems forms fold the systems.
  double MaxValue(int frame, int s, int q) const;
  double MinValue(int frame, int s, int q) const;
  double MaxValue(int frame, int q) const;
  double MinValue(int frame, int q) const;

  // Positions of system a seen from system b (translation only), in the
  // reference frame's axes; b = −1: the positions of a; b = a: one point at
  // (0, 0).  Labels follow `startByZero`.
  std::vector<TLabelledPoint> RelativeTrajectory(int a, int b, bool startByZero) const;
  // One point per marked row of the system: (quantity qx, quantity qy).
  std::vector<TLabelledPoint> CurvePoints(int frame, int s, int qx, int qy, bool startByZero) const;

 private:
  // Storage index of (s, row) in the [N × rows] matrices.
  size_t At(int s, int row) const { return static_cast<size_t>(s) * rows_ + row; }
  const std::vector<double>* Matrix(int frame, int q) const;
  const std::vector<double>* UncertaintyMatrix(int frame, int q) const;
  void ClearUncertainties();
  // Uncertainties of one system's derived quantities: the variances of the
  // first and second derivatives of its raw X and Y (per image², in
  // fractions), from the derivations just made.
  void SpreadUncertainties(int s, const std::vector<double>& vx1, const std::vector<double>& vx2,
                           const std::vector<double>& vy1, const std::vector<double>& vy2);
  // Standard uncertainty of the polar angle of the mark stored at i.
  double AngleUncertainty(size_t i) const;
  void PolarUncertainties(int s, const std::vector<double>& uTheta, const std::vector<double>& vw);
  bool ValidCell(int s, int row) const { return s >= 0 && s < systems_ && row >= 0 && row < rows_; }

  bool stale_ = true;
  bool derived_ = false;
  uint64_t generation_ = 0;
  int systems_ = 0;
  int rows_ = 0;
  double scaleX_ = 0.0, scaleY_ = 0.0;
  double period_ = 0.0;
  // The frame's rotation and direction flags at the last Compute.
  double cos_ = 1.0, sin_ = 0.0;
  bool directX_ = true, directY_ = true;

  std::vector<double> times_;
  bool fileTimes_ = false;          // times_ read from the video file
  std::vector<int32_t> markImage_;  // [N × rows]
  int32_t unplacedImage_ = -1;
  std::vector<double> rawX_, rawY_;  // [N × rows]
  std::vector<double> x_[2], y_[2];  // per frame, [N × rows]
  std::vector<double> vx_[2], vy_[2], ax_[2], ay_[2];
  std::vector<double> v_, a_, theta_, r_, omega_;
  // Standard uncertainties of the raw positions, and of each quantity.
  bool uncertaintiesOn_ = false;
  bool hasUncertainties_ = false;
  double scaleU_ = 0.0;
  std::vector<double> uRawX_, uRawY_;
  std::vector<double> ux_[2], uy_[2], uvx_[2], uvy_[2], uax_[2], uay_[2];
  std::vector<double> uv_, ua_, utheta_, ur_, uomega_;
  // Marked rows of each system, in row order (the per-system samples).
  std::vector<std::vector<int32_t>> markedRows_;
};

}  // namespace kinevo

#include "core/results/results_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/common/huge_pages.h"
#include "core/common/math_utils.h"
#include "core/results/deriv.h"

namespace kinevo {

namespace {

constexpr double kPi = std::numbers::pi;

bool PositiveNumber(double v) { return v > 0.0 && std::isfinite(v) && !IsHuge(v); }

// Value at (s, row) of a per-system series of uncertainties; 0 when absent.
double SeriesValue(const std::vector<std::vector<double>>& m, int s, int row) {
  if (s >= static_cast<int>(m.size()) || row >= static_cast<int>(m[s].size())) return 0.0;
  return m[s][row];
}

// Standard uncertainty of √(a² + b²) from independent a and b of variances
// va and vb, to first order.  At 0 the gradient has no direction: the mean
// of both variances stands for it.
double MagnitudeUncertainty(double a, double b, double va, double vb) {
  const double m2 = a * a + b * b;
  if (m2 == 0.0) return std::sqrt((va + vb) / 2.0);
  return std::sqrt((a * a * va + b * b * vb) / m2);
}

}  // namespace

int TCalcul::Compute(const IResultsSource& source, bool layer) {
  if (!source.IsVideoOpen()) return ccNoVideo;
  if (!source.Serves(layer)) return ccInactiveMode;
  derived_ = false;
  ++generation_;

  TMarkSeries series;
  source.GetSeries(layer, series);
  rows_ = static_cast<int>(series.times.size());
  systems_ = static_cast<int>(series.images.size());
  const size_t cells = static_cast<size_t>(systems_) * rows_;

  times_ = std::move(series.times);
  fileTimes_ = series.fileTimes;
  // A long analysis has millions of cells per column: new columns are
  // placed on huge pages before they are filled.
  auto fill = [cells](auto& column, auto value) {
    column.clear();
    ReserveLarge(column, cells);
    column.assign(cells, value);
  };
  fill(markImage_, -1);
  fill(rawX_, 0.0);
  fill(rawY_, 0.0);
  fill(uRawX_, 0.0);
  fill(uRawY_, 0.0);
  for (auto* m : {&x_[0], &x_[1], &y_[0], &y_[1], &vx_[0], &vx_[1], &vy_[0], &vy_[1], &ax_[0],
                  &ax_[1], &ay_[0], &ay_[1], &v_, &a_, &theta_, &r_, &omega_})
    fill(*m, 0.0);
  markedRows_.assign(systems_, {});

  for (int s = 0; s < systems_; ++s) {
    const auto& img = series.images[s];
    const auto* xs = s < static_cast<int>(series.xs.size()) ? &series.xs[s] : nullptr;
    const auto* ys = s < static_cast<int>(series.ys.size()) ? &series.ys[s] : nullptr;
    for (int row = 0; row < rows_ && row < static_cast<int>(img.size()); ++row) {
      if (img[row] < 0) continue;
      markImage_[At(s, row)] = img[row];
      rawX_[At(s, row)] = xs && row < static_cast<int>(xs->size()) ? (*xs)[row] : 0.0;
      rawY_[At(s, row)] = ys && row < static_cast<int>(ys->size()) ? (*ys)[row] : 0.0;
      uRawX_[At(s, row)] = std::abs(SeriesValue(series.uxs, s, row));
      uRawY_[At(s, row)] = std::abs(SeriesValue(series.uys, s, row));
      markedRows_[s].push_back(row);
    }
  }

  period_ = source.ImagePeriod();
  const auto [kx, ky] = source.ScaleFactors();
  scaleX_ = kx;
  scaleY_ = ky;
  // Not positive, not a number or beyond 1e100: no usable scale.
  if (!PositiveNumber(kx) || !PositiveNumber(ky)) return ccBadScale;
  scaleU_ = source.ScaleRelativeUncertainty();
  ClearUncertainties();

  const double alpha = source.XAxisAngle(layer);
  cos_ = std::cos(alpha);
  sin_ = std::sin(alpha);
  directX_ = source.DirectXAxisDirection(layer);
  directY_ = source.DirectYAxisDirection(layer);
  for (int s = 0; s < systems_; ++s) {
    for (int row : markedRows_[s]) {
      const size_t i = At(s, row);
      const double X = rawX_[i], Y = rawY_[i];
      double xa = kx * X * cos_ + ky * Y * sin_;
      double ya = ky * Y * cos_ - kx * X * sin_;
      if (!directX_) xa = -xa;
      if (!directY_) ya = -ya;
      x_[cfAxes][i] = xa;
      y_[cfAxes][i] = ya;
      x_[cfPicture][i] = kx * X;
      y_[cfPicture][i] = ky * Y;
      // The rotation mixes both picture directions; the flips change no
      // uncertainty.
      const double ex = kx * uRawX_[i], ey = ky * uRawY_[i];
      ux_[cfPicture][i] = ex;
      uy_[cfPicture][i] = ey;
      ux_[cfAxes][i] = std::hypot(cos_ * ex, sin_ * ey);
      uy_[cfAxes][i] = std::hypot(cos_ * ey, sin_ * ex);
    }
  }
  // A mark the measure cannot place (beyond the horizon of the plane of
  // motion, or not a number in a damaged document) keeps a position that
  // is not a number, shown as such; the derivatives refuse it, and the
  // failure names its image.
  unplacedImage_ = -1;
  for (int s = 0; s < systems_ && unplacedImage_ < 0; ++s)
    for (int row : markedRows_[s])
      if (const size_t i = At(s, row); !std::isfinite(rawX_[i]) || !std::isfinite(rawY_[i])) {
        unplacedImage_ = markImage_[i];
        break;
      }
  stale_ = false;
  return ccOk;
}

int TCalcul::ComputeDerivatives(int flags) {
  derived_ = false;
  ++generation_;
  if (systems_ == 0) return ccNoSystem;
  if (!PositiveNumber(period_)) return ccBadPeriod;
  const bool smoothV = (flags & kSmoothSpeed) != 0;
  const bool smoothA = (flags & kSmoothAcceleration) != 0;

  const bool withU = uncertaintiesOn_;
  hasUncertainties_ = false;
  TDeriv deriv;
  std::vector<double> t, X, Y, uX, uY, dX1, dX2, dY1, dY2, theta, uTheta;
  std::vector<double> vX1, vX2, vY1, vY2, vW, unused;
  // First derivative with the speed smoothing, second with the acceleration
  // smoothing; one pass when both smoothings agree.  The variances follow
  // the very steps of each pass.
  auto derive = [&](const std::vector<double>& z, const std::vector<double>& u,
                    std::vector<double>& d1, std::vector<double>& d2, std::vector<double>& v1,
                    std::vector<double>& v2) {
    deriv.Load(t, z, period_);
    int code = deriv.Derive(smoothV);
    if (code != 0) return code;
    d1 = deriv.First();
    if (withU) deriv.Variances(u, v1, v2);
    if (smoothA != smoothV) {
      code = deriv.Derive(smoothA);
      if (code != 0) return code;
      if (withU) deriv.Variances(u, unused, v2);
    }
    d2 = deriv.Second();
    return 0;
  };

  for (int s = 0; s < systems_; ++s) {
    const auto& rows = markedRows_[s];
    const size_t n = rows.size();
    t.resize(n);
    X.resize(n);
    Y.resize(n);
    uX.resize(n);
    uY.resize(n);
    for (size_t k = 0; k < n; ++k) {
      const size_t i = At(s, rows[k]);
      // The derivative is per image and divided by the period: with times
      // from the file, an image's place on that scale is its time / period.
      t[k] = fileTimes_ ? times_[static_cast<size_t>(rows[k])] / period_ : markImage_[i];
      X[k] = rawX_[i];
      Y[k] = rawY_[i];
      uX[k] = uRawX_[i];
      uY[k] = uRawY_[i];
    }
    int code = derive(X, uX, dX1, dX2, vX1, vX2);
    if (code == 0) code = derive(Y, uY, dY1, dY2, vY1, vY2);
    if (code != 0) return code;

    // Spread to the rows: 0 where unmarked.
    for (int row = 0; row < rows_; ++row) {
      const size_t i = At(s, row);
      for (auto* m :
           {&vx_[0], &vx_[1], &vy_[0], &vy_[1], &ax_[0], &ax_[1], &ay_[0], &ay_[1], &v_, &a_})
        (*m)[i] = 0.0;
    }
    auto spread = [&](double cx, double cy, std::vector<double>* mx, std::vector<double>* my,
                      std::vector<double>& mag, size_t i) {
      mx[cfPicture][i] = cx;
      my[cfPicture][i] = cy;
      mag[i] = std::sqrt(cx * cx + cy * cy);
      double xa = cx * cos_ + cy * sin_;
      double ya = cy * cos_ - cx * sin_;
      if (!directX_) xa = -xa;
      if (!directY_) ya = -ya;
      mx[cfAxes][i] = xa;
      my[cfAxes][i] = ya;
    };
    for (size_t k = 0; k < n; ++k) {
      const size_t i = At(s, rows[k]);
      spread(scaleX_ * dX1[k], scaleY_ * dY1[k], vx_, vy_, v_, i);
      spread(scaleX_ * dX2[k], scaleY_ * dY2[k], ax_, ay_, a_, i);
    }

    // Polar quantities: the angle unwrapped across the ±π line.
    theta.resize(n);
    double offset = 0.0, previous = 0.0;
    for (size_t k = 0; k < n; ++k) {
      const size_t i = At(s, rows[k]);
      const double raw = std::atan2(y_[cfAxes][i], x_[cfAxes][i]);
      if (k > 0) {
        const double d = raw - previous;
        if (d >= 0.0 && d >= kPi)
          offset -= 2.0 * kPi;
        else if (d < 0.0 && d <= -kPi)
          offset += 2.0 * kPi;
      }
      previous = raw;
      theta[k] = raw + offset;
    }
    if (withU) SpreadUncertainties(s, vX1, vX2, vY1, vY2);
    deriv.Load(t, theta, period_);
    if (deriv.Derive(smoothV) != 0) continue;  // polar rows left as they were
    const auto& w = deriv.First();
    if (withU) {
      uTheta.resize(n);
      for (size_t k = 0; k < n; ++k) uTheta[k] = AngleUncertainty(At(s, rows[k]));
      deriv.Variances(uTheta, vW, unused);
      PolarUncertainties(s, uTheta, vW);
    }
    for (int row = 0; row < rows_; ++row) {
      const size_t i = At(s, row);
      theta_[i] = r_[i] = omega_[i] = 0.0;
    }
    for (size_t k = 0; k < n; ++k) {
      const size_t i = At(s, rows[k]);
      const double xa = x_[cfAxes][i], ya = y_[cfAxes][i];
      theta_[i] = theta[k];
      r_[i] = std::sqrt(xa * xa + ya * ya);
      omega_[i] = w[k];
    }
  }
  derived_ = true;
  hasUncertainties_ = withU;
  return ccOk;
}

void TCalcul::ClearUncertainties() {
  const size_t cells = static_cast<size_t>(systems_) * rows_;
  for (auto* m : {&ux_[0], &ux_[1], &uy_[0], &uy_[1], &uvx_[0], &uvx_[1], &uvy_[0], &uvy_[1],
                  &uax_[0], &uax_[1], &uay_[0], &uay_[1], &uv_, &ua_, &utheta_, &ur_, &uomega_})
    m->assign(cells, 0.0);
  hasUncertainties_ = false;
}

double TCalcul::AngleUncertainty(size_t i) const {
  // θ = atan2(y, x) in the frame's axes, x and y rotated (and perhaps
  // flipped) from the picture's xp = kx·X and yp = ky·Y.
  const double xa = x_[cfAxes][i], ya = y_[cfAxes][i];
  const double r2 = xa * xa + ya * ya;
  if (r2 == 0.0) return 0.0;
  const double sx = directX_ ? 1.0 : -1.0, sy = directY_ ? 1.0 : -1.0;
  const double dxp = (-ya * sx * cos_ - xa * sy * sin_) / r2;
  const double dyp = (-ya * sx * sin_ + xa * sy * cos_) / r2;
  return std::hypot(dxp * scaleX_ * uRawX_[i], dyp * scaleY_ * uRawY_[i]);
}

void TCalcul::SpreadUncertainties(int s, const std::vector<double>& vx1,
                                  const std::vector<double>& vx2, const std::vector<double>& vy1,
                                  const std::vector<double>& vy2) {
  const auto& rows = markedRows_[s];
  const double kx2 = scaleX_ * scaleX_, ky2 = scaleY_ * scaleY_;
  const double c2 = cos_ * cos_, s2 = sin_ * sin_;
  // Variances of the picture components (vx' = kx·dX ...), then through the
  // rotation; X and Y are independent, so no cross term.
  auto spread = [&](double vx, double vy, double cx, double cy, std::vector<double>* ux,
                    std::vector<double>* uy, std::vector<double>& umag, size_t i) {
    ux[cfPicture][i] = std::sqrt(vx);
    uy[cfPicture][i] = std::sqrt(vy);
    ux[cfAxes][i] = std::sqrt(c2 * vx + s2 * vy);
    uy[cfAxes][i] = std::sqrt(c2 * vy + s2 * vx);
    umag[i] = MagnitudeUncertainty(cx, cy, vx, vy);
  };
  for (size_t k = 0; k < rows.size(); ++k) {
    const size_t i = At(s, rows[k]);
    spread(kx2 * vx1[k], ky2 * vy1[k], vx_[cfPicture][i], vy_[cfPicture][i], uvx_, uvy_, uv_, i);
    spread(kx2 * vx2[k], ky2 * vy2[k], ax_[cfPicture][i], ay_[cfPicture][i], uax_, uay_, ua_, i);
  }
}

void TCalcul::PolarUncertainties(int s, const std::vector<double>& uTheta,
                                 const std::vector<double>& vw) {
  const auto& rows = markedRows_[s];
  for (size_t k = 0; k < rows.size(); ++k) {
    const size_t i = At(s, rows[k]);
    const double xp = x_[cfPicture][i], yp = y_[cfPicture][i];
    utheta_[i] = uTheta[k];
    ur_[i] = MagnitudeUncertainty(xp, yp, scaleX_ * scaleX_ * uRawX_[i] * uRawX_[i],
                                  scaleY_ * scaleY_ * uRawY_[i] * uRawY_[i]);
    uomega_[i] = std::sqrt(vw[k]);
  }
}

int TCalcul::MarksCount(int s) const {
  return s >= 0 && s < systems_ ? static_cast<int>(markedRows_[s].size()) : 0;
}

double TCalcul::RowTime(int row) const { return row >= 0 && row < rows_ ? times_[row] : 0.0; }

std::vector<int32_t> TCalcul::RowImages(int s) const {
  if (s < 0 || s >= systems_) return {};
  return std::vector<int32_t>(markImage_.begin() + static_cast<std::ptrdiff_t>(At(s, 0)),
                              markImage_.begin() + static_cast<std::ptrdiff_t>(At(s, 0) + rows_));
}

bool TCalcul::IsMarked(int s, int row) const {
  return ValidCell(s, row) && markImage_[At(s, row)] >= 0;
}

std::vector<int32_t> TCalcul::RowList() const {
  std::vector<int32_t> list(rows_);
  for (int i = 0; i < rows_; ++i) list[i] = i;
  return list;
}

int TCalcul::FirstMarkedRow(int s) const {
  return s >= 0 && s < systems_ && !markedRows_[s].empty() ? markedRows_[s].front() : -1;
}

int TCalcul::LastMarkedRow(int s) const {
  return s >= 0 && s < systems_ && !markedRows_[s].empty() ? markedRows_[s].back() : -1;
}

namespace {

// The matrix of (frame, quantity) among columns laid out as the values are
// (the values themselves, or their uncertainties).
template <class M>
M* Column(int frame, int q, M (&x)[2], M (&y)[2], M (&vx)[2], M (&vy)[2], M (&ax)[2], M (&ay)[2],
          M& v, M& a, M& theta, M& r, M& omega) {
  if (HasFrames(q) && frame != cfAxes && frame != cfPicture) return nullptr;
  const int f = frame == cfPicture ? cfPicture : cfAxes;
  switch (q) {
    case qtX:
      return &x[f];
    case qtY:
      return &y[f];
    case qtVx:
      return &vx[f];
    case qtVy:
      return &vy[f];
    case qtV:
      return &v;
    case qtAx:
      return &ax[f];
    case qtAy:
      return &ay[f];
    case qtA:
      return &a;
    case qtTheta:
      return &theta;
    case qtR:
      return &r;
    case qtOmega:
      return &omega;
    default:
      return nullptr;
  }
}

}  // namespace

const std::vector<double>* TCalcul::Matrix(int frame, int q) const {
  return Column(frame, q, x_, y_, vx_, vy_, ax_, ay_, v_, a_, theta_, r_, omega_);
}

const std::vector<double>* TCalcul::UncertaintyMatrix(int frame, int q) const {
  return Column(frame, q, ux_, uy_, uvx_, uvy_, uax_, uay_, uv_, ua_, utheta_, ur_, uomega_);
}

double TCalcul::Uncertainty(int frame, int s, int q, int row) const {
  const auto* m = UncertaintyMatrix(frame, q);
  if (!m || !ValidCell(s, row) || m->size() <= At(s, row)) return 0.0;
  return (*m)[At(s, row)];
}

double TCalcul::Value(int frame, int s, int q, int row) const {
  if (q == qtTime) return RowTime(row);
  const auto* m = Matrix(frame, q);
  if (!m || !ValidCell(s, row)) return 0.0;
  return (*m)[At(s, row)];
}

std::vector<std::vector<double>> TCalcul::QuantityRows(int frame, int q) const {
  std::vector<std::vector<double>> out(systems_, std::vector<double>(rows_, 0.0));
  for (int s = 0; s < systems_; ++s)
    for (int row = 0; row < rows_; ++row) out[s][row] = Value(frame, s, q, row);
  return out;
}

double TCalcul::MaxValue(int frame, int s, int q) const {
  double m = -1e100;
  if (s < 0 || s >= systems_) return m;
  for (int row : markedRows_[s]) m = std::max(m, Value(frame, s, q, row));
  return m;
}

double TCalcul::MinValue(int frame, int s, int q) const {
  double m = 1e100;
  if (s < 0 || s >= systems_) return m;
  for (int row : markedRows_[s]) m = std::min(m, Value(frame, s, q, row));
  return m;
}

double TCalcul::MaxValue(int frame, int q) const {
  double m = -1e100;
  for (int s = 0; s < systems_; ++s) m = std::max(m, MaxValue(frame, s, q));
  return m;
}

double TCalcul::MinValue(int frame, int q) const {
  double m = 1e100;
  for (int s = 0; s < systems_; ++s) m = std::min(m, MinValue(frame, s, q));
  return m;
}

std::vector<TLabelledPoint> TCalcul::RelativeTrajectory(int a, int b, bool startByZero) const {
  const int first = startByZero ? 0 : 1;
  std::vector<TLabelledPoint> out;
  if (a < 0 || a >= systems_) return out;
  if (b == a) {
    out.push_back({0.0, 0.0, first});
    return out;
  }
  if (b != -1 && (b < 0 || b >= systems_)) return out;
  for (int row : markedRows_[a]) {
    const size_t i = At(a, row);
    if (b == -1) {
      out.push_back({x_[cfAxes][i], y_[cfAxes][i], row + first});
    } else if (markImage_[At(b, row)] >= 0) {
      const size_t j = At(b, row);
      out.push_back({x_[cfAxes][i] - x_[cfAxes][j], y_[cfAxes][i] - y_[cfAxes][j], row + first});
    }
  }
  return out;
}

std::vector<TLabelledPoint> TCalcul::CurvePoints(int frame, int s, int qx, int qy,
                                                 bool startByZero) const {
  std::vector<TLabelledPoint> out;
  if (s < 0 || s >= systems_) return out;
  out.reserve(markedRows_[s].size());
  for (int row : markedRows_[s])
    out.push_back(
        {Value(frame, s, qx, row), Value(frame, s, qy, row), row + (startByZero ? 0 : 1)});
  return out;
}

}  // namespace kinevo

#include "core/graph/graph_model_element.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "core/common/math_utils.h"
#include "core/common/number_format.h"
#include "core/graph/curve_models.h"
#include "core/graph/fit_uncertainty.h"
#include "core/graph/units.h"

namespace kinevo {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr const char* kLetters = "rbcdkfghijlmnopq";
// Offsets, amplitudes and intercepts stay within this many pixels.
constexpr double kMaxPixels = 10000.0;
// How near the curve (pixels) a press grabs it.
constexpr int kGrabTolerance = 5;

bool KnownKind(int kind) { return ModelParameterCount(kind) > 0; }

std::string Letter(int slot) { return std::string(1, kLetters[slot]); }

// Equation template of a kind, with "%s" for each displayed parameter.
const char* Template(int kind) {
  switch (kind) {
    case mkAffine:
      return "%s + %s.t";
    case mkConstant:
      return "%s";
    case mkExponential:
      return "%s + %s.exp(%s.t)";
    case mkParabola:
      return "%s + %s.t + %s.t²";
    case mkProportional:
      return "%s.t";
    case mkSinus:
      return "%s + %s.sin(%s.t + %s)";
    case mkSinusAe:
      return "%s + %s.sin(%s.t + %s).exp(%s.t)";
    default:
      return "";
  }
}

double Wrap2Pi(double a) {
  a = std::fmod(a, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}

// Ctrl and Alt slow the deformations of the sinusoids down.
double SlowDown(TShiftState s) { return s.alt ? 0.01 : s.ctrl ? 0.1 : 1.0; }

}  // namespace

std::string FormatUncertainty(double u) {
  if (!std::isfinite(u)) return "#Nombre!";
  if (u == 0.0) return "0";
  const double a = std::fabs(u);
  int e = static_cast<int>(std::floor(std::log10(a)));
  // Rounding to two digits may carry into the next power of ten.
  const double rounded = std::round(a / std::pow(10.0, e - 1)) * std::pow(10.0, e - 1);
  if (rounded >= std::pow(10.0, e + 1)) ++e;
  char buf[64];
  ScopedCNumericLocale cNumbers;  // "." below, then the separator
  if (e >= -4 && e < 6) {
    // Above 10 the digits beyond the second are zeros.
    std::snprintf(buf, sizeof buf, "%.*f", std::max(0, 1 - e), std::copysign(rounded, u));
  } else {
    std::snprintf(buf, sizeof buf, "%.1fE%d", u / std::pow(10.0, e), e);
  }
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = DecimalSeparator();
  return s;
}

std::string FormatMeasured(double value, double u) {
  if (!std::isfinite(value) || !std::isfinite(u) || !(u > 0.0)) return FormatNumber(0, value);
  // The uncertainty's second significant digit is the value's last one.
  const int e = static_cast<int>(std::floor(std::log10(u)));
  const int decimals = 1 - e;
  if (decimals < 0 || decimals > 10 || !(std::fabs(value) < 1e7)) return FormatNumber(0, value);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s = buf;
  for (char& c : s)
    if (c == '.') c = DecimalSeparator();
  return s;
}

TGModele::TGModele(std::vector<TWorldPoint> points, int maskedAtEnds)
    : TGElem(obModele), points_(std::move(points)), maskedAtEnds_(std::max(0, maskedAtEnds)) {
  colour = kModelColour;
  const int n = static_cast<int>(points_.size());
  for (int i = maskedAtEnds_; i <= n - 1 - maskedAtEnds_; ++i) {
    x_.push_back(points_[static_cast<std::size_t>(i)].x);
    y_.push_back(points_[static_cast<std::size_t>(i)].y);
  }
}

// ---------------------------------------------------------------- parameters

void TGModele::SetModelKind(int kind) {
  drag_ = mhNone;
  if (!KnownKind(kind)) {
    kind_ = mkNone;
    fitCode_ = 0;
    Changed();
    return;
  }
  kind_ = kind;
  fitCode_ = FitModel(kind, x_, y_, P());
  // The weighted fit starts from the unweighted one; the slope that turns
  // u(x) into an ordinate's share follows the fit once.
  for (int pass = 0; pass < 2 && fitCode_ == 0 && Weighted(); ++pass) {
    UpdateSigma();
    fitCode_ = WeightedFit(kind, x_, y_, sigma_, P());
  }
  if (Weighted()) UpdateSigma();
  handSet_ = false;
  Changed();
}

void TGModele::SetPointUncertainties(std::vector<double> uy, std::vector<double> ux) {
  uy_.clear();
  ux_.clear();
  const int n = static_cast<int>(points_.size());
  if (static_cast<int>(uy.size()) < n) return;
  for (int i = maskedAtEnds_; i <= n - 1 - maskedAtEnds_; ++i) {
    uy_.push_back(uy[static_cast<std::size_t>(i)]);
    ux_.push_back(static_cast<int>(ux.size()) == n ? ux[static_cast<std::size_t>(i)] : 0.0);
  }
}

void TGModele::UpdateSigma() {
  sigma_.assign(uy_.size(), 0.0);
  for (std::size_t i = 0; i < uy_.size() && i < x_.size(); ++i) {
    double slope = 0.0;
    if (ux_[i] > 0.0 && KnownKind(kind_)) {
      const double h = 1e-6 * std::max(std::fabs(x_[i]), 1e-3);
      slope = (Value(x_[i] + h) - Value(x_[i] - h)) / (2.0 * h);
    }
    sigma_[i] = std::hypot(uy_[i], std::isfinite(slope) ? slope * ux_[i] : 0.0);
  }
}

const std::vector<double>& TGModele::Parameters() const {
  return params_[static_cast<std::size_t>(kind_)];
}

void TGModele::SetParameter(int i, double value) {
  if (!KnownKind(kind_) || i < 0 || i >= static_cast<int>(P().size())) return;
  double& p = P()[static_cast<std::size_t>(i)];
  if (std::fabs(p - value) < 1e-100 || (std::isnan(p) && std::isnan(value))) return;
  p = value;
  handSet_ = true;
  Changed();
}

std::vector<int> TGModele::ParameterSlots() const {
  switch (kind_) {
    case mkConstant:
      return {0};
    case mkProportional:
      return {1};
    default: {
      std::vector<int> s(static_cast<std::size_t>(ModelParameterCount(kind_)));
      for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int>(i);
      return s;
    }
  }
}

bool TGModele::IsLinear() const {
  return kind_ == mkAffine || kind_ == mkConstant || kind_ == mkProportional;
}

std::vector<TModelParameter> TGModele::DisplayedParameters() const {
  std::vector<TModelParameter> out;
  const std::vector<double>& p = Parameters();
  if (kind_ == mkSinusAl) {
    const TDryFriction f = DryFrictionCoefficients(p);
    std::vector<double> cov;
    const bool weighted = Weighted() && sigma_.size() == x_.size();
    ParameterCovariance(kind_, x_, y_, p, cov, weighted ? sigma_ : std::vector<double>{});
    const std::vector<double> u = PropagatedUncertainties(p, cov, [](std::span<const double> q) {
      const TDryFriction d = DryFrictionCoefficients(q);
      return std::vector<double>{d.r, d.b, d.c, d.y0, d.dy0};
    });
    const double values[] = {f.r, f.b, f.c, f.y0, f.dy0};
    const std::string names[] = {"r", "b", "c", ordinateName + "(0)", ordinateName + "'(0)"};
    const std::vector<std::string> units = SlotUnits();
    for (int i = 0; i < 5; ++i) {
      const auto k = static_cast<size_t>(i);
      out.push_back({names[i], values[i], u[k], units[k]});
    }
    return out;
  }
  const std::vector<std::string> units = SlotUnits();
  for (int slot : ParameterSlots()) {
    const auto s = static_cast<std::size_t>(slot);
    out.push_back({Letter(slot), p[s], s < uncertainties_.size() ? uncertainties_[s] : NAN,
                   s < units.size() ? units[s] : std::string()});
  }
  return out;
}

std::vector<std::string> TGModele::SlotUnits() const {
  const std::string& t = abscissaUnit;
  const std::string& y = ordinateUnit;
  switch (kind_) {
    case mkAffine:
      return {y, UnitRatio(y, t)};
    case mkConstant:
      return {y, ""};
    case mkProportional:
      return {"", UnitRatio(y, t)};
    case mkParabola:
      return {y, UnitRatio(y, t), UnitRatio(y, t, 2)};
    case mkExponential:
      return {y, y, UnitInverse(t)};
    case mkSinus:
      return {y, y, UnitRatio("rad", t), "rad"};
    case mkSinusAe:
      return {y, y, UnitRatio("rad", t), "rad", UnitInverse(t)};
    case mkSinusAl:
      // The coefficients of y'' + r·y + b·sign(y') = c, then y(0), y'(0).
      return {UnitInverse(t, 2), UnitRatio(y, t, 2), UnitRatio(y, t, 2), y, UnitRatio(y, t)};
    default:
      return {};
  }
}

double TGModele::Value(double x) const { return ModelValue(kind_, Parameters(), x); }

void TGModele::Changed() {
  if (KnownKind(kind_)) {
    std::vector<double> m(x_.size());
    for (std::size_t i = 0; i < x_.size(); ++i) m[i] = Value(x_[i]);
    stats_ = FitStatistics(y_, m);
    const bool weighted = Weighted() && sigma_.size() == x_.size();
    uncertainties_ = ParameterUncertainties(kind_, x_, y_, Parameters(),
                                            weighted ? sigma_ : std::vector<double>{});
    chi_ = weighted ? ChiSquare(kind_, x_, y_, sigma_, Parameters()) : TChiSquare{};
  } else {
    stats_ = TFitStatistics{};
    uncertainties_.clear();
    chi_ = TChiSquare{};
  }
  boxLines_.clear();
  OnChange();
}

// ---------------------------------------------------------------- texts

std::vector<std::string> TGModele::EquationLines() const {
  if (!KnownKind(kind_)) return {};
  std::vector<std::string> lines;
  const std::vector<TModelParameter> shown = DisplayedParameters();
  if (kind_ == mkSinusAl) {
    const std::string& y = ordinateName;
    lines.push_back("Modèle: " + y + "\" + r." + y + " + b.Sign(" + y + "') = c");
  } else {
    std::string equation;
    std::size_t next = 0;
    for (const char* c = Template(kind_); *c; ++c) {
      if (c[0] == '%' && c[1] == 's') {
        equation += next < shown.size() ? shown[next++].name : "";
        ++c;
      } else if (*c == 't') {
        equation += abscissaName;
      } else {
        equation += *c;
      }
    }
    lines.push_back("Modèle: " + ordinateName + " = " + equation);
  }
  for (const TModelParameter& p : shown) lines.push_back(p.name + " = " + FormatNumber(0, p.value));
  return lines;
}

std::vector<std::string> TGModele::StatisticsLines() const {
  if (!KnownKind(kind_)) return {};
  std::vector<std::string> lines{"Incertitudes sur les ordonnées: "};
  const double precision = stats_.relativePrecision;
  lines.push_back("- précision relative = " +
                  (precision == -1.0 ? std::string("-1") : FormatGeneral(precision * 100.0, 3)) +
                  (precision == -1.0 ? "" : "%"));
  lines.push_back("- écart quadratique moyen = " + FormatGeneral(stats_.rmsDeviation, 3));
  if (IsLinear())
    lines.push_back("- coefficient de corrélation = " + FormatGeneral(stats_.correlation, 6));
  if (chi_.ndf > 0) {
    // Weighted by the points' uncertainties: how well the model fits them.
    lines.push_back("- χ² = " + FormatGeneral(chi_.chi2, 4));
    lines.push_back("- nombre de degrés de liberté = " + std::to_string(chi_.ndf));
    lines.push_back("- χ² réduit = " + FormatGeneral(chi_.reduced, 3));
    lines.push_back(CompatibilityText(chi_));
  }
  if (handSet_) {
    // The uncertainties were those of the fit, not of these parameters.
    lines.push_back(kHandSetModel);
    return lines;
  }
  for (const TModelParameter& p : DisplayedParameters())
    if (std::isfinite(p.uncertainty))
      lines.push_back("- incertitude-type sur " + p.name + " = " +
                      FormatUncertainty(p.uncertainty) + (p.unit.empty() ? "" : " " + p.unit));
  return lines;
}

std::vector<std::string> TGModele::BoxLines() const {
  if (!KnownKind(kind_)) return {};
  const std::string key = abscissaName + '\n' + ordinateName + '\n' + abscissaUnit + '\n' +
                          ordinateUnit + DecimalSeparator();
  if (!boxLines_.empty() && key == boxKey_) return boxLines_;
  std::vector<std::string> lines{EquationLines().front()};
  for (const TModelParameter& p : DisplayedParameters()) {
    std::string value = FormatNumber(0, p.value);
    if (!handSet_ && std::isfinite(p.uncertainty))
      value = FormatMeasured(p.value, p.uncertainty) + " ± " + FormatUncertainty(p.uncertainty);
    lines.push_back(p.name + " = " + value + (p.unit.empty() ? "" : " " + p.unit));
  }
  lines.push_back("écart quadratique moyen = " + FormatGeneral(stats_.rmsDeviation, 3) +
                  (ordinateUnit.empty() ? "" : " " + ordinateUnit));
  if (chi_.ndf > 0) {
    lines.push_back("χ² = " + FormatGeneral(chi_.chi2, 4) + " ; ddl = " + std::to_string(chi_.ndf) +
                    " ; χ² réduit = " + FormatGeneral(chi_.reduced, 3));
    lines.push_back(CompatibilityText(chi_));
  }
  if (handSet_) lines.push_back(kHandSetModel);
  boxKey_ = key;
  boxLines_ = lines;
  return lines;
}

std::string TGModele::HintText() const {
  const std::vector<std::string> eq = EquationLines(), st = StatisticsLines();
  std::string text;
  for (std::size_t i = 0; i < eq.size(); ++i) {
    if (i > 0) text += "\r";
    text += eq[i];
    if (i == 0) text += "\r";
  }
  for (const std::string& l : st) text += "\r" + l;
  return text;
}

std::vector<std::string> TGModele::InfoLines() const {
  std::vector<std::string> lines = EquationLines();
  for (std::string& l : StatisticsLines()) lines.push_back(std::move(l));
  return lines;
}

// ---------------------------------------------------------------- geometry

double TGModele::UnitX() const {
  const TWorldWindow& w = World();
  const double range = w.xmax - w.xmin;
  if (Plot().width <= 0 || IsZero(range) || IsHuge(range) || !std::isfinite(range)) return 0.0;
  return range / Plot().width;
}

double TGModele::UnitY() const {
  const TWorldWindow& w = World();
  const double range = w.ymax - w.ymin;
  if (Plot().height <= 0 || IsZero(range) || IsHuge(range) || !std::isfinite(range)) return 0.0;
  return range / Plot().height;
}

double TGModele::LeftX() const { return World().xmin; }
double TGModele::RightX() const { return World().xmax; }

std::vector<std::vector<TPixel>> TGModele::Path() const {
  std::vector<std::vector<TPixel>> runs;
  const TPlotRect& plot = Plot();
  if (!KnownKind(kind_) || plot.width <= 0 || plot.height <= 0) return runs;
  std::vector<TPixel> run;
  auto flush = [&] {
    if (run.size() >= 2) runs.push_back(std::move(run));
    run.clear();
  };
  const double top = plot.top - 1.0, bottom = plot.Bottom() + 1.0;
  // One point per pixel column; a polyline holds at most 65536 points.
  const int columns = std::min(plot.width + 1, 65536);
  for (int i = 0; i < columns; ++i) {
    const int px = plot.left + i;
    const double x = PixelToWorld(plot, World(), px, plot.top).x;
    const double v = Value(x);
    double fx = 0.0, fy = 0.0;
    if (std::isfinite(v)) WorldToPixelF(plot, World(), x, v, fx, fy);
    if (!std::isfinite(v) || !std::isfinite(fy)) {
      flush();
      continue;
    }
    run.push_back({px, static_cast<int>(std::lround(std::clamp(fy, top, bottom)))});
  }
  flush();
  return runs;
}

void TGModele::Draw(Canvas& canvas, const TDrawContext&) const {
  if (!Shown()) return;
  canvas.SetPen({colour, 2, TPenStyle::psSolid});
  for (const auto& run : Path()) canvas.Polyline(run);
}

bool TGModele::HitTest(TPixel p, int tolerance) const {
  if (!Shown() || !KnownKind(kind_)) return false;
  const int t = std::max(tolerance, kGrabTolerance);
  for (const auto& run : Path())
    for (std::size_t i = 0; i < run.size(); ++i) {
      if (std::abs(run[i].x - p.x) > t) continue;
      if (NearPoint(p, run[i], t)) return true;
      if (i + 1 < run.size() && NearSegment(p, run[i], run[i + 1], t / 2)) return true;
    }
  return false;
}

TModelHandle TGModele::HandleAt(TPixel p) const {
  if (!HitTest(p, kGrabTolerance)) return mhNone;
  const TWorldPoint w = PixelToWorld(Plot(), World(), p.x, p.y);
  switch (kind_) {
    case mkConstant:
      return mhTranslate;
    case mkProportional:
      return mhRotate;
    case mkAffine:
    case mkExponential: {
      // The middle third of the visible curve translates; the rest turns
      // about the farther end.
      const double along = (w.x - LeftX()) / (RightX() - LeftX());
      return along > 1.0 / 3.0 && along < 2.0 / 3.0 ? mhTranslate : mhRotate;
    }
    case mkParabola: {
      const auto& q = Parameters();
      if (IsZero(q[2]) || UnitX() == 0.0) return mhTranslate;
      const double vertex = -q[1] / (2.0 * q[2]);
      return std::fabs(w.x - vertex) / UnitX() < Plot().width / 6.0 ? mhTranslate : mhRotate;
    }
    default: {
      // Eight zones a period: the extrema change the amplitude (the damping
      // on the right half for the damped kinds), the zero crossings
      // translate, the four slopes between change the frequency.
      const auto& q = Parameters();
      const double phase = Wrap2Pi(q[2] * w.x + q[3]);
      auto near = [&](double a) { return std::fabs(phase - a) < kPi / 8.0; };
      if (near(kPi / 2.0) || near(3.0 * kPi / 2.0)) {
        if (kind_ != mkSinus && w.x > (LeftX() + RightX()) / 2.0) return mhDamping;
        return mhAmplitude;
      }
      if (near(0.0) || near(kPi) || near(kTwoPi)) return mhTranslate;
      return mhFrequency;
    }
  }
}

int TGModele::ParameterAt(TPixel p) const {
  switch (HandleAt(p)) {
    case mhTranslate:
      return 0;
    case mhRotate:
      return kind_ == mkExponential || kind_ == mkParabola ? 2 : 1;
    case mhAmplitude:
      return 1;
    case mhFrequency:
      return 2;
    case mhDamping:
      return 4;
    default:
      return -1;
  }
}

std::string TGModele::HandleCursor(TModelHandle h, TPixel p) const {
  switch (h) {
    case mhTranslate:
      return "SizeAll";
    case mhRotate:
      return kind_ == mkParabola ? "SizeWE" : "SelDeformer";
    case mhAmplitude:
      return "SizeNS";
    case mhDamping: {
      const auto& q = Parameters();
      const bool above = ModelValue(kind_, q, PixelToWorld(Plot(), World(), p.x, p.y).x) > q[0];
      if (kind_ == mkSinusAe) return above ? "AmortiExpHaut" : "AmortiExpBas";
      return above ? "AmortiLinHaut" : "AmortiLinBas";
    }
    case mhFrequency: {
      const auto& q = Parameters();
      const double phase = Wrap2Pi(q[2] * PixelToWorld(Plot(), World(), p.x, p.y).x + q[3]);
      const bool above = phase < kPi;
      // Before an extremum the point is on its left.
      const bool left = phase < kPi / 2.0 || (phase > kPi && phase < 3.0 * kPi / 2.0);
      return std::string(above ? "DeformHaut" : "DeformBas") + (left ? "Gauche" : "Droit");
    }
    default:
      return {};
  }
}

// ---------------------------------------------------------------- drag

void TGModele::MouseDown(TPixel p) {
  drag_ = HandleAt(p);
  last_ = p;
  grab_ = PixelToWorld(Plot(), World(), p.x, p.y);
  grab_.y = Value(grab_.x);
  anchorX_ = 0.0;
  if (drag_ == mhRotate && kind_ != mkProportional) {
    // Turn about the end of the visible curve farther from the mouse.
    anchorX_ = grab_.x - LeftX() > RightX() - grab_.x ? LeftX() : RightX();
    if (kind_ == mkParabola) anchorX_ = -Parameters()[1] / (2.0 * Parameters()[2]);
  }
  if (drag_ == mhFrequency) {
    // The nearest extremum stays in place while the wave stretches.
    const auto& q = Parameters();
    const double theta = q[2] * grab_.x + q[3];
    const double k = std::round((theta - kPi / 2.0) / kPi);
    anchorX_ = (kPi / 2.0 + k * kPi - q[3]) / q[2];
  }
  anchorY_ = Value(anchorX_);
}

void TGModele::MouseMove(TShiftState s, TPixel p) {
  if (drag_ == mhNone) return;
  const int dx = p.x - last_.x, dy = p.y - last_.y;
  last_ = p;
  if (dx == 0 && dy == 0) return;
  Drag(s, dx, dy);
}

void TGModele::MouseUp() { drag_ = mhNone; }

void TGModele::Drag(TShiftState s, int dx, int dy) {
  if (UnitX() == 0.0 || UnitY() == 0.0 || !KnownKind(kind_)) return;
  const std::vector<double> before = Parameters();
  grab_.x += dx * UnitX();
  grab_.y -= dy * UnitY();
  switch (kind_) {
    case mkAffine:
    case mkConstant:
    case mkProportional:
      DragLine(dx, dy);
      break;
    case mkExponential:
      DragExponential(dx, dy);
      break;
    case mkParabola:
      DragParabola(dx, dy);
      break;
    default:
      DragSinus(s, dx, dy);
      break;
  }
  if (Parameters() != before) {
    handSet_ = true;
    Changed();
  }
}

bool TGModele::WithinPixels(double worldY) const {
  double fx = 0.0, fy = 0.0;
  WorldToPixelF(Plot(), World(), World().xmin, worldY, fx, fy);
  return std::isfinite(fy) && std::fabs(fy - Plot().Bottom()) <= kMaxPixels;
}

void TGModele::DragLine(int dx, int dy) {
  std::vector<double>& q = P();
  const double ux = UnitX(), uy = UnitY();
  if (drag_ == mhTranslate) {
    // The line follows the mouse: the intercept moves by −dy − dx × slope
    // (pixels).
    const double slopePixels = kind_ == mkConstant ? 0.0 : q[1] * ux / uy;
    const double r = q[0] + (-dy - dx * slopePixels) * uy;
    if (WithinPixels(r)) q[0] = r;
    return;
  }
  if (drag_ != mhRotate) return;
  const double run = grab_.x - anchorX_;
  if (std::fabs(run) < ux) return;
  const double slope = (grab_.y - anchorY_) / run;
  if (!(std::fabs(slope * ux / uy) <= 1e10)) return;
  if (kind_ == mkProportional) {
    q[1] = slope;
    return;
  }
  const double r = anchorY_ - slope * anchorX_;
  if (!WithinPixels(r)) return;
  q[0] = r;
  q[1] = slope;
}

void TGModele::DragExponential(int dx, int dy) {
  std::vector<double>& q = P();
  const double ux = UnitX(), uy = UnitY();
  if (drag_ == mhTranslate) {
    const double r = q[0] - dy * uy;
    const double b = q[1] * std::exp(-q[2] * dx * ux);
    if (WithinPixels(r) && std::isfinite(b) && std::fabs(b / uy) <= 1e100) {
      q[0] = r;
      q[1] = b;
    }
    return;
  }
  if (drag_ != mhRotate) return;
  // r stays; the curve goes through the fixed end and the mouse.
  const double ratio = (grab_.y - q[0]) / (anchorY_ - q[0]);
  const double run = grab_.x - anchorX_;
  if (!(ratio > 0.0) || std::fabs(run) < ux) return;
  const double c = std::log(ratio) / run;
  const double b = (anchorY_ - q[0]) * std::exp(-c * anchorX_);
  if (!(std::fabs(c * ux) <= 1.0) || !std::isfinite(b) ||
      !(std::fabs(b * std::exp(c * World().xmin) / uy) <= 1e100))
    return;
  q[1] = b;
  q[2] = c;
}

void TGModele::DragParabola(int dx, int dy) {
  std::vector<double>& q = P();
  const double ux = UnitX(), uy = UnitY();
  if (IsZero(q[2])) {
    // No vertex: the straight line is translated.
    const double r = q[0] + (-dy * uy) - q[1] * dx * ux;
    if (WithinPixels(r)) q[0] = r;
    return;
  }
  const double h = -q[1] / (2.0 * q[2]), k = q[0] - q[1] * q[1] / (4.0 * q[2]);
  if (drag_ == mhTranslate) {
    const double h2 = h + dx * ux, k2 = k - dy * uy;
    if (!WithinPixels(k2)) return;
    q[1] = -2.0 * q[2] * h2;
    q[0] = q[2] * h2 * h2 + k2;
    return;
  }
  if (drag_ != mhRotate) return;
  // The vertex stays; the opening follows the mouse.
  const double run = grab_.x - h;
  if (std::fabs(run) < ux) return;
  const double c = (grab_.y - k) / (run * run);
  if (!std::isfinite(c) || IsZero(c)) return;
  q[2] = c;
  q[1] = -2.0 * c * h;
  q[0] = c * h * h + k;
}

void TGModele::DragSinus(TShiftState s, int dx, int dy) {
  std::vector<double>& q = P();  // [offset, amplitude, ω, φ, damping]
  const double ux = UnitX(), uy = UnitY();
  auto envelope = [&](double x, double k) {
    if (kind_ == mkSinusAe) return std::exp(k * x);
    if (kind_ == mkSinusAl) return 1.0 + k * x;
    return 1.0;
  };
  const double k = kind_ == mkSinus ? 0.0 : q[4];
  const double side = std::sin(q[2] * grab_.x + q[3]) >= 0.0 ? 1.0 : -1.0;
  switch (drag_) {
    case mhTranslate: {
      const double r = q[0] - dy * uy;
      if (!WithinPixels(r)) return;
      q[0] = r;
      q[3] = Wrap2Pi(q[3] - dx * ux * q[2]);
      return;
    }
    case mhAmplitude: {
      // The grabbed extremum follows the mouse, the opposite one stays.
      const double env = envelope(grab_.x, k);
      if (!(env > 0.0)) return;
      const double reach = q[1] * env;
      const double opposite = q[0] - side * reach;
      const double moved = q[0] + side * reach - dy * uy;
      double amplitude = side * (moved - opposite) / 2.0;
      double offset = (moved + opposite) / 2.0;
      if (amplitude < 0.0) {
        // Past zero the curve stays flat on the opposite extremum.
        amplitude = 0.0;
        offset = opposite;
      }
      if (amplitude / uy > kMaxPixels || !WithinPixels(offset)) return;
      q[1] = amplitude / env;
      q[0] = offset;
      return;
    }
    case mhFrequency: {
      // The half-period in pixels changes by 2·dx (less with Ctrl, Alt),
      // growing when the mouse moves away from the fixed extremum.
      const double away = grab_.x >= anchorX_ ? 1.0 : -1.0;
      const double half = kPi / (q[2] * ux);
      const double half2 = half + away * 2.0 * dx * SlowDown(s);
      const double omegaPixels = kPi / half2;
      if (!(omegaPixels >= 1e-6 && omegaPixels <= 0.25)) return;
      const double theta = q[2] * anchorX_ + q[3];
      q[2] = omegaPixels / ux;
      q[3] = Wrap2Pi(theta - q[2] * anchorX_);
      return;
    }
    case mhDamping: {
      // The reach of the envelope at the grabbed abscissa follows the mouse.
      if (kind_ == mkSinus || IsZero(grab_.x) || !(q[1] > 0.0)) return;
      const double reach = q[1] * envelope(grab_.x, k) - side * dy * uy * SlowDown(s);
      if (!(reach > 0.0)) return;
      const double k2 =
          kind_ == mkSinusAe ? std::log(reach / q[1]) / grab_.x : (reach / q[1] - 1.0) / grab_.x;
      if (std::isfinite(k2)) q[4] = k2;
      return;
    }
    default:
      return;
  }
}

}  // namespace kinevo

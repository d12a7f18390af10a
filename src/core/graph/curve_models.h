#pragma once
// The mathematical models a data curve can be compared with: their
// functions, the analytic partial derivatives used by the Levenberg–Marquardt
// fit, the initial values of the fit and the fit itself.
//
// Model parameter arrays (the order of the display letters r, b, c, d, k):
//   0 affine        [r, b]            r + b·t
//   1 constant      [r, 0]            r
//   2 exponential   [r, b, c]         r + b·exp(c·t)
//   4 parabola      [r, b, c]         r + b·t + c·t²
//   5 proportional  [0, b]            b·t
//   6 sinusoid      [r, b, c, d]      r + b·sin(c·t + d)
//   7 damped (exp)  [r, b, c, d, k]   r + b·sin(c·t + d)·exp(k·t)
//   8 damped (lin)  [r, A, ω, φ, k]   r + A·sin(ω·t + φ)·(1 + k·t) until the
//                                     motion stops, then the value reached
// For the sinusoids the offset r is fixed during a first non-linear fit of
// the others, then fitted with them; the amplitude and the angular frequency
// end positive and the phase in (−π, π].  For the exponential all three
// parameters are fitted at once.
#include <span>
#include <string>
#include <vector>

namespace kinevo {

enum TModelKind : int {
  mkAffine = 0,
  mkConstant = 1,
  mkExponential = 2,
  mkParabola = 4,
  mkProportional = 5,
  mkSinus = 6,
  mkSinusAe = 7,
  mkSinusAl = 8,
  mkNone = 9,
};

// Number of model parameters of a kind (0 for kind 3, 9 and unknown kinds).
int ModelParameterCount(int kind);
// Number of parameters the non-linear fit adjusts: 3 for kinds 2 and 6, 4 for
// kinds 7 and 8, 0 otherwise.
int MarquardtParameterCount(int kind);
// Whether the first model parameter is a fixed offset outside the
// non-linear fit (kinds 6, 7, 8).
bool HasFixedOffset(int kind);

// The function of the non-linear fit, with the offset removed for the
// sinusoids, prepared for one set of Marquardt parameters q.  For the
// linearly damped sinusoid the stop time is found once here.
class TModelFunction {
 public:
  TModelFunction(int kind, std::span<const double> q);
  // f(x; q); when grad is not null, ∂f/∂q_j (MarquardtParameterCount values).
  double Value(double x, double* grad = nullptr) const;
  // Linearly damped sinusoid only: whether the motion stops, and when.
  bool Stops() const { return stops_; }
  double StopTime() const { return stopTime_; }

 private:
  int kind_;
  double q_[4] = {0, 0, 0, 0};
  bool stops_ = false;
  double stopTime_ = 0.0;
  double stopValue_ = 0.0;
};

// Value of the model of `kind` with model parameters p at x.  NaN for a kind
// without a function or too few parameters.
double ModelValue(int kind, std::span<const double> p, double x);

// Zero-crossing estimate of the angular frequency of y' against x: π / h,
// h being the time between the first two sign changes; `fallback` with fewer
// than two crossings or h = 0.
double ZeroCrossingFrequency(std::span<const double> x, std::span<const double> yp,
                             double fallback);

// Initial model parameters of the non-linear kinds (2, 6, 7, 8) from the
// data; for the sinusoids the first entry is the fixed offset.  Empty for
// other kinds or empty data.
std::vector<double> InitialParameters(int kind, std::span<const double> x,
                                      std::span<const double> y);

// Fits the model of `kind` to the data.  `p` holds the model parameters
// before the call (kept where the fit leaves them unchanged) and after it;
// it is resized to the kind's parameter count.  The non-linear kinds start
// from InitialParameters.  Returns the fit's code (0 success; for the linear
// kinds the polynomial fit's code, for the others the non-linear fit's).
int FitModel(int kind, std::span<const double> x, std::span<const double> y,
             std::vector<double>& p);
// Why a fit of `kind` failed with `code` (a FitModel answer other than 0),
// in French: "trop peu de points pour ce modèle" ...
std::string FitFailureText(int kind, int code);

// Brings a sinusoid's parameters [r, b, ω, φ, ...] to the same curve with
// ω ≥ 0, b ≥ 0 and φ in (−π, π].
void NormaliseSinusoid(std::vector<double>& p);
// An angle brought into (−π, π] (NaN and infinities unchanged).
double WrapPhase(double a);

// Displayed coefficients of the linearly damped sinusoid, from its model
// parameters [c0, A, ω, φ, k]: the dry-friction oscillator
// y'' + r·y + b·sign(y') = c with its initial values.
struct TDryFriction {
  double r = 0.0, b = 0.0, c = 0.0, y0 = 0.0, dy0 = 0.0;
};
TDryFriction DryFrictionCoefficients(std::span<const double> p);

}  // namespace kinevo

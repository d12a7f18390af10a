#pragma once
// A dynamic model: the accelerations ax and ay written as formulas of the
// moving point's state (t, x, y, vx, vy and v = √(vx² + vy²)) and of named
// parameters (g, k, m ...), integrated by the classical Runge–Kutta method
// (order 4) from a starting position and speed, and fitted to the marked
// positions by Levenberg–Marquardt.  The starting values x0, y0, vx0 and vy0
// are parameters like the others, so they can be fitted too.
//
// Times are the images' own (a variable rate is followed as it is): the
// model is integrated from the starting image forwards and backwards, with
// kStepsPerImage steps between two images, and evaluated at each image.
#include <span>
#include <string>
#include <vector>

#include "core/common/result.h"
#include "core/formulas/parser.h"

namespace kinevo {

struct TDynamicParameter {
  std::string name;
  double value = 0.0;
  bool fitted = false;
};

// The four starting values, always the first parameters of a model.
inline constexpr const char* kStartNames[4] = {"x0", "y0", "vx0", "vy0"};

struct TDynamicState {
  double t = 0.0, x = 0.0, y = 0.0, vx = 0.0, vy = 0.0;
};

// The model at each asked time, as far as it could be integrated.
struct TSimulation {
  std::vector<TDynamicState> states;  // one per time; NaN past a divergence
  TStatus status;                     // the divergence, if any
};

// One fitted parameter: its value and standard uncertainty.
struct TFittedValue {
  std::string name;
  double value = 0.0;
  double uncertainty = 0.0;
};

struct TDynamicFit {
  std::vector<TFittedValue> values;  // the ticked parameters, in order
  double rms = 0.0;                  // rms distance to the marks after the fit
};

class TDynamicModel {
 public:
  static constexpr int kStepsPerImage = 10;

  TDynamicModel() = default;
  // The formulas read the state and the parameters where this model keeps
  // them.
  TDynamicModel(const TDynamicModel&) = delete;
  TDynamicModel& operator=(const TDynamicModel&) = delete;

  // Analyses the two formulas against the state names and the parameters'
  // (the four starting values first, then the user's).  A formula that does
  // not parse, or uses an unknown name, is refused with the parser's message.
  TStatus SetModel(const std::string& ax, const std::string& ay,
                   std::vector<TDynamicParameter> parameters);

  // The formulas read the values where they are: change them in place.
  std::span<TDynamicParameter> Parameters() { return parameters_; }
  std::span<const TDynamicParameter> Parameters() const { return parameters_; }
  // The parameter of that name, or nullptr.
  TDynamicParameter* Find(const std::string& name);

  // The model at `times` (increasing), launched at times[from] from the
  // starting values.  A divergence (a value that is not a number, a formula
  // that cannot be evaluated, or a value beyond 1e100) stops it there:
  // "Le modèle diverge à t = ...".
  TSimulation Simulate(std::span<const double> times, int from);

  // rms distance between the model and the marks (xs, ys at `times`).
  double Rms(std::span<const double> times, int from, std::span<const double> xs,
             std::span<const double> ys);

  // Fits the ticked parameters to the marks (xs, ys at `times`), minimising
  // the sum of squared distances, and keeps the fitted values.
  TResult<TDynamicFit> Fit(std::span<const double> times, int from, std::span<const double> xs,
                           std::span<const double> ys);

 private:
  struct TAcceleration {
    double x, y;  // NaN when a formula failed (then failure_ says why)
  };
  TAcceleration Acceleration(const TDynamicState& s);
  bool Step(TDynamicState& s, double h);
  bool Residuals(std::span<const double> times, int from, std::span<const double> xs,
                 std::span<const double> ys, std::vector<double>& r);

  TParser ax_, ay_;
  std::vector<TDynamicParameter> parameters_;
  TDynamicState current_;  // the state the formulas are evaluated at
  double speed_ = 0.0;     // its v
  std::string failure_;    // the formula's message when an evaluation failed
};

}  // namespace kinevo

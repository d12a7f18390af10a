#pragma once
// Levenberg–Marquardt fit of the non-linear curve models (exponential and
// the three sinusoids), with analytic partial derivatives and a golden-section
// line search along each step.
#include <functional>
#include <span>
#include <vector>

namespace kinevo {

enum TNonLinearCode : int {
  nlOk = 0,
  nlSingular = -1,         // singular curvature matrix
  nlDampingExceeded = -2,  // the damping factor passed 1000
  nlIterationLimit = -3,   // 50 iterations, or a line search of more than 100 steps
  nlArithmetic = 4,        // a value that is not a number appeared
};

// Fits the model of `kind` (2, 6, 7 or 8; see curve_models.h) to (x, y).
// `p` holds the model parameters on entry (the starting point; for the
// sinusoids p[0] is the offset, kept fixed unless `freeOffset`) and the last
// values reached on return, whatever the code.  A kind without a non-linear
// fit, or a parameter array of the wrong length, gives nlArithmetic and
// leaves p alone.
int NonLinearFit(std::span<const double> x, std::span<const double> y, int kind,
                 std::vector<double>& p, bool freeOffset = false);

// The golden-section line search of the fit, exposed for testing: minimises
// g(t) from the bracket started at t = 0 and t = 1.  Returns 0 and sets
// (t, value), or nlIterationLimit after more than 100 section steps.
int GoldenLineSearch(const std::function<double(double)>& g, double tolerance, double& t,
                     double& value);

// Solves a·x = b in place by Gauss–Jordan elimination with full pivoting
// (a is m×m, row-major; b is replaced by the solution and a by its inverse).
// Returns nlSingular when the largest remaining pivot is below the machine
// epsilon, else 0.
int GaussJordan(std::vector<double>& a, std::vector<double>& b, int m);

}  // namespace kinevo

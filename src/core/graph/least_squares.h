#pragma once
// Unweighted polynomial least squares on a Chebyshev basis, and the fit
// statistics shown beside a curve model.
//
// The fit maps the abscissas onto [-1, 1] and solves the normal equations in
// Chebyshev polynomials of the mapped variable, which keeps them well
// conditioned; the result is returned as ordinary power coefficients of x:
// y ≈ c0 + c1·x + … + c(m−1)·x^(m−1).
#include <span>
#include <vector>

namespace kinevo {

// Result codes of the polynomial fit.
enum TPolyFitCode : int {
  pfOk = 0,
  pfSingular = 1,       // the normal equations are singular
  pfTooFewPoints = 2,   // fewer than 2 points
  pfNoCoefficient = 3,  // fewer than 1 coefficient after adjustment
  pfSameAbscissa = 4,   // all abscissas equal
};

// One fitter keeps its working arrays between fits, so that many small fits
// (the sliding windows of the derivative) do not allocate each time.  The
// coefficients and the explained ratio are those of the last successful fit;
// a failed fit leaves them as they were.
class TLeastSquares {
 public:
  // Fits m coefficients.  When n < m, m becomes n − 1 first (two points and
  // m = 3 give the mean).  x and y must have the same length; the shorter
  // length is used otherwise.
  int Fit(int m, std::span<const double> x, std::span<const double> y);

  // Power coefficients c0..c(k−1) of the last successful fit, k being the
  // number of coefficients after adjustment.
  const std::vector<double>& Coefficients() const { return coefs_; }

  // Σ ŷ² / Σ y² over the fitted values ŷ and the ordinates y of the last
  // successful fit; 0 when Σ y² is zero (|v| < 1e-100).  With ordinates whose
  // mean was removed this is the coefficient of determination R².
  double ExplainedRatio() const { return explained_; }

 private:
  std::vector<double> coefs_;
  double explained_ = 0.0;
  // Working storage.
  std::vector<double> cheb_;
  std::vector<std::vector<double>> normal_;
  std::vector<double> rhs_;
  std::vector<double> solution_;
};

// Convenience: one fit; `coefs` is replaced only on success.
int PolynomialFit(int m, std::span<const double> x, std::span<const double> y,
                  std::vector<double>& coefs);

// Value of the polynomial c0 + c1·x + … at x (Horner).
double PolynomialValue(std::span<const double> coefs, double x);

// Statistics of a model against the data ordinates y, the model values m
// being taken at the data abscissas.  Computed over k = min(|y|, |m|) points.
struct TFitStatistics {
  // Σ (yi − ȳ)(mi − m̄) / √(Σ (yi − ȳ)² · Σ (mi − m̄)²); 0 when either sum of
  // squares is zero.
  double correlation = 0.0;
  // √(Σ (yi − mi)² / k); −1 when k = 0.
  double rmsDeviation = -1.0;
  // √(Σ (yi − mi)² / Σ yi²); −1 when Σ yi² is zero.  Shown × 100 with "%".
  double relativePrecision = -1.0;
};

// When a value cannot be computed as a finite number (overflow, a model
// value that is not a number) the three statistics are −1.
TFitStatistics FitStatistics(std::span<const double> y, std::span<const double> model);

}  // namespace kinevo

#pragma once
// First and second derivative of one sampled quantity (a coordinate of one
// system, or its polar angle) with respect to time.
//
// The abscissas are the time indices of the marked images (integers that may
// have gaps); every derivative is divided by the image period D, so results
// are per second.  Two modes: plain three-point differences, and a smoothing
// mode that picks, from how regular the whole motion is, between a sliding
// least-squares slope, a fitted polynomial lightly mixed with finite
// differences, and plain differences.
#include <span>
#include <vector>

#include "core/graph/least_squares.h"

namespace kinevo {

enum TDerivCode : int {
  dcOk = 0,
  dcTooFewSamples = 2,  // fewer than three samples
  // Any other non-zero code is the failure code of a polynomial fit
  // (TPolyFitCode); abscissas that do not strictly increase give
  // pfSameAbscissa (4), ordinates that are not finite numbers pfSingular (1).
};

class TDeriv {
 public:
  // Copies both arrays (the shorter length counts) and the divisor; sizes
  // the derivatives to n, zero-filled.
  void Load(std::span<const double> x, std::span<const double> y, double divisor);
  // Fills the first and second derivatives; returns a TDerivCode.
  int Derive(bool smooth);

  const std::vector<double>& First() const { return d1_; }
  const std::vector<double>& Second() const { return d2_; }

  // Once the decisions of the last successful Derive are taken (the degrees
  // chosen, the branches of the smoothing), both derivatives are linear in
  // the ordinates: d = W·y.  Apply runs the same steps, with the same
  // decisions, on other ordinates z (the same count).
  void Apply(std::span<const double> z, std::vector<double>& d1, std::vector<double>& d2);
  // Σ_k W[i][k]²·u[k]² for both derivatives: the variances of d1 and d2 when
  // the ordinates are independent with standard uncertainties u.  The
  // weights are those of the steps actually taken, found by running them on
  // each ordinate alone.
  void Variances(std::span<const double> u, std::vector<double>& v1, std::vector<double>& v2);

  // The building blocks, public for the tests.  All divide by D.
  // Three-point finite differences of z over the abscissas (n >= 3).
  std::vector<double> FiniteDifferences(std::span<const double> z) const;
  // Derivative of the polynomial c0 + c1·x + … (powers of the abscissas as
  // loaded, less the first abscissa) at every sample.
  std::vector<double> PolynomialDerivative(std::span<const double> coefs) const;
  // Sliding least-squares slope over windows of three samples.
  std::vector<double> SlidingSlope(std::span<const double> z);
  // 1.02 · p − 0.02 · f, element by element.
  static std::vector<double> Mix(std::span<const double> p, std::span<const double> f);

 private:
  // Raises the degree j = 1..4 of a fit of z (mean removed) until its
  // explained ratio passes 0.99.  Returns the fit code; j and the last
  // coefficients on success.
  int SelectDegree(std::span<const double> z, int& j, std::vector<double>& coefs);
  // Power coefficients of the fit of z (mean removed) with m coefficients.
  std::vector<double> FitCentred(std::span<const double> z, int m);

  // The decisions of the last Derive.
  enum TSecondStep : int { ssDifferences, ssDamped, ssSliding, ssPolynomial };
  struct TPath {
    bool smooth = false;
    int first = 0;        // degree j of stage one (0: constant)
    bool redone = false;  // j = 1 with a spread d1: plain differences
    int second = 0;       // degree s of stage two's fit (j >= 2)
    TSecondStep step = ssDifferences;
  } path_;

  // Abscissas less the first one: derivatives do not change, and the power
  // coefficients of the polynomial fits stay accurate for time indices far
  // from 0 (a system first marked late in a long video).
  std::vector<double> x_;
  std::vector<double> y_;
  double divisor_ = 1.0;
  std::vector<double> d1_, d2_;
  TLeastSquares fit_;
  std::vector<double> window_;
};

}  // namespace kinevo

#pragma once
// Standard uncertainties of the fitted parameters of a curve model.
//
// The covariance matrix of the parameters is the inverse of JᵀJ, J being
// the Jacobian of the model values at the data abscissas with respect to
// the parameters, scaled by the residual variance s² = χ² / (n − p), with p
// the number of parameters estimated from the data.  For the linear models
// this is the textbook formula of least squares; for the non-linear ones it
// is its linearisation at the fitted point.  The fixed offset of the
// sinusoids is counted as estimated (it comes from the data) and takes part
// in the Jacobian, as it would in a joint fit.  The proportional model, whose
// slope is the ratio of the means, gets the uncertainty of that ratio:
// s / (√n·|x̄|) with s² = χ² / (n − 1).
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace kinevo {

// Number of model parameters estimated from the data (the p of n − p).
int EstimatedParameterCount(int kind);

// Covariance of the model parameter array p of `kind` (size × size,
// row-major, size = ModelParameterCount(kind); rows and columns of slots
// that are not parameters, such as the constant's second slot, are zero).
// False, and `cov` filled with NaN, when it cannot be computed: too few
// points (n ≤ p), a singular JᵀJ or values that are not numbers.  Given
// the standard uncertainties `sigma` of the ordinates, it is (JᵀWJ)⁻¹ with
// W = diag(1/σ²), unscaled: the uncertainties come from the points' own.
bool ParameterCovariance(int kind, std::span<const double> x, std::span<const double> y,
                         std::span<const double> p, std::vector<double>& cov,
                         std::span<const double> sigma = {});

// √ of the diagonal of the covariance (NaN where it cannot be computed).
std::vector<double> ParameterUncertainties(int kind, std::span<const double> x,
                                           std::span<const double> y, std::span<const double> p,
                                           std::span<const double> sigma = {});

// Codes of the weighted fit.
enum TWeightedFitCode : int {
  wfOk = 0,
  wfSingular = 1,       // JᵀWJ singular or values that are not numbers
  wfNoModel = 2,        // a kind without parameters, or p too short
  wfNoUncertainty = 3,  // an ordinate without a positive uncertainty
};

// Fits the model to points of standard uncertainties σ, each weighted by
// 1/σ² (χ² = Σ ((y − f(x)) / σ)² made least), starting from p (the
// unweighted fit) and leaving the result there.
int WeightedFit(int kind, std::span<const double> x, std::span<const double> y,
                std::span<const double> sigma, std::vector<double>& p);

// χ² of the model p against the points, its degrees of freedom (points less
// estimated parameters) and the reduced χ²; the model is compatible with
// the measurements when |χ²/ndf − 1| ≤ 2·√(2/ndf), twice the spread of the
// reduced χ² of a right model.  Without a degree of freedom ndf ≤ 0 and the
// rest NaN and false.
struct TChiSquare {
  double chi2 = std::numeric_limits<double>::quiet_NaN();
  int ndf = 0;
  double reduced = std::numeric_limits<double>::quiet_NaN();
  bool compatible = false;
};
TChiSquare ChiSquare(int kind, std::span<const double> x, std::span<const double> y,
                     std::span<const double> sigma, std::span<const double> p);
// "Le modèle est compatible avec les mesures", or that it is not.
std::string CompatibilityText(const TChiSquare& c);

// Propagates a covariance through a function of the parameters g(p) (its
// Jacobian taken by central differences): √ of the diagonal of G·C·Gᵀ.
std::vector<double> PropagatedUncertainties(
    std::span<const double> p, std::span<const double> cov,
    const std::function<std::vector<double>(std::span<const double>)>& g);

}  // namespace kinevo

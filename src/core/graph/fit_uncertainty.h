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
#include <span>
#include <vector>

namespace kinevo {

// Number of model parameters estimated from the data (the p of n − p).
int EstimatedParameterCount(int kind);

// Covariance of the model parameter array p of `kind` (size × size,
// row-major, size = ModelParameterCount(kind); rows and columns of slots
// that are not parameters, such as the constant's second slot, are zero).
// False, and `cov` filled with NaN, when it cannot be computed: too few
// points (n ≤ p), a singular JᵀJ or values that are not numbers.
bool ParameterCovariance(int kind, std::span<const double> x, std::span<const double> y,
                         std::span<const double> p, std::vector<double>& cov);

// √ of the diagonal of the covariance (NaN where it cannot be computed).
std::vector<double> ParameterUncertainties(int kind, std::span<const double> x,
                                           std::span<const double> y, std::span<const double> p);

// Propagates a covariance through a function of the parameters g(p) (its
// Jacobian taken by central differences): √ of the diagonal of G·C·Gᵀ.
std::vector<double> PropagatedUncertainties(
    std::span<const double> p, std::span<const double> cov,
    const std::function<std::vector<double>(std::span<const double>)>& g);

}  // namespace kinevo

#pragma once
// What a converged equation-of-state fit reports besides its parameters: their sigmas
// and correlations, the influence of each point, the F-f table and the K0-K0' ellipses.

#include <vector>

#include "eos/Fit.h"

namespace zantrel::eos {

// j: the weighted Jacobian at the minimum (n x p), r: the weighted residuals, sigmas:
// the effective sigma of each point. fit.cold, refined, covariance, chi2 and dof set.
void FillTables(EosFit& fit, const std::vector<SeriesPoint>& points, const Matrix& j, const std::vector<double>& r,
                const std::vector<double>& sigmas);

}  // namespace zantrel::eos

#pragma once
// The fitted equation of state as curves for the plots: P(V) with its 1-sigma band
// from the parameters' covariance, and the F-f line of the fit.

#include <vector>

#include "eos/Fit.h"

namespace zantrel::eos {

struct CurvePoint {
    double volume = 0, pressure = 0, sigma = 0;  // sigma of P_fit(V) from the covariance
    double f = 0, normalisedPressure = 0;        // F-f of the fitted curve; f = 0 at V0 is left at F = K0
};

// `count` points (at least 2, at most 1000) from the largest volume of the points (or
// V0 when larger) to the smallest.
std::vector<CurvePoint> FittedCurve(const EosFit& fit, int count = 120);

}  // namespace zantrel::eos

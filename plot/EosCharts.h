#pragma once
// The charts of an equation-of-state fit: P-V with the fitted curve and its band, F-f
// with the fit's line, the K0-K0' confidence ellipses, and the influence of each point.

#include "eos/Fit.h"
#include "plot/Chart.h"

namespace zantrel::plot {

Page EosPage(const eos::EosFit& fit);

}  // namespace zantrel::plot

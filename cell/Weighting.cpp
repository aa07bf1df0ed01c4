#include "cell/Weighting.h"

#include "cell/Settings.h"

namespace zantrel {

bool UsesWavelength(const RefinementSettings& s) {
    return s.data == Quantity::TwoTheta || s.minimised == Quantity::TwoTheta ||
           s.weighting.mode == WeightMode::TwoThetaError;
}

}  // namespace zantrel

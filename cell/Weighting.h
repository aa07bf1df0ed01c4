#pragma once
// How the observations of a run are weighted: from an assumed error of 2-theta (the
// program's way, 0.005 degrees unless told otherwise), from a relative error of d or
// of energy that needs no wavelength, or from a sigma given on each reflection line.

#include "cell/Constants.h"

namespace zantrel {

struct RefinementSettings;

enum class WeightMode {
    TwoThetaError,   // value: sigma(2-theta) in degrees, carried into the minimised quantity
    RelativeD,       // value: sigma(d) / d
    RelativeEnergy,  // value: sigma(E) / E, the same relative error as sigma(d) / d
    SigmaColumn,     // each reflection line gives its sigma, in the data's quantity, after its value
};

struct Weighting {
    WeightMode mode = WeightMode::TwoThetaError;
    double value = Sigma2Theta;  // unused with SigmaColumn

    bool IsDefault() const { return mode == WeightMode::TwoThetaError && value == Sigma2Theta; }
    bool operator==(const Weighting&) const = default;
};

// Whether a run with these settings forms a 2-theta from its wavelength anywhere: for
// 2-theta data or a fit in 2-theta, and for the 2-theta error that weights the default
// fits in d, Q and energy. d and energy data weighted otherwise and fitted in d, Q or
// energy use no wavelength at all.
bool UsesWavelength(const RefinementSettings& settings);

}  // namespace zantrel

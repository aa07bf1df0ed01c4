#pragma once
// The pressure of a calibrant's cell volume on a scale, with its first-order
// uncertainty, and the spread of several scales at one volume.

#include <optional>
#include <string>
#include <vector>

#include "eos/Scale.h"

namespace zantrel::eos {

struct Conditions {
    double volume = 0, sigmaVolume = 0;  // cubic angstrom per cell
    double temperature = ReferenceTemperature, sigmaTemperature = 0;  // K
};

struct PressureResult {
    double pressure = 0;  // GPa: P_cold(V) + P_th(V, T) - P_th(V, 300 K)
    // sqrt((K_T/V)^2 sigma_V^2 + (dP/dT)^2 sigma_T^2): the measurement's share.
    double sigma = 0;
    // From the published sigma of K0 and K0' taken as independent (the papers give no
    // covariance), apart from `sigma`; 0 where the paper gives none.
    double sigmaScale = 0;
    double bulkModulus = 0;  // K_T = -V dP/dV at (V, T)
    double dPdT = 0;
};

// Throws std::runtime_error when the volume is outside the range where the scale's form
// is defined (InRange), the temperature is not positive, or an isothermal scale is asked
// for another temperature than 300 K.
PressureResult Pressure(const Scale& scale, const Conditions& at);

// The volume of a cubic cell from its edge, sigma by first order from sigma_a.
struct VolumeFromCell {
    double volume = 0, sigma = 0;
};
VolumeFromCell CubicVolume(double a, double sigmaA);

struct Spread {
    double lowest = 0, highest = 0, mean = 0;
    std::string lowestName, highestName;
};
// Of the pressures given by name; empty input gives none.
std::optional<Spread> SpreadOf(const std::vector<std::pair<std::string, double>>& pressures);

}  // namespace zantrel::eos

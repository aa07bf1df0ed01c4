#pragma once
// The program's numerical constants, each written exactly as the formulas use them.

namespace zantrel {

// The program's pi, eight digits on purpose: printed angles depend on it.
inline constexpr double Pi = 3.1415927;
inline constexpr double HalfPi = 1.57079635;
// Pi / 360 written out: degrees of 2-theta to radians of theta.
inline constexpr double TwoThetaDegToThetaRad = 0.00872664638888889;
// keV * angstrom: E * d * sin(theta) = h * c / 2.
inline constexpr double EnergyDSinTheta = 6.199;
// Assumed error of one observed 2-theta, degrees; every weight derives from it.
inline constexpr double Sigma2Theta = 0.005;
// Degrees-to-radians factor of the error transforms (deliberately 56, not 180 / pi).
inline constexpr double SigmaFactor = 56.0;

}  // namespace zantrel

#pragma once
// The relations every stage of the engine shares, each written once in the order of
// operations that the printed digits depend on: angles as the program forms them
// (degrees with its own pi, the inverse sine and cosine built from the arctangent),
// Bragg's law, and the energy-dispersive relation E d sin(theta) = hc / 2.
// Real is the type in which the build forms intermediate results.

#include <cmath>
#include <type_traits>

#include "cell/Constants.h"
#include "engine/Margins.h"

namespace zantrel::engine {

template <typename Real>
Real Degrees(Real radians) {
    return radians * 180 / Pi;
}

// arcsin as the arctangent of x / sqrt(1 - x^2); |x| = 1 divides by zero.
template <typename Real>
double ArcSin(double x, MarginCheck* check) {
    CheckMargin(check, x * x, 1.0, 1.0, "an arcsine of an argument near 1");
    Real t = Real(x) / std::sqrt(1 - Real(x) * x);
    // The same angle; the one-argument form is the quicker one in double precision,
    // where the margins above cover the difference.
    if constexpr (std::is_same_v<Real, double>) return std::atan(t);
    else return double(std::atan2(t, Real(1)));
}

// pi/2 - arcsin x, with the program's pi/2.
template <typename Real>
double ArcCos(double x, MarginCheck* check) {
    return double(Real(HalfPi) - ArcSin<Real>(x, check));
}

// sin(theta) of a 2-theta in degrees, for Bragg's law.
template <typename Real>
Real BraggSine(double twoTheta) {
    return std::sin(Real(Pi) * twoTheta / 360);
}

// Bragg's law: d = lambda / (2 sin theta).
template <typename Real>
Real DSpacingFromTwoTheta(double wavelength, double twoTheta) {
    return wavelength / (2 * BraggSine<Real>(twoTheta));
}

// Bragg's law the other way: 2-theta in degrees from sin(theta) = lambda / 2d.
template <typename Real>
Real TwoThetaFromSine(double sine, MarginCheck* check) {
    return 2 * Real(ArcSin<Real>(sine, check)) * 180 / Pi;
}

// sin(theta) of the energy-dispersive detector angle 2-theta, in degrees.
template <typename Real>
Real DetectorSine(double beam2Theta) {
    return std::sin(Real(TwoThetaDegToThetaRad) * beam2Theta);
}

// E d sin(theta) = hc / 2 solved for E given d, or for d given E (keV, angstrom).
template <typename Real>
Real EnergyDRelation(Real detectorSine, double x) {
    return EnergyDSinTheta / (detectorSine * x);
}

}  // namespace zantrel::engine

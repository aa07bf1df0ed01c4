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

// The fast build forms a few values by quicker formulas of the same quantity: they differ
// from the reference's by a rounding or two of a double, far inside the margins that
// every decision and printed value of a fast run must clear (engine/Margins.h).
template <typename Real>
inline constexpr bool QuickerForms = std::is_same_v<Real, double>;

template <typename Real>
Real Degrees(Real radians) {
    if constexpr (QuickerForms<Real>) return radians * (180 / Pi);
    else return radians * 180 / Pi;
}

// arcsin as the arctangent of x / sqrt(1 - x^2); |x| = 1 divides by zero.
template <typename Real>
double ArcSin(double x, MarginCheck* check) {
    CheckMargin(check, x * x, 1.0, 1.0, "an arcsine of an argument near 1");
    if constexpr (QuickerForms<Real>) {
        return std::asin(x);
    } else {
        Real t = Real(x) / std::sqrt(1 - Real(x) * x);
        return double(std::atan2(t, Real(1)));
    }
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
    if constexpr (QuickerForms<Real>) return ArcSin<Real>(sine, check) * (360 / Pi);
    else return 2 * Real(ArcSin<Real>(sine, check)) * 180 / Pi;
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

#pragma once
// The reflections that a cell and its space group allow, one per set of reflections
// equivalent under the Laue group, and the positions at which the data would show them.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cell/Settings.h"
#include "indexing/TrialCell.h"

namespace zantrel::indexing {

using Miller = std::array<int, 3>;

struct Reflection {
    Miller hkl{};
    int multiplicity = 0;  // reflections in its set, Friedel mates included
    double d = 0;
    double q = 0;  // 1 / d^2
};

// Q = 1/d^2 of hkl in the cell (the angles converted with the program's pi, as the
// refinement converts them).
double QOf(const CellParameters& cell, const Miller& hkl);

// Every allowed reflection with d >= dMin, sorted by d, largest first. Throws RunError
// when the range would hold more reflections than an indexing can sensibly use.
std::vector<Reflection> AllowedReflections(const CellParameters& cell, const std::string& spaceGroup, double dMin);

// What the data see of a d spacing, and back: 2-theta in degrees at the wavelength, d
// itself, or the energy in keV at the detector angle, with the refinement's own
// conversions (cell/Constants.h). None where the wavelength cannot reach the spacing.
struct Conversion {
    Quantity kind = Quantity::TwoTheta;
    double wavelength = 1.540593;
    double beam2Theta = 10;
    std::optional<double> PositionOf(double d) const;
    double DOf(double position) const;
};

}  // namespace zantrel::indexing

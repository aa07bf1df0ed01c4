#pragma once
// The settings of a run as values: crystal system, data kind, minimised quantity,
// wavelength, detector angle and the two switches. Every front end and the run
// request hold them in this form; the engine derives its flags from it (engine/Job.h).

#include <string>

#include "cell/Weighting.h"

namespace zantrel {

enum class CrystalSystem { Cubic = 1, Tetragonal, Hexagonal, Orthorhombic, Monoclinic, Triclinic };

// What the data files hold (2-theta, d or energy) and what a run minimises (any of
// them, or Q = 1/d^2).
enum class Quantity { TwoTheta, D, Energy, Q };

struct RefinementSettings {
    CrystalSystem system = CrystalSystem::Triclinic;
    Quantity data = Quantity::TwoTheta;
    Quantity minimised = Quantity::TwoTheta;
    double wavelength = 1.540593;  // angstrom
    double beam2Theta = 10.0;      // degrees, detector angle of energy-dispersive data
    bool zeroShift = false;
    bool fullDiagnostics = false;
    Weighting weighting;  // sigma(2-theta) = 0.005 degrees unless told otherwise

    bool operator==(const RefinementSettings&) const = default;
};

// A header line's six-character tokens ("    tt", "     e", "     d", anything else
// for Q or d), right-justified as ReadToken returns them.
Quantity DataKindFromToken(const std::string& token);
Quantity MinimisedFromToken(const std::string& token);

// "cubic" ... "triclinic"; "2theta", "d", "energy", "q"; the unit of a quantity.
const char* SystemName(CrystalSystem system);
const char* QuantityName(Quantity quantity);
const char* UnitName(Quantity quantity);
// Parses the names above (case-sensitive); false for an unknown name.
bool ParseSystemName(const std::string& name, CrystalSystem& system);
bool ParseQuantityName(const std::string& name, Quantity& quantity);

}  // namespace zantrel

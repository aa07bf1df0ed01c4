#pragma once
// A pressure scale: a calibrant's cold equation of state and thermal model as
// published, read from a scale file (eos/scales.json is the built-in one).

#include <optional>
#include <string>
#include <vector>

#include "eos/Forms.h"
#include "eos/Thermal.h"

namespace zantrel::eos {

struct Scale {
    std::string name, material, reference, note;
    std::string system;  // "cubic", "hexagonal": the crystal system the calibrant's cell has
    int z = 1;
    ColdParameters cold;
    // The published standard errors of K0 and K0' where the paper gives them.
    std::optional<double> sigmaK0, sigmaK0p;
    ThermalParameters thermal;
};

// Throws std::runtime_error naming the scale and the fault.
std::vector<Scale> ParseScales(const std::string& json);
// The scales of eos/scales.json, compiled in.
std::vector<Scale> BuiltInScales();
// The built-in scales and those of a user's scale file (its text), which replace
// built-in ones of the same name. Throws as ParseScales.
std::vector<Scale> BuiltInAndUserScales(const std::string& userJson);
// By name, in `scales`; nullptr when absent.
const Scale* FindScale(const std::vector<Scale>& scales, const std::string& name);

}  // namespace zantrel::eos

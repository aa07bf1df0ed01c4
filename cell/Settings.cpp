#include "cell/Settings.h"

namespace zantrel {

Quantity DataKindFromToken(const std::string& token) {
    if (token == "    tt") return Quantity::TwoTheta;
    if (token == "     e") return Quantity::Energy;
    return Quantity::D;
}

Quantity MinimisedFromToken(const std::string& token) {
    if (token == "    tt") return Quantity::TwoTheta;
    if (token == "     d") return Quantity::D;
    if (token == "     e") return Quantity::Energy;
    return Quantity::Q;
}

namespace {
constexpr const char* SystemNames[6] = {"cubic", "tetragonal", "hexagonal", "orthorhombic", "monoclinic", "triclinic"};
constexpr const char* QuantityNames[4] = {"2theta", "d", "energy", "q"};
}  // namespace

const char* SystemName(CrystalSystem system) {
    int i = int(system);
    return i >= 1 && i <= 6 ? SystemNames[i - 1] : "";
}

const char* QuantityName(Quantity quantity) { return QuantityNames[int(quantity)]; }

const char* UnitName(Quantity quantity) {
    switch (quantity) {
        case Quantity::TwoTheta: return "deg";
        case Quantity::D: return "angstrom";
        case Quantity::Energy: return "keV";
        case Quantity::Q: return "1/angstrom^2";
    }
    return "";
}

bool ParseSystemName(const std::string& name, CrystalSystem& system) {
    for (int i = 1; i <= 6; ++i)
        if (name == SystemNames[i - 1]) {
            system = CrystalSystem(i);
            return true;
        }
    return false;
}

bool ParseQuantityName(const std::string& name, Quantity& quantity) {
    for (int i = 0; i < 4; ++i)
        if (name == QuantityNames[i]) {
            quantity = Quantity(i);
            return true;
        }
    return false;
}

}  // namespace zantrel

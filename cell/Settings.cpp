#include "cell/Settings.h"

#include "engine/Job.h"

namespace zantrel {

void ApplySettings(const RefinementSettings& s, RefinementJob& job) {
    job.CrystalSystem = int(s.system);
    SetSystemFlags(job);
    job.DataIs2Theta = s.data == Quantity::TwoTheta;
    job.DataIsEnergy = s.data == Quantity::Energy;
    job.MinimiseOn2Theta = s.minimised == Quantity::TwoTheta;
    job.MinimiseOnD = s.minimised == Quantity::D;
    job.MinimiseOnEnergy = s.minimised == Quantity::Energy;
    job.Wavelength = s.wavelength;
    job.Beam2Theta = s.beam2Theta;
    job.RefineZeroShift = s.zeroShift;
    job.ZeroShiftRequested = s.zeroShift;
    job.FullDiagnostics = s.fullDiagnostics;
}

void SetSystemFlags(RefinementJob& job) {
    job.IsCubic = job.CrystalSystem == 1;
    job.IsTetragonal = job.CrystalSystem == 2;
    job.IsHexagonal = job.CrystalSystem == 3;
    job.IsOrthorhombic = job.CrystalSystem == 4;
    job.IsMonoclinic = job.CrystalSystem == 5;
    job.IsTriclinic = job.CrystalSystem == 6;
}

RefinementSettings SettingsOf(const RefinementJob& job) {
    RefinementSettings s;
    s.system = CrystalSystem(job.CrystalSystem);
    s.data = job.DataIs2Theta ? Quantity::TwoTheta : job.DataIsEnergy ? Quantity::Energy : Quantity::D;
    // The flags are tested in this order wherever the run chooses its quantity.
    s.minimised = job.MinimiseOn2Theta   ? Quantity::TwoTheta
                  : job.MinimiseOnEnergy ? Quantity::Energy
                  : job.MinimiseOnD      ? Quantity::D
                                         : Quantity::Q;
    s.wavelength = job.Wavelength;
    s.beam2Theta = job.Beam2Theta;
    s.zeroShift = job.ZeroShiftRequested;
    s.fullDiagnostics = job.FullDiagnostics;
    return s;
}

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

int ParameterCount(CrystalSystem system) {
    static constexpr int Counts[6] = {1, 2, 2, 3, 4, 6};
    int i = int(system);
    return i >= 1 && i <= 6 ? Counts[i - 1] : 0;
}

}  // namespace zantrel

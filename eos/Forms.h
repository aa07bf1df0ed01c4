#pragma once
// The isothermal (cold) equations of state: pressure and bulk modulus of a volume.
// Units: volumes in cubic angstrom, pressures and moduli in GPa, K0pp in 1/GPa.

#include <optional>
#include <string>

namespace zantrel::eos {

enum class Form { BM2, BM3, BM4, Vinet };

const char* FormName(Form form);  // "bm2", "bm3", "bm4", "vinet"
std::optional<Form> FormFromName(const std::string& name);
// Parameters the form refines: V0, K0, then K0' (BM3, BM4, Vinet), then K0'' (BM4).
int ParameterCount(Form form);

struct ColdParameters {
    Form form = Form::BM3;
    double v0 = 0, k0 = 0, k0p = 4, k0pp = 0;
};

// For any V > 0; the caller refuses volumes outside the form's range (InRange).
double ColdPressure(const ColdParameters& c, double volume);
// K = -V dP/dV, analytic.
double ColdBulkModulus(const ColdParameters& c, double volume);

// Compressions V/V0 where Zantrel evaluates a form: between 0.3 and 1.2, and only where
// the form still stiffens under load (K > 0). A fourth-order Birch-Murnaghan with a
// negative K0'' turns over at strong compression; pressures beyond it mean nothing.
bool InRange(const ColdParameters& c, double volume);

// The Eulerian finite strain f_E = ((V0/V)^(2/3) - 1) / 2.
double EulerianStrain(double v0, double volume);

}  // namespace zantrel::eos

#pragma once
// The thermal pressure of a calibrant: Mie-Grüneisen-Debye with the Grüneisen
// parameter's volume laws of the published scales, or a constant alpha K_T.
// Units: volumes in cubic angstrom per cell, temperatures in K, pressures in GPa.

namespace zantrel::eos {

enum class ThermalModel {
    None,           // isothermal: only 300 K is accepted
    PowerLaw,       // gamma = gamma0 x^q
    Tange,          // gamma = gamma0 [1 + a (x^b - 1)]
    Speziale,       // q = q0 x^q1, gamma = gamma0 exp[q0/q1 (x^q1 - 1)]
    AlphaK,         // P_th = alphaK (T - 300), alphaK in GPa/K
};

struct ThermalParameters {
    ThermalModel model = ThermalModel::None;
    double atomsPerCell = 0;  // n Z: the Debye energy is 3 (n Z) k_B T D3(theta/T)
    double theta0 = 0, gamma0 = 0;
    double q = 0;       // PowerLaw
    double a = 0, b = 0;  // Tange
    double q0 = 0, q1 = 0;  // Speziale
    double alphaK = 0;  // AlphaK
};

// The Debye function D3(y) = 3/y^3 integral_0^y t^3/(e^t - 1) dt, y >= 0.
double Debye3(double y);

struct ThermalState {
    double pressure = 0;  // P_th(V, T) - P_th(V, 300 K)
    double dPdT = 0;      // at constant V
    double dPdV = 0;      // at constant T
};

// The reference temperature of every scale here.
inline constexpr double ReferenceTemperature = 300;

// v0 is the scale's V0 (the x of the volume laws is V / v0).
ThermalState ThermalPressure(const ThermalParameters& t, double v0, double volume, double temperature);

}  // namespace zantrel::eos

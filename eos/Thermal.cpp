// Mie-Grüneisen-Debye thermal pressure: P_th = gamma(V) / V * E_th(V, T), with the
// Debye energy E_th = 3 N k_B T D3(theta/T) and theta(V) from d ln theta = -gamma d ln V
// (O. L. Anderson, Equations of State of Solids for Geophysics and Ceramic Science,
// Oxford 1995). Only the difference from 300 K enters the scales' pressure.

#include "eos/Thermal.h"

#include <array>
#include <cmath>

namespace zantrel::eos {

namespace {

// k_B in J/K times 1e21 GPa per J/A^3.
constexpr double BoltzmannGpaA3 = 1.380649e-23 * 1e21;

// integral_0^y t^3/(e^t - 1) dt.
double DebyeIntegral(double y) {
    if (y <= 0) return 0;
    if (y < 1) {
        // t^3/(e^t - 1) = t^2 sum B_n t^n / n!, integrated term by term; for y < 1 the
        // terms fall by (y / 2 pi)^2 < 0.03, so eight Bernoulli terms reach rounding.
        static constexpr std::array<double, 8> B2k = {1.0 / 6, -1.0 / 30, 1.0 / 42, -1.0 / 30,
                                                      5.0 / 66, -691.0 / 2730, 7.0 / 6, -3617.0 / 510};
        double sum = y * y * y / 3 - y * y * y * y / 8;
        double factorial = 1, power = y * y * y;  // (2k)! and y^(2k+3)
        for (int k = 1; k <= int(B2k.size()); ++k) {
            factorial *= (2 * k - 1) * (2 * k);
            power *= y * y;
            sum += B2k[std::size_t(k - 1)] * power / ((2 * k + 3) * factorial);
        }
        return sum;
    }
    // pi^4/15 less the tail: integral_y^inf t^3 e^(-kt) dt summed over k; for y >= 1 the
    // terms fall by e^-y at least, so 40 terms reach rounding.
    const double pi = 3.14159265358979323846;
    double tail = 0;
    for (int k = 1; k <= 40; ++k) {
        const double kk = k;
        tail += std::exp(-kk * y) * (y * y * y / kk + 3 * y * y / (kk * kk) + 6 * y / (kk * kk * kk) + 6 / (kk * kk * kk * kk));
    }
    return pi * pi * pi * pi / 15 - tail;
}

struct Gruneisen {
    double gamma = 0, q = 0;  // gamma and q = d ln gamma / d ln V
    double theta = 0;
};

// ln(theta/theta0) = -integral_1^x gamma(s)/s ds, in closed form but for Speziale's law,
// which has none: 16-point Gauss-Legendre in ln s, exact to rounding on 0.3 <= x <= 1.2.
Gruneisen GruneisenAt(const ThermalParameters& t, double x) {
    Gruneisen g;
    switch (t.model) {
        case ThermalModel::PowerLaw:
            g.gamma = t.gamma0 * std::pow(x, t.q);
            g.q = t.q;
            g.theta = t.theta0 * std::exp((t.gamma0 - g.gamma) / t.q);
            break;
        case ThermalModel::Tange: {
            // Tange et al., J. Geophys. Res. 114, B03208 (2009).
            const double xb = std::pow(x, t.b);
            g.gamma = t.gamma0 * (1 + t.a * (xb - 1));
            g.q = t.gamma0 * t.a * t.b * xb / g.gamma;
            g.theta = t.theta0 * std::pow(x, -(1 - t.a) * t.gamma0) * std::exp((t.gamma0 - g.gamma) / t.b);
            break;
        }
        case ThermalModel::Speziale: {
            // Speziale et al., J. Geophys. Res. 106, 515 (2001).
            auto gammaOf = [&](double s) { return t.gamma0 * std::exp(t.q0 / t.q1 * (std::pow(s, t.q1) - 1)); };
            g.gamma = gammaOf(x);
            g.q = t.q0 * std::pow(x, t.q1);
            static constexpr std::array<double, 8> node = {
                0.0950125098376374, 0.2816035507792589, 0.4580167776572274, 0.6178762444026438,
                0.7554044083550030, 0.8656312023878318, 0.9445750230732326, 0.9894009349916499};
            static constexpr std::array<double, 8> weight = {
                0.1894506104550685, 0.1826034150449236, 0.1691565193950025, 0.1495959888165767,
                0.1246289712555339, 0.0951585116824928, 0.0622535239386479, 0.0271524594117541};
            const double half = 0.5 * std::log(x);  // integral over u = ln s from 0 to ln x
            double integral = 0;
            for (std::size_t i = 0; i < node.size(); ++i)
                for (double sign : {-1.0, 1.0}) integral += weight[i] * gammaOf(std::exp(half * (1 + sign * node[i])));
            g.theta = t.theta0 * std::exp(-half * integral);
            break;
        }
        case ThermalModel::None:
        case ThermalModel::AlphaK: break;
    }
    return g;
}

// E_th per cell and its derivatives in T and theta.
struct Energy {
    double e = 0, dT = 0, dTheta = 0;
};

Energy DebyeEnergy(double n, double theta, double temperature) {
    const double y = theta / temperature, d3 = Debye3(y);
    // dD3/dy = 3/(e^y - 1) - 3 D3 / y
    const double dd3 = 3 / std::expm1(y) - 3 * d3 / y;
    const double c = 3 * n * BoltzmannGpaA3;
    return {c * temperature * d3, c * (d3 - y * dd3), c * dd3};
}

}  // namespace

double Debye3(double y) {
    if (y <= 0) return 1;
    return 3 * DebyeIntegral(y) / (y * y * y);
}

ThermalState ThermalPressure(const ThermalParameters& t, double v0, double volume, double temperature) {
    ThermalState s;
    if (t.model == ThermalModel::None) return s;
    if (t.model == ThermalModel::AlphaK) {
        s.pressure = t.alphaK * (temperature - ReferenceTemperature);
        s.dPdT = t.alphaK;
        return s;
    }
    const Gruneisen g = GruneisenAt(t, volume / v0);
    const Energy hot = DebyeEnergy(t.atomsPerCell, g.theta, temperature);
    const Energy ref = DebyeEnergy(t.atomsPerCell, g.theta, ReferenceTemperature);
    const double de = hot.e - ref.e;
    s.pressure = g.gamma / volume * de;
    s.dPdT = g.gamma / volume * hot.dT;
    // d(gamma/V)/dV = (q - 1) gamma / V^2, and dtheta/dV = -gamma theta / V.
    const double dThetaDV = -g.gamma * g.theta / volume;
    s.dPdV = (g.q - 1) * g.gamma / (volume * volume) * de + g.gamma / volume * (hot.dTheta - ref.dTheta) * dThetaDV;
    return s;
}

}  // namespace zantrel::eos

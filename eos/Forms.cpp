// Birch-Murnaghan forms of the Eulerian strain, and the Vinet form.
//
// Birch-Murnaghan, with f = f_E (Birch, Phys. Rev. 71, 809 (1947); the fourth order as
// Angel, Rev. Mineral. Geochem. 41, 35 (2000)):
//   P = 3 K0 f (1 + 2f)^(5/2) [1 + a f + b f^2]
//   a = 3/2 (K0' - 4),  b = 3/2 [K0 K0'' + K0' (K0' - 7) + 143/9]
// Vinet, with η = (V/V0)^(1/3) (Vinet et al., J. Geophys. Res. 92, 9319 (1987)):
//   P = 3 K0 (1 - η) / η^2 exp[3/2 (K0' - 1)(1 - η)]

#include "eos/Forms.h"

#include <cmath>

namespace zantrel::eos {

const char* FormName(Form form) {
    switch (form) {
        case Form::BM2: return "bm2";
        case Form::BM3: return "bm3";
        case Form::BM4: return "bm4";
        case Form::Vinet: return "vinet";
    }
    return "bm3";
}

std::optional<Form> FormFromName(const std::string& name) {
    for (Form f : {Form::BM2, Form::BM3, Form::BM4, Form::Vinet})
        if (name == FormName(f)) return f;
    return std::nullopt;
}

int ParameterCount(Form form) {
    switch (form) {
        case Form::BM2: return 2;
        case Form::BM3: return 3;
        case Form::BM4: return 4;
        case Form::Vinet: return 3;
    }
    return 3;
}

double EulerianStrain(double v0, double volume) { return 0.5 * (std::cbrt(v0 / volume) * std::cbrt(v0 / volume) - 1); }

namespace {

// The bracket's coefficients: BM2 is K0' = 4 with no higher term, BM3 the implied K0''.
void BirchCoefficients(const ColdParameters& c, double& a, double& b) {
    const double k0p = c.form == Form::BM2 ? 4 : c.k0p;
    a = 1.5 * (k0p - 4);
    b = c.form == Form::BM4 ? 1.5 * (c.k0 * c.k0pp + k0p * (k0p - 7) + 143.0 / 9) : 0;
}

}  // namespace

double ColdPressure(const ColdParameters& c, double volume) {
    if (c.form == Form::Vinet) {
        const double eta = std::cbrt(volume / c.v0);
        return 3 * c.k0 * (1 - eta) / (eta * eta) * std::exp(1.5 * (c.k0p - 1) * (1 - eta));
    }
    double a, b;
    BirchCoefficients(c, a, b);
    const double f = EulerianStrain(c.v0, volume);
    return 3 * c.k0 * f * std::pow(1 + 2 * f, 2.5) * (1 + a * f + b * f * f);
}

double ColdBulkModulus(const ColdParameters& c, double volume) {
    if (c.form == Form::Vinet) {
        // dP/dη by the product rule, and dη/dV = η / (3V).
        const double eta = std::cbrt(volume / c.v0), s = 1.5 * (c.k0p - 1);
        const double e = std::exp(s * (1 - eta));
        const double dPdEta = 3 * c.k0 * e * (-(1 / (eta * eta)) - 2 * (1 - eta) / (eta * eta * eta) - s * (1 - eta) / (eta * eta));
        return -eta / 3 * dPdEta;
    }
    double a, b;
    BirchCoefficients(c, a, b);
    const double f = EulerianStrain(c.v0, volume), g = 1 + 2 * f;
    // dP/df of the product, and df/dV = -(1 + 2f) / (3V).
    const double bracket = 1 + a * f + b * f * f;
    const double dPdf = 3 * c.k0 * (std::pow(g, 2.5) * bracket + f * 5 * std::pow(g, 1.5) * bracket +
                                    f * std::pow(g, 2.5) * (a + 2 * b * f));
    return dPdf * g / 3;
}

bool InRange(const ColdParameters& c, double volume) {
    if (!(c.v0 > 0) || !(volume > 0) || !std::isfinite(volume)) return false;
    const double x = volume / c.v0;
    if (x < 0.3 || x > 1.2) return false;
    return ColdBulkModulus(c, volume) > 0;
}

}  // namespace zantrel::eos

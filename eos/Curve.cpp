#include "eos/Curve.h"

#include <algorithm>
#include <cmath>

namespace zantrel::eos {

namespace {

// The fitted parameters with one refined parameter moved by h.
ColdParameters Moved(const EosFit& fit, std::size_t which, double h) {
    ColdParameters c = fit.cold;
    const std::string& name = fit.refined[which];
    if (name == "V0") c.v0 += h;
    else if (name == "K0") c.k0 += h;
    else if (name == "K0p") c.k0p += h;
    else c.k0pp += h;
    return c;
}

}  // namespace

std::vector<CurvePoint> FittedCurve(const EosFit& fit, int count) {
    count = std::clamp(count, 2, 1000);
    double high = fit.cold.v0, low = fit.cold.v0;
    for (const PointInfluence& p : fit.points) high = std::max(high, p.volume), low = std::min(low, p.volume);
    std::vector<CurvePoint> curve;
    const std::size_t p = fit.refined.size();
    for (int i = 0; i < count; ++i) {
        CurvePoint c;
        c.volume = high + (low - high) * i / (count - 1);
        c.pressure = ColdPressure(fit.cold, c.volume);
        // sigma^2 = g C g^T, g = dP/dtheta by central differences of a sigma's hundredth.
        std::vector<double> g(p);
        for (std::size_t a = 0; a < p; ++a) {
            const double h = 0.01 * std::sqrt(fit.covariance[a][a]);
            g[a] = h > 0 ? (ColdPressure(Moved(fit, a, h), c.volume) - ColdPressure(Moved(fit, a, -h), c.volume)) / (2 * h) : 0;
        }
        double variance = 0;
        for (std::size_t a = 0; a < p; ++a)
            for (std::size_t b = 0; b < p; ++b) variance += g[a] * fit.covariance[a][b] * g[b];
        c.sigma = std::sqrt(std::max(variance, 0.0));
        c.f = EulerianStrain(fit.cold.v0, c.volume);
        c.normalisedPressure = c.f > 1e-5 ? c.pressure / (3 * c.f * std::pow(1 + 2 * c.f, 2.5)) : fit.cold.k0;
        if (std::isfinite(c.pressure) && std::isfinite(c.sigma) && std::isfinite(c.normalisedPressure)) curve.push_back(c);
    }
    return curve;
}

}  // namespace zantrel::eos

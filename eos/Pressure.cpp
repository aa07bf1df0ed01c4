#include "eos/Pressure.h"

#include <cmath>
#include <stdexcept>

namespace zantrel::eos {

namespace {

[[noreturn]] void Refuse(const Scale& s, const std::string& why) { throw std::runtime_error(s.name + ": " + why); }

double Total(const Scale& s, const ColdParameters& cold, double volume, double temperature) {
    return ColdPressure(cold, volume) + ThermalPressure(s.thermal, cold.v0, volume, temperature).pressure;
}

// The published parameters' share of sigma(P), by central differences in K0 and K0'.
double ScaleSigma(const Scale& s, const Conditions& at) {
    double variance = 0;
    auto add = [&](std::optional<double> sigma, double ColdParameters::*member) {
        if (!sigma || !(*sigma > 0)) return;
        ColdParameters up = s.cold, down = s.cold;
        up.*member += *sigma;
        down.*member -= *sigma;
        const double d = 0.5 * (Total(s, up, at.volume, at.temperature) - Total(s, down, at.volume, at.temperature));
        variance += d * d;
    };
    add(s.sigmaK0, &ColdParameters::k0);
    if (s.cold.form != Form::BM2) add(s.sigmaK0p, &ColdParameters::k0p);
    return std::sqrt(variance);
}

}  // namespace

PressureResult Pressure(const Scale& s, const Conditions& at) {
    if (!InRange(s.cold, at.volume))
        Refuse(s, "the volume " + std::to_string(at.volume) + " A^3 is outside the range of the scale's form (V/V0 = " +
                      std::to_string(at.volume / s.cold.v0) + ")");
    if (!(at.temperature > 0) || !std::isfinite(at.temperature) || at.temperature > 1e5) Refuse(s, "the temperature must be positive");
    if (!(at.sigmaVolume >= 0) || !(at.sigmaTemperature >= 0) || !std::isfinite(at.sigmaVolume) || !std::isfinite(at.sigmaTemperature))
        Refuse(s, "the standard errors must be zero or positive");
    if (s.thermal.model == ThermalModel::None && std::abs(at.temperature - ReferenceTemperature) > 1e-9)
        Refuse(s, "this scale has no thermal model here: 300 K only");
    const ThermalState th = ThermalPressure(s.thermal, s.cold.v0, at.volume, at.temperature);
    PressureResult r;
    r.pressure = ColdPressure(s.cold, at.volume) + th.pressure;
    r.bulkModulus = ColdBulkModulus(s.cold, at.volume) - at.volume * th.dPdV;
    r.dPdT = th.dPdT;
    const double fromV = r.bulkModulus / at.volume * at.sigmaVolume, fromT = r.dPdT * at.sigmaTemperature;
    r.sigma = std::sqrt(fromV * fromV + fromT * fromT);
    r.sigmaScale = ScaleSigma(s, at);
    if (!std::isfinite(r.pressure) || !std::isfinite(r.sigma) || !std::isfinite(r.sigmaScale))
        Refuse(s, "no finite pressure at this volume and temperature");
    return r;
}

VolumeFromCell CubicVolume(double a, double sigmaA) { return {a * a * a, 3 * a * a * sigmaA}; }

std::optional<Spread> SpreadOf(const std::vector<std::pair<std::string, double>>& pressures) {
    if (pressures.empty()) return std::nullopt;
    Spread s;
    s.lowest = s.highest = pressures.front().second;
    s.lowestName = s.highestName = pressures.front().first;
    double sum = 0;
    for (const auto& [name, p] : pressures) {
        sum += p;
        if (p < s.lowest) s.lowest = p, s.lowestName = name;
        if (p > s.highest) s.highest = p, s.highestName = name;
    }
    s.mean = sum / double(pressures.size());
    return s;
}

}  // namespace zantrel::eos

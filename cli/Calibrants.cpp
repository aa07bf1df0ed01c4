#include "cli/Calibrants.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "eos/Pressure.h"

namespace zantrel::cli {

std::vector<eos::Scale> KnownScales(const std::string& scaleFile) {
    if (scaleFile.empty()) return eos::BuiltInScales();
    std::ifstream in(scaleFile, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the scale file " + scaleFile);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return eos::BuiltInAndUserScales(text.str());
    } catch (const std::exception& e) {
        throw std::runtime_error(scaleFile + ": " + e.what());
    }
}

std::vector<std::string> SplitNames(const std::string& list) {
    std::vector<std::string> names;
    std::string name;
    std::istringstream in(list);
    while (std::getline(in, name, ','))
        if (!name.empty()) names.push_back(name);
    return names;
}

std::vector<eos::Scale> ResolveScales(const std::vector<std::string>& names, const std::string& scaleFile,
                                      std::optional<double> v0) {
    const std::vector<eos::Scale> known = KnownScales(scaleFile);
    std::vector<eos::Scale> chosen;
    for (const std::string& name : names) {
        const eos::Scale* s = eos::FindScale(known, name);
        if (s == nullptr) throw std::runtime_error("no calibrant scale " + name + " (zantrel-cli scales lists them)");
        chosen.push_back(*s);
    }
    if (v0) {
        if (!(*v0 > 0)) throw std::runtime_error("--v0 must be positive");
        for (const eos::Scale& s : chosen)
            if (s.material != chosen.front().material)
                throw std::runtime_error("--v0 is one material's volume; the scales named are of " + chosen.front().material +
                                         " and " + s.material);
        for (eos::Scale& s : chosen) s.cold.v0 = *v0;
    }
    return chosen;
}

PressureRecord PressuresOfCell(const Results& results, const std::vector<eos::Scale>& scales, double temperature,
                               double sigmaTemperature) {
    PressureRecord record;
    record.temperature = temperature;
    record.sigmaTemperature = sigmaTemperature;
    const std::string system = SystemName(results.systemRefined);
    for (const eos::Scale& s : scales) {
        CalibrantPressure c;
        c.scale = s.name;
        c.reference = s.reference;
        if (system != s.system) {
            c.error = s.name + ": " + s.material + " is " + s.system + ", the cell was refined " + system;
        } else {
            try {
                const eos::PressureResult p = eos::Pressure(
                    s, {double(results.volume.value), double(results.volume.sigma), temperature, sigmaTemperature});
                c.pressure = p.pressure;
                c.sigma = p.sigma;
                c.sigmaScale = p.sigmaScale;
                c.bulkModulus = p.bulkModulus;
            } catch (const std::exception& e) {
                c.error = e.what();
            }
        }
        record.scales.push_back(std::move(c));
    }
    return record;
}

}  // namespace zantrel::cli

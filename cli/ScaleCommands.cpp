// `zantrel-cli scales` and `zantrel-cli pressure`.

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>

#include "cli/Calibrants.h"
#include "cli/Subcommands.h"
#include "eos/Pressure.h"
#include "export/Format.h"

namespace zantrel::cli {

namespace {

std::string ThermalText(const eos::ThermalParameters& t) {
    switch (t.model) {
        case eos::ThermalModel::None: return "isothermal (300 K only)";
        case eos::ThermalModel::AlphaK: return "alpha K_T = " + FormatShortest(t.alphaK) + " GPa/K";
        case eos::ThermalModel::PowerLaw:
            return "MGD theta0 " + FormatShortest(t.theta0) + " K, gamma0 " + FormatShortest(t.gamma0) + ", q " + FormatShortest(t.q);
        case eos::ThermalModel::Tange:
            return "MGD theta0 " + FormatShortest(t.theta0) + " K, gamma0 " + FormatShortest(t.gamma0) + ", a " +
                   FormatShortest(t.a) + ", b " + FormatShortest(t.b);
        case eos::ThermalModel::Speziale:
            return "MGD theta0 " + FormatShortest(t.theta0) + " K, gamma0 " + FormatShortest(t.gamma0) + ", q0 " +
                   FormatShortest(t.q0) + ", q1 " + FormatShortest(t.q1);
    }
    return "";
}

int Usage(const std::string& what) {
    std::cerr << "zantrel-cli: " << what << "\n";
    return 2;
}

}  // namespace

int ScalesCommand(int argc, char** argv) {
    CLI::App app{"zantrel-cli scales lists the calibrant scales that --calibrant and `pressure` take.", "zantrel-cli scales"};
    std::string scaleFile;
    app.add_option("--scales", scaleFile, "a scale file (JSON) adding to the built-in scales");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    try {
        for (const eos::Scale& s : KnownScales(scaleFile)) {
            std::cout << s.name << ": " << s.material << " (" << s.system << "), " << eos::FormName(s.cold.form) << ", V0 "
                      << FormatShortest(s.cold.v0) << " A^3, K0 " << FormatShortest(s.cold.k0) << " GPa";
            if (s.cold.form != eos::Form::BM2) std::cout << ", K0' " << FormatShortest(s.cold.k0p);
            if (s.cold.form == eos::Form::BM4) std::cout << ", K0'' " << FormatShortest(s.cold.k0pp) << " 1/GPa";
            std::cout << "; " << ThermalText(s.thermal) << "\n    " << s.reference << "\n";
            if (!s.note.empty()) std::cout << "    (" << s.note << ")\n";
        }
    } catch (const std::exception& e) {
        return Usage(e.what());
    }
    return 0;
}

int PressureCommand(int argc, char** argv) {
    CLI::App app{"zantrel-cli pressure gives the pressure of a calibrant's cell volume, or of a cubic cell's edge, "
                 "on each scale named, with sigma(P) and the spread of the scales.",
                 "zantrel-cli pressure"};
    std::string calibrants, scaleFile;
    std::optional<double> volume, edge, v0;
    double sigmaVolume = 0, sigmaEdge = 0, temperature = 300, sigmaTemperature = 0;
    app.add_option("--calibrant", calibrants, "scales NAME[,NAME...] (zantrel-cli scales lists them)")->required();
    app.add_option("--volume", volume, "cell volume in A^3");
    app.add_option("--sigma-volume", sigmaVolume, "its standard error")->check(CLI::Range(0.0, 1e6));
    app.add_option("-a,--a", edge, "cubic cell edge in A");
    app.add_option("--sigma-a", sigmaEdge, "its standard error")->check(CLI::Range(0.0, 1e3));
    app.add_option("--temperature", temperature, "K")->check(CLI::Range(1.0, 1e5))->capture_default_str();
    app.add_option("--sigma-temperature", sigmaTemperature, "K")->check(CLI::Range(0.0, 1e5));
    app.add_option("--scales", scaleFile, "a scale file (JSON) adding to the built-in scales");
    app.add_option("--v0", v0, "replaces the scales' V0 by this ambient volume (A^3 per cell)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (volume.has_value() == edge.has_value()) return Usage("pressure: give either --volume or --a");
    try {
        const std::vector<eos::Scale> scales = ResolveScales(SplitNames(calibrants), scaleFile, v0);
        eos::VolumeFromCell v{volume.value_or(0), sigmaVolume};
        if (edge) {
            for (const eos::Scale& s : scales)
                if (s.system != "cubic") return Usage(s.name + ": " + s.material + " is not cubic; give --volume");
            v = eos::CubicVolume(*edge, sigmaEdge);
        }
        std::vector<std::pair<std::string, double>> pressures;
        int failures = 0;
        std::cout << "V = " << FixedField(v.volume, 10, 4) << " A^3  sigma " << FixedField(v.sigma, 8, 4) << ",  T = "
                  << FormatShortest(temperature) << " K\n";
        for (const eos::Scale& s : scales) {
            try {
                const eos::PressureResult p = eos::Pressure(s, {v.volume, v.sigma, temperature, sigmaTemperature});
                std::cout << "  " << StrField(s.name, 20) << " P = " << FixedField(p.pressure, 9, 3) << "  sigma "
                          << FixedField(p.sigma, 7, 3) << "  (scale " << FixedField(p.sigmaScale, 6, 3) << ") GPa\n";
                pressures.emplace_back(s.name, p.pressure);
            } catch (const std::exception& e) {
                ++failures;
                std::cerr << e.what() << "\n";
            }
        }
        if (pressures.size() > 1) {
            const eos::Spread spread = *eos::SpreadOf(pressures);
            std::cout << "  spread of the scales: " << FixedField(spread.lowest, 0, 3) << " (" << spread.lowestName << ") to "
                      << FixedField(spread.highest, 0, 3) << " (" << spread.highestName << ") GPa\n";
        }
        return failures > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        return Usage(e.what());
    }
}

}  // namespace zantrel::cli

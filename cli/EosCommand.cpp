// `zantrel-cli eos`: an equation of state fitted to a summary table's volumes and
// pressures.

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/EosDocuments.h"
#include "cli/SeriesCsv.h"
#include "cli/Subcommands.h"
#include "export/ReportFile.h"

namespace zantrel::cli {

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

int EosCommand(int argc, char** argv, const EosPlotter& plotter) {
    CLI::App app{"zantrel-cli eos fits an equation of state to the volumes and pressures of a summary table "
                 "(zantrel-cli --summary with --calibrant, or a column of your own), weighted by effective "
                 "variances, with the influence of each point.",
                 "zantrel-cli eos"};
    std::string form = "bm3", column, summary, pressureTable, axis;
    std::optional<double> fixV0;
    bool json = false, exports = false, plot = false;
    app.add_option("--form", form, "bm2, bm3, bm4 or vinet")->check(CLI::IsMember({"bm2", "bm3", "bm4", "vinet"}))->capture_default_str();
    app.add_option("--pressure-column", column,
                   "the column of pressures in GPa (default: the first pressure_NAME); its sigma from sigma_NAME");
    app.add_option("--pressures", pressureTable,
                   "the calibrant's summary of the same series, row by row, whose pressure column is taken");
    app.add_option("--axis", axis,
                   "fits the cube of this cell edge instead of the volume: a linear equation of state, "
                   "whose modulus and its derivative are three times K0 and K0'")
        ->check(CLI::IsMember({"a", "b", "c"}));
    app.add_option("--fix-v0", fixV0, "holds V0 at this volume (A^3)");
    app.add_flag("--json", json, "also write the fit beside the summary (SUMMARY.eos.json)");
    app.add_flag("--export", exports, "also write the series in EosFit7's format beside the summary (SUMMARY.eosfit.dat)");
    app.add_flag("--plot", plot,
                 "also draw P-V with the fit, F-f, the K0-K0' ellipses and the influence of each point "
                 "beside the summary (SUMMARY.eos.svg); in a build with Qt");
    app.add_option("SUMMARY", summary, "the summary table (CSV)")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (plot && !plotter) {
        std::cerr << "zantrel-cli eos: --plot: this zantrel-cli was built without Qt 6 (Gui, Svg) and draws no plots\n";
        return 2;
    }
    try {
        const CsvTable volumes = ParseCsv(ReadText(summary));
        const Series series = ReadSeries(volumes, pressureTable.empty() ? volumes : ParseCsv(ReadText(pressureTable)), column, axis);
        const eos::EosFit fit = eos::FitEos({*eos::FormFromName(form), series.points, fixV0});
        std::cout << EosFitText(fit, series);
        if (json) WriteFileAtomically(SiblingPath(summary, ".eos.json"), EosFitJson(fit, series, summary));
        if (plot) WriteFileAtomically(SiblingPath(summary, ".eos.svg"), plotter(fit));
        if (exports) WriteFileAtomically(SiblingPath(summary, ".eosfit.dat"), EosFit7Data(series, summary));
    } catch (const std::exception& e) {
        std::cerr << summary << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace zantrel::cli

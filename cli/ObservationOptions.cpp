#include "cli/ObservationOptions.h"

#include <iostream>
#include <sstream>
#include <stdexcept>

#include "export/WeightingText.h"
#include "run/CompareWithoutFlagged.h"

namespace zantrel::cli {

bool ParseHkl(const std::string& text, std::array<int, 3>& hkl) {
    std::string s = text;
    for (char& c : s)
        if (c == ',' || c == '(' || c == ')') c = ' ';
    std::istringstream in(s);
    long long v[3];
    if (!(in >> v[0] >> v[1] >> v[2])) return false;
    std::string rest;
    if (in >> rest) return false;
    for (int i = 0; i < 3; ++i) {
        if (v[i] < -2147483647LL || v[i] > 2147483647LL) return false;
        hkl[std::size_t(i)] = int(v[i]);
    }
    return !(hkl[0] == 0 && hkl[1] == 0 && hkl[2] == 0);
}

void AddWeightingOptions(CLI::App& app, ObservationOptions& parsed) {
    auto* tt = app.add_option("--sigma-2theta", parsed.sigma2Theta,
                              "weight by this assumed error of 2-theta in degrees (default 0.005)");
    auto* rd = app.add_option("--sigma-d-relative", parsed.relativeD,
                              "weight by this relative error sigma(d)/d, with no wavelength (d and "
                              "time-of-flight data)");
    auto* re = app.add_option("--sigma-energy-relative", parsed.relativeEnergy,
                              "weight by this relative error sigma(E)/E, with no wavelength "
                              "(energy-dispersive data)");
    auto* sc = app.add_flag("--sigma-column", parsed.sigmaColumn,
                            "weight each reflection by the sigma that follows its value on its line, "
                            "in the data's quantity");
    tt->excludes(rd)->excludes(re)->excludes(sc);
    rd->excludes(re)->excludes(sc);
    re->excludes(sc);
}

void AddObservationOptions(CLI::App& app, ObservationOptions& parsed) {
    app.add_option("--exclude", parsed.excludeHkl,
                   "leave the reflections with these indices out of the fit, as \"h k l\" (repeatable); "
                   "the report, the summary and the JSON name them")
        ->allow_extra_args(false);
    app.add_option("--exclude-row", parsed.excludeRows,
                   "leave the N-th reflection line of the data file out of the fit (from 1; repeatable)")
        ->allow_extra_args(false)
        ->check(CLI::PositiveNumber);
    AddWeightingOptions(app, parsed);
    app.add_flag("--compare-without-flagged", parsed.compareWithoutFlagged,
                 "refine each file again without the reflections its diagnostics flag, and print "
                 "both cells side by side with the change in units of sigma");
}

void ApplyWeightingOptions(const ObservationOptions& parsed, Weighting& w) {
    if (parsed.sigma2Theta) w = {WeightMode::TwoThetaError, *parsed.sigma2Theta};
    if (parsed.relativeD) w = {WeightMode::RelativeD, *parsed.relativeD};
    if (parsed.relativeEnergy) w = {WeightMode::RelativeEnergy, *parsed.relativeEnergy};
    if (parsed.sigmaColumn) w = {WeightMode::SigmaColumn, 0};
    if (std::string problem = WeightingProblem(w); !problem.empty()) throw std::runtime_error(problem);
}

void ApplyObservationOptions(const ObservationOptions& parsed, Options& options) {
    for (const std::string& text : parsed.excludeHkl) {
        std::array<int, 3> hkl{};
        if (!ParseHkl(text, hkl))
            throw std::runtime_error("--exclude \"" + text + "\": give three Miller indices, as --exclude \"1 1 1\"");
        options.exclude.hkl.push_back(hkl);
    }
    options.exclude.rows = parsed.excludeRows;
    ApplyWeightingOptions(parsed, options.settings.weighting);
    options.compareWithoutFlagged = parsed.compareWithoutFlagged;
}

bool PrintComparison(const Options& options, const std::string& file) {
    RunRequest request = FileRequest(options.settings, file, options.extended ? Precision::Extended : Precision::Checked);
    request.exclude = options.exclude;
    try {
        std::cout << file << ": " << ComparisonText(CompareWithoutFlagged(request));
        return true;
    } catch (const std::exception& e) {
        std::string message = e.what();
        for (char& c : message)
            if (c == '\n') c = ' ';
        std::cerr << file << ": --compare-without-flagged: " << message << "\n";
        return false;
    }
}

}  // namespace zantrel::cli

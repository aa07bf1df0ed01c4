#pragma once
// The options that choose which reflections enter the fit and how they are weighted.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Options.h"

namespace zantrel::cli {

struct ObservationOptions {
    std::vector<std::string> excludeHkl;  // "h k l", one per --exclude
    std::vector<int> excludeRows;
    std::optional<double> sigma2Theta, relativeD, relativeEnergy;
    bool sigmaColumn = false;
    bool compareWithoutFlagged = false;
};

// Adds --sigma-2theta, --sigma-d-relative, --sigma-energy-relative and --sigma-column,
// which the index command shares.
void AddWeightingOptions(CLI::App& app, ObservationOptions& parsed);
// The weighting the parsed options ask for into `weighting`; throws std::runtime_error for
// a usage error.
void ApplyWeightingOptions(const ObservationOptions& parsed, Weighting& weighting);
// Adds --exclude, --exclude-row, --sigma-2theta, --sigma-d-relative,
// --sigma-energy-relative, --sigma-column and --compare-without-flagged; the values
// land in `parsed`, which must outlive the parse.
void AddObservationOptions(CLI::App& app, ObservationOptions& parsed);
// Puts the parsed values into options; throws std::runtime_error for a usage error.
void ApplyObservationOptions(const ObservationOptions& parsed, Options& options);
// --compare-without-flagged for one refined file: the two cells to standard output, or
// the reason there are not two to standard error (then false).
bool PrintComparison(const Options& options, const std::string& file);
// "1 1 1", "1,1,1" or "(1 1 1)" as indices; false for anything else.
bool ParseHkl(const std::string& text, std::array<int, 3>& hkl);

}  // namespace zantrel::cli

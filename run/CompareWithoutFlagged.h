#pragma once
// A second fit without the reflections that the first fit's diagnostics flag, and the
// two cells side by side: what a user does by hand after reading the diagnostics.

#include <string>
#include <vector>

#include "run/Run.h"

namespace zantrel {

// One refined parameter (or the volume) in both fits.
struct ComparedValue {
    std::string label;  // "a", "beta", ..., "cell vol"
    long double all = 0, sigmaAll = 0;
    long double without = 0, sigmaWithout = 0;
    // (without - all) / sigmaAll; empty where the first fit gives no sigma.
    std::optional<long double> changeInSigma;
};

struct FlaggedComparison {
    Results all;      // the request's own fit
    Results without;  // the same without the flagged reflections; not refined when none were
    std::vector<ExcludedReflection> flagged;  // as they stand in the data file
    std::vector<ComparedValue> values;        // empty when none were flagged
};

// Refines the request's data twice, the second time also leaving out every reflection
// the first fit flags (either diagnostic); neither run writes a report. Throws RunError
// when either run fails, the second one's message saying so.
FlaggedComparison CompareWithoutFlagged(RunRequest request);
// The two cells as a table, with a first line that names the reflections left out.
std::string ComparisonText(const FlaggedComparison& comparison);

}  // namespace zantrel

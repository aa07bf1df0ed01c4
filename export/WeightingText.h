#pragma once
// The report's lines that say how a run weighted its observations and which
// reflections it left out.

#include <string>
#include <vector>

#include "cell/Exclusions.h"
#include "cell/Settings.h"

namespace zantrel {

// The weighting paragraph: the program's three lines for sigma(2theta) = 0.005 deg,
// and lines of the same form for every other weighting.
std::vector<std::string> WeightingLines(const RefinementSettings& settings);
// "" for weighting a run can use; otherwise why not (a sigma of 0, a relative error of 1).
std::string WeightingProblem(const Weighting& weighting);
// "row 3 (2 2 0), row 7 (4 0 0)".
std::string ExcludedList(const std::vector<ExcludedReflection>& excluded);
// "excluded from the fit: row 3 (2 2 0), row 7 (4 0 0)".
std::string ExcludedLine(const std::vector<ExcludedReflection>& excluded);

}  // namespace zantrel

#pragma once
// The results record of a run, and the report formatted from it.

#include <optional>
#include <string>
#include <vector>

#include "engine/Indexed.h"
#include "cell/Results.h"

namespace zantrel {

struct RefinementJob;

inline namespace ZANTREL_ENGINE {

// Fills the results of a finished, refined run from its job, whose tables still exist.
void CollectResults(RefinementJob& job, Results& results);
// The deletion statistics of every reflection of the final refinement.
Diagnostics ComputeDiagnostics(const RefinementJob& job);

// The correlation of parameters i and j (1-based) from their covariance, as the report
// forms it; none without two positive variances.
std::optional<Extended> Correlation(const std::vector<std::vector<double>>& covariance, int i, int j);

}  // namespace ZANTREL_ENGINE

// The report's bytes: Windows-1252, CR LF.
std::string FormatReport(const Results& results);

}  // namespace zantrel

#pragma once
// The report, formatted from the results record of a run.

#include <optional>
#include <string>
#include <vector>

#include "cell/Results.h"

namespace zantrel {

class MarginCheck;

// The report's bytes: Windows-1252, CR LF. A fast run's check learns whether any printed
// value lies too near its rounding boundary.
std::string FormatReport(const Results& results, MarginCheck* check = nullptr);

}  // namespace zantrel

#pragma once
// A refined cell that no crystal has ends the run: a d spacing, cell edge or volume
// that is not positive, or angles whose metric is not positive definite. Such a cell
// comes from data read as another quantity than they are, so the message says which.

#include <string>

#include "cell/Results.h"

namespace zantrel {

// Throws RunError for an impossible cell; headerDataWord is the header line's data
// word as written, empty without a header line.
void RefuseImpossibleCell(const Results& results, const std::string& headerDataWord);

}  // namespace zantrel

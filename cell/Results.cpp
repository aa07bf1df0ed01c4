// The results record's own arithmetic.

#include "cell/Results.h"

namespace zantrel {

int Diagnostics::FlaggedCount() const {
    int n = 0;
    for (const DiagnosticRow& row : rows) n += row.flaggedFit || row.flaggedParameters ? 1 : 0;
    return n;
}

const ZeroShiftResult* RefinedZeroShift(const Results& results) {
    return results.zeroShift && results.zeroShift->refined ? &*results.zeroShift : nullptr;
}

}  // namespace zantrel

#pragma once
// The figures of merit of an indexing: de Wolff's M20 and Smith & Snyder's F_N.

#include <optional>
#include <vector>

#include "indexing/Assign.h"

namespace zantrel::indexing {

struct FiguresOfMerit {
    // M(N) over the first N = min(20, peaks) observed lines (de Wolff's M20 when N = 20).
    int mLines = 0;
    int mUnindexed = 0;          // of those N, not indexed
    int n20 = 0;                 // calculated distinct lines up to the Nth observed one
    std::optional<double> m20;   // none when no line is indexed or every discrepancy is 0
    // F_N over the first N = min(30, peaks) lines, in 2-theta: none for energy data and
    // for d spacings the wavelength does not reach.
    int fLines = 0;
    int fPossible = 0;                      // N_poss
    std::optional<double> fMeanDelta2Theta;  // |d2theta| mean, degrees
    std::optional<double> fN;
};

// `peaks` in the order of d, largest first; `reflections` of the refined cell.
FiguresOfMerit ComputeFiguresOfMerit(const std::vector<PeakAssignment>& peaks, const std::vector<Reflection>& reflections,
                                     const Conversion& conversion, const CellParameters& cell);

}  // namespace zantrel::indexing

#include "indexing/FiguresOfMerit.h"

#include <algorithm>
#include <cmath>

namespace zantrel::indexing {

namespace {

// Distinct calculated lines up to qMax: reflections of equal Q (to rounding) are one.
int DistinctLines(const std::vector<Reflection>& reflections, double qMax) {
    int count = 0;
    double last = -1;
    for (const Reflection& r : reflections) {  // sorted by Q
        if (r.q > qMax * (1 + 1e-12)) break;
        if (last < 0 || r.q - last > 1e-9 * r.q) ++count;
        last = r.q;
    }
    return count;
}

}  // namespace

FiguresOfMerit ComputeFiguresOfMerit(const std::vector<PeakAssignment>& peaks, const std::vector<Reflection>& reflections,
                                     const Conversion& conversion, const CellParameters& cell) {
    FiguresOfMerit f;
    if (peaks.empty()) return f;
    // de Wolff, J. Appl. Cryst. 1 (1968) 108: M20 = Q20 / (2 <|dQ|> N20), Q = 1/d^2, over
    // the first 20 observed lines; N20 counts the distinct lines the cell calculates up
    // to Q20. The mean discrepancy is over the indexed lines among the 20; the lines left
    // unindexed are counted beside it, as de Wolff asks.
    f.mLines = int(std::min<std::size_t>(20, peaks.size()));
    double sum = 0;
    int indexed = 0;
    for (int i = 0; i < f.mLines; ++i) {
        const PeakAssignment& p = peaks[std::size_t(i)];
        if (!IsUsed(p.status)) {
            ++f.mUnindexed;
            continue;
        }
        const double d = conversion.DOf(p.corrected);
        sum += std::fabs(1 / (d * d) - QOf(cell, *p.hkl));
        ++indexed;
    }
    const double dLast = conversion.DOf(peaks[std::size_t(f.mLines - 1)].corrected);
    const double q20 = 1 / (dLast * dLast);
    f.n20 = DistinctLines(reflections, q20);
    if (indexed > 0 && sum > 0 && f.n20 > 0) f.m20 = q20 / (2 * (sum / indexed) * f.n20);

    // Smith & Snyder, J. Appl. Cryst. 12 (1979) 60: F_N = (1 / <|d2theta|>) (N / N_poss),
    // over the first N observed lines, N_poss the distinct lines possible up to the Nth.
    if (conversion.kind == Quantity::Energy) return f;
    Conversion tth = conversion;
    tth.kind = Quantity::TwoTheta;
    f.fLines = int(std::min<std::size_t>(30, peaks.size()));
    double deltas = 0;
    int used = 0;
    for (int i = 0; i < f.fLines; ++i) {
        const PeakAssignment& p = peaks[std::size_t(i)];
        const std::optional<double> obs = tth.PositionOf(conversion.DOf(p.corrected));
        if (!obs) return f;
        if (!IsUsed(p.status)) continue;
        const std::optional<double> calc = tth.PositionOf(1 / std::sqrt(QOf(cell, *p.hkl)));
        if (!calc) return f;
        deltas += std::fabs(*obs - *calc);
        ++used;
    }
    const double dN = conversion.DOf(peaks[std::size_t(f.fLines - 1)].corrected);
    f.fPossible = DistinctLines(reflections, 1 / (dN * dN));
    if (used > 0 && deltas > 0 && f.fPossible > 0) {
        f.fMeanDelta2Theta = deltas / used;
        f.fN = (1 / *f.fMeanDelta2Theta) * (double(f.fLines) / f.fPossible);
    }
    return f;
}

}  // namespace zantrel::indexing

// Reciprocal <-> direct cell: the same formulas serve both directions. They are the
// relations between direct and reciprocal lattice parameters in International Tables
// for Crystallography Vol. C (2006), ch. 1.1 (E. Koch), section 1.1.1.1, pp. 2-3:
// a = b* c* sin(alpha*) / V*, cos(alpha) = (cos(beta*) cos(gamma*) - cos(alpha*)) /
// (sin(beta*) sin(gamma*)) and cyclically, V* = a* b* c* sqrt(1 - cos^2(alpha*) -
// cos^2(beta*) - cos^2(gamma*) + 2 cos(alpha*) cos(beta*) cos(gamma*)), V = 1 / V*.

#include <cmath>

#include "cell/Cell.h"
#include "engine/LSQ.h"

namespace zantrel::inline ZANTREL_ENGINE {

// 2 / sqrt(3) as the program writes it.
inline constexpr double HexagonalLengthFactor = 1.1547005;

void ConvertCell(const RefinementJob& job, const ParamVector& source, ParamVector& target,
                 double& volume) {
    const ParamVector& s = source;
    for (int j = 1; j <= 6; ++j) target[j] = 0.0;
    for (int j = 1; j <= 3; ++j)
        if (job.ParamCount >= j) target[j] = double(1 / Extended(s[j]));
    Extended v = Extended(s[1]) * s[2] * s[3];
    if (job.IsCubic) v = (Extended(s[1]) * s[1]) * s[1];
    if (job.IsTetragonal) v = (Extended(s[1]) * s[1]) * s[2];
    if (job.IsHexagonal) {
        target[1] = double(HexagonalLengthFactor * Extended(target[1]));
        v = (Extended(s[1]) * s[1] * s[2]) * std::sqrt(Extended(0.75));
    }
    if (job.IsMonoclinic) {
        // Unique axis b: beta lies between a and c.
        Extended sinBeta = std::sin(Extended(s[4]));
        target[1] = double(1 / (Extended(s[1]) * sinBeta));
        target[3] = double(1 / (Extended(s[3]) * sinBeta));
        target[4] = double(Extended(Pi) - s[4]);
        v = Extended(s[1]) * s[2] * s[3] * sinBeta;
    }
    if (job.IsTriclinic) {
        double sa = double(std::sin(Extended(s[4]))), sb = double(std::sin(Extended(s[5])));
        double sg = double(std::sin(Extended(s[6])));
        double ca = double(std::cos(Extended(s[4]))), cb = double(std::cos(Extended(s[5])));
        double cg = double(std::cos(Extended(s[6])));
        Extended r = std::sqrt(((1 - Extended(ca) * ca) - Extended(cb) * cb) - Extended(cg) * cg +
                               2 * Extended(ca) * cb * cg);
        double stored = double(Extended(s[1]) * s[2] * s[3] * r);
        target[1] = double(Extended(s[2]) * s[3] * sa / stored);
        target[2] = double(Extended(s[1]) * s[3] * sb / stored);
        target[3] = double(Extended(s[1]) * s[2] * sg / stored);
        target[4] = ArcCos(double((Extended(cb) * cg - ca) / (Extended(sb) * sg)));
        target[5] = ArcCos(double((Extended(ca) * cg - cb) / (Extended(sa) * sg)));
        target[6] = ArcCos(double((Extended(ca) * cb - cg) / (Extended(sa) * sb)));
        v = stored;
    }
    volume = double(1 / v);
}

}  // namespace zantrel::ZANTREL_ENGINE

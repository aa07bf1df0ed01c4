// Reciprocal <-> direct cell: the same formulas serve both directions. They are the
// relations between direct and reciprocal lattice parameters in International Tables
// for Crystallography Vol. C (2006), ch. 1.1 (E. Koch), section 1.1.1.1, pp. 2-3:
// a = b* c* sin(alpha*) / V*, cos(alpha) = (cos(beta*) cos(gamma*) - cos(alpha*)) /
// (sin(beta*) sin(gamma*)) and cyclically, V* = a* b* c* sqrt(1 - cos^2(alpha*) -
// cos^2(beta*) - cos^2(gamma*) + 2 cos(alpha*) cos(beta*) cos(gamma*)), V = 1 / V*.

#include <cmath>

#include "engine/Steps.h"
#include "engine/Relations.h"

namespace zantrel::engine {

// 2 / sqrt(3) as the program writes it.
inline constexpr double HexagonalLengthFactor = 1.1547005;

template <typename Real>
void ConvertCell(const RefinementJob<Real>& job, const ParamVector& source, ParamVector& target,
                 double& volume) {
    const ParamVector& s = source;
    for (int j = 1; j <= 6; ++j) target[j] = 0.0;
    for (int j = 1; j <= 3; ++j)
        if (job.ParamCount >= j) target[j] = double(1 / Real(s[j]));
    Real v = Real(s[1]) * s[2] * s[3];
    if (job.IsCubic) v = (Real(s[1]) * s[1]) * s[1];
    if (job.IsTetragonal) v = (Real(s[1]) * s[1]) * s[2];
    if (job.IsHexagonal) {
        target[1] = double(HexagonalLengthFactor * Real(target[1]));
        v = (Real(s[1]) * s[1] * s[2]) * std::sqrt(Real(0.75));
    }
    if (job.IsMonoclinic) {
        // Unique axis b: beta lies between a and c.
        Real sinBeta = std::sin(Real(s[4]));
        target[1] = double(1 / (Real(s[1]) * sinBeta));
        target[3] = double(1 / (Real(s[3]) * sinBeta));
        target[4] = double(Real(Pi) - s[4]);
        v = Real(s[1]) * s[2] * s[3] * sinBeta;
    }
    if (job.IsTriclinic) {
        double sa = double(std::sin(Real(s[4]))), sb = double(std::sin(Real(s[5])));
        double sg = double(std::sin(Real(s[6])));
        double ca = double(std::cos(Real(s[4]))), cb = double(std::cos(Real(s[5])));
        double cg = double(std::cos(Real(s[6])));
        Real r = std::sqrt(((1 - Real(ca) * ca) - Real(cb) * cb) - Real(cg) * cg +
                               2 * Real(ca) * cb * cg);
        double stored = double(Real(s[1]) * s[2] * s[3] * r);
        target[1] = double(Real(s[2]) * s[3] * sa / stored);
        target[2] = double(Real(s[1]) * s[3] * sb / stored);
        target[3] = double(Real(s[1]) * s[2] * sg / stored);
        target[4] = ArcCos<Real>(double((Real(cb) * cg - ca) / (Real(sb) * sg)), job.margins);
        target[5] = ArcCos<Real>(double((Real(ca) * cg - cb) / (Real(sa) * sg)), job.margins);
        target[6] = ArcCos<Real>(double((Real(ca) * cb - cg) / (Real(sa) * sb)), job.margins);
        v = stored;
    }
    volume = double(1 / v);
}

template void ConvertCell(const RefinementJob<double>&, const ParamVector&, ParamVector&, double&);
template void ConvertCell(const RefinementJob<long double>&, const ParamVector&, ParamVector&, double&);

}  // namespace zantrel::engine

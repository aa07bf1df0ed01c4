#include "indexing/Lines.h"

#include <gemmi/symmetry.hpp>

#include <algorithm>
#include <cmath>
#include <set>

#include "cell/Constants.h"
#include "cell/Messages.h"

namespace zantrel::indexing {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

// The reciprocal metric tensor G* = G^-1 of the direct one (Giacovazzo, Fundamentals of
// Crystallography, 3rd ed., section 2.3): Q(hkl) = h^T G* h.
Matrix ReciprocalMetric(const CellParameters& c) {
    // 90 and 120 degrees exactly: the program's pi would leave cos(90) at -1.7e-8 and
    // part reflections that symmetry makes coincide (3 3 3 and 5 1 1).
    auto cosine = [](double degrees) { return degrees == 90 ? 0.0 : degrees == 120 ? -0.5 : std::cos(degrees * Pi / 180); };
    const double ca = cosine(c[3]), cb = cosine(c[4]), cg = cosine(c[5]);
    const Matrix g = {{{c[0] * c[0], c[0] * c[1] * cg, c[0] * c[2] * cb},
                       {c[0] * c[1] * cg, c[1] * c[1], c[1] * c[2] * ca},
                       {c[0] * c[2] * cb, c[1] * c[2] * ca, c[2] * c[2]}}};
    const double det = g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) - g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                       g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
    if (!(det > 0)) Fail("the cell's angles give it no volume");
    Matrix inv{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
            inv[std::size_t(i)][std::size_t(j)] = (g[std::size_t(i1)][std::size_t(j1)] * g[std::size_t(i2)][std::size_t(j2)] -
                                                   g[std::size_t(i1)][std::size_t(j2)] * g[std::size_t(i2)][std::size_t(j1)]) / det;
        }
    return inv;
}

double Q(const Matrix& r, const Miller& m) {
    double q = 0;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) q += r[i][j] * m[i] * m[j];
    return q;
}

// The member of a set of equivalent reflections that a user writes: the most indices
// not negative (3 1 1, not 1 3 -1), then the largest first (2 2 0, not 0 2 2).
Miller Representative(const std::set<Miller>& equivalents) {
    auto nonNegative = [](const Miller& m) { return int(m[0] >= 0) + int(m[1] >= 0) + int(m[2] >= 0); };
    Miller best = *equivalents.begin();
    for (const Miller& m : equivalents)
        if (nonNegative(m) > nonNegative(best) || (nonNegative(m) == nonNegative(best) && m > best)) best = m;
    return best;
}

// Reflections looked at before the range is refused: a 60 A cell to 0.7 A.
constexpr double MaxIndexTriples = 6e7;

}  // namespace

double QOf(const CellParameters& cell, const Miller& hkl) { return Q(ReciprocalMetric(cell), hkl); }

std::vector<Reflection> AllowedReflections(const CellParameters& cell, const std::string& spaceGroup, double dMin) {
    const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_name(spaceGroup);
    if (sg == nullptr) Fail("'" + spaceGroup + "' is not a space group");
    const gemmi::GroupOps ops = sg->operations();
    const gemmi::ReciprocalAsu asu(sg);
    const Matrix r = ReciprocalMetric(cell);
    if (!(dMin > 0)) Fail("the peaks reach no d spacing");
    // |h| = |s . a| <= |a| / d for a reciprocal vector s of length 1/d.
    const int hMax = int(cell[0] / dMin), kMax = int(cell[1] / dMin), lMax = int(cell[2] / dMin);
    if (double(2 * hMax + 1) * double(2 * kMax + 1) * double(2 * lMax + 1) > MaxIndexTriples)
        Fail("the cell and the range of the peaks (d down to " + std::to_string(dMin) +
             " A) allow too many reflections to index; leave out the peaks at the highest angles");
    const double qMax = 1 / (dMin * dMin);
    std::vector<Reflection> out;
    for (int h = -hMax; h <= hMax; ++h)
        for (int k = -kMax; k <= kMax; ++k)
            for (int l = -lMax; l <= lMax; ++l) {
                const Miller m{h, k, l};
                if (m == Miller{0, 0, 0}) continue;
                const double q = Q(r, m);
                if (q > qMax || !asu.is_in(m) || ops.is_systematically_absent(m)) continue;
                std::set<Miller> equivalents;
                for (const gemmi::Op& op : ops.sym_ops) {
                    const Miller e = op.apply_to_hkl(m);
                    equivalents.insert(e);
                    equivalents.insert({-e[0], -e[1], -e[2]});
                }
                out.push_back({Representative(equivalents), int(equivalents.size()), 1 / std::sqrt(q), q});
            }
    std::sort(out.begin(), out.end(), [](const Reflection& x, const Reflection& y) {
        return x.q != y.q ? x.q < y.q : x.hkl > y.hkl;
    });
    return out;
}

std::optional<double> Conversion::PositionOf(double d) const {
    switch (kind) {
        case Quantity::TwoTheta: {
            const double s = wavelength / (2 * d);
            if (!(s < 1)) return std::nullopt;
            return 2 * std::asin(s) * 180 / Pi;
        }
        case Quantity::Energy: return EnergyDSinTheta / (std::sin(TwoThetaDegToThetaRad * beam2Theta) * d);
        default: return d;
    }
}

double Conversion::DOf(double position) const {
    switch (kind) {
        case Quantity::TwoTheta: return wavelength / (std::sin(Pi * position / 360) * 2);
        case Quantity::Energy: return EnergyDSinTheta / (std::sin(TwoThetaDegToThetaRad * beam2Theta) * position);
        default: return position;
    }
}

}  // namespace zantrel::indexing

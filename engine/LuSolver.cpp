// Crout LU decomposition with its own pivoting rule, the solve, and the inverse.

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/Margins.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

namespace {

// A pivot below this magnitude is replaced by it, so the decomposition never stops.
constexpr double PivotFloor = 1e-8;

// A pivot's rounding follows the largest entry of the matrix, `scale`: where that could
// put it on the other side of the floor, the fast path's decomposition is not the
// reference's.
inline void FloorPivot(ParamMatrix& a, int j, double scale, MarginCheck* check) {
    CheckMargin(check, std::fabs(a(j, j)), PivotFloor, scale, "a pivot near the floor");
    if (std::fabs(a(j, j)) < PivotFloor) a(j, j) = PivotFloor;
}

double LargestEntry(const ParamMatrix& a, int p) {
    double largest = 0;
    for (int r = 1; r <= p; ++r)
        for (int c = 1; c <= p; ++c) largest = std::max(largest, std::fabs(a(r, c)));
    return largest;
}

}  // namespace

// The last row below j whose entry exceeds |A_jj| — not necessarily the largest.
void PivotRows(ParamMatrix& a, PermVector& perm, int p, int j) {
    const double reference = std::fabs(a(j, j));
    int pivot = 0;
    for (int r = j + 1; r <= p; ++r)
        if (std::fabs(a(r, j)) > reference) pivot = r;
    if (pivot == 0) return;
    for (int c = 1; c <= p; ++c) std::swap(a(j, c), a(pivot, c));
    std::swap(perm[std::size_t(j)], perm[std::size_t(pivot)]);
}

// L keeps the diagonal, U has a unit diagonal; both share A.
template <typename Real>
void LuSolver<Real>::LuDecompose(ParamMatrix& a, int p, PermVector& perm) {
    ZeroPivotSeen = false;
    const double scale = margins != nullptr ? LargestEntry(a, p) : 0;
    for (int i = 1; i <= p; ++i) perm[std::size_t(i)] = i;
    PivotRows(a, perm, p, 1);
    FloorPivot(a, 1, scale, margins);
    if (p == 1) return;
    for (int c = 2; c <= p; ++c) a(1, c) = double(a(1, c) / Real(a(1, 1)));
    for (int j = 2; j <= p - 1; ++j) {
        for (int r = j; r <= p; ++r) {
            double sum = 0;
            for (int k = 1; k <= j - 1; ++k) sum = double(sum + Real(a(r, k)) * a(k, j));
            a(r, j) = double(Real(a(r, j)) - sum);
        }
        PivotRows(a, perm, p, j);
        FloorPivot(a, j, scale, margins);
        for (int c = j + 1; c <= p; ++c) {
            double sum = 0;
            for (int k = 1; k <= j - 1; ++k) sum = double(sum + Real(a(j, k)) * a(k, c));
            a(j, c) = double((Real(a(j, c)) - sum) / a(j, j));
        }
    }
    double sum = 0;
    for (int k = 1; k <= p - 1; ++k) sum = double(sum + Real(a(p, k)) * a(k, p));
    // The last pivot is not floored; only an exact zero stops the solves, so it must not
    // be a cancellation down to rounding level. (Zero terms, a parameter that no
    // reflection depends on, give an exact zero on both paths.)
    if (a(p, p) != 0 || sum != 0)
        CheckMargin(margins, double(Real(a(p, p)) - sum), 0, std::fabs(a(p, p)) + std::fabs(sum),
                    "a last pivot near zero");
    a(p, p) = double(Real(a(p, p)) - sum);
}

// A zero pivot stops the forward divisions for the rest of this and later solves.
template <typename Real>
void LuSolver<Real>::LuSolve(const ParamMatrix& a, const ParamVector& b, ParamVector& x, int p,
                       const PermVector& perm) {
    for (int i = 1; i <= p; ++i) x[i] = b[perm[std::size_t(i)]];
    x[1] = double(x[1] / Real(a(1, 1)));
    for (int i = 2; i <= p; ++i) {
        double sum = 0;
        for (int k = 1; k <= i - 1; ++k) sum = double(sum + Real(a(i, k)) * x[k]);
        if (a(i, i) == 0) ZeroPivotSeen = true;
        if (!ZeroPivotSeen) x[i] = double((Real(x[i]) - sum) / a(i, i));
    }
    for (int r = p - 1; r >= 1; --r) {
        double sum = 0;
        for (int k = r + 1; k <= p; ++k) sum = double(sum + Real(a(r, k)) * x[k]);
        x[r] = double(Real(x[r]) - sum);
    }
}

template <typename Real>
void LuSolver<Real>::InvertMatrix(const ParamMatrix& a, ParamMatrix& out, const PermVector& perm,
                            int p) {
    for (int c = 1; c <= p; ++c) {
        ParamVector e, x;
        e[c] = 1.0;
        LuSolve(a, e, x, p, perm);
        for (int r = 1; r <= p; ++r) out(r, c) = x[r];
    }
}

template struct LuSolver<double>;
template struct LuSolver<long double>;

}  // namespace zantrel::engine

// Starting coefficients: unweighted least squares through a one-sided Jacobi SVD.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "cell/CrystalSystems.h"
#include "cell/Messages.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

namespace {

// Far beyond the handful of sweeps that a design matrix of full rank needs.
constexpr int MaxSweeps = 500;

// Accumulate in a double, each product formed in extended precision.
template <typename Real>
inline void AddProduct(double& sum, double x, double y) { sum = double(sum + Real(x) * y); }

// What each regression column measures, for the message about an undetermined one.
template <typename Real>
std::string ColumnName(const RefinementJob<Real>& job, int column) {
    const SystemLayout& layout = LayoutOf(CrystalSystem(job.CrystalSystem));
    if (column < 1 || column > layout.parameterCount) return "column " + std::to_string(column);
    return layout.regressionTerms[std::size_t(column - 1)];
}

}  // namespace

// The two-sided 95 % point of Student's t with f degrees of freedom, t(0.975; f), from a
// rational fit in 1/f that tends to the normal point 1.96. It is no textbook formula;
// against the exact points of Abramowitz & Stegun, "Handbook of Mathematical Functions"
// (1964), Table 26.10, p. 990, it is within 0.6 % for f >= 2 (3.163 for 3.182 at f = 3)
// but gives 64.6 for 12.706 at f = 1. Kept as it is: the printed 95 % limits depend on it.
template <typename Real>
double StudentTFor(int f) {
    Real fe = f;
    return double((Real(1.96L) + Real(0.546) / fe) /
                  (1 - Real(0.972) / fe + Real(0.0108) / (fe * fe)));
}

template <typename Real>
void DecomposeSvd(RowTable& x, ParamMatrix& v, RealTable& s, int p, int n, MarginCheck* check) {
    const double tol = double(Real(p) * p * 1e-8 * 1e-8);
    for (int r = 1; r <= p; ++r)
        for (int c = 1; c <= p; ++c) v(r, c) = r == c ? 1.0 : 0.0;
    ClearFloatFaults();
    int counter = 0;
    int sweeps = 0;
    do {
        if (++sweeps > MaxSweeps)
            Fail("The linear regression did not converge",
                 "its column rotations were still changing after " + std::to_string(MaxSweeps) +
                     " sweeps");
        counter = p * (p - 1) / 2;
        for (int j = 1; j <= p - 1; ++j) {
            for (int k = j + 1; k <= p; ++k) {
                double g = 0, a = 0, b = 0;
                for (int i = 1; i <= n; ++i) {
                    AddProduct<Real>(g, x(i, j), x(i, k));
                    AddProduct<Real>(a, x(i, j), x(i, j));
                    AddProduct<Real>(b, x(i, k), x(i, k));
                }
                Real ab = Real(a) * b;
                // A pair left unrotated stays non-orthogonal by up to sqrt(tol), which
                // the coefficients keep: both paths must rotate the same pairs. The
                // cosine's square carries a rounding of about eps times the cosine,
                // 1e-24 near the tolerance; the window is 1e-4 of it. (Which of two
                // columns of nearly equal norm goes first only orders the result.)
                if (ab != 0)
                    CheckMargin(check, double(Real(g) * g / ab), tol, 1e8 * tol,
                                "a column pair near the rotation tolerance");
                if (std::fabs(ab) < 1e-20 || Real(g) * g / ab < tol) {
                    --counter;
                    continue;
                }
                double cs, sn;
                if (b > a) {
                    // The columns change places so the larger norm moves forward.
                    cs = 0;
                    sn = 1;
                } else {
                    double q = double(Real(a) - b);
                    double w = double(std::sqrt(4 * Real(g) * g + Real(q) * q));
                    cs = double(std::sqrt((Real(w) + q) / (2 * Real(w))));
                    sn = double(g / (Real(w) * cs));
                }
                for (int i = 1; i <= n; ++i) {
                    double t = x(i, j);
                    x(i, j) = double(Real(t) * cs + Real(x(i, k)) * sn);
                    x(i, k) = double(-Real(t) * sn + Real(x(i, k)) * cs);
                }
                for (int i = 1; i <= p; ++i) {
                    double t = v(i, j);
                    v(i, j) = double(Real(t) * cs + Real(v(i, k)) * sn);
                    v(i, k) = double(-Real(t) * sn + Real(v(i, k)) * cs);
                }
            }
        }
        // A NaN would never pass the orthogonality test: stop at the first fault.
        CheckFloatFaults("in the linear regression of Q on the Miller-index terms");
    } while (counter > 0);
    for (int j = 1; j <= p; ++j) {
        double sum = 0;
        for (int i = 1; i <= n; ++i) AddProduct<Real>(sum, x(i, j), x(i, j));
        s[j] = double(std::sqrt(Real(sum)));
        if (s[j] > tol)
            for (int i = 1; i <= n; ++i) x(i, j) = double(x(i, j) / Real(s[j]));
    }
}

template <typename Real>
void RegressLinear(RefinementJob<Real>& job, RowTable& x, const RealTable& y, int n, int p,
                   ParamVector& c) {
    ParamMatrix v;
    RealTable s(MaxReflections);
    DecomposeSvd<Real>(x, v, s, p, n, job.margins);
    const double tol = double(Real(p) * p * 1e-8 * 1e-8);
    if (job.margins != nullptr) {
        // A singular value carries the rounding of the largest column.
        double largest = 0;
        for (int k = 1; k <= p; ++k) largest = std::max(largest, s[k]);
        for (int k = 1; k <= p; ++k)
            CheckMargin(job.margins, s[k], tol, 1e4 * largest, "a singular value near the tolerance");
    }
    for (int k = 1; k <= p; ++k) {
        if (s[k] > tol) continue;
        // The right singular vector of the vanishing value names the parameter.
        int worst = 1;
        for (int i = 2; i <= p; ++i)
            if (std::fabs(v(i, k)) > std::fabs(v(worst, k))) worst = i;
        Fail(Msg::DivisionByZero,
             "the reflections do not determine the term " + ColumnName(job, worst) +
                 ": it is zero for every reflection, or a combination of the other terms");
    }
    std::vector<double> pinv(std::size_t(MaxParams) * std::size_t(MaxReflections), 0.0);
    auto b = [&](int i, int r) -> double& {
        return pinv[std::size_t(i - 1) * MaxReflections + std::size_t(r - 1)];
    };
    for (int i = 1; i <= p; ++i)
        for (int r = 1; r <= n; ++r) {
            double sum = 0;
            for (int k = 1; k <= p; ++k) sum = double(sum + Real(v(i, k)) * x(r, k) / s[k]);
            b(i, r) = sum;
        }
    for (int i = 1; i <= p; ++i) {
        double sum = 0;
        for (int r = 1; r <= n; ++r) AddProduct<Real>(sum, b(i, r), y[r]);
        c[i] = sum;
    }
    int f = n - p;
    if (f > 0) job.StudentT = StudentTFor<Real>(f);
    CheckFloatFaults("in the linear regression of Q on the Miller-index terms");
}

template double StudentTFor<double>(int);
template double StudentTFor<long double>(int);
template void DecomposeSvd<double>(RowTable&, ParamMatrix&, RealTable&, int, int, MarginCheck*);
template void DecomposeSvd<long double>(RowTable&, ParamMatrix&, RealTable&, int, int, MarginCheck*);
template void RegressLinear(RefinementJob<double>&, RowTable&, const RealTable&, int, int, ParamVector&);
template void RegressLinear(RefinementJob<long double>&, RowTable&, const RealTable&, int, int, ParamVector&);

}  // namespace zantrel::engine

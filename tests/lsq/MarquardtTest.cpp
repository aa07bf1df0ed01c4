// Crout LU with its pivoting rule, and the weighted Levenberg-Marquardt refinement.

#include <cmath>
#include <random>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "engine/LSQ.h"

namespace zantrel {
namespace {

using namespace engine;
using jobs::ProgramPi;
using Lu = LuSolver<long double>;

// Decomposes a copy of m and inverts it with the program's solver.
Eigen::MatrixXd Invert(const Eigen::MatrixXd& m, Lu& lu) {
    int p = int(m.rows());
    ParamMatrix a, inverse;
    for (int r = 0; r < p; ++r)
        for (int c = 0; c < p; ++c) a(r + 1, c + 1) = m(r, c);
    PermVector perm{};
    lu.LuDecompose(a, p, perm);
    lu.InvertMatrix(a, inverse, perm, p);
    Eigen::MatrixXd out(p, p);
    for (int r = 0; r < p; ++r)
        for (int c = 0; c < p; ++c) out(r, c) = inverse(r + 1, c + 1);
    return out;
}

// Normal matrices of every size the refinement uses, spread over four decades as cell
// lengths and angles make them, and general matrices whose small first pivot forces row
// interchanges. Multiplying back must give the identity; with condition numbers up to
// about 1e6, 1e-8 is far above the rounding.
TEST(InvertMatrix, RandomMatricesMultiplyBackToIdentity) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int p = 1; p <= 7; ++p)
        for (int trial = 0; trial < 10; ++trial) {
            Eigen::MatrixXd a(p, p);
            if (trial % 2 == 0) {
                Eigen::MatrixXd j(p + 3, p);
                for (int r = 0; r < p + 3; ++r)
                    for (int c = 0; c < p; ++c) j(r, c) = u(random) * std::pow(10.0, c % 4);
                a = j.transpose() * j;
            } else {
                for (int r = 0; r < p; ++r)
                    for (int c = 0; c < p; ++c) a(r, c) = u(random);
                a(0, 0) = 0.01 * u(random);
                if (std::fabs(a.determinant()) < 1e-3) continue;
            }
            Lu lu;
            Eigen::MatrixXd inverse = Invert(a, lu);
            EXPECT_FALSE(lu.ZeroPivotSeen);
            EXPECT_LT((a * inverse - Eigen::MatrixXd::Identity(p, p)).cwiseAbs().maxCoeff(), 1e-8)
                << "p = " << p << ", trial " << trial;
        }
}

// [[1 2] [2 4]] is singular: after the interchange the last pivot is exactly 0 (by hand:
// 4 - 2 * 2 / 2); the solver notes it, stops dividing, and every entry stays finite. An
// all-zero matrix has its first pivots raised to +1e-8 (whatever the sign of a tiny one).
// The next decomposition clears the note.
TEST(InvertMatrix, SingularMatricesSetZeroPivotAndStayFinite) {
    Lu lu;
    Eigen::MatrixXd a(2, 2);
    a << 1, 2, 2, 4;
    EXPECT_TRUE(Invert(a, lu).allFinite());
    EXPECT_TRUE(lu.ZeroPivotSeen);
    Eigen::MatrixXd inverse = Invert(Eigen::MatrixXd::Zero(3, 3), lu);
    EXPECT_TRUE(lu.ZeroPivotSeen);
    EXPECT_TRUE(inverse.allFinite());
    EXPECT_EQ(inverse(0, 0), 1e8);
    for (double tiny : {1e-12, -3e-9})
        EXPECT_EQ(Invert(Eigen::MatrixXd::Constant(1, 1, tiny), lu)(0, 0), 1e8) << tiny;
    a << 4, 1, 1, 3;
    Invert(a, lu);
    EXPECT_FALSE(lu.ZeroPivotSeen);
}

// Column 1 holds 1, 5, 3, 2: rows 2, 3 and 4 all exceed |1|, and the rule takes the
// last of them (row 4), not the largest (row 2). Whole rows change places.
TEST(PivotRows, TakesTheLastRowExceedingTheDiagonalNotTheLargest) {
    ParamMatrix a;
    const double col1[] = {1, 5, 3, 2};
    for (int r = 1; r <= 4; ++r) {
        a(r, 1) = col1[r - 1];
        for (int c = 2; c <= 4; ++c) a(r, c) = 10 * r + c;
    }
    PermVector perm{0, 1, 2, 3, 4};
    PivotRows(a, perm, 4, 1);
    EXPECT_EQ(a(1, 1), 2);
    EXPECT_EQ(a(4, 1), 1);
    EXPECT_EQ(a(1, 3), 43);
    EXPECT_EQ(a(4, 3), 13);
    EXPECT_EQ(a(2, 1), 5);
    EXPECT_EQ(perm[1], 4);
    EXPECT_EQ(perm[4], 1);

    // Nothing exceeds |5| below row 2 (|-5| does not either): no change.
    ParamMatrix b;
    b(2, 2) = 5, b(3, 2) = -5, b(4, 2) = 4;
    PermVector same{0, 1, 2, 3, 4};
    PivotRows(b, same, 4, 2);
    EXPECT_EQ(b(2, 2), 5);
    EXPECT_EQ(same[2], 2);
}

// --- Marquardt ---

// Exact 2-theta positions computed by Bragg's law from Q of an orthorhombic (or
// higher-symmetry) reciprocal cell, with the program's pi so that the data are exact.
struct Refinement {
    jobs::Job job;
    RowTable hkl{MaxReflections};
    RealTable y{MaxReflections}, calc{MaxReflections}, sigma{MaxReflections};
    int n = 0;

    explicit Refinement(int system) {
        jobs::SetSystem(job, system);
        jobs::SetMinimise(job, 't');
    }
    static double TwoTheta(double q) {
        return 2 * std::asin(1.540593 * std::sqrt(q) / 2) * 180 / ProgramPi;
    }
    void Add(int h, int k, int l, double as, double bs, double cs, double s = 0.005) {
        ++n;
        hkl(n, 1) = h, hkl(n, 2) = k, hkl(n, 3) = l;
        y[n] = TwoTheta(h * h * as * as + k * k * bs * bs + l * l * cs * cs);
        sigma[n] = s;
    }
    double ChiSquare(ParamVector p, int np) {
        RealTable w(MaxReflections);
        for (int i = 1; i <= n; ++i) w[i] = 1 / (sigma[i] * sigma[i]);
        return EvaluateChiSquare(job, n - np, n, w, y, p, hkl);
    }
    void Refine(ParamVector& p, int np) {
        ParamVector steps;
        for (int j = 1; j <= np; ++j) steps[j] = p[j] / 1000;
        job.ParamCount = np;
        RefineMarquardt(job, p, steps, hkl, y, calc, sigma, job.Covariance, n, np);
    }
};

const int Cubic[][3] = {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {2, 0, 0}, {2, 1, 0}, {2, 1, 1}, {2, 2, 0}};

// Starting 5 % off a* = 1/5.4309, the cubic refinement lands on it: chi^2 goes from
// thousands to rounding noise. (Orthorhombic starts off the answer below.)
TEST(RefineMarquardt, CubicConvergesFromAWrongStart) {
    Refinement r(1);
    const double as = 1 / 5.4309;
    for (auto& m : Cubic) r.Add(m[0], m[1], m[2], as, as, as);
    ParamVector p;
    p[1] = as * 1.05;
    ASSERT_GT(r.ChiSquare(p, 1), 1000.0);
    r.Refine(p, 1);
    EXPECT_NEAR(p[1], as, 1e-12 * as);  // exact data: the optimum is the truth
    EXPECT_LT(r.job.ResidualSquares, 1e-12);
    for (int i = 1; i <= r.n; ++i) EXPECT_NEAR(r.calc[i], r.y[i], 1e-9);
}

// Started on the answer, chi^2 is 0 and stays there, and the final step still writes
// the covariance.
TEST(RefineMarquardt, ExactStartKeepsTheAnswerAndGivesTheCovariance) {
    Refinement r(1);
    const double as = 1 / 5.4309;
    for (auto& m : Cubic) r.Add(m[0], m[1], m[2], as, as, as);
    ParamVector p;
    p[1] = as;
    EXPECT_LT(r.ChiSquare(p, 1), 1e-20);
    r.Refine(p, 1);
    EXPECT_NEAR(p[1], as, 1e-14);
    EXPECT_LT(r.job.ResidualSquares, 1e-20);
    EXPECT_GT(r.job.Covariance(1, 1), 0.0);
}

// Orthorhombic, started 1 % off: the covariance is (J^T W J)^-1 formed by Eigen from the
// Jacobian of Bragg's law taken by hand,
//   d(2theta)/dQ = (360/pi) (lambda/2) / (2 sqrt(Q) sqrt(1 - (lambda sqrt(Q)/2)^2)),
// and it scales with sigma^2 (no scaling by the fit). Central differences with a step of
// P/1000 are right to about 1e-6 relative: 1e-5 allowed.
TEST(RefineMarquardt, CovarianceIsTheInverseNormalMatrixAndScalesWithSigmaSquared) {
    const double as = 1 / 4.7535, bs = 1 / 10.1943, cs = 1 / 5.9807;
    const int list[][3] = {{0, 2, 0}, {1, 1, 0}, {0, 2, 1}, {1, 0, 1}, {1, 1, 1}, {1, 3, 0},
                           {0, 0, 2}, {2, 0, 0}, {1, 3, 1}, {2, 2, 0}, {1, 2, 2}, {2, 4, 1}};
    Eigen::MatrixXd jac(12, 3);
    for (int i = 0; i < 12; ++i) {
        const int* m = list[i];
        double q = m[0] * m[0] * as * as + m[1] * m[1] * bs * bs + m[2] * m[2] * cs * cs;
        double x = 1.540593 * std::sqrt(q) / 2;
        double dq = (360 / ProgramPi) * (1.540593 / 2) / (2 * std::sqrt(q) * std::sqrt(1 - x * x));
        jac.row(i) << dq * 2 * m[0] * m[0] * as, dq * 2 * m[1] * m[1] * bs, dq * 2 * m[2] * m[2] * cs;
    }
    for (double s : {0.005, 0.01}) {
        Eigen::MatrixXd expected = (jac.transpose() * jac / (s * s)).inverse();
        Refinement r(4);
        for (auto& m : list) r.Add(m[0], m[1], m[2], as, bs, cs, s);
        ParamVector p;
        p[1] = as * 1.01, p[2] = bs * 0.99, p[3] = cs;
        ASSERT_GT(r.ChiSquare(p, 3), 100.0);
        r.Refine(p, 3);
        EXPECT_NEAR(p[2], bs, 1e-12 * bs);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(r.job.Covariance(i + 1, j + 1), expected(i, j),
                            1e-5 * std::sqrt(expected(i, i) * expected(j, j)))
                    << i << "," << j << " sigma " << s;
    }
}

}  // namespace
}  // namespace zantrel

// Linear regression by one-sided Jacobi SVD: Student t, hand cases, Eigen, NIST StRD.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "engine/LSQ.h"

namespace zantrel {
namespace {

using namespace engine;

// The two-sided 95 % points of Student's t to four decimals, as the program's
// approximation gives them (by hand from its formula; tables give 4.3027, 3.1824, ...
// for small f, which the approximation does not claim).
TEST(StudentTFor, MatchesTheApproximationAtTabulatedDegreesOfFreedom) {
    const int f[] = {2, 3, 5, 10, 30, 100};
    const double t[] = {4.3217, 3.1630, 2.5671, 2.2312, 2.0444, 1.9847};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(StudentTFor<long double>(f[i]), t[i], 5e-5) << "f = " << f[i];
}

// p = 1 needs no rotation: c1 = sum(xy) / sum(x^2) = 28.5 / 14 (by hand).
TEST(RegressLinear, SingleColumnGivesRatioOfSums) {
    jobs::Job job;
    RowTable x(MaxReflections);
    RealTable y(MaxReflections);
    const double xs[] = {1, 2, 3}, ys[] = {2.1, 3.9, 6.2};
    for (int i = 1; i <= 3; ++i) x(i, 1) = xs[i - 1], y[i] = ys[i - 1];
    ParamVector c;
    c[2] = 99;  // beyond p: must stay
    RegressLinear(job, x, y, 3, 1, c);
    EXPECT_NEAR(c[1], 28.5 / 14, 1e-14);  // two divisions by sqrt(14): a few ulps
    EXPECT_EQ(c[2], 99);
    EXPECT_NEAR(job.StudentT, 4.3217, 5e-5);  // n - p = 2
}

// With n = p there are no degrees of freedom: the fit is exact and StudentT keeps its value.
TEST(RegressLinear, NoDegreesOfFreedomLeavesStudentTAlone) {
    jobs::Job job;
    job.StudentT = 12.5;
    RowTable x(MaxReflections);
    RealTable y(MaxReflections);
    x(1, 1) = 2, x(1, 2) = 1, y[1] = 5;  // 2 c1 + c2 = 5
    x(2, 1) = 1, x(2, 2) = 3, y[2] = 10;  // c1 + 3 c2 = 10  ->  c = (1, 3) by hand
    ParamVector c;
    RegressLinear(job, x, y, 2, 2, c);
    EXPECT_NEAR(c[1], 1.0, 1e-13);
    EXPECT_NEAR(c[2], 3.0, 1e-13);
    EXPECT_EQ(job.StudentT, 12.5);
}

// Columns (1,1,0) and (1,0,1) have equal norms and inner product 1: the q = 0 rotation
// with cos = sin = sqrt(1/2) turns them into norms sqrt(3) and 1 (by hand), and a second
// sweep finds them orthogonal.
TEST(DecomposeSvd, EqualNormsRotateByFortyFiveDegrees) {
    RowTable x(3);
    x(1, 1) = 1, x(2, 1) = 1, x(3, 1) = 0;
    x(1, 2) = 1, x(2, 2) = 0, x(3, 2) = 1;
    ParamMatrix v;
    RealTable s(MaxReflections);
    DecomposeSvd<long double>(x, v, s, 2, 3);
    const double r = std::sqrt(0.5);
    EXPECT_NEAR(s[1], std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(s[2], 1.0, 1e-15);
    EXPECT_NEAR(v(1, 1), r, 1e-15);
    EXPECT_NEAR(v(2, 1), r, 1e-15);
    EXPECT_NEAR(v(1, 2), -r, 1e-15);
    EXPECT_NEAR(v(2, 2), r, 1e-15);
    // The columns now hold U: unit length.
    EXPECT_NEAR(x(1, 1) * x(1, 1) + x(2, 1) * x(2, 1) + x(3, 1) * x(3, 1), 1.0, 1e-15);
}

// Random well-conditioned problems against Eigen's column-pivoting QR. The Jacobi sweep
// stops when every column pair is orthogonal to about p * 1e-8, which leaves the
// coefficients right to about that much of the largest (measured 1.1e-8): 1e-6 allowed.
TEST(RegressLinear, AgreesWithEigenOnRandomProblems) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int trial = 0; trial < 60; ++trial) {
        int p = 1 + trial % 7;
        int n = p + 2 + int(random() % 40);
        Eigen::MatrixXd a(n, p);
        Eigen::VectorXd b(n);
        RowTable x(MaxReflections);
        RealTable y(MaxReflections);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < p; ++j) x(i + 1, j + 1) = a(i, j) = u(random) * (j + 1);
            y[i + 1] = b(i) = u(random);
        }
        Eigen::VectorXd expected = a.colPivHouseholderQr().solve(b);
        jobs::Job job;
        ParamVector c;
        RegressLinear(job, x, y, n, p, c);
        double scale = expected.cwiseAbs().maxCoeff();
        for (int j = 0; j < p; ++j)
            EXPECT_NEAR(c[j + 1], expected(j), 1e-6 * scale) << "trial " << trial << " j " << j;
        EXPECT_EQ(job.StudentT, StudentTFor<long double>(n - p));
    }
}

// --- NIST StRD linear least squares ---

// The numbers of the array that follows "key": in the JSON files every array we read
// holds numbers only (nested for X).
std::vector<double> NumbersAfter(const std::string& text, const std::string& key) {
    std::size_t at = text.find("\"" + key + "\":");
    EXPECT_NE(at, std::string::npos) << key;
    std::vector<double> out;
    if (at == std::string::npos) return out;
    at = text.find('[', at);
    int depth = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        char c = text[i];
        if (c == '[') ++depth;
        else if (c == ']') {
            if (--depth == 0) break;
        } else if (c == '-' || c == '+' || (c >= '0' && c <= '9')) {
            char* end = nullptr;
            out.push_back(std::strtod(text.c_str() + i, &end));
            i = std::size_t(end - text.c_str()) - 1;
        }
    }
    return out;
}

struct StrdSet {
    int n = 0, p = 0;
    std::vector<double> x, y, beta;
};

StrdSet LoadStrd(const std::string& name) {
    std::ifstream in(std::string(ZANTREL_TEST_DATA) + "/strd/" + name + ".json");
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    StrdSet set;
    set.x = NumbersAfter(s, "X");
    set.y = NumbersAfter(s, "y");
    set.beta = NumbersAfter(s, "beta");
    set.n = int(set.y.size());
    set.p = int(set.beta.size());
    return set;
}

// Log relative error of the worst coefficient against NIST's certified values.
double WorstLre(const std::string& name) {
    StrdSet set = LoadStrd(name);
    EXPECT_GT(set.n, 0) << name;
    EXPECT_EQ(set.x.size(), std::size_t(set.n * set.p)) << name;
    if (set.n == 0 || set.x.size() != std::size_t(set.n * set.p)) return 0;
    RowTable x(MaxReflections);
    RealTable y(MaxReflections);
    for (int i = 0; i < set.n; ++i) {
        for (int j = 0; j < set.p; ++j) x(i + 1, j + 1) = set.x[std::size_t(i * set.p + j)];
        y[i + 1] = set.y[std::size_t(i)];
    }
    jobs::Job job;
    ParamVector c;
    RegressLinear(job, x, y, set.n, set.p, c);
    double worst = 15;
    for (int j = 0; j < set.p; ++j) {
        double certified = set.beta[std::size_t(j)];
        double err = std::fabs(c[j + 1] - certified) / std::fabs(certified);
        worst = std::min(worst, err == 0 ? 15.0 : -std::log10(err));
    }
    return worst;
}

// Measured: Norris 12.5, NoInt1 14.8, NoInt2 15; asserted a little below.
TEST(RegressLinear, ReachesNistCertifiedValuesOnEasyData) {
    EXPECT_GE(WorstLre("Norris"), 11.0);
    EXPECT_GE(WorstLre("NoInt1"), 13.0);
    EXPECT_GE(WorstLre("NoInt2"), 13.0);
}

// Longley's columns are nearly dependent: stopping at orthogonality p * 1e-8 leaves
// about four correct digits (measured 4.2).
TEST(RegressLinear, KeepsFourDigitsOnLongley) { EXPECT_GE(WorstLre("Longley"), 3.8); }

}  // namespace
}  // namespace zantrel

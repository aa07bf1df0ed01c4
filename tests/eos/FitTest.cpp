// The equation-of-state fit against data made from known parameters: recovery, the
// sigmas against a Monte Carlo of refits, the delete-one changes against actual
// refits, and the F-f line of an exact BM3 series.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "eos/Curve.h"
#include "eos/Fit.h"

namespace zantrel::eos {
namespace {

const ColdParameters Truth{Form::BM3, 40.0, 180.0, 4.6, 0};

// Volumes from V/V0 = 1 down to 0.8; the pressures exact, with sigma_P and sigma_V.
std::vector<SeriesPoint> Series(int n, double sigmaP, double sigmaV) {
    std::vector<SeriesPoint> s;
    for (int i = 0; i < n; ++i) {
        const double v = Truth.v0 * (1 - 0.2 * i / (n - 1));
        s.push_back({ColdPressure(Truth, v), sigmaP, v, sigmaV});
    }
    return s;
}

std::vector<SeriesPoint> Scattered(std::vector<SeriesPoint> s, std::mt19937_64& random) {
    std::normal_distribution<double> unit(0, 1);
    for (SeriesPoint& p : s) {
        p.pressure += p.sigmaPressure * unit(random);
        p.volume += p.sigmaVolume * unit(random);
    }
    return s;
}

TEST(EosFit, ExactSeriesGivesItsParametersAndTheFfLine) {
    const EosFit fit = FitEos({Form::BM3, Series(12, 0.05, 0.004), std::nullopt});
    EXPECT_NEAR(fit.cold.v0, Truth.v0, 1e-6);
    EXPECT_NEAR(fit.cold.k0, Truth.k0, 1e-4);
    EXPECT_NEAR(fit.cold.k0p, Truth.k0p, 1e-5);
    EXPECT_LT(fit.chi2, 1e-8);
    EXPECT_EQ(fit.dof, 9);
    // F_E = K0 + 3/2 K0 (K0' - 4) f_E exactly for BM3.
    ASSERT_EQ(fit.strain.size(), 11u);
    for (const StrainPoint& s : fit.strain)
        EXPECT_NEAR(s.normalisedPressure, 180 + 1.5 * 180 * 0.6 * s.f, 1e-4) << s.f;
    // A BM4 fitted to BM3 data finds BM3's implied K0''.
    const EosFit four = FitEos({Form::BM4, Series(12, 0.05, 0.004), std::nullopt});
    EXPECT_NEAR(four.cold.k0pp, -((4.6 - 3) * (4.6 - 4) + 35.0 / 9) / 180, 1e-5);
    ASSERT_EQ(fit.ellipses.size(), 2u);
    EXPECT_EQ(fit.ellipses[1].points.size(), 73u);
}

TEST(EosFit, SigmasAgreeWithAMonteCarloOfRefits) {
    std::mt19937_64 random(20);
    const std::vector<SeriesPoint> exact = Series(14, 0.1, 0.01);
    const EosFit nominal = FitEos({Form::BM3, exact, std::nullopt});
    const int runs = 1000;
    std::vector<double> sum(3, 0), sum2(3, 0);
    for (int k = 0; k < runs; ++k) {
        const EosFit f = FitEos({Form::BM3, Scattered(exact, random), std::nullopt});
        const double x[3] = {f.cold.v0, f.cold.k0, f.cold.k0p};
        for (int i = 0; i < 3; ++i) sum[i] += x[i], sum2[i] += x[i] * x[i];
    }
    for (int i = 0; i < 3; ++i) {
        const double mean = sum[i] / runs, spread = std::sqrt(sum2[i] / runs - mean * mean);
        EXPECT_NEAR(nominal.parameters[std::size_t(i)].sigma / spread, 1, 0.15) << nominal.parameters[std::size_t(i)].name;
        EXPECT_NEAR(mean, nominal.parameters[std::size_t(i)].value, 4 * spread / std::sqrt(double(runs)) + 0.02 * spread);
    }
    // The K0-K0' correlation of BM3 fits is strongly negative.
    EXPECT_LT(nominal.correlation[1][2], -0.8);
}

TEST(EosFit, DeleteOneChangesAgreeWithActualRefits) {
    std::mt19937_64 random(7);
    std::vector<SeriesPoint> points = Scattered(Series(10, 0.1, 0.01), random);
    points[9].pressure += 1.5;  // one point out of line, at the end where it sways K0'
    const EosFit fit = FitEos({Form::Vinet, points, std::nullopt});
    bool anyFlagged = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::vector<SeriesPoint> rest = points;
        rest.erase(rest.begin() + long(i));
        const EosFit without = FitEos({Form::Vinet, rest, std::nullopt});
        const double actual[3] = {without.cold.v0 - fit.cold.v0, without.cold.k0 - fit.cold.k0, without.cold.k0p - fit.cold.k0p};
        for (std::size_t a = 0; a < 3; ++a) {
            const double predicted = fit.points[i].parameterChange[a] * fit.parameters[a].sigma;
            EXPECT_NEAR(predicted, actual[a], 0.1 * std::abs(actual[a]) + 0.02 * fit.parameters[a].sigma)
                << "point " << i << " parameter " << fit.parameters[a].name;
        }
        anyFlagged = anyFlagged || fit.points[i].flaggedFit;
    }
    EXPECT_TRUE(fit.points[9].flaggedFit);
    EXPECT_TRUE(fit.points[9].flaggedParameters);
    ASSERT_TRUE(fit.points[9].rStudent);
    EXPECT_GT(*fit.points[9].rStudent, 3);
    EXPECT_TRUE(anyFlagged);
}

TEST(EosFit, FixedV0AndRefusals) {
    const EosFit fixed = FitEos({Form::BM3, Series(6, 0.05, 0.0), 40.0});
    EXPECT_EQ(fixed.refined, (std::vector<std::string>{"K0", "K0p"}));
    EXPECT_TRUE(fixed.parameters[0].fixed);
    EXPECT_EQ(fixed.parameters[0].sigma, 0);
    EXPECT_NEAR(fixed.cold.k0, 180, 1e-4);
    EXPECT_NEAR(fixed.cold.k0p, 4.6, 1e-5);
    // BM2 cannot follow K0' = 4.6: a stiffer K0 makes up for it.
    EXPECT_GT(FitEos({Form::BM2, Series(6, 0.05, 0.0), 40.0}).cold.k0, 185);
    EXPECT_THROW(FitEos({Form::BM3, Series(3, 0.05, 0.004), std::nullopt}), std::runtime_error);
    EXPECT_THROW(FitEos({Form::BM3, Series(6, 0, 0), std::nullopt}), std::runtime_error);
    std::vector<SeriesPoint> same(6, SeriesPoint{1, 0.1, 40, 0.01});
    EXPECT_THROW(FitEos({Form::BM3, same, std::nullopt}), std::runtime_error);
}

TEST(EosFit, TheCurvesBandFollowsTheCovariance) {
    std::mt19937_64 random(3);
    // BM2 with V0 held: P is K0 times a function of V, so sigma(P) = P / K0 sigma(K0).
    const EosFit bm2 = FitEos({Form::BM2, Scattered(Series(8, 0.1, 0), random), 40.0});
    const std::vector<CurvePoint> curve = FittedCurve(bm2, 30);
    ASSERT_EQ(curve.size(), 30u);
    EXPECT_EQ(curve.front().volume, 40);
    EXPECT_EQ(curve.front().sigma, 0);
    for (const CurvePoint& c : curve)
        EXPECT_NEAR(c.sigma, c.pressure / bm2.cold.k0 * bm2.parameters[1].sigma, 1e-6 * (c.sigma + 1e-3)) << c.volume;
    // With V0 refined the band is widest where the data end, not at V0.
    const EosFit bm3 = FitEos({Form::BM3, Scattered(Series(12, 0.1, 0.01), random), std::nullopt});
    const std::vector<CurvePoint> free = FittedCurve(bm3, 50);
    EXPECT_GT(free.back().sigma, free[free.size() / 2].sigma);
    EXPECT_GT(free.front().sigma, 0);
}

}  // namespace
}  // namespace zantrel::eos

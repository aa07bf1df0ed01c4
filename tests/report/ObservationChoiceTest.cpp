// Which reflections enter a fit and how they are weighted: an exclusion is the file
// without its line, the weightings scale the e.s.d.s as their sigmas do, a relative
// error of d needs no wavelength and gives the e.s.d.s that noise of that size gives.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "run/CompareWithoutFlagged.h"
#include "run/Run.h"
#include "support/SyntheticData.h"
#include "support/TestFiles.h"

using namespace zantrel;

namespace {

RunReply Refined(const std::string& bytes, const RefinementSettings& settings = {}, Exclusions exclude = {},
             Precision precision = Precision::Checked) {
    RunRequest request = MemoryRequest(settings, bytes, "data", precision);
    request.exclude = std::move(exclude);
    return RunRefinement(request);
}

// The file without its n-th reflection line (from 1); a header line when it has one.
std::string WithoutRow(const std::string& file, int row, bool header) {
    std::istringstream in(file);
    std::string out, line;
    for (int i = 0; std::getline(in, line); ++i)
        if (i != row + (header ? 1 : 0)) out += line + "\n";
    return out;
}

std::string WithoutLine(const std::string& report, const std::string& start) {
    std::size_t at = report.find(start);
    if (at == std::string::npos) return report;
    return report.substr(0, at) + report.substr(report.find("\r\n", at) + 2);
}

std::vector<long double> Sigmas(const Results& r) {
    std::vector<long double> s;
    for (const RefinedParameter& q : r.parameters) s.push_back(q.estimate.sigma);
    s.push_back(r.volume.sigma);
    return s;
}

Weighting With(WeightMode mode, double value) { return {mode, value}; }

}  // namespace

TEST(Exclusions, AreTheFileWithoutTheirLinesSaveForTheLineThatNamesThem) {
    struct Case {
        const char* example;
        int row;
        Exclusions exclude;
    };
    const Case cases[] = {
        {"silicon_2theta.dat", 4, {{{4, 0, 0}}, {}}},
        {"diopside_2theta.dat", 9, {{}, {9}}},
        {"diopside_energy_zeroshift.dat", 3, {{}, {3}}},
        {"diopside_dspacing.dat", 1, {{}, {1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.example);
        const std::string file = testfiles::Example(c.example);
        RunReply left = Refined(file, {}, c.exclude);
        RunReply without = Refined(WithoutRow(file, c.row, true));
        ASSERT_EQ(left.results.excluded.size(), 1u);
        EXPECT_EQ(left.results.excluded[0].row, c.row);
        EXPECT_NE(left.report, without.report);
        EXPECT_EQ(WithoutLine(left.report, "excluded from the fit: row " + std::to_string(c.row) + " ("),
                  without.report);
        // The rows after the gap keep their place in the file.
        EXPECT_EQ(left.results.reflections[std::size_t(c.row - 1)].row, c.row + 1);
    }
}

TEST(Exclusions, ThatNameNoReflectionFailTheRun) {
    const std::string file = testfiles::Example("silicon_2theta.dat");
    EXPECT_THROW(Refined(file, {}, {{{9, 9, 9}}, {}}), RunError);
    EXPECT_THROW(Refined(file, {}, {{}, {12}}), RunError);
    EXPECT_NO_THROW(Refined(file, {}, {{}, {11}}));
}

TEST(Weighting, TwiceTheAssumed2ThetaErrorDoublesEveryEsd) {
    for (const char* example : {"diopside_2theta.dat", "albite_2theta.dat", "silicon_2theta.dat"}) {
        SCOPED_TRACE(example);
        const std::string file = testfiles::Example(example);
        RefinementSettings doubled;
        doubled.weighting = With(WeightMode::TwoThetaError, 0.01);
        RunReply a = Refined(file, {}, {}, Precision::Extended), b = Refined(file, doubled, {}, Precision::Extended);
        auto sa = Sigmas(a.results), sb = Sigmas(b.results);
        for (std::size_t i = 0; i < sa.size(); ++i) EXPECT_NEAR(double(sb[i] / sa[i]), 2.0, 1e-6) << i;
        EXPECT_NE(b.report.find("sigma(2theta) = 0.01 deg\r\n"), std::string::npos);
    }
}

TEST(Weighting, AnEqualSigmaColumnIsTheDefaultWeightingScaled) {
    const std::string file = testfiles::Example("silicon_2theta.dat");
    auto withColumn = [&](const std::string& sigma, Precision precision = Precision::Extended) {
        std::istringstream in(file);
        std::string out, line;
        for (int i = 0; std::getline(in, line); ++i) {
            // The silicon file's remark on one line goes: a sigma takes its place.
            if (i >= 2 && line.rfind("   0   0   0", 0) != 0) line = line.substr(0, 22) + " " + sigma;
            out += line + "\n";
        }
        RefinementSettings s;
        s.weighting = With(WeightMode::SigmaColumn, 0);
        return Refined(out, s, {}, precision);
    };
    RunReply plain = Refined(file, {}, {}, Precision::Extended);
    RunReply same = withColumn("0.005"), wider = withColumn("0.02");
    EXPECT_EQ(WithoutLine(WithoutLine(same.report, "Weighted by"), "Cell parameter errors"),
              WithoutLine(WithoutLine(plain.report, "Weighted assuming"), "Cell parameter errors"));
    for (std::size_t i = 0; i < plain.results.parameters.size(); ++i)
        EXPECT_NEAR(double(wider.results.parameters[i].estimate.value), double(plain.results.parameters[i].estimate.value),
                    1e-7);
    auto s0 = Sigmas(plain.results), s1 = Sigmas(wider.results);
    for (std::size_t i = 0; i < s0.size(); ++i) EXPECT_NEAR(double(s1[i] / s0[i]), 4.0, 1e-6);
    EXPECT_EQ(withColumn("0.02", Precision::Checked).report, wider.report);
    EXPECT_THROW(withColumn(""), RunError);
    EXPECT_THROW(withColumn("0"), RunError);
}

TEST(Weighting, ARelativeDErrorNeedsNoWavelengthAndMatchesNoiseOfThatSize) {
    synth::DataSpec recipe;
    recipe.cell = {9.746, 8.899, 5.251, 90, 90, 90};
    recipe.system = 4;
    recipe.kind = synth::Kind::D;
    recipe.minimise = "d";
    recipe.count = 25;
    const std::vector<synth::Hkl> hkl = synth::Reflections(recipe);
    const double relative = 2e-4;
    auto file = [&](std::mt19937* random) {
        std::ostringstream out;
        out.precision(10);
        out << "orthorhombic d spacings\n";
        std::normal_distribution<double> noise(0, relative);
        for (const synth::Hkl& r : hkl) {
            const double d = synth::DSpacing(recipe.cell, r);
            out << r.h << " " << r.k << " " << r.l << " " << d * (1 + (random ? noise(*random) : 0)) << "\n";
        }
        out << "0 0 0\n";
        return out.str();
    };
    RefinementSettings s;
    s.system = CrystalSystem::Orthorhombic;
    s.data = Quantity::D;
    s.weighting = With(WeightMode::RelativeD, relative);
    std::mt19937 random(22);
    const std::string noisy = file(&random);
    for (Quantity minimised : {Quantity::D, Quantity::Q}) {
        s.minimised = minimised;
        s.wavelength = 0.3;
        RunReply shortWave = Refined(noisy, s);
        s.wavelength = 1e6;  // no 2-theta exists: none may be formed
        RunReply noWave = Refined(noisy, s);
        EXPECT_EQ(shortWave.report, noWave.report);
        EXPECT_EQ(shortWave.report.find("2T.obs"), std::string::npos);
    }
    // The e.s.d.s of an exact file are those that noise of the assumed size gives.
    s.minimised = Quantity::D;
    RunReply exact = Refined(file(nullptr), s, {}, Precision::Extended);
    std::vector<std::vector<double>> fits;
    for (int copy = 0; copy < 1000; ++copy) {
        Results r = Refined(file(&random), s, {}, Precision::Extended).results;
        std::vector<double> v;
        for (const RefinedParameter& q : r.parameters) v.push_back(double(q.estimate.value));
        v.push_back(double(r.volume.value));
        fits.push_back(v);
    }
    auto esd = Sigmas(exact.results);
    for (std::size_t j = 0; j < esd.size(); ++j) {
        double mean = 0, square = 0;
        for (const auto& v : fits) mean += v[j] / double(fits.size());
        for (const auto& v : fits) square += (v[j] - mean) * (v[j] - mean) / double(fits.size() - 1);
        EXPECT_NEAR(std::sqrt(square) / double(esd[j]), 1.0, 0.15) << j;
    }
}

TEST(Weighting, EveryModeMakesTheSameReportOnBothPaths) {
    const Weighting modes[] = {With(WeightMode::TwoThetaError, 0.003), With(WeightMode::RelativeD, 1e-4),
                               With(WeightMode::RelativeEnergy, 3e-4)};
    int compared = 0;
    for (const char* example : {"diopside_2theta.dat", "silicon_energy.dat", "diopside_dspacing.dat",
                                "diopside_energy_zeroshift.dat", "albite_dspacing_mo.dat"})
        for (const Weighting& w : modes)
            for (Quantity minimised : {Quantity::TwoTheta, Quantity::D, Quantity::Energy, Quantity::Q}) {
                SCOPED_TRACE(std::string(example) + " " + QuantityName(minimised) + " " + std::to_string(w.value));
                // Settings of a header line win; these files are refined without theirs.
                std::string file = testfiles::Example(example);
                file = "no header\n" + file.substr(file.find('\n', file.find('\n') + 1) + 1);
                RefinementSettings s;
                s.data = std::string(example).find("energy") != std::string::npos ? Quantity::Energy
                         : std::string(example).find("dspacing") != std::string::npos ? Quantity::D
                                                                                      : Quantity::TwoTheta;
                s.system = CrystalSystem::Monoclinic;
                s.minimised = minimised;
                s.weighting = w;
                std::string fast, extended;
                try {
                    fast = Refined(file, s).report;
                    extended = Refined(file, s, {}, Precision::Extended).report;
                } catch (const RunError&) {
                    continue;  // a file that this system cannot refine fails on both paths alike
                }
                EXPECT_EQ(fast, extended);
                ++compared;
            }
    EXPECT_GT(compared, 40);
}

TEST(CompareWithoutFlagged, RefinesAgainWithoutTheFlaggedRows) {
    RunRequest request = MemoryRequest({}, testfiles::Example("diopside_2theta.dat"));
    FlaggedComparison c = CompareWithoutFlagged(request);
    ASSERT_FALSE(c.flagged.empty());
    EXPECT_EQ(c.without.obsCount, c.all.obsCount - int(c.flagged.size()));
    EXPECT_EQ(c.without.excluded, c.flagged);
    ASSERT_EQ(c.values.size(), c.all.parameters.size() + 1);
    const ComparedValue& a = c.values[0];
    EXPECT_NEAR(double(*a.changeInSigma), double((a.without - a.all) / a.sigmaAll), 1e-12);
    EXPECT_NE(ComparisonText(c).find("change/sigma"), std::string::npos);
}

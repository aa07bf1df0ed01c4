// Whole reports compared byte for byte with reports checked line by line by hand.
// ZANTREL_UPDATE_GOLDEN=1 rewrites them (then check the diff before committing).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "run/Run.h"
#include "support/TestFiles.h"

using namespace zantrel;
using testfiles::ReadFile;

namespace {

struct GoldenCase {
    const char* name;
    bool fullDiagnostics;
};

class GoldenReport : public ::testing::TestWithParam<GoldenCase> {};

// The first differing line, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream e(expected), a(actual);
    std::string le, la;
    for (int line = 1;; ++line) {
        bool moreE = bool(std::getline(e, le)), moreA = bool(std::getline(a, la));
        if (!moreE && !moreA) return "lengths differ";
        if (le != la || moreE != moreA)
            return "line " + std::to_string(line) + ":\n  expected: " + le + "\n  actual:   " + la;
    }
}

TEST_P(GoldenReport, MatchesTheCheckedReportByteForByte) {
    const std::string base = std::string(ZANTREL_TEST_DATA) + "/golden/" + GetParam().name;
    RefinementSettings settings;
    settings.fullDiagnostics = GetParam().fullDiagnostics;
    const std::string report = RunRefinement(MemoryRequest(settings, ReadFile(base + ".dat"), base + ".dat")).report;
    if (std::getenv("ZANTREL_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(base + ".out", std::ios::binary) << report;
        GTEST_SKIP() << "rewrote " << base << ".out";
    }
    const std::string expected = ReadFile(base + ".out");
    ASSERT_FALSE(expected.empty()) << "no golden report " << base << ".out";
    EXPECT_TRUE(report == expected) << FirstDifference(expected, report);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GoldenReport,
    ::testing::Values(GoldenCase{"silicon_2theta", false},             // cubic, 2-theta
                      GoldenCase{"rutile_mo_over200", false},          // tetragonal d, Q, > 200
                      GoldenCase{"corundum_energy_min2theta", false},  // hexagonal energy in 2-theta
                      GoldenCase{"diopside_2theta", false},            // monoclinic, zero shift
                      GoldenCase{"albite_2theta", true},               // triclinic, full diagnostics
                      GoldenCase{"rutile_dspacing", false},            // d minimised in d
                      GoldenCase{"lab6_2theta_zeroshift", true},       // cubic zero shift, full
                      GoldenCase{"diopside_energy_zeroshift", false},  // energy zero shift
                      GoldenCase{"quartz_dspacing", false}),           // hexagonal d in Q
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace

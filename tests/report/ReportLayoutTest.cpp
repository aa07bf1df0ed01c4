// Layout rules of the report that golden files show only in passing.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "run/Run.h"
#include "support/SyntheticData.h"

using namespace zantrel;

namespace {

std::vector<std::string> Lines(const std::string& report) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(report.substr(start, end - start));
    EXPECT_EQ(start, report.size()) << "the report must end with CR LF";
    return lines;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& prefix) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
}

std::string ReportOf(const synth::DataSpec& recipe, bool full = false) {
    RefinementSettings settings;
    settings.fullDiagnostics = full;
    return RunRefinement(MemoryRequest(settings, synth::MakeDataFile(recipe))).report;
}

synth::DataSpec Cubic(const std::string& minimise = "tt") {
    synth::DataSpec recipe;
    recipe.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};
    recipe.system = 1;
    recipe.count = 9;
    recipe.noise2Theta = 0.005;
    recipe.minimise = minimise;
    return recipe;
}

// A tetragonal cell: two parameters, so the correlation matrix is printed.
synth::DataSpec Tetragonal(const std::string& minimise = "tt") {
    synth::DataSpec recipe;
    recipe.cell = {4.59373, 4.59373, 2.95812, 90, 90, 90};
    recipe.system = 2;
    recipe.count = 12;
    recipe.noise2Theta = 0.005;
    recipe.minimise = minimise;
    return recipe;
}

}  // namespace

TEST(ReportLayout, CubicRunHasNoCorrelationMatrixAndThreeEmptyLinesInstead) {
    auto lines = Lines(ReportOf(Cubic()));
    int t = IndexOf(lines, "students t =");
    ASSERT_GT(t, 0);
    EXPECT_EQ(IndexOf(lines, " correlation matrix"), -1);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(lines[std::size_t(t + k)], "");
    EXPECT_EQ(lines[std::size_t(t + 4)], "Reciprocal cell parameters:");
}

TEST(ReportLayout, NonCubicRunHasFiveEmptyLinesBeforeTheCorrelationMatrix) {
    auto lines = Lines(ReportOf(Tetragonal()));
    int t = IndexOf(lines, "students t =");
    ASSERT_GT(t, 0);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(lines[std::size_t(t + k)], "");
    EXPECT_EQ(lines[std::size_t(t + 6)], " correlation matrix : ");
    EXPECT_EQ(lines[std::size_t(t + 7)], "                 a        c");
    EXPECT_EQ(lines[std::size_t(t + 8)].substr(0, 18), "        a    1.000");
}

TEST(ReportLayout, ExtraColumnForQHasItsHeadAndAnEmptyLineBelowIt) {
    auto lines = Lines(ReportOf(Tetragonal("q")));
    int heads = IndexOf(lines, " no     h   k   l");
    ASSERT_GT(heads, 0);
    EXPECT_EQ(lines[std::size_t(heads)],
              " no     h   k   l        d(obs)   d(calc)    res(d)      2T.obs   2T.calc   res(2T)"
              "        res(Q)");
    EXPECT_EQ(lines[std::size_t(heads + 1)], "");
    EXPECT_EQ(lines[std::size_t(heads + 2)].size(), 97u);  // the Q residual ends at column 97
    EXPECT_GT(IndexOf(lines, " sd (2T) = "), heads);  // statistics in the observed 2-theta
}

TEST(ReportLayout, WithoutExtraColumnTheFirstRowFollowsTheHeads) {
    auto lines = Lines(ReportOf(Tetragonal("tt")));
    int heads = IndexOf(lines, " no     h   k   l");
    ASSERT_GT(heads, 0);
    EXPECT_EQ(lines[std::size_t(heads + 1)].substr(0, 3), "  1");
    EXPECT_EQ(IndexOf(lines, " sd (2T)"), -1);  // observed and minimised quantity agree
}

TEST(ReportLayout, LeverageLimitIsOneWhenTwiceTheParametersExceedTheReflections) {
    synth::DataSpec recipe;
    recipe.cell = {8.137, 12.785, 7.158, 94.26, 116.60, 87.71};
    recipe.system = 6;
    recipe.count = 9;  // 2p / n = 12 / 9 > 1
    recipe.noise2Theta = 0.005;
    auto lines = Lines(ReportOf(recipe));
    int limit = IndexOf(lines, "limit :");
    ASSERT_GT(limit, 0);
    EXPECT_EQ(lines[std::size_t(limit)].substr(0, 31), "limit :                   1.000");
}

TEST(ReportLayout, FullDiagnosticsListEveryReflectionInBothTables) {
    auto lines = Lines(ReportOf(Tetragonal(), /*full=*/true));
    int a = IndexOf(lines, "(a) Diagnostics associated");
    int b = IndexOf(lines, "(b) DfBetas:");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, a);
    EXPECT_EQ(lines[std::size_t(b + 4)], " no     h   k   l        da        dc        dV");
    // Table (b) has 12 rows after its head and an empty line, and nothing follows it.
    EXPECT_EQ(lines.size(), std::size_t(b + 6 + 12));
    EXPECT_EQ(lines[std::size_t(a + 5)].substr(0, 3), "  1");
}

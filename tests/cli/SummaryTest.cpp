// The summary table: one complete row per file, whatever became of it, quoted as RFC 4180 asks.

#include "export/Documents.h"

#include <gtest/gtest.h>

#include "cli/CliRun.h"

using namespace zantrel;
using namespace zantrel::clitest;

namespace {

TEST(SummaryCsv, EveryRowHasEveryColumnAndErrorsStayOnOneLine) {
    FileResult ok;
    ok.file = "ok,1.dat";
    ok.status = RunStatus::Ok;
    ok.refined = true;
    ok.flaggedCount = 3;
    Results& r = ok.results;
    r.systemRequested = CrystalSystem::Orthorhombic;  // fell back
    r.systemRefined = CrystalSystem::Tetragonal;
    r.obsCount = 12;
    r.paramCount = 2;
    r.cell = {CellValue{4.59, 6e-05, {}}, CellValue{4.59, 6e-05, {}}, CellValue{2.96, 7e-05, {}},
              CellValue{90, {}, {}}, CellValue{90, {}, {}}, CellValue{90, {}, {}}};
    r.volume = {62.4, 0.0014, 0};
    r.zeroShift = ZeroShiftResult{-0.03, 0.0018, 0, Quantity::TwoTheta, true};
    r.sigmaFit = 0.87;
    r.passes = {PassSummary{true, 7, 0, 0, 0}, PassSummary{false, 3, 0, 0, 0}};
    ok.path = {false, "a fit close to exact"};
    FileResult halted;
    halted.file = "few.dat";
    halted.status = RunStatus::Halted;
    halted.results.obsCount = 2;
    halted.results.halted = true;
    halted.path.fast = true;
    FileResult failed;
    failed.file = "bad.dat";
    failed.error = "Invalid numeric input\nin bad.dat, line 2: \"abc\"";

    const std::string csv = SummaryCsv({ok, halted, failed});
    auto rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 4u);  // the error's line end did not start a record
    ASSERT_EQ(rows[0].size(), 27u);
    EXPECT_EQ(rows[0].back(), "n_excluded");
    for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
    for (char c : csv.substr(0, csv.find('\n'))) EXPECT_TRUE(c > ' ' && c < 0x7F) << "plain ASCII header";
    const std::vector<std::string> expected = {"ok,1.dat", "tetragonal", "12", "4.59", "6e-05", "4.59", "6e-05",
                                               "2.96", "7e-05", "90", "", "90", "", "90", "", "62.4", "0.0014",
                                               "-0.03", "0.0018", "0.87", "3", "orthorhombic", "7+3", "extended",
                                               "a fit close to exact", "ok", "0"};
    EXPECT_EQ(rows[1], expected);
    EXPECT_EQ(rows[2][2], "2");
    EXPECT_EQ(rows[2][3], "");
    EXPECT_EQ(rows[2][23], "double");
    EXPECT_EQ(rows[2][25], "halted: too few reflections");
    EXPECT_EQ(rows[2].back(), "0");
    EXPECT_EQ(rows[3][2], "");
    EXPECT_EQ(rows[3][23], "") << "a failed run has no path";
    EXPECT_EQ(rows[3][25], "Invalid numeric input; in bad.dat, line 2: \"abc\"");
    EXPECT_EQ(rows[3].back(), "") << "a failed run read no reflections to leave out";
}

}  // namespace

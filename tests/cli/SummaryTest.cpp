// The summary table: one complete row per file, whatever became of it, quoted as RFC 4180 asks.

#include "cli/Batch.h"

#include <gtest/gtest.h>

#include "cli/CliRun.h"

using namespace zantrel;
using namespace zantrel::cli;
using namespace zantrel::clitest;

namespace {

TEST(SummaryCsv, EveryRowHasEveryColumnAndErrorsStayOnOneLine) {
    FileResult ok;
    ok.file = "ok,1.dat";
    ok.status = RunStatus::Ok;
    ok.system = 2;
    ok.obsCount = 12;
    ok.paramCount = 2;
    ok.direct[1] = 4.59;
    ok.direct[2] = 2.96;
    ok.directSigmas[1] = 6e-05;
    ok.directSigmas[2] = 7e-05;
    ok.volume = 62.4;
    ok.volumeSigma = 0.0014;
    ok.zeroShiftRequested = true;
    ok.zeroShift = -0.03;
    ok.zeroShiftSigma = 0.0018;
    ok.fitSigma = 0.87;
    ok.diagnostics.flaggedCount = 3;
    FileResult halted;
    halted.file = "few.dat";
    halted.status = RunStatus::Halted;
    halted.obsCount = 2;
    FileResult failed;
    failed.file = "bad.dat";
    failed.error = "Invalid numeric input\nin bad.dat, line 2: \"abc\"";

    const std::string csv = SummaryCsv({ok, halted, failed});
    auto rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 4u);  // the error's line end did not start a record
    ASSERT_EQ(rows[0].size(), 22u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
    for (char c : csv.substr(0, csv.find('\n'))) EXPECT_TRUE(c > ' ' && c < 0x7F) << "plain ASCII header";
    const std::vector<std::string> expected = {"ok,1.dat", "tetragonal", "12", "4.59", "6e-05", "4.59", "6e-05",
                                               "2.96", "7e-05", "90", "", "90", "", "90", "", "62.4", "0.0014",
                                               "-0.03", "0.0018", "0.87", "3", "ok"};
    EXPECT_EQ(rows[1], expected);
    EXPECT_EQ(rows[2][2], "2");
    EXPECT_EQ(rows[2][3], "");
    EXPECT_EQ(rows[2].back(), "halted");
    EXPECT_EQ(rows[3][2], "");
    EXPECT_EQ(rows[3].back(), "Invalid numeric input; in bad.dat, line 2: \"abc\"");
}

}  // namespace

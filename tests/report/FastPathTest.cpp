// The checked double-precision path: what its checks let through, and that a run's
// report is the extended path's whichever path made it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cell/Cell.h"
#include "engine/Margins.h"
#include "support/SyntheticData.h"

using namespace zantrel;

namespace {

bool PrintPasses(long double x, int d) {
    MarginCheck check;
    CheckPrinted(x, d);
    return check.Passed();
}

std::string Example(const char* name) {
    std::ifstream in(std::string(ZANTREL_EXAMPLES) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Report(const std::string& data, bool extendedOnly, RunPath& path) {
    SetExtendedOnly(extendedOnly);
    RefinementJob job;
    SetJobDefaults(job);
    job.FullDiagnostics = true;
    std::string report = RunRefinementInMemory(job, data);
    path = LastRunPath();
    SetExtendedOnly(false);
    return report;
}

}  // namespace

TEST(CheckPrinted, RejectsValuesNearARoundingBoundaryAndUnsureSigns) {
    EXPECT_TRUE(PrintPasses(1.23449, 4));
    EXPECT_FALSE(PrintPasses(1.2345, 3));             // at the boundary
    EXPECT_FALSE(PrintPasses(1.23450000000001L, 3));  // within 3e-5 of the last digit
    EXPECT_TRUE(PrintPasses(-0.0004, 3));              // "-0.000", far from zero
    EXPECT_FALSE(PrintPasses(-1e-12, 3));              // a sign at rounding level
    EXPECT_FALSE(PrintPasses(0.0, 3));                 // the extended path's sign is unknown
    // 10^-10 of the value counts too: 12345.6789 at 5 decimals is near 1e9 digits.
    EXPECT_FALSE(PrintPasses(12345.678905L + 1e-7L, 5));
    MarginCheck outer;
    outer.Fail("kept");
    { MarginCheck inner; }
    EXPECT_STREQ(outer.Reason(), "kept");  // a nested check leaves the outer one alone
}

TEST(FastPath, KeepsItsRunOnRealDataAndFallsBackOnExactData) {
    RunPath fast, extended;
    const std::string albite = Example("albite_2theta.dat");
    EXPECT_EQ(Report(albite, false, fast), Report(albite, true, extended));
    EXPECT_TRUE(fast.fast) << fast.fallbackReason;
    EXPECT_FALSE(extended.fast);

    synth::DataSpec exact;  // residuals at rounding level: their signs are noise
    exact.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};
    exact.system = 1;
    const std::string data = synth::MakeDataFile(exact);
    EXPECT_EQ(Report(data, false, fast), Report(data, true, extended));
    EXPECT_FALSE(fast.fast);
    EXPECT_EQ(fast.fallbackReason, "a fit close to exact");
}

// The checked double-precision path: what its checks let through, that the checks of
// the stages touch nothing without a check and fire with one, and that a run's report
// is the extended path's whichever path made it.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "engine/LSQ.h"
#include "engine/Margins.h"
#include "engine/Relations.h"
#include "run/Run.h"
#include "support/SyntheticData.h"
#include "support/TestFiles.h"

using namespace zantrel;

namespace {

bool PrintPasses(long double x, int d) {
    MarginCheck check;
    CheckPrinted(&check, x, d);
    return check.Passed();
}

RunReply RunFull(const std::string& data, Precision precision) {
    RefinementSettings settings;
    settings.fullDiagnostics = true;
    return RunRefinement(MemoryRequest(settings, data, "data", precision));
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
    MarginCheck check;
    CheckPrinted(&check, 1.2345, 3);
    CheckMargin(&check, 1.0, 1.0, 1.0, "a later failure");
    EXPECT_STREQ(check.Reason(), "a printed value near a rounding boundary");  // the first is kept
}

// The stages' checks: without one they change nothing and the results are as with one;
// with one, a decision on its threshold fails it.
TEST(MarginChecks, AreNoOpsWithoutACheckAndFireWithOne) {
    // A pivot on the floor of 1e-8, and a last pivot that cancels to zero.
    const std::pair<std::vector<double>, const char*> matrices[] = {{{1e-8}, "a pivot near the floor"},
                                                                    {{1, 2, 2, 4}, "a last pivot near zero"}};
    for (const auto& [entries, reason] : matrices) {
        const int p = entries.size() == 1 ? 1 : 2;
        ParamMatrix unchecked, checked;
        for (int r = 1; r <= p; ++r)
            for (int c = 1; c <= p; ++c) unchecked(r, c) = checked(r, c) = entries[std::size_t((r - 1) * p + c - 1)];
        PermVector permUnchecked{}, permChecked{};
        MarginCheck check;
        engine::LuSolver<long double> plain, watched;
        watched.margins = &check;
        plain.LuDecompose(unchecked, p, permUnchecked);
        watched.LuDecompose(checked, p, permChecked);
        EXPECT_STREQ(check.Reason(), reason);
        for (int r = 1; r <= p; ++r)
            for (int c = 1; c <= p; ++c) EXPECT_EQ(checked(r, c), unchecked(r, c)) << reason;
        EXPECT_EQ(permChecked, permUnchecked);
    }
    MarginCheck sound;
    engine::LuSolver<long double> lu{&sound};
    ParamMatrix a;
    a(1, 1) = 4, a(1, 2) = a(2, 1) = 1, a(2, 2) = 3;
    PermVector perm{};
    lu.LuDecompose(a, 2, perm);
    EXPECT_TRUE(sound.Passed()) << sound.Reason();

    // Columns (1, 0) and (2e-8, 1): their cosine squared, 4e-16 (1 - 4e-16), lies on the
    // rotation tolerance p^2 1e-16.
    RowTable x(2), y(2);
    x(1, 1) = 1, x(1, 2) = 2e-8, x(2, 2) = 1;
    y = x;
    ParamMatrix v, w;
    RealTable s(2), t(2);
    MarginCheck rotation;
    engine::DecomposeSvd<long double>(x, v, s, 2, 2);
    engine::DecomposeSvd<long double>(y, w, t, 2, 2, &rotation);
    EXPECT_STREQ(rotation.Reason(), "a column pair near the rotation tolerance");
    for (int k = 1; k <= 2; ++k) {
        EXPECT_EQ(s[k], t[k]);
        EXPECT_EQ(v(1, k), w(1, k));
        EXPECT_EQ(v(2, k), w(2, k));
    }

    // The argument's square within 1e-12 of 1, and well clear of it.
    MarginCheck steep, clear;
    const double x1 = 1 - 1e-13;
    EXPECT_EQ(engine::ArcSin<long double>(x1, &steep), engine::ArcSin<long double>(x1, nullptr));
    EXPECT_STREQ(steep.Reason(), "an arcsine of an argument near 1");
    EXPECT_EQ(engine::ArcSin<long double>(0.5, &clear), engine::ArcSin<long double>(0.5, nullptr));
    EXPECT_NEAR(engine::ArcSin<long double>(0.5, nullptr), std::asin(0.5), 1e-15);
    EXPECT_TRUE(clear.Passed());
}

// The reply names the path: the fast run kept with no reason on real data; on exact data
// the reason for falling back; the extended path alone when asked for, with no reason to
// give. The report's bytes are the same every way.
TEST(FastPath, KeepsItsRunOnRealDataAndFallsBackOnExactData) {
    const std::string albite = testfiles::Example("albite_2theta.dat");
    const RunReply fast = RunFull(albite, Precision::Checked), extended = RunFull(albite, Precision::Extended);
    EXPECT_EQ(fast.report, extended.report);
    EXPECT_TRUE(fast.path.fast) << fast.path.fallbackReason;
    EXPECT_EQ(fast.path.fallbackReason, "");
    EXPECT_FALSE(extended.path.fast);
    EXPECT_EQ(extended.path.fallbackReason, "");

    synth::DataSpec exact;  // residuals at rounding level: their signs are noise
    exact.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};
    exact.system = 1;
    const std::string data = synth::MakeDataFile(exact);
    const RunReply fellBack = RunFull(data, Precision::Checked);
    EXPECT_EQ(fellBack.report, RunFull(data, Precision::Extended).report);
    EXPECT_FALSE(fellBack.path.fast);
    EXPECT_EQ(fellBack.path.fallbackReason, "a fit close to exact");
}

// Observations with one decimal more than the table prints, ending in 5, lie on its
// rounding boundary; as read they are the same double on both paths, so the fast path
// keeps them. Positions formed from them (d from 2-theta, a zero-shift correction)
// are still checked.
TEST(FastPath, KeepsObservationsAsReadOnTheirRoundingBoundary) {
    const std::string silicon = "Si, four decimals\r\n"
                                "1 1 1 28.4425\r\n2 2 0 47.3035\r\n3 1 1 56.1225\r\n4 0 0 69.1305\r\n"
                                "3 3 1 76.3775\r\n4 2 2 88.0315\r\n5 1 1 94.9545\r\n4 4 0 106.7095\r\n"
                                "5 3 1 114.0885\r\n6 2 0 127.5455\r\n5 3 3 136.8885\r\n0 0 0\r\n";
    RefinementSettings cubic;
    cubic.system = CrystalSystem::Cubic;
    const RunReply fast = RunRefinement(MemoryRequest(cubic, silicon));
    EXPECT_TRUE(fast.path.fast) << fast.path.fallbackReason;
    EXPECT_EQ(fast.report, RunRefinement(MemoryRequest(cubic, silicon, "data", Precision::Extended)).report);
    // The same values as d spacings at five decimals of the 2-theta column: the 2-theta
    // printed is formed from them and must still clear its margin.
    RefinementSettings dData = cubic;
    dData.data = Quantity::D;
    dData.minimised = Quantity::D;
    const std::string boundary = "Si, d\r\n1 1 1 3.13555\r\n2 2 0 1.92005\r\n3 1 1 1.63745\r\n"
                                 "4 0 0 1.35775\r\n3 3 1 1.24595\r\n0 0 0\r\n";
    const RunReply d = RunRefinement(MemoryRequest(dData, boundary));
    EXPECT_EQ(d.report, RunRefinement(MemoryRequest(dData, boundary, "data", Precision::Extended)).report);
}

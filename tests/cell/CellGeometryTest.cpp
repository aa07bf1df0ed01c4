// Reciprocal <-> direct conversion, the starting cell and weights, and the standard errors.

#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "engine/LSQ.h"

namespace zantrel {
namespace {

using namespace engine;
using jobs::ProgramPi;

struct Conversion {
    jobs::Job job;
    ParamVector source, target;
    double volume = 0;

    Conversion(int system, int paramCount) {
        jobs::SetSystem(job, system);
        job.ParamCount = paramCount;
        target[7] = 42;  // slot 7 is never touched
    }
    void Run() { ConvertCell(job, source, target, volume); }
};

// The hand examples, a* = 0.25 and c* = 0.1 throughout where they apply: cubic a = 4,
// V = 64; tetragonal c = 10, V = 160 (slot 3, a copy of a*, is not inverted); hexagonal
// a = 1.1547005 * 4 = 4.618802 (the constant as written), V = 1/(a*^2 c* sqrt(0.75)) =
// 184.75209; orthorhombic (0.5, 0.25, 0.125) -> (2, 4, 8), V = 64; monoclinic a* = 0.1,
// b* = 0.08, c* = 0.06, beta* = 100 deg -> a = 1/(a* sin beta*) = 10.154266, b = 12.5,
// c = 16.923777, beta = 80 deg = 1.3962634, V = 2115.4721; triclinic right angles of
// 1.57079635 have cosines of -2.3e-8, so each direct angle is 1.5707963268.
TEST(ConvertCell, HandExamplesOfEverySystem) {
    struct Case {
        int system, count;
        double source[6], target[6], volume;
    } cases[] = {
        {1, 1, {0.25, 0.25, 0.25}, {4, 0, 0, 0, 0, 0}, 64},
        {1, 2, {0.25, 0.01, 0.25}, {4, 100, 0, 0, 0, 0}, 64},  // zero-shift pass: slot 2 inverted
        {2, 2, {0.25, 0.1, 0.25}, {4, 10, 0, 0, 0, 0}, 160},
        {3, 2, {0.25, 0.1, 0.25}, {4.618802, 10, 0, 0, 0, 0}, 184.75208614068},
        {4, 3, {0.5, 0.25, 0.125}, {2, 4, 8, 0, 0, 0}, 64},
        {5, 4, {0.1, 0.08, 0.06, 100 * ProgramPi / 180},
         {10.154266165022, 12.5, 16.923776941703, 1.3962634222222, 0, 0}, 2115.4721177129},
        {5, 4, {0.1, 0.08, 0.06, 1.57079635}, {10, 12.5, 1 / 0.06, 1.57079635, 0, 0}, 1 / 0.00048},
        {6, 6, {0.2, 0.1, 0.05, 1.57079635, 1.57079635, 1.57079635},
         {5, 10, 20, 1.5707963268, 1.5707963268, 1.5707963268}, 1000},
    };
    for (const Case& c : cases) {
        Conversion conv(c.system, c.count);
        for (int j = 1; j <= 6; ++j) conv.source[j] = c.source[j - 1];
        conv.Run();
        for (int j = 1; j <= 6; ++j)  // 1e-10 relative: the examples carry 11+ digits
            EXPECT_NEAR(conv.target[j], c.target[j - 1], 1e-10 * std::fabs(c.target[j - 1]) + 1e-12)
                << "system " << c.system << " slot " << j;
        EXPECT_NEAR(conv.volume, c.volume, 1e-10 * c.volume) << "system " << c.system;
        EXPECT_EQ(conv.target[7], 42.0);
    }
}

// The conversion is its own inverse; ArcCos's pi/2 of 1.57079635 limits the round trip
// to about 1e-8, and the two volumes multiply to 1 within about that.
TEST(ConvertCell, TriclinicTwiceReturnsTheCell) {
    Conversion first(6, 6);
    const double cell[] = {8.137, 12.785, 7.158, 94.26, 116.60, 87.71};  // albite
    for (int j = 1; j <= 3; ++j) first.source[j] = cell[j - 1];
    for (int j = 4; j <= 6; ++j) first.source[j] = cell[j - 1] * jobs::TruePi / 180;
    first.Run();
    Conversion second(6, 6);
    second.source = first.target;
    second.Run();
    for (int j = 1; j <= 6; ++j)
        EXPECT_NEAR(second.target[j], first.source[j], 5e-8 * first.source[j]) << j;
    EXPECT_NEAR(first.volume * second.volume, 1.0, 1e-7);
    EXPECT_NEAR(second.volume, 664.0, 2.0);  // albite's cell volume, about 664 A^3
}

// --- Standard errors ---

struct Errors {
    jobs::Job job;
    Errors(int system, int p) {
        jobs::SetSystem(job, system);
        job.ParamCount = p;
    }
    void Propagate() {
        ConvertCell(job, job.ReciprocalCell, job.DirectCell, job.CellVolume);
        PropagateCellErrors(job);
    }
};

// Cubic a* = 0.25, var 1e-10: forward step 0.00025 gives da/da* = (1/0.25025 - 4)/0.00025
// = -15.984016, sigma(a) = 1.5984016e-4, and dV/da = 3a^2 = 48 gives sigma(V) =
// 7.6723277e-3 (by hand). Eight digits given: 1e-11 and 1e-9 absolute.
TEST(PropagateCellErrors, CubicForwardDifferenceExample) {
    Errors e(1, 1);
    e.job.ReciprocalCell[1] = e.job.ReciprocalCell[2] = e.job.ReciprocalCell[3] = 0.25;
    e.job.Covariance(1, 1) = 1e-10;
    e.Propagate();
    EXPECT_NEAR(e.job.DirectSigmas[1], 1.5984016e-4, 1e-11);
    EXPECT_NEAR(e.job.VolumeSigma, 7.6723277e-3, 1e-9);
    for (int j = 2; j <= 6; ++j) EXPECT_EQ(e.job.DirectSigmas[j], 0.0) << j;
    EXPECT_EQ(e.job.ZeroShiftSigma, 0.00001);  // untouched without a zero shift
}

// Tetragonal a* = 0.25, c* = 0.1, diagonal covariance 1e-10: sigma(c) = 9.9900100e-4
// (by hand); the direct covariance is exactly symmetric and zero outside its block.
TEST(PropagateCellErrors, TetragonalSigmasAndSymmetricCovariance) {
    Errors e(2, 2);
    e.job.ReciprocalCell[1] = 0.25, e.job.ReciprocalCell[2] = 0.1, e.job.ReciprocalCell[3] = 0.25;
    e.job.Covariance(1, 1) = e.job.Covariance(2, 2) = 1e-10;
    e.job.Covariance(1, 2) = e.job.Covariance(2, 1) = 3e-11;
    e.job.DirectCovariance.Fill(5.0);  // stale values outside the block must be cleared
    e.Propagate();
    EXPECT_NEAR(e.job.DirectSigmas[1], 1.5984016e-4, 1e-11);
    EXPECT_NEAR(e.job.DirectSigmas[2], 9.9900100e-4, 1e-11);
    EXPECT_EQ(e.job.DirectSigmas[3], 0.0);
    // cov(a, c) = J11 J22 cov(a*, c*) = -15.984016 * -99.900100 * 3e-11 (by hand).
    EXPECT_NEAR(e.job.DirectCovariance(1, 2), 15.984016 * 99.900100 * 3e-11, 1e-15);
    for (int r = 1; r <= 7; ++r)
        for (int c = 1; c <= 7; ++c) {
            EXPECT_EQ(e.job.DirectCovariance(r, c), e.job.DirectCovariance(c, r));
            if (r > 2 || c > 2) {
                EXPECT_EQ(e.job.DirectCovariance(r, c), 0.0) << r << "," << c;
            }
        }
}

// Volume errors where c sits in slot 2. Tetragonal (by hand): dV = (2ac, a^2) = (80, 16),
// sigma(V) = sqrt((80 * 1.5984016e-4)^2 + (16 * 9.9900100e-4)^2) = 0.020469528.
// Hexagonal: a = 4.618802, dV = (sqrt(0.75) 2ac, a^2 sqrt(0.75)) = (80.0, 18.475207),
// sigma(a) = 1.8456751e-4, sigma(V) = 0.023636173. Without the dV/da term the results
// would be 0.015984016 and 0.018456751.
TEST(PropagateCellErrors, VolumeSigmaOfTetragonalAndHexagonalCountsBothEdges) {
    Errors tet(2, 2);
    tet.job.ReciprocalCell[1] = 0.25, tet.job.ReciprocalCell[2] = 0.1, tet.job.ReciprocalCell[3] = 0.25;
    tet.job.Covariance(1, 1) = tet.job.Covariance(2, 2) = 1e-10;
    tet.Propagate();
    EXPECT_NEAR(tet.job.VolumeSigma, 0.020469528, 1e-9);

    Errors hex(3, 2);
    hex.job.ReciprocalCell[1] = 0.25, hex.job.ReciprocalCell[2] = 0.1, hex.job.ReciprocalCell[3] = 0.25;
    hex.job.Covariance(1, 1) = hex.job.Covariance(2, 2) = 1e-10;
    hex.Propagate();
    EXPECT_NEAR(hex.job.DirectSigmas[1], 1.8456751e-4, 1e-11);
    EXPECT_NEAR(hex.job.VolumeSigma, 0.023636173, 1e-9);
}

// --- The starting cell and the weights, stage by stage ---

// Cubic cell whose (1 0 0) lies at 2-theta = 30 exactly: a = lambda / (2 sin 15 deg).
const double CubicA = 1.540593 / (2 * std::sin(15 * jobs::TruePi / 180));

std::string CubicLines() {
    std::string text = "1 0 0 30\r\n";
    const int m[][3] = {{1, 1, 0}, {1, 1, 1}, {2, 0, 0}, {2, 1, 0}};
    for (auto& r : m) {
        double d = CubicA / std::sqrt(double(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]));
        double tt = 2 * std::asin(1.540593 / (2 * d)) * 180 / jobs::TruePi;
        char line[80];
        std::snprintf(line, sizeof line, "%d %d %d %.10f\r\n", r[0], r[1], r[2], tt);
        text += line;
    }
    return text + "0 0 0\r\n";
}

void ReadRegressRefine(jobs::Job& job) {
    ReadReflections(job);
    RegressLinear(job, job.DesignMatrixSaved, job.QObs, job.ObsCount, job.ParamCount,
                  job.Coefficients);
    RefineCell(job);
}

// sigma of each observation in the minimised quantity from sigma(2theta) = 0.005 deg and
// the factor 56 (by hand, lambda = 1.540593, 2theta = 30, detector 10 deg):
// Q 0.3 / (56 lambda)^2 = 4.0306e-5; d 56 lambda 0.005 / 900 = 4.7930e-4;
// 2theta 0.005; energy 6.199 * 0.005 / (56 lambda sin 5 deg) = 4.1221e-3 keV for all.
TEST(RefineCell, ObservationSigmasForEachMinimisedQuantity) {
    const char quantity[] = {'q', 'd', 't', 'e'};
    const double expected[] = {4.0305968e-5, 4.7929560e-4, 0.005, 4.1221110e-3};
    for (int m = 0; m < 4; ++m) {
        jobs::Job job;
        jobs::StartJob(job, 1, 't', CubicLines());
        jobs::SetMinimise(job, quantity[m]);
        ReadRegressRefine(job);
        ASSERT_EQ(job.ObsCount, 5);
        EXPECT_NEAR(job.Weights[1], expected[m], 1e-7 * expected[m]) << quantity[m];
        if (quantity[m] == 'e' || quantity[m] == 't')
            EXPECT_EQ(job.Weights[5], job.Weights[1]) << quantity[m];
        else if (quantity[m] == 'd')
            EXPECT_LT(job.Weights[5], job.Weights[1]) << "d: falls as 1/2theta^2";
        else
            EXPECT_GT(job.Weights[5], job.Weights[1]) << "Q: grows with 2theta";
        EXPECT_NEAR(job.DirectCell[1], CubicA, 1e-7 * CubicA) << quantity[m];
    }
}

// Cubic: the regression gives a*^2, the refinement starts at its root with a step of a
// thousandth, and converts to a and its volume; labels and system line by system. Whole
// runs, so that the record names the system the cell was refined in.
TEST(RefineCell, StartsFromTheRegressionAndNamesTheSystem) {
    jobs::Job job;
    job.settings.system = CrystalSystem::Cubic;
    const Results cubic = jobs::Refine(job, "Cubic\r\n" + CubicLines());
    const double as = 1 / CubicA;
    // The reader converts 2-theta with pi = 3.1415927, which moves each Q by about 5e-8
    // relative from the value of the true pi that made the data.
    EXPECT_NEAR(job.Coefficients[1], as * as, 1e-7 * as * as);
    EXPECT_NEAR(job.ParamSteps[1], as / 1000, 1e-9 * as);
    EXPECT_NEAR(job.ReciprocalCell[1], as, 1e-7 * as);
    EXPECT_NEAR(job.CellVolume, CubicA * CubicA * CubicA, 1e-6 * std::pow(CubicA, 3));
    EXPECT_EQ(cubic.systemRefined, CrystalSystem::Cubic);
    EXPECT_EQ(job.DirectLabels[1], "a");
    EXPECT_EQ(job.ReciprocalLabels[1], "a*");
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(job.DesignMatrix(r, 1), job.MillerH[r]);

    jobs::Job tet;
    tet.settings.system = CrystalSystem::Tetragonal;
    tet.settings.data = Quantity::D;
    const Results tetragonal = jobs::Refine(tet, "Tetragonal\r\n1 0 0 4\n0 0 1 10\n1 1 0 2.8284271247461903\n"
                                                 "1 0 1 3.7139067635410377\n2 0 1 1.9611613513818402\n");
    EXPECT_EQ(tetragonal.systemRefined, CrystalSystem::Tetragonal);
    EXPECT_EQ(tet.DirectLabels[2], "c");
    EXPECT_EQ(tet.ReciprocalLabels[2], "c*");
    EXPECT_NEAR(tet.DirectCell[1], 4.0, 1e-9);
    EXPECT_NEAR(tet.DirectCell[2], 10.0, 1e-9);
    EXPECT_EQ(tet.DirectCell[3], 0.0);
}

}  // namespace
}  // namespace zantrel

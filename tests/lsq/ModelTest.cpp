// The model function: Q by crystal system, positions in 2-theta and energy, the zero shift.
// (Every system is also checked against independent metric-tensor data by the round trips.)

#include <cmath>

#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "engine/LSQ.h"
#include "engine/Relations.h"

namespace zantrel {
namespace {

using namespace engine;
using jobs::ProgramPi;

struct Model {
    jobs::Job job;
    RowTable hkl{1};
    ParamVector p;
    double dOut = 0;

    Model(int system, char minimise, int h, int k, int l) {
        jobs::SetSystem(job, system);
        jobs::SetMinimise(job, minimise);
        hkl(1, 1) = h, hkl(1, 2) = k, hkl(1, 3) = l;
    }
    double Calc() { return CalcPosition(job, 1, hkl, p, dOut); }
};

// By hand: cubic a* = 0.25, (1 1 1): Q = 0.1875, d = 2.3094011. Hexagonal a* = 0.2,
// (1 1 0): Q = 0.04 * 3 = 0.12, the hk term counted once. Monoclinic beta* = 1.57079635
// leaves 2 h l a* c* cos(beta*) = 0.012 * -2.3e-8 of cross term, so it matches the
// orthorhombic value 0.0392 to 1e-9.
TEST(CalcPosition, GivesQAndDOfEachSystem) {
    Model cubic(1, 'q', 1, 1, 1);
    cubic.p[1] = 0.25;
    EXPECT_EQ(cubic.Calc(), 0.1875);
    EXPECT_NEAR(cubic.dOut, 2.3094010767585034, 1e-15);
    jobs::SetMinimise(cubic.job, 'd');
    EXPECT_NEAR(cubic.Calc(), 2.3094010767585034, 1e-15);

    Model hex(3, 'q', 1, 1, 0);
    hex.p[1] = 0.2, hex.p[2] = 0.1;
    EXPECT_NEAR(hex.Calc(), 0.12, 1e-16);  // 0.2 is inexact in binary: a few ulps

    Model mono(5, 'q', 1, 2, 1), ortho(4, 'q', 1, 2, 1);
    mono.p[1] = 0.1, mono.p[2] = 0.08, mono.p[3] = 0.06, mono.p[4] = 1.57079635;
    ortho.p = mono.p;
    EXPECT_NEAR(ortho.Calc(), 0.0392, 1e-16);
    EXPECT_NEAR(mono.Calc(), 0.0392, 1e-9);
    mono.p[4] = 100 * ProgramPi / 180;  // obtuse: the cross term lowers Q for h l > 0
    EXPECT_NEAR(mono.Calc(), 0.0392 + 0.012 * std::cos(100 * ProgramPi / 180), 1e-15);
}

// d = 2 at 1.540593 angstrom: 2 asin(0.38514825) * 180 / 3.1415927 = 45.3059 deg (by
// hand). The zero shift adds to it, and d_out becomes the d of the shifted angle; in d
// the zero shift has no place.
TEST(CalcPosition, TwoThetaWithTheZeroShift) {
    Model m(1, 't', 1, 0, 0);
    m.p[1] = 0.5;
    double tt = m.Calc();
    EXPECT_NEAR(tt, 45.31, 0.005);
    EXPECT_NEAR(tt, 2 * std::asin(1.540593 / 4) * 180 / ProgramPi, 1e-12);
    m.job.RefineZeroShift = true;
    m.job.ParamCount = 2;
    m.p[2] = 0.05;
    double shifted = m.Calc();
    EXPECT_NEAR(shifted, tt + 0.05, 1e-12);
    EXPECT_NEAR(m.dOut, 1.540593 / (2 * std::sin(ProgramPi * shifted / 360)), 1e-12);
    EXPECT_LT(m.dOut, 2.0);
    jobs::SetMinimise(m.job, 'd');
    EXPECT_NEAR(m.Calc(), 2.0, 1e-15);
    EXPECT_EQ(ArcSin<long double>(0.0, nullptr), 0.0);
    EXPECT_EQ(ArcCos<long double>(0.0, nullptr), 1.57079635);  // the program's pi/2, not the double's
}

// Energy = 6.199 sqrt(Q) / sin(theta): 6.199 * 0.5 / sin(5 deg) = 35.5627 keV (by hand);
// a shift of -0.3 keV adds, and d_out follows the shifted energy.
TEST(CalcPosition, EnergyAtTheDetectorAngleWithTheZeroShift) {
    Model m(1, 'e', 1, 0, 0);
    m.p[1] = 0.5;
    EXPECT_NEAR(m.Calc(), 35.5627, 1e-4);
    m.job.Beam2Theta = 20;
    const double s20 = std::sin(0.00872664638888889 * 20);
    EXPECT_NEAR(m.Calc(), 6.199 * 0.5 / s20, 1e-12);
    m.job.RefineZeroShift = true;
    m.job.ParamCount = 2;
    m.p[2] = -0.3;
    double e = m.Calc();
    EXPECT_NEAR(e, 6.199 * 0.5 / s20 - 0.3, 1e-12);
    EXPECT_NEAR(m.dOut, 6.199 / (s20 * e), 1e-12);
}

}  // namespace
}  // namespace zantrel

// Whole runs: the header line, the minimum-data halt, the fall-back to a lower system,
// and refinements of exact and noisy synthetic data back to the cell that made them.

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "run/Run.h"
#include "support/SyntheticData.h"

namespace zantrel {
namespace {

using synth::Cell;
using Recipe = synth::DataSpec;  // the settings of one synthetic data file
using synth::Kind;
using jobs::TruePi;

// Mineral cells from the literature (angles in degrees), and the refined parameters of
// each in slot order.
struct Mineral {
    const char* name;
    int system;
    Cell cell;
    std::vector<double> slots;
};
const Mineral Minerals[] = {
    {"silicon", 1, {5.4309, 5.4309, 5.4309, 90, 90, 90}, {5.4309}},
    {"rutile", 2, {4.5937, 4.5937, 2.9587, 90, 90, 90}, {4.5937, 2.9587}},
    {"quartz", 3, {4.9134, 4.9134, 5.4052, 90, 90, 120}, {4.9134, 5.4052}},
    {"forsterite", 4, {4.7535, 10.1943, 5.9807, 90, 90, 90}, {4.7535, 10.1943, 5.9807}},
    {"diopside", 5, {9.746, 8.899, 5.251, 90, 105.63, 90}, {9.746, 8.899, 5.251, 105.63}},
    {"albite", 6, {8.137, 12.785, 7.158, 94.26, 116.60, 87.71},
     {8.137, 12.785, 7.158, 94.26, 116.60, 87.71}},
};

// DirectCell holds angles in radians.
double Refined(const jobs::Job& job, int slot) {
    return slot <= 3 ? job.DirectCell[slot] : job.DirectCell[slot] * 180 / TruePi;
}

// Exact data refine back to the cell: the data carry 9 to 12 decimals and the program
// converts with pi = 3.1415927, so 1e-6 relative leaves room for both.
void ExpectCell(const jobs::Job& job, const Mineral& m, const std::string& what) {
    ASSERT_EQ(job.ParamCount, int(m.slots.size())) << m.name << what;
    for (int i = 1; i <= job.ParamCount; ++i)
        EXPECT_NEAR(Refined(job, i), m.slots[std::size_t(i - 1)], 1e-6 * m.slots[std::size_t(i - 1)])
            << m.name << what << " slot " << i;
    EXPECT_NEAR(job.CellVolume, m.cell.Volume(), 1e-6 * m.cell.Volume()) << m.name << what;
}

// --- Header line ---

// Title ending in '*', header "4 tt <lambda> d y": orthorhombic 2-theta data with a zero
// shift, so the refinement is made in 2-theta, not d.
TEST(RunRefinement, HeaderWithZeroShiftMinimisesInTwoTheta) {
    Recipe recipe{Minerals[3].cell, 4, Kind::TwoTheta, 1.540593, 10.0, "d", true, 0.03};
    jobs::Job job;
    job.settings.wavelength = 0.5;  // replaced by the header
    jobs::Refine(job, synth::MakeDataFile(recipe), false);
    EXPECT_EQ(job.Title, "Synthetic test cell");
    EXPECT_TRUE(job.CrystalSystem == 4 && job.IsOrthorhombic && job.DataIs2Theta);
    EXPECT_EQ(job.Wavelength, 1.540593);
    EXPECT_TRUE(job.MinimiseOn2Theta && !job.MinimiseOnD);
    EXPECT_TRUE(job.ZeroShiftRequested && !job.RefineZeroShift);  // cleared after its pass
    EXPECT_EQ(job.settings.minimised, Quantity::TwoTheta);  // in force for a session's next run
    EXPECT_NEAR(job.ZeroShift, 0.03, 1e-6);
    ExpectCell(job, Minerals[3], " from the header");
}

// A cubic silicon list of d spacings, without title or header.
std::string SiliconDLines(int count = 6) {
    Recipe recipe{Minerals[0].cell, 1, Kind::D};
    recipe.count = count;
    recipe.header = false;
    return jobs::WithoutTitle(synth::MakeDataFile(recipe));
}

// Tokens are case-sensitive and whole: TT, or a spelt-out "energy", means d spacings.
// A seven-letter word has its remainder skipped and the wavelength after it still reads.
TEST(RunRefinement, DataKindOtherThanTtOrEIsDSpacing) {
    for (const char* header : {"1 TT 1.540593 d n", "1 energy 1.540593 d n",
                               "1 dspacing 1.540593 d n", "1 d 1.540593 dspacing n"}) {
        jobs::Job job;
        jobs::Refine(job, std::string("Si*\r\n") + header + "\r\n" + SiliconDLines(), false);
        EXPECT_FALSE(job.DataIs2Theta) << header;
        EXPECT_FALSE(job.DataIsEnergy) << header;
        EXPECT_EQ(job.Wavelength, 1.540593) << header;
        EXPECT_NEAR(job.DirectCell[1], 5.4309, 1e-6 * 5.4309) << header;
    }
    // "dspacing" as the minimise word is not d: the fit is made in Q.
    jobs::Job job;
    jobs::Refine(job, "Si*\r\n1 d 1.540593 dspacing n\r\n" + SiliconDLines(), false);
    EXPECT_FALSE(job.MinimiseOnD || job.MinimiseOn2Theta || job.MinimiseOnEnergy);
}

// The flag is the character right after the blank that ends the minimise word: 'Y' turns
// the zero shift on (2-theta data are then fitted in 2-theta), 'n' turns it off whatever
// the window had set. Left out at the end of the line, under any line end, it leaves the
// zero shift off and the first reflection in place (three of three: no halt).
TEST(RunRefinement, ZeroShiftFlagFollowsTheMinimiseWord) {
    Recipe recipe{Minerals[0].cell, 1, Kind::TwoTheta};
    recipe.header = false;
    std::string lines = jobs::WithoutTitle(synth::MakeDataFile(recipe));
    jobs::Job on, off;
    jobs::Refine(on, "Si*\r\n1 tt 1.540593 q Y\r\n" + lines, false);
    EXPECT_TRUE(on.ZeroShiftRequested && on.MinimiseOn2Theta);
    off.settings.zeroShift = true;
    jobs::Refine(off, "Si*\r\n1 tt 1.540593 q n\r\n" + lines, false);
    EXPECT_FALSE(off.ZeroShiftRequested || off.MinimiseOn2Theta);

    for (std::string eol : {"\r\n", "\n", "\r"}) {
        lines = SiliconDLines(3);
        for (std::size_t at = 0; (at = lines.find("\r\n", at)) != std::string::npos; at += eol.size())
            lines.replace(at, 2, eol);
        jobs::Job job;
        job.settings.zeroShift = true;
        const Results r = jobs::Refine(job, "Si*" + eol + "1 d 1.540593 d " + eol + lines);
        EXPECT_EQ(job.ObsCount, 3) << "line end " << int(eol.back());
        EXPECT_FALSE(job.ZeroShiftRequested);
        EXPECT_TRUE(job.MinimiseOnD);
        EXPECT_FALSE(r.halted);
    }
}

// The number of an energy header is the detector angle; of any other, the wavelength.
TEST(RunRefinement, EnergyHeaderSetsTheDetectorAngleNotTheWavelength) {
    Recipe recipe{Minerals[0].cell, 1, Kind::Energy, 1.540593, 12.5, "e"};
    jobs::Job job;
    job.settings.wavelength = 1.2;
    jobs::Refine(job, synth::MakeDataFile(recipe), false);
    EXPECT_EQ(job.Beam2Theta, 12.5);
    EXPECT_EQ(job.Wavelength, 1.2);
    EXPECT_TRUE(job.DataIsEnergy && job.MinimiseOnEnergy);
    EXPECT_NEAR(job.DirectCell[1], 5.4309, 1e-6 * 5.4309);

    Recipe tt{Minerals[0].cell, 1, Kind::TwoTheta, 0.7093};
    jobs::Job other;
    other.settings.beam2Theta = 20;
    jobs::Refine(other, synth::MakeDataFile(tt), false);
    EXPECT_EQ(other.Wavelength, 0.7093);
    EXPECT_EQ(other.Beam2Theta, 20);
}

// A session's next run starts from the settings in force after the last one: those a
// header chose stay; the zero shift is refined afresh only when asked for again. A title
// whose '*' is followed by a blank has no header.
TEST(RunRefinement, HeaderSettingsPersistButTheZeroShiftStartsAfresh) {
    const RunReply first = RunRefinement(MemoryRequest(
        {}, synth::MakeDataFile({Minerals[0].cell, 1, Kind::TwoTheta, 1.2, 10.0, "tt", true, 0.05})));
    ASSERT_TRUE(first.results.zeroShift);
    ASSERT_NEAR(first.results.zeroShift->value, -0.05, 1e-6);  // the correction: minus the shift
    RefinementSettings next = first.settingsInForce;
    EXPECT_EQ(next.system, CrystalSystem::Cubic);
    EXPECT_EQ(next.wavelength, 1.2);
    EXPECT_TRUE(next.zeroShift);
    next.zeroShift = false;  // as the window's box would set it
    Recipe plain{Minerals[0].cell, 1, Kind::TwoTheta, 1.2};
    plain.header = false;
    const RunReply second =
        RunRefinement(MemoryRequest(next, "Si* \r\n" + jobs::WithoutTitle(synth::MakeDataFile(plain))));
    EXPECT_EQ(second.results.title, "Si* ");
    EXPECT_FALSE(second.results.headerLine);
    EXPECT_FALSE(second.results.zeroShift);
    EXPECT_EQ(second.settingsInForce, next);
    EXPECT_NEAR(second.results.cell[0].value, 5.4309, 1e-6 * 5.4309);  // only right at 1.2 angstrom
}

// The request is all a run reads and stays as it was; runs share nothing, so two at once
// on two threads give what each gives alone: a kept fast run beside one that falls back.
TEST(RunRefinement, RequestsStayAsTheyWereAndRunsShareNothing) {
    static_assert(std::is_same_v<decltype(&RunRefinement), RunReply (*)(const RunRequest&)>);
    Recipe noisy{Minerals[3].cell, 4, Kind::TwoTheta, 1.540593, 10.0, "d", true, 0.03};
    noisy.noise2Theta = 0.005;
    const RunRequest headed = MemoryRequest({}, synth::MakeDataFile(noisy), "noisy.dat");
    RefinementSettings cubic;
    cubic.system = CrystalSystem::Cubic;
    Recipe exact{Minerals[0].cell, 1, Kind::TwoTheta};
    exact.header = false;
    const RunRequest plain = MemoryRequest(cubic, synth::MakeDataFile(exact), "exact.dat");
    const RunRequest copy = headed;

    const RunReply aloneHeaded = RunRefinement(headed), alonePlain = RunRefinement(plain);
    EXPECT_NE(aloneHeaded.settingsInForce, headed.settings);  // the header changed them
    EXPECT_EQ(headed.settings, copy.settings);
    EXPECT_EQ(headed.dataBytes, copy.dataBytes);
    ASSERT_TRUE(aloneHeaded.path.fast) << aloneHeaded.path.fallbackReason;
    ASSERT_FALSE(alonePlain.path.fast);
    for (int round = 0; round < 4; ++round) {
        RunReply a, b;
        std::thread other([&] { b = RunRefinement(plain); });
        a = RunRefinement(headed);
        other.join();
        const std::pair<const RunReply*, const RunReply*> pairs[] = {{&a, &aloneHeaded}, {&b, &alonePlain}};
        for (const auto& [together, alone] : pairs) {
            EXPECT_EQ(together->report, alone->report);
            EXPECT_EQ(together->path.fast, alone->path.fast);
            EXPECT_EQ(together->path.fallbackReason, alone->path.fallbackReason);
            EXPECT_EQ(together->settingsInForce, alone->settingsInForce);
            EXPECT_EQ(together->results.volume.value, alone->results.volume.value);
        }
    }
}

// --- Minimum data ---

// p + 2 reflections run and p + 1 halt; with a zero shift p + 3 run and p + 2 halt, and
// so does a file that ends inside its header. The halted report is the first line, an
// empty line and the message.
TEST(RunRefinement, HaltsWithTooFewReflections) {
    const std::string halted =
        "Output from program Zantrel -  method of Vorhest & Quillane 1995\r\n\r\n"
        "***  Program Halted - not enough data points  ***\r\n";
    for (const char* text : {"t*\r\n4 tt", "t*\r\n4 tt 1.5406 d"}) {
        const RunReply reply = RunRefinement(MemoryRequest({}, text));
        EXPECT_EQ(reply.report, halted) << text;
        EXPECT_TRUE(reply.results.halted) << text;
    }
    for (int m : {0, 3}) {  // cubic p = 1, orthorhombic p = 3
        const Mineral& mineral = Minerals[m];
        int p = mineral.system == 1 ? 1 : 3;
        for (bool zero : {false, true}) {
            int needed = p + (zero ? 3 : 2);
            for (int count : {needed - 1, needed}) {
                Recipe recipe{mineral.cell, mineral.system, Kind::TwoTheta, 1.540593, 10.0, "tt", zero};
                recipe.count = count;
                const RunReply reply = RunRefinement(MemoryRequest({}, synth::MakeDataFile(recipe)));
                std::string what = std::string(mineral.name) + (zero ? " zero shift " : " ") +
                                   std::to_string(count);
                EXPECT_EQ(reply.results.obsCount, count) << what;
                EXPECT_EQ(reply.results.halted, count < needed) << what;
                if (count < needed) {
                    EXPECT_EQ(reply.report, halted) << what;
                } else {
                    EXPECT_GT(reply.report.size(), halted.size() + 500) << what;
                }
            }
        }
    }
}

// --- Round trips of exact data ---

// Exact positions of every system, every data kind and every minimised quantity.
TEST(Refine, ExactDataOfEverySystemKindAndQuantityGiveTheCellBack) {
    for (const Mineral& m : Minerals)
        for (Kind kind : {Kind::TwoTheta, Kind::D, Kind::Energy})
            for (const char* quantity : {"tt", "d", "e", "q"}) {
                jobs::Job job;
                jobs::Refine(job, synth::MakeDataFile({m.cell, m.system, kind, 1.540593, 10.0, quantity}), false);
                ExpectCell(job, m, std::string(" kind ") + std::to_string(int(kind)) + " min " + quantity);
                EXPECT_EQ(job.ZeroShiftSigma, 0.00001);
            }
}

// A zero shift added to every 2-theta or energy is found and taken out: the second pass
// refines the corrected observations back to the cell.
TEST(Refine, ZeroShiftIsFoundAndRemoved) {
    for (const Mineral& m : Minerals) {
        for (Kind kind : {Kind::TwoTheta, Kind::Energy}) {
            double shift = kind == Kind::TwoTheta ? 0.05 : -0.02;
            Recipe recipe{m.cell, m.system, kind, 1.540593, 10.0, "q", true, shift};
            jobs::Job job;
            jobs::Refine(job, synth::MakeDataFile(recipe), false);
            EXPECT_NEAR(job.ZeroShift, shift, 1e-6) << m.name << " kind " << int(kind);
            EXPECT_GT(job.ZeroShiftSigma, 0.0);
            ExpectCell(job, m, " kind " + std::to_string(int(kind)));
        }
    }
}

// d spacings derived from offset 2-theta (or energy) readings: the shift is refined in the
// minimised quantity and taken out of that quantity's observations, and d from them.
TEST(Refine, ZeroShiftOfDSpacingDataCorrectsTheMinimisedQuantity) {
    const Mineral& m = Minerals[3];
    const double sine = std::sin(0.00872664638888889 * 10);  // 10-degree detector
    for (bool energy : {false, true}) {
        const double shift = energy ? -0.02 : 0.04;
        std::string text = energy ? "Fo*\r\n4 d 1.540593 e y\r\n" : "Fo*\r\n4 d 1.540593 tt y\r\n";
        for (const synth::Hkl& r : synth::Reflections({m.cell, m.system, Kind::D})) {
            double d = synth::DSpacing(m.cell, r);
            double tt = 2 * std::asin(1.540593 / (2 * d)) * 180 / TruePi + shift;
            double observed = energy ? 6.199 / (sine * (6.199 / (sine * d) + shift))
                                     : 1.540593 / (2 * std::sin(tt * TruePi / 360));
            char line[96];
            std::snprintf(line, sizeof line, "%d %d %d %.12f\r\n", r.h, r.k, r.l, observed);
            text += line;
        }
        jobs::Job job;
        jobs::Refine(job, text, false);
        EXPECT_NEAR(job.ZeroShift, shift, 1e-6) << (energy ? "energy" : "2-theta");
        ExpectCell(job, m, energy ? " energy" : " 2-theta");
    }
}

// A refined shift no larger than its standard error is not applied: the second pass then
// refines the observations of a run without the shift, bit for bit; a larger one is.
TEST(Refine, OnlyASignificantZeroShiftCorrectsTheObservations) {
    int applied = 0, skipped = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        jobs::Job with, without;
        Recipe recipe{Minerals[1].cell, 2, Kind::TwoTheta, 1.540593, 10.0, "tt", true};
        recipe.noise2Theta = 0.005;
        recipe.seed = seed;
        jobs::Refine(with, synth::MakeDataFile(recipe), false);
        recipe.zeroShiftFlag = false;
        jobs::Refine(without, synth::MakeDataFile(recipe), false);
        bool significant = std::fabs(with.ZeroShift) > with.ZeroShiftSigma;
        (significant ? applied : skipped)++;
        if (significant) {
            EXPECT_NE(with.DirectCell[1], without.DirectCell[1]) << seed;
        } else {
            EXPECT_EQ(with.DirectCell[1], without.DirectCell[1]) << seed;
            EXPECT_EQ(with.DirectCell[2], without.DirectCell[2]) << seed;
        }
    }
    EXPECT_GT(applied, 0);
    EXPECT_GT(skipped, 0);
}

// --- Noisy data ---

// 2-theta errors of 0.005 deg, the value the weights assume, so the standard errors
// apply as they are: every parameter and the volume land within 4 of them of the truth
// (a 4-sigma miss has odds of 6e-5 per parameter; the seeds are fixed).
TEST(Refine, NoisyDataLandWithinFourStandardErrors) {
    for (const Mineral& m : Minerals)
        for (unsigned seed : {3u, 17u, 101u}) {
            Recipe recipe{m.cell, m.system, Kind::TwoTheta};
            recipe.noise2Theta = 0.005;
            recipe.seed = seed;
            recipe.count = 30;
            jobs::Job job;
            jobs::Refine(job, synth::MakeDataFile(recipe), false);
            for (int slot = 1; slot <= job.ParamCount; ++slot) {
                double truth = m.slots[std::size_t(slot - 1)];
                double sigma = slot <= 3 ? job.DirectSigmas[slot] : job.DirectSigmas[slot] * 180 / TruePi;
                EXPECT_GT(sigma, 0.0) << m.name << " slot " << slot;
                EXPECT_LT(sigma, 1e-2 * truth) << m.name << " slot " << slot;
                EXPECT_NEAR(Refined(job, slot), truth, 4 * sigma) << m.name << " seed " << seed << " slot " << slot;
            }
            EXPECT_NEAR(job.CellVolume, m.cell.Volume(), 4 * job.VolumeSigma) << m.name << " seed " << seed;
        }
}

// --- Standard errors against an independent propagation ---

// Direct parameters in the system's slot layout from reciprocal ones in the same layout,
// through the inverse of the reciprocal metric tensor; the last entry is the volume.
Eigen::VectorXd DirectByMetricTensor(int system, const Eigen::VectorXd& r) {
    const double right = TruePi / 2;
    double as = r(0), bs = r(0), cs = r(0), al = right, be = right, ga = right;
    if (system == 2 || system == 3) cs = r(1);
    if (system == 3) ga = TruePi / 3;
    if (system >= 4) bs = r(1), cs = r(2);
    if (system == 5) be = r(3);
    if (system == 6) al = r(3), be = r(4), ga = r(5);
    Eigen::Matrix3d gs;
    gs << as * as, as * bs * std::cos(ga), as * cs * std::cos(be),
          as * bs * std::cos(ga), bs * bs, bs * cs * std::cos(al),
          as * cs * std::cos(be), bs * cs * std::cos(al), cs * cs;
    Eigen::Matrix3d g = gs.inverse();
    double a = std::sqrt(g(0, 0)), b = std::sqrt(g(1, 1)), c = std::sqrt(g(2, 2));
    std::vector<double> out;
    switch (system) {
        case 1: out = {a}; break;
        case 2: case 3: out = {a, c}; break;
        case 4: out = {a, b, c}; break;
        case 5: out = {a, b, c, std::acos(g(0, 2) / (a * c))}; break;
        default:
            out = {a, b, c, std::acos(g(1, 2) / (b * c)), std::acos(g(0, 2) / (a * c)),
                   std::acos(g(0, 1) / (a * b))};
    }
    out.push_back(std::sqrt(g.determinant()));
    return Eigen::Map<Eigen::VectorXd>(out.data(), Eigen::Index(out.size()));
}

// Compares the run's sigmas of the direct cell and the volume with J C J^T, J taken by
// central differences of the metric-tensor conversion. The program's forward steps of
// a thousandth bias each derivative by about 1e-3: 3e-3 relative allowed.
void ExpectSigmasAgreeWithMetricTensor(const Mineral& m) {
    jobs::Job job;
    jobs::Refine(job, synth::MakeDataFile({m.cell, m.system, Kind::TwoTheta}), false);
    const int p = job.ParamCount;
    Eigen::VectorXd r(p);
    Eigen::MatrixXd cov(p, p);
    for (int i = 0; i < p; ++i) {
        r(i) = job.ReciprocalCell[i + 1];
        for (int j = 0; j < p; ++j) cov(i, j) = job.Covariance(i + 1, j + 1);
    }
    Eigen::MatrixXd jac(p + 1, p);
    for (int k = 0; k < p; ++k) {
        Eigen::VectorXd up = r, down = r;
        double h = 1e-6 * r(k);
        up(k) += h, down(k) -= h;
        jac.col(k) = (DirectByMetricTensor(m.system, up) - DirectByMetricTensor(m.system, down)) / (2 * h);
    }
    Eigen::MatrixXd direct = jac * cov * jac.transpose();
    for (int i = 0; i < p; ++i)
        EXPECT_NEAR(job.DirectSigmas[i + 1], std::sqrt(direct(i, i)), 3e-3 * std::sqrt(direct(i, i)))
            << m.name << " slot " << i + 1;
    EXPECT_NEAR(job.VolumeSigma, std::sqrt(direct(p, p)), 3e-3 * std::sqrt(direct(p, p))) << m.name;
}

TEST(PropagateCellErrors, AgreesWithAnIndependentPropagation) {
    for (int i : {0, 3, 4, 5}) ExpectSigmasAgreeWithMetricTensor(Minerals[i]);
}

// Tetragonal and hexagonal cells keep c in slot 2.
TEST(PropagateCellErrors, AgreesWithAnIndependentPropagationWhereCIsInSlotTwo) {
    for (int i : {1, 2}) ExpectSigmasAgreeWithMetricTensor(Minerals[i]);
}

// --- Fall-back and regression failures ---

// A cubic cell with a = 0.5 angstrom has a*^2 = 4: every fit from triclinic down finds a
// coefficient above 1, so the file is read again in each lower system until cubic,
// where the coefficients are used as they are (d spacings at lambda 0.2 keep 2-theta real).
TEST(RunRefinement, ImplausibleCoefficientsLowerTheSystemDownToCubic) {
    std::string text = "Tiny cell*\r\n6 d 0.2 d n\r\n";
    const int list[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1},
                           {0, 1, 1}, {1, 1, 1}, {2, 0, 0}, {2, 1, 0}, {2, 1, 1}};
    for (auto& r : list) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %d %d %.15f\r\n", r[0], r[1], r[2],
                      0.5 / std::sqrt(double(r[0] * r[0] + r[1] * r[1] + r[2] * r[2])));
        text += line;
    }
    jobs::Job job;
    const Results r = jobs::Refine(job, text);
    EXPECT_EQ(job.CrystalSystem, 1);
    EXPECT_EQ(job.ObsCount, 10);
    EXPECT_EQ(r.systemRequested, CrystalSystem::Triclinic);
    EXPECT_EQ(r.systemRefined, CrystalSystem::Cubic);
    EXPECT_NEAR(job.Coefficients[1], 4.0, 1e-9);
    EXPECT_NEAR(job.DirectCell[1], 0.5, 1e-9);
}

// A tetragonal file without any l: the l^2 column is all zero and the fit cannot be
// made; the run ends naming the undetermined term, and hands back the settings its header
// line set, so that a session keeps them. A run that fails without a header hands back
// the settings it was asked for.
TEST(RunRefinement, UndeterminedTermEndsTheRunNamingItAndKeepsTheHeadersSettings) {
    try {
        RunRefinement(MemoryRequest({}, "t*\r\n2 d 1.540593 d n\r\n1 0 0 4\r\n1 1 0 2.8284\r\n"
                                        "2 0 0 2\r\n2 1 0 1.7889\r\n"));
        FAIL() << "no error";
    } catch (const RunError& e) {
        EXPECT_EQ(jobs::FirstLine(e.what()), "Floating point division by zero");
        EXPECT_NE(jobs::SecondLine(e.what()).find("l^2"), std::string::npos) << e.what();
        RefinementSettings header;
        header.system = CrystalSystem::Tetragonal;
        header.data = header.minimised = Quantity::D;
        EXPECT_TRUE(e.headerLine);
        ASSERT_TRUE(e.settingsInForce);
        EXPECT_EQ(*e.settingsInForce, header);
    }
    RefinementSettings asked;
    asked.system = CrystalSystem::Cubic;
    asked.wavelength = 0.7093;
    try {
        RunRefinement(MemoryRequest(asked, "t\r\n1 0 0 30\r\n1 1 0 4O\r\n"));
        FAIL() << "no error";
    } catch (const RunError& e) {
        EXPECT_EQ(jobs::FirstLine(e.what()), Msg::InvalidNumericInput);
        EXPECT_FALSE(e.headerLine);
        ASSERT_TRUE(e.settingsInForce);
        EXPECT_EQ(*e.settingsInForce, asked);
    }
}

}  // namespace
}  // namespace zantrel

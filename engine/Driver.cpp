// The run of opened data: header line, read-and-fit loop, both refinement passes, results.

#include <cmath>

#include "cell/Cell.h"
#include "engine/FloatFaults.h"
#include "export/Format.h"
#include "engine/Margins.h"
#include "engine/LSQ.h"

namespace zantrel::inline ZANTREL_ENGINE {

namespace {

const char* const SystemRange = "the crystal system must be 1 (cubic), 2 (tetragonal), "
                                "3 (hexagonal), 4 (orthorhombic), 5 (monoclinic) or 6 (triclinic)";

// Reads the header line after a title ending in '*'; the title loses its '*'.
void ReadHeader(RefinementJob& job) {
    TextReader& in = job.InputFile;
    job.Title.pop_back();
    int system = in.ReadInteger();
    // A file that ends before its header has no reflections either: the run halts at the
    // minimum-data test with the settings as they were, not on a crystal system of 0.
    if (system == 0 && in.Eof()) return;
    job.CrystalSystem = system;
    if (job.CrystalSystem < 1 || job.CrystalSystem > 6)
        Fail("Invalid crystal system " + std::to_string(job.CrystalSystem) + " in the header line",
             in.Where() + ": " + SystemRange);
    job.DataKindToken = ReadToken(in);
    job.HeaderNumber = in.ReadReal();
    job.MinimiseToken = ReadToken(in);
    // The flag is the character right after the blank that ended the minimise token.
    // When the line ends there, that line end is the whole rest of the line: the
    // next line (the first reflection) must stay unread, whatever the line ends.
    int flag = in.Get();
    if (flag == '\r' || flag == '\n') {
        if (flag == '\r' && in.Peek() == '\n') in.Get();
    } else if (flag >= 0) {
        in.SkipLine();
    }
    RefinementSettings settings = SettingsOf(job);
    settings.zeroShift = flag == 'y' || flag == 'Y';
    settings.data = DataKindFromToken(job.DataKindToken);
    settings.minimised = MinimisedFromToken(job.MinimiseToken);
    if (settings.data == Quantity::Energy) settings.beam2Theta = job.HeaderNumber;
    else settings.wavelength = job.HeaderNumber;
    ApplySettings(settings, job);
}

void ApplyZeroShiftPrecedence(RefinementJob& job) {
    if (!job.RefineZeroShift) return;
    if (job.DataIs2Theta) {
        job.MinimiseOn2Theta = true;
        job.MinimiseOnEnergy = false;
        job.MinimiseOnD = false;
    }
    if (job.DataIsEnergy) {
        job.MinimiseOn2Theta = false;
        job.MinimiseOnEnergy = true;
        job.MinimiseOnD = false;
    }
}

bool PlausibleCoefficients(const RefinementJob& job) {
    for (int i = 1; i <= job.ParamCount; ++i) {
        double c = job.Coefficients[i];
        // The regression's coefficients carry its conditioning, a factor of up to 1e4.
        if constexpr (FastEngine) {
            CheckMargin(c, 1.0, 1e4, "a regression coefficient near the plausibility limit");
            CheckMargin(c, -1.0, 1e4, "a regression coefficient near the plausibility limit");
        }
        if (!(c >= -1.0 && c <= 1.0)) return false;  // a NaN fails too
    }
    return true;
}

// Subtracts a significant zero shift from the observations in the quantity in which
// it was refined: 2-theta when the run minimised in 2-theta, otherwise energy.
void CorrectByZeroShift(RefinementJob& job) {
    ClearFloatFaults();
    bool in2Theta = job.DataIs2Theta || (!job.DataIsEnergy && job.MinimiseOn2Theta);
    for (int i = 1; i <= job.ObsCount; ++i) {
        if (in2Theta) {
            job.TwoThetaObs[i] = double(Extended(job.TwoThetaObs[i]) - job.ZeroShift);
            job.DObs[i] = double(job.Wavelength / (2 * std::sin(Extended(Pi) * job.TwoThetaObs[i] / 360)));
        } else {
            job.EnergyObs[i] = double(Extended(job.EnergyObs[i]) - job.ZeroShift);
            job.DObs[i] = double(EnergyDSinTheta /
                                 (std::sin(Extended(TwoThetaDegToThetaRad) * job.Beam2Theta) *
                                  job.EnergyObs[i]));
        }
    }
    CheckFloatFaults("while correcting the observations by the refined zero shift of " +
                     FormatShortest(job.ZeroShift));
}

void RefinementPass(RefinementJob& job) {
    RefineCell(job);
    PropagateCellErrors(job);
}

}  // namespace

Results RunOpened(RefinementJob& job, bool collect) {
    Results results;
    AllocateTables(job);
    job.ZeroShift = 0.0;
    job.ZeroShiftSigma = 0.00001;
    job.RunHalted = false;
    job.RefinedSystemText.clear();
    job.Passes.clear();
    TextReader& in = job.InputFile;
    job.Title = in.ReadRestOfLine();
    bool hasHeader = !job.Title.empty() && job.Title.back() == '*';
    if (hasHeader) ReadHeader(job);
    // A setting outside 1..6 sets none of the system flags: the run would fail later on
    // sound data, blaming the arithmetic.
    if (job.CrystalSystem < 1 || job.CrystalSystem > 6)
        Fail("Invalid crystal system " + std::to_string(job.CrystalSystem) + " in the settings",
             "for " + in.Name() + ": " + SystemRange);
    ApplyZeroShiftPrecedence(job);
    results.settings = SettingsOf(job);
    results.title = job.Title;
    results.headerLine = hasHeader;
    results.systemRequested = CrystalSystem(job.CrystalSystem);
    auto counts = [&] {
        results.systemRefined = CrystalSystem(job.CrystalSystem);
        results.obsCount = job.ObsCount;
        results.tooManyReflections = job.TooManyReflections;
    };

    for (;;) {
        ReadReflections(job);
        int needed = job.ParamCount + (job.RefineZeroShift ? 3 : 2);
        if (job.ObsCount < needed) {
            job.RunHalted = true;
            results.halted = true;
            counts();
            return results;
        }
        RegressLinear(job, job.DesignMatrixSaved, job.QObs, job.ObsCount, job.ParamCount,
                      job.Coefficients);
        if (PlausibleCoefficients(job) || job.CrystalSystem <= 1) break;
        // An implausible fit: read the same reflections again in the next lower system.
        --job.CrystalSystem;
        in.Rewind();
        in.SkipLine();
        if (hasHeader) in.SkipLine();
    }

    if (job.RefineZeroShift) {
        ++job.ParamCount;
        RefinementPass(job);
        if constexpr (FastEngine)
            CheckMargin(std::fabs(job.ZeroShift), std::fabs(job.ZeroShiftSigma),
                        1e3 * (std::fabs(job.ZeroShift) + std::fabs(job.ZeroShiftSigma)),
                        "a zero shift near its significance test");
        if (std::fabs(job.ZeroShift) > std::fabs(job.ZeroShiftSigma)) CorrectByZeroShift(job);
        job.RefineZeroShift = false;
        --job.ParamCount;
    }
    // Without a zero shift the second pass would repeat the first on the same data
    // bit for bit, so one pass serves for both.
    RefinementPass(job);
    counts();
    results.paramCount = job.ParamCount;
    if (collect) CollectResults(job, results);
    return results;
}

}  // namespace zantrel::ZANTREL_ENGINE

// The run of the job's data: header line, read-and-fit loop, both refinement passes, results.

#include <cmath>

#include "cell/Messages.h"
#include "engine/Engine.h"
#include "engine/FloatFaults.h"
#include "engine/LSQ.h"
#include "engine/Margins.h"
#include "engine/Relations.h"
#include "engine/Steps.h"
#include "export/Format.h"

namespace zantrel::engine {

namespace {
const char* const SystemRange = "the crystal system must be 1 (cubic), 2 (tetragonal), "
                                "3 (hexagonal), 4 (orthorhombic), 5 (monoclinic) or 6 (triclinic)";

}  // namespace

// Reads the header line after a title ending in '*'; the title loses its '*'. Its
// settings replace the job's.
template <typename Real>
void ReadHeader(RefinementJob<Real>& job) {
    TextReader& in = job.InputFile;
    job.Title.pop_back();
    int system = in.ReadInteger();
    // A file that ends before its header has no reflections either: the run halts at the
    // minimum-data test with the settings as they were, not on a crystal system of 0.
    if (system == 0 && in.Eof()) return;
    job.HeaderRead = true;
    if (system < 1 || system > 6)
        Fail("Invalid crystal system " + std::to_string(system) + " in the header line",
             in.Where() + ": " + SystemRange);
    RefinementSettings& settings = job.settings;
    settings.system = CrystalSystem(system);
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
    settings.zeroShift = flag == 'y' || flag == 'Y';
    settings.data = DataKindFromToken(job.DataKindToken);
    settings.minimised = MinimisedFromToken(job.MinimiseToken);
    if (settings.data == Quantity::Energy) settings.beam2Theta = job.HeaderNumber;
    else settings.wavelength = job.HeaderNumber;
    UseSettings(job, settings);
}

template void ReadHeader(RefinementJob<double>&);
template void ReadHeader(RefinementJob<long double>&);

namespace {

// A refined zero shift is refined in the data's own quantity, 2-theta or energy.
void ApplyZeroShiftPrecedence(RefinementSettings& settings) {
    if (!settings.zeroShift) return;
    if (settings.data == Quantity::TwoTheta || settings.data == Quantity::Energy)
        settings.minimised = settings.data;
}

template <typename Real>
bool PlausibleCoefficients(const RefinementJob<Real>& job) {
    for (int i = 1; i <= job.ParamCount; ++i) {
        double c = job.Coefficients[i];
        // The regression's coefficients carry its conditioning, a factor of up to 1e4.
        CheckMargin(job.margins, c, 1.0, 1e4, "a regression coefficient near the plausibility limit");
        CheckMargin(job.margins, c, -1.0, 1e4, "a regression coefficient near the plausibility limit");
        if (!(c >= -1.0 && c <= 1.0)) return false;  // a NaN fails too
    }
    return true;
}

// Subtracts a significant zero shift from the observations in the quantity in which
// it was refined: 2-theta when the run minimised in 2-theta, otherwise energy.
template <typename Real>
void CorrectByZeroShift(RefinementJob<Real>& job) {
    ClearFloatFaults();
    bool in2Theta = job.DataIs2Theta || (!job.DataIsEnergy && job.MinimiseOn2Theta);
    for (int i = 1; i <= job.ObsCount; ++i) {
        if (in2Theta) {
            job.TwoThetaObs[i] = double(Real(job.TwoThetaObs[i]) - job.ZeroShift);
            job.DObs[i] = double(DSpacingFromTwoTheta<Real>(job.Wavelength, job.TwoThetaObs[i]));
        } else {
            job.EnergyObs[i] = double(Real(job.EnergyObs[i]) - job.ZeroShift);
            job.DObs[i] = double(EnergyDRelation(DetectorSine<Real>(job.Beam2Theta), job.EnergyObs[i]));
        }
    }
    CheckFloatFaults("while correcting the observations by the refined zero shift of " +
                     FormatShortest(job.ZeroShift));
}

template <typename Real>
void RefinementPass(RefinementJob<Real>& job) {
    RefineCell(job);
    PropagateCellErrors(job);
}

}  // namespace

template <typename Real>
Results Refine(RefinementJob<Real>& job, bool collect) {
    Results results;
    AllocateTables(job);
    UseSettings(job, job.settings);
    job.ZeroShift = 0.0;
    job.ZeroShiftSigma = 0.00001;
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
    CheckWeighting(job.settings.weighting);
    ApplyZeroShiftPrecedence(job.settings);
    UseSettings(job, job.settings);
    results.settings = job.settings;
    results.title = job.Title;
    results.headerLine = hasHeader;
    results.systemRequested = job.settings.system;
    auto counts = [&] {
        results.systemRefined = job.settings.system;
        results.obsCount = job.ObsCount;
        results.tooManyReflections = job.TooManyReflections;
        results.reflectionsInFile = job.TooManyReflections ? job.ReflectionsInFile : job.ObsCount;
        results.excluded = job.Excluded;
    };

    for (;;) {
        ReadReflections(job);
        CheckExclusionsMatched(job.Exclude, job.Excluded, job.RowsRead, in.Name());
        int needed = job.ParamCount + (job.RefineZeroShift ? 3 : 2);
        if (job.ObsCount < needed) {
            results.halted = true;
            counts();
            return results;
        }
        RegressLinear(job, job.DesignMatrixSaved, job.QObs, job.ObsCount, job.ParamCount, job.Coefficients);
        if (PlausibleCoefficients(job) || job.CrystalSystem <= 1) break;
        // An implausible fit: read the same reflections again in the next lower system.
        LowerSystem(job);
        in.Rewind();
        in.SkipLine();
        if (hasHeader) in.SkipLine();
    }

    if (job.RefineZeroShift) {
        ++job.ParamCount;
        RefinementPass(job);
        CheckMargin(job.margins, std::fabs(job.ZeroShift), std::fabs(job.ZeroShiftSigma),
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

template Results Refine(RefinementJob<double>&, bool);
template Results Refine(RefinementJob<long double>&, bool);

}  // namespace zantrel::engine

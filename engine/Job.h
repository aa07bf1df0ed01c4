#pragma once
// RefinementJob: the engine's workspace for one run: the settings in force, the flags
// its formulas test, the observation tables, the results and the report's scalars.

#include <array>
#include <string>
#include <vector>

#include "cell/Exclusions.h"
#include "cell/Results.h"
#include "cell/Settings.h"
#include "cell/TextReader.h"
#include "engine/Indexed.h"

namespace zantrel {

class MarginCheck;

using LabelSet = std::array<std::string, MaxParams + 1>;  // slot 0 unused

// The flags and values the formulas read, derived from a RefinementSettings by
// UseSettings, the one place where the two forms meet; a job is made fresh for every run.
struct JobFlags {
    int CrystalSystem = 0;  // 1 cubic, 2 tetragonal, 3 hexagonal, 4 orthorhombic, 5 monoclinic, 6 triclinic
    bool IsCubic = false, IsTetragonal = false, IsHexagonal = false;
    bool IsOrthorhombic = false, IsMonoclinic = false, IsTriclinic = false;
    bool DataIs2Theta = false;  // observations are 2-theta, degrees
    bool DataIsEnergy = false;  // observations are energies, keV; neither: d spacings, angstrom
    bool MinimiseOnD = false, MinimiseOn2Theta = false, MinimiseOnEnergy = false;  // none: Q
    double Wavelength = 0;  // angstrom
    double Beam2Theta = 0;  // degrees, detector angle of energy-dispersive data
    bool RefineZeroShift = false;     // refined in the current pass; set with the request
    bool ZeroShiftRequested = false;  // asked for in this run
    bool FullDiagnostics = false;
};

// The flags from the settings. The system flags are all false for a system outside
// 1..6, which the run refuses.
void UseSettings(JobFlags& flags, const RefinementSettings& settings);

// Real is the type in which the engine forms its intermediate results: long double in
// the reference build, double in the checked fast build. Stored values are doubles in
// both.
template <typename Real>
struct RefinementJob : JobFlags {
    RefinementJob() { UseSettings(*this, settings); }

    // --- The settings in force: the caller's, then a header line's, a lower crystal
    // system after an implausible fit, and the zero shift's choice of quantity. ---
    RefinementSettings settings;
    // The fast build's checks of its decisions; none in the reference build.
    MarginCheck* margins = nullptr;

    std::string Title;
    bool HeaderRead = false;
    double HeaderNumber = 0.0;
    std::string DataKindToken, MinimiseToken;  // exactly 6 characters, right-justified

    // --- The data, read from memory ---
    TextReader InputFile;

    // --- Observation tables, allocated while the job runs ---
    int ObsCount = 0;
    int ParamCount = 0;
    IntTable MillerH, MillerK, MillerL;
    RealTable TwoThetaObs;  // degrees
    RealTable DObs;         // angstrom
    RealTable EnergyObs;    // keV
    RealTable QObs;         // 1/angstrom^2
    RealTable QObsSaved;
    RealTable Weights;  // 1 from the reader; then sigma of each observation
    RowTable DesignMatrix;
    RowTable DesignMatrixSaved;
    RealTable CalcValues;  // minimised quantity
    RealTable DCalc;       // angstrom
    RealTable Residuals;   // minimised quantity
    bool TooManyReflections = false;
    int ReflectionsInFile = 0;  // with TooManyReflections: the used ones and those beyond
    bool EndOfData = false;
    // --- Reflections left out: what the request names, and what the reader left out ---
    Exclusions Exclude;
    std::vector<ExcludedReflection> Excluded;
    int RowsRead = 0;        // reflection lines read, the excluded ones included
    IntTable FileRow;        // each used reflection's row among the file's reflection lines
    RealTable ValueAsRead;   // in the data's quantity, before any zero-shift correction
    RealTable SigmaRead;     // with WeightMode::SigmaColumn: the line's sigma, data's quantity

    // --- Results ---
    ParamVector Coefficients;
    ParamVector ReciprocalCell;  // a*, b*, c* in 1/angstrom; alpha*, beta*, gamma* in radians
    ParamVector ParamSteps;
    ParamVector DirectCell;    // a, b, c in angstrom; alpha, beta, gamma in radians
    ParamVector DirectSigmas;  // angles in radians until the collector converts them to degrees
    ParamMatrix Covariance;
    ParamMatrix CovarianceCopy;
    ParamMatrix DirectCovariance;
    double CellVolume = 0.0;   // angstrom^3
    double VolumeSigma = 0.0;  // angstrom^3
    double ZeroShift = 0.0;    // degrees of 2-theta, or keV
    double ZeroShiftSigma = 0.00001;
    double StudentT = 0.0;
    LabelSet DirectLabels, ReciprocalLabels;
    double CosAlpha = 0, CosBeta = 0, CosGamma = 0, SinAlpha = 0, SinBeta = 0, SinGamma = 0;
    double CosAlphaStar = 0, CosBetaStar = 0, CosGammaStar = 0;
    double ResidualSquares = 0.0;
    double FitSigma = 0.0;
    double AbsResidual = 0.0;
    std::vector<PassSummary> Passes;  // one per refinement pass of this run
};

// Lowers the crystal system by one, in the settings and the flags.
template <typename Real>
void LowerSystem(RefinementJob<Real>& job) {
    job.settings.system = CrystalSystem(int(job.settings.system) - 1);
    UseSettings(job, job.settings);
}

template <typename Real>
void AllocateTables(RefinementJob<Real>& job) {
    job.DesignMatrix.Allocate(MaxReflections);
    job.DesignMatrixSaved.Allocate(MaxReflections);
    for (RealTable* t : {&job.TwoThetaObs, &job.QObsSaved, &job.CalcValues, &job.Weights,
                         &job.QObs, &job.DObs, &job.EnergyObs, &job.DCalc, &job.Residuals,
                         &job.ValueAsRead, &job.SigmaRead})
        t->Allocate(MaxReflections);
    for (IntTable* t : {&job.MillerH, &job.MillerK, &job.MillerL, &job.FileRow}) t->Allocate(MaxReflections);
}

}  // namespace zantrel

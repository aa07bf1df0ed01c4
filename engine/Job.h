#pragma once
// RefinementJob: one run's settings, observation tables, results and report scalars.

#include <array>
#include <vector>
#include <string>

#include "engine/Indexed.h"
#include "export/ReportFile.h"
#include "cell/Results.h"
#include "cell/TextReader.h"

namespace zantrel {

using LabelSet = std::array<std::string, MaxParams + 1>;  // slot 0 unused

struct RefinementJob {
    // --- Settings: main window, SetJobDefaults, a data file's header line ---
    int CrystalSystem = 6;  // 1 cubic, 2 tetragonal, 3 hexagonal, 4 orthorhombic, 5 monoclinic, 6 triclinic
    bool IsCubic = false, IsTetragonal = false, IsHexagonal = false;
    bool IsOrthorhombic = false, IsMonoclinic = false, IsTriclinic = true;
    bool DataIs2Theta = true;   // observations are 2-theta, degrees
    bool DataIsEnergy = false;  // observations are energies, keV; neither: d spacings, angstrom
    bool MinimiseOnD = false, MinimiseOn2Theta = true, MinimiseOnEnergy = false;  // none: Q
    double Wavelength = 1.540593;  // angstrom
    double Beam2Theta = 10.0;      // degrees, detector angle of energy-dispersive data
    bool RefineZeroShift = false;     // refined in the current pass
    bool ZeroShiftRequested = false;  // asked for in this run
    bool FullDiagnostics = false;
    std::string InputFileName, OutputFileName;
    std::string Title;
    double HeaderNumber = 0.0;
    std::string DataKindToken, MinimiseToken;  // exactly 6 characters, right-justified

    // --- Files, open only during a run ---
    TextReader InputFile;
    ReportFile OutputFile;

    // --- Observation tables, allocated only during a run ---
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
    bool EndOfData = false;
    bool RunHalted = false;  // too few reflections: the report holds the halt message only

    // --- Results ---
    ParamVector Coefficients;
    ParamVector ReciprocalCell;  // a*, b*, c* in 1/angstrom; alpha*, beta*, gamma* in radians
    ParamVector ParamSteps;
    ParamVector DerivativeRow;
    ParamVector DirectCell;    // a, b, c in angstrom; alpha, beta, gamma in radians
    ParamVector DirectSigmas;  // angles in radians until the report converts them to degrees
    ParamMatrix Covariance;
    ParamMatrix CovarianceCopy;
    ParamMatrix DirectCovariance;
    double CellVolume = 0.0;   // angstrom^3
    double VolumeSigma = 0.0;  // angstrom^3
    double ZeroShift = 0.0;    // degrees of 2-theta, or keV
    double ZeroShiftSigma = 0.00001;
    double StudentT = 0.0;
    std::string RefinedSystemText;
    LabelSet DirectLabels, ReciprocalLabels;
    double CosAlpha = 0, CosBeta = 0, CosGamma = 0, SinAlpha = 0, SinBeta = 0, SinGamma = 0;
    double CosAlphaStar = 0, CosBetaStar = 0, CosGammaStar = 0;
    double ResidualSquares = 0.0;
    double FitSigma = 0.0;
    double SumAbsResidual = 0.0, AbsResidual = 0.0, MaxAbsResidual = 0.0;
    std::vector<PassSummary> Passes;  // one per refinement pass of this run
};

}  // namespace zantrel

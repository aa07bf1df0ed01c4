#include "cell/Cell.h"

namespace zantrel {

void SetJobDefaults(RefinementJob& job) {
    job.Wavelength = 1.540593;
    job.Beam2Theta = 10.0;
    job.IsTriclinic = true;
    job.CrystalSystem = 6;
    job.MinimiseOnD = false;
    job.MinimiseOnEnergy = false;
    job.MinimiseOn2Theta = true;
    job.DataIsEnergy = false;
    job.DataIs2Theta = true;
    job.FullDiagnostics = false;
    job.RefineZeroShift = false;
    job.ZeroShift = 0.0;
    job.ZeroShiftSigma = 0.00001;
    job.DirectCell.Fill(0.0);
    job.ReciprocalCell.Fill(0.0);
    job.Covariance.Fill(0.0);
}

void AllocateTables(RefinementJob& job) {
    job.DesignMatrix.Allocate(MaxReflections);
    job.DesignMatrixSaved.Allocate(MaxReflections);
    for (RealTable* t : {&job.TwoThetaObs, &job.QObsSaved, &job.CalcValues, &job.Weights,
                         &job.QObs, &job.DObs, &job.EnergyObs, &job.DCalc, &job.Residuals})
        t->Allocate(MaxReflections);
    for (IntTable* t : {&job.MillerH, &job.MillerK, &job.MillerL}) t->Allocate(MaxReflections);
}

void ReleaseTables(RefinementJob& job) {
    job.DesignMatrix.Release();
    job.DesignMatrixSaved.Release();
    for (RealTable* t : {&job.TwoThetaObs, &job.QObsSaved, &job.CalcValues, &job.Weights,
                         &job.QObs, &job.DObs, &job.EnergyObs, &job.DCalc, &job.Residuals})
        t->Release();
    for (IntTable* t : {&job.MillerH, &job.MillerK, &job.MillerL}) t->Release();
}

std::string ReportPathFor(const std::string& dataPath) {
    // The extension is the last '.' of the file name, not of the folders above it.
    std::size_t nameStart = dataPath.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = dataPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return dataPath + ".out";
    return dataPath.substr(0, dot) + ".out";
}

}  // namespace zantrel

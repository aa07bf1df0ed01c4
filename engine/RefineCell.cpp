// Starting reciprocal cell from the regression, the weighted refinement, the direct cell.

#include <algorithm>
#include <cmath>

#include "cell/Cell.h"
#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "engine/LSQ.h"

namespace zantrel::inline ZANTREL_ENGINE {

namespace {

void SetDefaultLabels(RefinementJob& job) {
    static constexpr const char* direct[] = {"a", "b", "c", "alpha", "beta", "gamma"};
    static constexpr const char* reciprocal[] = {"a*", "b*", "c*", "alpha*", "beta*", "gamma*"};
    for (int i = 1; i <= 6; ++i) {
        job.DirectLabels[std::size_t(i)] = direct[i - 1];
        job.ReciprocalLabels[std::size_t(i)] = reciprocal[i - 1];
    }
}

void SetLabel(RefinementJob& job, int slot, const char* direct, const char* reciprocal) {
    job.DirectLabels[std::size_t(slot)] = direct;
    job.ReciprocalLabels[std::size_t(slot)] = reciprocal;
}

// Starting values of the system's angles and copies; the system line of the report.
void StartSystem(RefinementJob& job) {
    ParamVector& rc = job.ReciprocalCell;
    const ParamVector& coef = job.Coefficients;
    if (job.IsCubic) {
        rc[2] = rc[1];
        rc[3] = rc[1];
        job.RefinedSystemText = "refined in cubic system";
    } else if (job.IsTetragonal) {
        SetLabel(job, 2, "c", "c*");
        rc[3] = rc[1];
        job.RefinedSystemText = "refined in tetragonal system";
    } else if (job.IsOrthorhombic) {
        job.RefinedSystemText = "refined in orthorhombic system";
    } else if (job.IsHexagonal) {
        SetLabel(job, 2, "c", "c*");
        rc[3] = rc[1];
        job.RefinedSystemText = "refined in hexagonal system";
    } else if (job.IsMonoclinic) {
        job.CosBetaStar = double(coef[4] / ((2 * Extended(rc[1])) * rc[3]));
        SetLabel(job, 4, "beta", "beta*");
        rc[4] = ArcCos(job.CosBetaStar);
        job.RefinedSystemText = "refined in monoclinic system";
    } else if (job.IsTriclinic) {
        job.CosAlphaStar = double(coef[4] / ((2 * Extended(rc[2])) * rc[3]));
        job.CosBetaStar = double(coef[5] / ((2 * Extended(rc[1])) * rc[3]));
        job.CosGammaStar = double(coef[6] / ((2 * Extended(rc[1])) * rc[2]));
        rc[4] = ArcCos(job.CosAlphaStar);
        rc[5] = ArcCos(job.CosBetaStar);
        rc[6] = ArcCos(job.CosGammaStar);
        job.RefinedSystemText = "refined in triclinic system";
    }
}

// Each observation's standard error in the minimised quantity, from sigma(2-theta);
// returns the observations to fit.
const RealTable& SetObservationSigmas(RefinementJob& job) {
    const Extended sigma2Theta = Sigma2Theta;
    const Extended lambda = job.Wavelength;
    for (int i = 1; i <= job.ObsCount; ++i) {
        Extended sigma;
        if (job.MinimiseOn2Theta)
            sigma = sigma2Theta;
        else if (job.MinimiseOnEnergy)
            sigma = (EnergyDSinTheta * sigma2Theta) /
                    ((SigmaFactor * lambda) * std::sin(Extended(Pi) * job.Beam2Theta / 360));
        else if (job.MinimiseOnD)
            sigma = (SigmaFactor * lambda * sigma2Theta) /
                    (Extended(job.TwoThetaObs[i]) * job.TwoThetaObs[i]);
        else
            sigma = (2 * Extended(job.TwoThetaObs[i]) * sigma2Theta) /
                    ((SigmaFactor * lambda) * (SigmaFactor * lambda));
        job.Weights[i] = double(sigma);
    }
    if (job.MinimiseOn2Theta) return job.TwoThetaObs;
    if (job.MinimiseOnEnergy) return job.EnergyObs;
    if (job.MinimiseOnD) return job.DObs;
    return job.QObs;
}

}  // namespace

void RefineCell(RefinementJob& job) {
    SetDefaultLabels(job);
    ClearFloatFaults();
    // Only the coefficients of this run's regression: the zero-shift slot was not fitted.
    int cellParams = job.ParamCount - (job.RefineZeroShift ? 1 : 0);
    if constexpr (FastEngine)
        for (int i = 1; i <= std::min(cellParams, 3); ++i)
            CheckMargin(job.Coefficients[i], 0, 1e4 * std::fabs(job.Coefficients[i]),
                        "a squared reciprocal length near zero");
    for (int i = 1; i <= std::min(cellParams, 3); ++i)
        job.ReciprocalCell[i] = double(std::sqrt(Extended(job.Coefficients[i])));
    CheckFloatFaults("the linear regression gave a negative squared reciprocal length; "
                     "check the indexing and the crystal system");
    job.CosAlphaStar = job.CosBetaStar = job.CosGammaStar = 0;
    StartSystem(job);
    CheckFloatFaults("the linear regression gave a reciprocal angle whose cosine is not "
                     "between -1 and 1; check the indexing and the crystal system");
    for (int i = 1; i <= job.ObsCount; ++i) {
        job.DesignMatrix(i, 1) = job.MillerH[i];
        job.DesignMatrix(i, 2) = job.MillerK[i];
        job.DesignMatrix(i, 3) = job.MillerL[i];
    }
    if (job.RefineZeroShift) job.ReciprocalCell[job.ParamCount] = 0.01;
    for (int i = 1; i <= job.ParamCount; ++i)
        job.ParamSteps[i] = double(Extended(job.ReciprocalCell[i]) / 1000);
    const RealTable& y = SetObservationSigmas(job);
    CheckFloatFaults("while weighting the observations");
    PassSummary& pass = job.Passes.emplace_back(RefineMarquardt(job, job.ReciprocalCell, job.ParamSteps, job.DesignMatrix, y, job.CalcValues,
                    job.Weights, job.Covariance, job.ObsCount, job.ParamCount));
    pass.zeroShiftRefined = job.RefineZeroShift;
    for (int r = 1; r <= job.ParamCount; ++r)
        for (int c = 1; c <= job.ParamCount; ++c) job.CovarianceCopy(r, c) = job.Covariance(r, c);
    if (job.RefineZeroShift) job.ZeroShift = job.ReciprocalCell[job.ParamCount];
    ConvertCell(job, job.ReciprocalCell, job.DirectCell, job.CellVolume);
    CheckFloatFaults("while converting the refined reciprocal cell to the direct cell");
}

}  // namespace zantrel::ZANTREL_ENGINE

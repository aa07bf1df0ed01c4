// Starting reciprocal cell from the regression, the weighted refinement, the direct cell.

#include <algorithm>
#include <cmath>

#include "cell/Messages.h"
#include "cell/CrystalSystems.h"
#include "engine/Steps.h"
#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "engine/LSQ.h"
#include "engine/Relations.h"

namespace zantrel::engine {

namespace {

// The labels of the refined slots, as the system names them.
template <typename Real>
void SetLabels(RefinementJob<Real>& job) {
    const SystemLayout& layout = LayoutOf(CrystalSystem(job.CrystalSystem));
    for (int i = 1; i <= layout.parameterCount; ++i) {
        job.DirectLabels[std::size_t(i)] = layout.directLabels[std::size_t(i - 1)];
        job.ReciprocalLabels[std::size_t(i)] = layout.reciprocalLabels[std::size_t(i - 1)];
    }
}

// Starting values of the system's angles and copies.
template <typename Real>
void StartSystem(RefinementJob<Real>& job) {
    ParamVector& rc = job.ReciprocalCell;
    const ParamVector& coef = job.Coefficients;
    if (job.IsCubic) {
        rc[2] = rc[1];
        rc[3] = rc[1];
    } else if (job.IsTetragonal) {
        rc[3] = rc[1];
    } else if (job.IsHexagonal) {
        rc[3] = rc[1];
    } else if (job.IsMonoclinic) {
        job.CosBetaStar = double(coef[4] / ((2 * Real(rc[1])) * rc[3]));
        rc[4] = ArcCos<Real>(job.CosBetaStar, job.margins);
    } else if (job.IsTriclinic) {
        job.CosAlphaStar = double(coef[4] / ((2 * Real(rc[2])) * rc[3]));
        job.CosBetaStar = double(coef[5] / ((2 * Real(rc[1])) * rc[3]));
        job.CosGammaStar = double(coef[6] / ((2 * Real(rc[1])) * rc[2]));
        rc[4] = ArcCos<Real>(job.CosAlphaStar, job.margins);
        rc[5] = ArcCos<Real>(job.CosBetaStar, job.margins);
        rc[6] = ArcCos<Real>(job.CosGammaStar, job.margins);
    }
}

}  // namespace

template <typename Real>
void RefineCell(RefinementJob<Real>& job) {
    SetLabels(job);
    ClearFloatFaults();
    // Only the coefficients of this run's regression: the zero-shift slot was not fitted.
    int cellParams = job.ParamCount - (job.RefineZeroShift ? 1 : 0);
    for (int i = 1; i <= std::min(cellParams, 3); ++i)
        CheckMargin(job.margins, job.Coefficients[i], 0, 1e4 * std::fabs(job.Coefficients[i]),
                    "a squared reciprocal length near zero");
    for (int i = 1; i <= std::min(cellParams, 3); ++i)
        job.ReciprocalCell[i] = double(std::sqrt(Real(job.Coefficients[i])));
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
        job.ParamSteps[i] = double(Real(job.ReciprocalCell[i]) / 1000);
    const RealTable& y = SetObservationSigmas(job);
    CheckFloatFaults("while weighting the observations");
    PassSummary& pass = job.Passes.emplace_back(RefineMarquardt(job, job.ReciprocalCell, job.ParamSteps, job.DesignMatrix,
                                                                y, job.CalcValues, job.Weights, job.Covariance,
                                                                job.ObsCount, job.ParamCount));
    pass.zeroShiftRefined = job.RefineZeroShift;
    for (int r = 1; r <= job.ParamCount; ++r)
        for (int c = 1; c <= job.ParamCount; ++c) job.CovarianceCopy(r, c) = job.Covariance(r, c);
    if (job.RefineZeroShift) job.ZeroShift = job.ReciprocalCell[job.ParamCount];
    ConvertCell(job, job.ReciprocalCell, job.DirectCell, job.CellVolume);
    CheckFloatFaults("while converting the refined reciprocal cell to the direct cell");
}

template void RefineCell(RefinementJob<double>&);
template void RefineCell(RefinementJob<long double>&);

}  // namespace zantrel::engine

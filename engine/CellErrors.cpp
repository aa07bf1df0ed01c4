// Standard errors of the direct cell: numerical Jacobian of the conversion, then J C J^T.

#include <cmath>

#include "cell/Messages.h"
#include "engine/Steps.h"
#include "engine/FloatFaults.h"
#include "engine/Margins.h"

namespace zantrel::engine {

namespace {

// A variance that rounding has pushed below zero has no square root; its sigma
// is reported as 0 rather than ending the run with a report half written.
template <typename Real>
double SigmaOf(double variance) { return variance > 0 ? double(std::sqrt(Real(variance))) : 0.0; }

template <typename Real>
void VolumeDerivatives(RefinementJob<Real>& job, ParamVector& dv) {
    const ParamVector& cell = job.DirectCell;
    const Real a = cell[1], b = cell[2], c = cell[3];
    dv[1] = double(b * c);
    dv[2] = double(a * c);
    dv[3] = double(a * b);
    if (job.IsTriclinic) {
        job.SinAlpha = double(std::sin(Real(cell[4])));
        job.SinBeta = double(std::sin(Real(cell[5])));
        job.SinGamma = double(std::sin(Real(cell[6])));
        job.CosAlpha = double(std::cos(Real(cell[4])));
        job.CosBeta = double(std::cos(Real(cell[5])));
        job.CosGamma = double(std::cos(Real(cell[6])));
        const Real ca = job.CosAlpha, cb = job.CosBeta, cg = job.CosGamma;
        double r = double(std::sqrt(((1 - ca * ca) - cb * cb) - cg * cg + 2 * ca * cb * cg));
        double abc = double(a * b * c);
        dv[1] = double(b * c * r);
        dv[2] = double(a * c * r);
        dv[3] = double(a * b * r);
        dv[4] = double(abc * job.SinAlpha * (ca - cb * cg) / r);
        dv[5] = double(abc * job.SinBeta * (cb - ca * cg) / r);
        dv[6] = double(abc * job.SinGamma * (cg - ca * cb) / r);
    }
    if (job.IsMonoclinic) {
        job.SinBeta = double(std::sin(Real(cell[4])));
        job.CosBeta = double(std::cos(Real(cell[4])));
        dv[1] = double(b * c * job.SinBeta);
        dv[2] = double(a * c * job.SinBeta);
        dv[3] = double(a * b * job.SinBeta);
        dv[4] = double(a * b * c * job.CosBeta);
    }
    // Tetragonal and hexagonal cells keep c in slot 2.
    const Real c2 = cell[2];
    if (job.IsTetragonal) {
        dv[1] = double(2 * a * c2);
        dv[2] = double(a * a);
    }
    if (job.IsHexagonal) {
        dv[1] = double(std::sqrt(Real(0.75)) * (2 * a * c2));
        dv[2] = double((a * a) * std::sqrt(Real(0.75)));
    }
    if (job.IsCubic) dv[1] = double((a * a) * 3);
}

}  // namespace

template <typename Real>
void CellJacobian(const RefinementJob<Real>& job, ParamVector x, const ParamVector& f0, int n, int m,
                  ParamMatrix& jac) {
    for (int k = 1; k <= n; ++k) {
        double h = std::fabs(x[k]) > 0.00001 ? double(0.001 * Real(x[k])) : 0.00001;
        x[k] = double(Real(x[k]) + h);
        ParamVector f;
        double unusedVolume = 0;
        ConvertCell(job, x, f, unusedVolume);
        x[k] = double(Real(x[k]) - h);
        for (int i = 1; i <= m; ++i) {
            double d = double(Real(f[i]) - f0[i]);
            double scale = std::fabs(f0[i]) > 1e-10 ? std::fabs(f0[i]) : 1e-10;
            CheckMargin(job.margins, std::fabs(d), 1e-8 * scale, std::fabs(f0[i]) + std::fabs(f[i]),
                        "a cell derivative near the threshold that zeroes it");
            jac(i, k) = std::fabs(d) < 1e-8 * Real(scale) ? 0.0 : double(d / Real(h));
        }
    }
}

template <typename Real>
void TransformCovariance(ParamMatrix c, ParamMatrix jac, ParamMatrix& out, int n, int r) {
    for (int i = 1; i <= r; ++i)
        for (int j = 1; j <= r; ++j) {
            double s = 0;
            for (int k = 1; k <= n; ++k)
                for (int l = 1; l <= n; ++l)
                    s = double(s + (Real(jac(i, k)) * c(k, l)) * jac(j, l));
            out(i, j) = s;
            out(j, i) = s;
        }
}

template <typename Real>
void PropagateCellErrors(RefinementJob<Real>& job) {
    ClearFloatFaults();
    ParamMatrix jac, volumeResult;
    ParamVector dv;
    job.DirectCovariance.Fill(0.0);
    const int p = job.ParamCount;
    if (job.RefineZeroShift) job.ZeroShiftSigma = SigmaOf<Real>(job.Covariance(p, p));
    CellJacobian(job, job.ReciprocalCell, job.DirectCell, p, p, jac);
    TransformCovariance<Real>(job.Covariance, jac, job.DirectCovariance, p, p);
    for (int i = 1; i <= 6; ++i) job.DirectSigmas[i] = SigmaOf<Real>(job.DirectCovariance(i, i));
    VolumeDerivatives(job, dv);
    ParamMatrix row;
    for (int k = 1; k <= MaxParams; ++k) row(1, k) = dv[k];
    TransformCovariance<Real>(job.DirectCovariance, row, volumeResult, p, 1);
    job.VolumeSigma = SigmaOf<Real>(volumeResult(1, 1));
    CheckFloatFaults("while propagating the errors to the direct cell");
}

template void CellJacobian(const RefinementJob<double>&, ParamVector, const ParamVector&, int, int, ParamMatrix&);
template void CellJacobian(const RefinementJob<long double>&, ParamVector, const ParamVector&, int, int, ParamMatrix&);
template void TransformCovariance<double>(ParamMatrix, ParamMatrix, ParamMatrix&, int, int);
template void TransformCovariance<long double>(ParamMatrix, ParamMatrix, ParamMatrix&, int, int);
template void PropagateCellErrors(RefinementJob<double>&);
template void PropagateCellErrors(RefinementJob<long double>&);

}  // namespace zantrel::engine

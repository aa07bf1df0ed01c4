// The standard error of each observation in the minimised quantity, which weights it.

#include <cmath>

#include "cell/Messages.h"
#include "engine/Relations.h"
#include "engine/Steps.h"
#include "export/WeightingText.h"

namespace zantrel::engine {

void CheckWeighting(const Weighting& w) {
    if (std::string problem = WeightingProblem(w); !problem.empty()) Fail("Invalid weighting", problem);
}

namespace {

// The program's weights from an assumed error of 2-theta (0.005 degrees unless told
// otherwise), carried into d, Q and energy with the factor 56 as the reports have
// always done; the formulas and their order of operations are those of every report.
template <typename Real>
Real FromSigma2Theta(const RefinementJob<Real>& job, int i, double assumed) {
    const Real sigma2Theta = assumed;
    const Real lambda = job.Wavelength;
    if (job.MinimiseOn2Theta) return sigma2Theta;
    if (job.MinimiseOnEnergy)
        return (EnergyDSinTheta * sigma2Theta) / ((SigmaFactor * lambda) * BraggSine<Real>(job.Beam2Theta));
    if (job.MinimiseOnD)
        return (SigmaFactor * lambda * sigma2Theta) / (Real(job.TwoThetaObs[i]) * job.TwoThetaObs[i]);
    return (2 * Real(job.TwoThetaObs[i]) * sigma2Theta) / ((SigmaFactor * lambda) * (SigmaFactor * lambda));
}

// tan(theta) of an observation's 2-theta in degrees: d(2theta) = 2 tan(theta) dd/d in radians.
template <typename Real>
Real TanTheta(double twoTheta) {
    return std::tan(Real(Pi) * twoTheta / 360);
}

// sigma(d)/d of observation i: the relative error of d and of energy alike, since
// E d is constant; from the line's own sigma with SigmaColumn.
template <typename Real>
Real RelativeError(const RefinementJob<Real>& job, int i) {
    const Weighting& w = job.settings.weighting;
    if (w.mode != WeightMode::SigmaColumn) return w.value;
    const Real s = job.SigmaRead[i];
    if (job.DataIs2Theta)  // from Bragg's law: dd/d = -cot(theta) dtheta
        return s * (Real(Pi) / 360) / TanTheta<Real>(job.TwoThetaObs[i]);
    return s / Real(job.DataIsEnergy ? job.EnergyObs[i] : job.DObs[i]);
}

// A relative error of d carried into the minimised quantity: Q = 1/d^2 gives
// sigma(Q) = 2 Q sigma(d)/d, E = hc / (2 d sin theta) gives sigma(E) = E sigma(d)/d.
template <typename Real>
Real FromRelative(const RefinementJob<Real>& job, int i, Real r) {
    if (job.MinimiseOn2Theta) return r * 2 * TanTheta<Real>(job.TwoThetaObs[i]) * 180 / Real(Pi);
    if (job.MinimiseOnEnergy) return r * job.EnergyObs[i];
    if (job.MinimiseOnD) return r * job.DObs[i];
    return 2 * r * job.QObs[i];
}

template <typename Real>
bool MinimisesData(const RefinementJob<Real>& job) {
    return job.DataIs2Theta ? job.MinimiseOn2Theta : job.DataIsEnergy ? job.MinimiseOnEnergy : job.MinimiseOnD;
}

}  // namespace

template <typename Real>
const RealTable& SetObservationSigmas(RefinementJob<Real>& job) {
    const Weighting& w = job.settings.weighting;
    for (int i = 1; i <= job.ObsCount; ++i) {
        Real sigma;
        if (w.mode == WeightMode::TwoThetaError) sigma = FromSigma2Theta(job, i, w.value);
        // A sigma given in the quantity fitted is used as it stands.
        else if (w.mode == WeightMode::SigmaColumn && MinimisesData(job)) sigma = job.SigmaRead[i];
        else sigma = FromRelative(job, i, RelativeError(job, i));
        job.Weights[i] = double(sigma);
    }
    if (job.MinimiseOn2Theta) return job.TwoThetaObs;
    if (job.MinimiseOnEnergy) return job.EnergyObs;
    if (job.MinimiseOnD) return job.DObs;
    return job.QObs;
}

template const RealTable& SetObservationSigmas(RefinementJob<double>&);
template const RealTable& SetObservationSigmas(RefinementJob<long double>&);

}  // namespace zantrel::engine

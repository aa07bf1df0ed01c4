// Weighted Levenberg-Marquardt refinement of the cell parameters.

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "cell/Messages.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

namespace {

// Generous bounds: a refinement that converges needs a few dozen steps (at most 31
// for the examples, about 110 for them read with the wrong data kind), and a step a
// few dozen retries before lambda makes it vanishingly small. Inconsistent indexing
// can keep the sum of squares wandering for ever; every step costs (2p + 1) n model
// evaluations, so the bound also keeps such a run to a fraction of a second.
constexpr int MaxSteps = 500;
constexpr int MaxRetries = 1000;

const char* const RefineStage = "while refining the cell parameters";

template <typename Real>
struct Marquardt {
    RefinementJob<Real>& job;
    ParamVector& p;
    const ParamVector& h;
    const RowTable& hkl;
    const RealTable& y;
    RealTable& calc;
    ParamMatrix& cov;
    int n, np;
    RealTable w;
    int nu = 0;
    double tau = 0;
    double lambda = 0.001;
    double chiScale = 0;  // the fast path's error scale of ResidualSquares
    ParamMatrix alpha, a;
    ParamVector beta, delta, trial;
    PermVector perm{};
    LuSolver<Real> lu;
    RowTable derivatives;  // of each reflection's position by each parameter

    void BuildNormalEquations() {
        for (int j = 1; j <= np; ++j) {
            beta[j] = 0;
            for (int k = 1; k <= j; ++k) alpha(j, k) = 0;
        }
        NumericDerivatives(job, PrepareDerivativeModels(job, p, h, np), h, hkl, n, np, derivatives);
        CalcValuesAt(job, PrepareModel(job, p), hkl, n, calc);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= np; ++j) {
                const double dj = derivatives(i, j);
                beta[j] = double(beta[j] + (Real(y[i]) - calc[i]) * w[i] * dj);
                for (int k = 1; k <= j; ++k)
                    alpha(j, k) = double(alpha(j, k) + Real(w[i]) * dj * derivatives(i, k));
            }
        }
        for (int j = 2; j <= np; ++j)
            for (int k = 1; k < j; ++k) alpha(k, j) = alpha(j, k);
        CheckFloatFaults(RefineStage);
    }

    // One damped Gauss-Newton step, retried with ten times the damping until the sum
    // of squares does not rise by more than tau. The final step is undamped and leaves
    // the covariance, the inverse of the curvature matrix at the solution.
    void Step(bool final = false) {
        BuildNormalEquations();
        for (int retry = 0;; ++retry) {
            // Gives up when retries = MaxRetries = 1000, none of them accepted.
            if (retry == MaxRetries)
                Fail("The refinement did not converge",
                     "no step lowered the sum of squares after " + std::to_string(MaxRetries) +
                         " tries");
            for (int r = 1; r <= np; ++r)
                for (int c = 1; c <= np; ++c) a(r, c) = alpha(r, c);
            for (int j = 1; j <= np; ++j) a(j, j) = double((1 + Real(lambda)) * a(j, j));
            lu.LuDecompose(a, np, perm);
            lu.LuSolve(a, beta, delta, np, perm);
            double previous = job.ResidualSquares;
            for (int j = 1; j <= np; ++j) trial[j] = double(Real(p[j]) + delta[j]);
            double trialScale = 0;
            job.ResidualSquares = EvaluateChiSquare(job, nu, n, w, y, trial, hkl, &trialScale);
            CheckFloatFaults(RefineStage);
            // Accepted when chi2(trial) < chi2(p) + tau.
            CheckMargin(job.margins, previous + tau, job.ResidualSquares, previous + tau + chiScale + trialScale,
                        "a Marquardt step near its acceptance threshold");
            if (Real(previous) + tau > job.ResidualSquares) {
                chiScale = trialScale;
                lambda = double(0.1 * Real(lambda));
                for (int j = 1; j <= np; ++j) p[j] = trial[j];
                break;
            }
            lambda = double(10 * Real(lambda));
        }
        if (final) lu.InvertMatrix(a, cov, perm, np);
        CheckFloatFaults(RefineStage);
    }
};

}  // namespace

template <typename Real>
DerivativeModels<Real> PrepareDerivativeModels(const RefinementJob<Real>& job, const ParamVector& p,
                                         const ParamVector& h, int np) {
    DerivativeModels<Real> models;
    for (int j = 1; j <= np; ++j) {
        ParamVector shifted = p;
        shifted[j] = double(Real(p[j]) + h[j]);
        models.plus[std::size_t(j)] = PrepareModel(job, shifted);
        shifted[j] = double(Real(p[j]) - h[j]);
        models.minus[std::size_t(j)] = PrepareModel(job, shifted);
    }
    return models;
}

template <typename Real>
void NumericDerivativesAt(const RefinementJob<Real>& job, const DerivativeModels<Real>& models,
                          const ParamVector& h, const RowTable& hkl, int i, int np,
                          ParamVector& out) {
    for (int j = 1; j <= np; ++j) {
        double plus = CalcValueAt(job, models.plus[std::size_t(j)], i, hkl);
        double minus = CalcValueAt(job, models.minus[std::size_t(j)], i, hkl);
        out[j] = double((Real(plus) - minus) / (2 * Real(h[j])));
    }
}

template <typename Real>
void NumericDerivatives(const RefinementJob<Real>& job, const DerivativeModels<Real>& models, const ParamVector& h,
                        const RowTable& hkl, int n, int np, RowTable& out) {
    RealTable plus(n), minus(n);
    for (int j = 1; j <= np; ++j) {
        CalcValuesAt(job, models.plus[std::size_t(j)], hkl, n, plus);
        CalcValuesAt(job, models.minus[std::size_t(j)], hkl, n, minus);
        for (int i = 1; i <= n; ++i) out(i, j) = double((Real(plus[i]) - minus[i]) / (2 * Real(h[j])));
    }
}

template <typename Real>
double EvaluateChiSquare(const RefinementJob<Real>& job, int nu, int n, const RealTable& w,
                         const RealTable& y, ParamVector p, const RowTable& hkl, double* scale) {
    double sum = 0, bound = 0;
    RealTable values(n);
    CalcValuesAt(job, PrepareModel(job, p), hkl, n, values);
    for (int i = 1; i <= n; ++i) {
        Real r = Real(y[i]) - values[i];
        sum = double(sum + w[i] * r * r);
        // The residual's error follows the observation's size, not its own.
        if (job.margins != nullptr) bound += double(2 * w[i] * std::fabs(r) * std::fabs(y[i]));
    }
    if (scale != nullptr) *scale = bound / nu;
    return double(sum / Real(nu));
}

template <typename Real>
PassSummary RefineMarquardt(RefinementJob<Real>& job, ParamVector& p, const ParamVector& h,
                            const RowTable& hkl, const RealTable& y, RealTable& calc,
                            const RealTable& sigma, ParamMatrix& cov, int n, int np) {
    ClearFloatFaults();
    Marquardt<Real> m{job, p, h, hkl, y, calc, cov, n, np, RealTable(n), 0, 0, 0.001, 0, {}, {}, {}, {}, {}, {}, LuSolver<Real>{job.margins, false}, RowTable(n)};
    for (int i = 1; i <= n; ++i) m.w[i] = double(1 / (Real(sigma[i]) * sigma[i]));
    m.nu = n - np;
    m.tau = double(Real(0.1) / m.nu);
    job.ResidualSquares = EvaluateChiSquare(job, m.nu, n, m.w, y, p, hkl, &m.chiScale);
    CheckFloatFaults(RefineStage);
    PassSummary summary;
    summary.tolerance = m.tau;
    for (int steps = 1;; ++steps) {
        // Gives up when steps > MaxSteps = 500: inconsistent data can keep chi2 wandering for ever.
        if (steps > MaxSteps)
            Fail("The refinement did not converge",
                 "the sum of squares was still changing after " + std::to_string(MaxSteps) +
                     " steps");
        // lambda >= 1e-9 at the start of each step: the damping never vanishes before the final step.
        if (m.lambda < 1e-9) m.lambda = 1e-9;
        double before = job.ResidualSquares;
        m.Step();
        // Converged when |chi2(before) - chi2(after)| < tau = 0.1 / (n - p).
        const Real change = std::fabs(Real(before) - job.ResidualSquares);
        CheckMargin(job.margins, double(change), m.tau, before + m.tau + 2 * m.chiScale, "a Marquardt step near the convergence test");
        if (change < m.tau) {
            summary.steps = steps;
            summary.lastChange = double(change);
            break;
        }
    }
    m.lambda = 0;
    m.Step(/*final=*/true);
    summary.chiSquare = job.ResidualSquares;
    return summary;
}

template DerivativeModels<double> PrepareDerivativeModels(const RefinementJob<double>&, const ParamVector&, const ParamVector&, int);
template DerivativeModels<long double> PrepareDerivativeModels(const RefinementJob<long double>&, const ParamVector&, const ParamVector&, int);
template void NumericDerivativesAt(const RefinementJob<double>&, const DerivativeModels<double>&, const ParamVector&, const RowTable&, int, int, ParamVector&);
template void NumericDerivativesAt(const RefinementJob<long double>&, const DerivativeModels<long double>&, const ParamVector&, const RowTable&, int, int, ParamVector&);
template void NumericDerivatives(const RefinementJob<double>&, const DerivativeModels<double>&, const ParamVector&, const RowTable&, int, int, RowTable&);
template void NumericDerivatives(const RefinementJob<long double>&, const DerivativeModels<long double>&, const ParamVector&, const RowTable&, int, int, RowTable&);
template double EvaluateChiSquare(const RefinementJob<double>&, int, int, const RealTable&, const RealTable&, ParamVector, const RowTable&, double*);
template double EvaluateChiSquare(const RefinementJob<long double>&, int, int, const RealTable&, const RealTable&, ParamVector, const RowTable&, double*);
template PassSummary RefineMarquardt(RefinementJob<double>&, ParamVector&, const ParamVector&, const RowTable&, const RealTable&, RealTable&, const RealTable&, ParamMatrix&, int, int);
template PassSummary RefineMarquardt(RefinementJob<long double>&, ParamVector&, const ParamVector&, const RowTable&, const RealTable&, RealTable&, const RealTable&, ParamMatrix&, int, int);

}  // namespace zantrel::engine

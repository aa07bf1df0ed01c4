// Regression diagnostics: leverage, DFFITS, studentised residuals and DfBetas of the
// final refinement, for the deletion of each observation in turn. The formulas are the
// first-order deletion statistics of Belsley, Kuh & Welsch, "Regression Diagnostics"
// (Wiley, 1980), pp. 13-19 (hat, DFBETA, DFFITS, RSTUDENT, s(i)); the cut-offs 2p/n,
// 2 sqrt(p/n) and 2 are their size-adjusted limits, pp. 27-30. The DfBetas limit of
// 32.5 % of a parameter's sigma is this program's own fixed rule, not their 2 / sqrt(n).

#include <cmath>
#include <vector>

#include "cell/Messages.h"
#include "engine/Relations.h"
#include "engine/Steps.h"
#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

namespace {

// Used in place of a leverage of 1 or more, where deletion would leave a parameter free.
constexpr double LeverageCap = 0.9999;

template <typename Real>
class DeletionStatistics {
public:
    explicit DeletionStatistics(const RefinementJob<Real>& job)
        : job_(job),
          n_(job.ObsCount),
          p_(job.ParamCount),
          derivatives_(n_) {
        NumericDerivatives(job, PrepareDerivativeModels(job, job.ReciprocalCell, job.ParamSteps, p_), job.ParamSteps,
                           job.DesignMatrix, n_, p_, derivatives_);
    }

    Diagnostics Compute() {
        Diagnostics d;
        d.listedFully = job_.FullDiagnostics;
        d.leverageLimit = LeverageLimit();
        d.dfFitsLimit = double(2 * std::sqrt(Real(p_) / n_));
        // The fast build tests the fault flags once, after every deletion: where none was
        // raised, every shifted cell has its direct form, as the reference finds row by
        // row; where one was, the reference decides.
        if (job_.margins != nullptr) ClearFloatFaults();
        for (int i = 1; i <= n_; ++i) d.rows.push_back(Row(i, d));
        CheckSound(job_.margins, !FloatFaultRaised(), "a deletion that raised a floating-point fault");
        return d;
    }

private:
    // A quotient that may not exist: a zero divisor with a non-zero numerator, or one with
    // no finite value (a fit so degenerate that a leverage comes out negative has no square
    // root of it).
    std::optional<double> Quotient(Real numerator, Real denominator) const {
        CheckSound(job_.margins, denominator != 0, "a deletion statistic without a value");
        if (denominator != 0) {
            double q = double(numerator / denominator);
            if (!std::isfinite(q)) return std::nullopt;
            return q;
        }
        if (numerator == 0) return 0.0;  // nothing to explain: no influence
        return std::nullopt;
    }

    double LeverageLimit() const {
        double limit = double(2 * Real(p_) / n_);
        return limit > 1 ? 1.0 : limit;
    }

    DiagnosticRow Row(int i, const Diagnostics& d) const {
        DiagnosticRow row;
        const ParamMatrix& c = job_.CovarianceCopy;
        ParamVector x;
        for (int j = 1; j <= p_; ++j) x[j] = derivatives_(i, j);
        const Real sigma = job_.Weights[i];
        const Real r = job_.Residuals[i] / sigma;
        // h_i = x_i' (X'WX)^-1 x_i w_i
        for (int j = 1; j <= p_; ++j)
            for (int k = 1; k <= p_; ++k)
                row.leverage = double(row.leverage + Real(x[j]) * c(j, k) * x[k] / (sigma * sigma));
        // The leverage carries the conditioning of the covariance, a factor of up to 1e3.
        CheckMargin(job_.margins, row.leverage, 1.0, 1e3, "a leverage near 1");
        CheckMargin(job_.margins, row.leverage, d.leverageLimit, 1e3, "a leverage near its limit");
        // A leverage of exactly 1 would divide by zero: the cap gives a large, finite change.
        const Real keep = 1 - (row.leverage == 1 ? LeverageCap : Real(row.leverage));
        // DFBETA_i = (X'WX)^-1 x_i w_i r_i / (1 - h_i), applied to the reciprocal cell.
        ParamVector shifted = job_.ReciprocalCell;
        for (int u = 1; u <= p_; ++u) {
            double sum = 0;
            for (int k = 1; k <= p_; ++k) sum = double(sum + Real(c(u, k)) * x[k]);
            shifted[u] = double(Real(shifted[u]) + sum / sigma * r / keep);
        }
        if (job_.margins == nullptr) ClearFloatFaults();
        ParamVector direct;
        double volume = 0;
        ConvertCell(job_, shifted, direct, volume);
        ParamVector change;
        for (int u = 1; u <= p_; ++u) {
            Real delta = Real(job_.DirectCell[u]) - direct[u];
            if (u > 3) delta = Degrees<Real>(delta);
            change[u] = double(delta);
        }
        const double volumeChange = double(Real(job_.CellVolume) - volume);
        // A deletion so influential that the shifted cell has no direct form.
        bool changeDefined = true;
        if (job_.margins == nullptr) changeDefined = !FloatFaultRaised();
        CheckSound(job_.margins, changeDefined, "a deletion whose cell has no direct form");

        const Real h = row.leverage >= 1 ? LeverageCap : Real(row.leverage);
        const Real s = job_.FitSigma;
        const int nu = n_ - p_;
        // s(i)^2 = ((n - p) s^2 - r_i^2 / (1 - h_i)) / (n - p - 1)
        Real variance = (s * s * nu - r * r / (1 - h)) / (nu - 1);
        // Deleting an observation that carries nearly all the misfit leaves a difference
        // of two nearly equal sums: its rounding would show in every statistic below.
        CheckSound(job_.margins, std::fabs(s * s * nu - r * r / (1 - h)) > 0.25 * (s * s * nu + r * r / (1 - h)),
                   "a deletion that leaves almost no misfit");
        // Rounding, or an observation that carries all the misfit, can leave nothing.
        const Real sDeleted = variance > 0 ? std::sqrt(variance) : 0;
        row.sigmaDeleted = double(sDeleted);
        row.sigmaChangePercent = Quotient(100 * (Real(row.sigmaDeleted) - s), s);
        row.dfFits = Quotient(h * r / (1 - h), std::sqrt(h) * sDeleted);
        row.rStudent = Quotient(r, std::sqrt(1 - h) * sDeleted);

        if (job_.margins != nullptr) {
            // DFFITS and Rstudent are proportional to the residual, whose rounding follows
            // the size of the observation.
            const double size = 1 + std::fabs(job_.CalcValues[i]) / std::fabs(job_.Residuals[i]);
            if (row.dfFits)
                CheckMargin(job_.margins, std::fabs(*row.dfFits), d.dfFitsLimit, std::fabs(*row.dfFits) * size, "a DFFITS near its limit");
            if (row.rStudent)
                CheckMargin(job_.margins, std::fabs(*row.rStudent), d.rStudentLimit, std::fabs(*row.rStudent) * size,
                            "an Rstudent near its limit");
        }
        row.flaggedFit = row.leverage > d.leverageLimit || !row.dfFits || std::fabs(*row.dfFits) > d.dfFitsLimit ||
                         !row.rStudent || std::fabs(*row.rStudent) > d.rStudentLimit;
        row.flaggedParameters = !changeDefined;
        for (int u = 1; u <= p_; ++u) {
            auto pct = changeDefined ? Quotient(100 * Real(change[u]), job_.DirectSigmas[u]) : std::nullopt;
            // The change is a difference of two cells: its rounding follows the cell's size.
            if (pct)
                CheckMargin(job_.margins, std::fabs(*pct), d.parameterChangeLimitPercent,
                            std::fabs(*pct) + 100 * std::fabs(job_.DirectCell[u]) / job_.DirectSigmas[u],
                            "a parameter change near the 32.5 % limit");
            row.parameterChangePercent.push_back(pct);
            if (pct && std::fabs(*pct) > d.parameterChangeLimitPercent) row.flaggedParameters = true;
        }
        row.volumeChangePercent =
            changeDefined ? Quotient(100 * Real(volumeChange), job_.VolumeSigma) : std::nullopt;
        return row;
    }

    const RefinementJob<Real>& job_;
    int n_, p_;
    RowTable derivatives_;  // of each reflection's position by each parameter, at the final cell
};

}  // namespace

template <typename Real>
Diagnostics ComputeDiagnostics(const RefinementJob<Real>& job) {
    return DeletionStatistics<Real>(job).Compute();
}

template Diagnostics ComputeDiagnostics(const RefinementJob<double>&);
template Diagnostics ComputeDiagnostics(const RefinementJob<long double>&);

}  // namespace zantrel::engine

// The results record of a finished run: the arithmetic that the report's tables print,
// done once, while the observation tables still exist.

#include <algorithm>
#include <cmath>

#include "cell/CrystalSystems.h"
#include "cell/Messages.h"
#include "engine/Relations.h"
#include "engine/Steps.h"
#include "engine/FloatFaults.h"
#include "engine/Margins.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

namespace {

// Square root of a variance; none exists for a zero or negative one.
template <typename Real>
double SigmaOrZero(double variance) {
    return variance > 0 ? double(std::sqrt(Real(variance))) : 0.0;
}

// Radians to degrees for the covariances of the command line's documents.
template <typename Real>
double AngleFactor(int slot) {
    return slot >= 4 ? double(Real(180) / Pi) : 1.0;
}

// The statistics of one set of residuals: sd, aad and maxdev over n reflections.
template <typename Real>
struct ResidualSums {
    double sumSquares = 0, sumAbs = 0, maxAbs = 0;
    int count = 0;
    // diff is squared as given; its absolute value is the stored double.
    void Add(Real diff, double absDiff) {
        sumSquares = double(sumSquares + diff * diff);
        if (absDiff > maxAbs) maxAbs = absDiff;
        sumAbs = double(sumAbs + Real(absDiff));
        ++count;
    }
    ResidualStatistics Statistics(Quantity quantity) const {
        ResidualStatistics s;
        s.quantity = quantity;
        s.count = count;
        s.sd = count > 0 ? double(std::sqrt(Real(sumSquares) / count)) : 0.0;
        s.aad = count > 0 ? double(Real(sumAbs) / count) : 0.0;
        s.maxdev = maxAbs;
        return s;
    }
};

std::vector<std::vector<double>> Square(int p) {
    return std::vector<std::vector<double>>(std::size_t(p), std::vector<double>(std::size_t(p), 0.0));
}

// The correlation of parameters i and j (1-based) from their covariance; none without
// two positive variances.
std::optional<long double> Correlation(const ParamMatrix& c, int i, int j) {
    const double ii = c(i, i), jj = c(j, j);
    if (!(ii > 0) || !(jj > 0)) return std::nullopt;
    return (long double)c(i, j) / (std::sqrt((long double)jj) * std::sqrt((long double)ii));
}

template <typename Real>
class Collector {
public:
    Collector(RefinementJob<Real>& job, Results& r) : job_(job), r_(r), p_(job.ParamCount) {}

    void Collect() {
        if (job_.margins != nullptr) CheckVariances();
        ClearFloatFaults();
        CellTable();
        Reciprocal();
        ZeroShift();
        FittedPositions();
        ObservedPositions();
        CheckFloatFaults("while writing the report: the residual statistics have no finite value");
        ClearFloatFaults();
        r_.diagnostics = ComputeDiagnostics(job_);
        ClearFloatFaults();  // every undefined statistic is kept as such
        r_.passes = job_.Passes;
    }

private:
    // A variance at rounding level could be positive on one path and not on the other;
    // every printed sigma and correlation rests on these.
    void CheckVariances() const {
        bool positive = job_.VolumeSigma > 0;
        for (int i = 1; i <= p_; ++i)
            positive = positive && job_.DirectCovariance(i, i) > 0 && job_.Covariance(i, i) > 0;
        CheckSound(job_.margins, positive, "a variance that is not positive");
    }

    void CellTable() {
        job_.FitSigma = SigmaOrZero<Real>(job_.ResidualSquares);
        // From here on the direct sigmas of the angles are in degrees.
        for (int i = 4; i <= 6; ++i) job_.DirectSigmas[i] = double(Degrees<Real>(job_.DirectSigmas[i]));
        const long double t = job_.StudentT;
        r_.studentT = job_.StudentT;
        r_.sigmaFit = job_.FitSigma;
        for (int i = 1; i <= p_; ++i) {
            const double value = i >= 4 ? double(Degrees<Real>(job_.DirectCell[i])) : job_.DirectCell[i];
            const double sigma = job_.DirectSigmas[i];
            // The 95 % half-widths are printed from the product in extended precision.
            r_.parameters.push_back({job_.DirectLabels[std::size_t(i)], {value, sigma, sigma * t}});
        }
        r_.volume = {job_.CellVolume, job_.VolumeSigma, job_.VolumeSigma * t};
        const auto& layout = LayoutOf(r_.systemRefined).conventional;
        for (std::size_t k = 0; k < 6; ++k) {
            const CellSlot& s = layout[k];
            if (s.slot == 0) {
                r_.cell[k] = {s.fixed, std::nullopt, std::nullopt};
                continue;
            }
            const Estimate& e = r_.parameters[std::size_t(s.slot - 1)].estimate;
            r_.cell[k] = {double(e.value), double(e.sigma), double(e.conf95)};
        }
        r_.covariance = Square(p_);
        r_.correlation.assign(std::size_t(p_), std::vector<std::optional<long double>>(std::size_t(p_)));
        for (int i = 1; i <= p_; ++i)
            for (int j = 1; j <= p_; ++j)
                r_.covariance[std::size_t(i - 1)][std::size_t(j - 1)] =
                    job_.DirectCovariance(i, j) * AngleFactor<Real>(i) * AngleFactor<Real>(j);
        // Printed from the covariance as refined (angles in radians), in extended precision.
        for (int i = 1; i <= p_; ++i)
            for (int j = 1; j <= p_; ++j)
                if (auto rho = Correlation(job_.DirectCovariance, i, j))
                    r_.correlation[std::size_t(i - 1)][std::size_t(j - 1)] = i == j ? 1.0L : *rho;
    }

    void Reciprocal() {
        r_.reciprocalCovariance = Square(p_);
        for (int j = 1; j <= p_; ++j) {
            const double s = SigmaOrZero<long double>(job_.Covariance(j, j));
            const double rc = job_.ReciprocalCell[j];
            RefinedParameter q{job_.ReciprocalLabels[std::size_t(j)], {}};
            // Angles as degrees of the radians as refined, in extended precision.
            q.estimate.value = j <= 3 ? rc : Degrees<long double>(rc);
            q.estimate.sigma = j <= 3 ? s : Degrees<long double>(s);
            r_.reciprocal.push_back(q);
            for (int k = 1; k <= p_; ++k)
                r_.reciprocalCovariance[std::size_t(j - 1)][std::size_t(k - 1)] =
                    job_.Covariance(j, k) * AngleFactor<Real>(j) * AngleFactor<Real>(k);
        }
    }

    void ZeroShift() {
        if (!job_.ZeroShiftRequested) return;
        ZeroShiftResult z;
        z.value = -job_.ZeroShift;
        z.sigma = std::fabs(job_.ZeroShiftSigma);
        z.conf95 = (long double)z.sigma * job_.StudentT;
        z.quantity = job_.MinimiseOn2Theta ? Quantity::TwoTheta : Quantity::Energy;
        z.significant = std::fabs(job_.ZeroShift) > std::fabs(job_.ZeroShiftSigma);
        z.refined = job_.DataIs2Theta || job_.DataIsEnergy;
        r_.zeroShift = z;
    }

    double ObservedMinimised(int i) const {
        if (job_.MinimiseOn2Theta) return job_.TwoThetaObs[i];
        if (job_.MinimiseOnD) return job_.DObs[i];
        if (job_.MinimiseOnEnergy) return job_.EnergyObs[i];
        return job_.QObs[i];
    }

    // Calculated positions and residuals in the minimised quantity, and their statistics.
    void FittedPositions() {
        ResidualSums<Real> sums;
        r_.reflections.resize(std::size_t(job_.ObsCount));
        for (int i = 1; i <= job_.ObsCount; ++i) {
            double d = 0;
            const double calc = CalcPosition(job_, i, job_.DesignMatrix, job_.ReciprocalCell, d);
            job_.CalcValues[i] = calc;
            job_.DCalc[i] = d;
            const Real diff = Real(ObservedMinimised(i)) - calc;
            largestObserved_ = std::max(largestObserved_, std::fabs(ObservedMinimised(i)));
            job_.Residuals[i] = double(diff);
            job_.AbsResidual = std::fabs(job_.Residuals[i]);
            sums.Add(diff, job_.AbsResidual);
        }
        job_.ResidualSquares = sums.sumSquares;
        r_.fit = sums.Statistics(r_.settings.minimised);
        // Statistics of residuals close to rounding level carry that rounding.
        CheckSound(job_.margins, r_.fit.sd > 1e-5 * largestObserved_, "a fit close to exact");
    }

    // The observed quantity calculated from DCalc; none where it does not exist.
    std::optional<double> CalculatedObservable(int i) const {
        if (job_.DataIsEnergy) {
            Real s = DetectorSine<Real>(job_.Beam2Theta);
            CheckSound(job_.margins, s != 0, "a beam angle of zero");
            if (!(s > 0) || !(job_.DCalc[i] > 0)) return std::nullopt;
            return double(EnergyDRelation(s, job_.DCalc[i]));
        }
        double ratio = double(job_.Wavelength / (2 * Real(job_.DCalc[i])));
        CheckMargin(job_.margins, std::fabs(ratio), 1.0, 1.0, "a reflection near the 2-theta limit");
        if (!(std::fabs(ratio) < 1)) return std::nullopt;
        return double(TwoThetaFromSine<Real>(ratio, job_.margins));
    }

    // The observed-versus-fitted rows, and the statistics in the observed quantity.
    void ObservedPositions() {
        ResidualSums<Real> sums;
        const bool dData = !job_.DataIsEnergy && !job_.DataIs2Theta;
        const double aad = r_.fit.aad;
        for (int i = 1; i <= job_.ObsCount; ++i) {
            ReflectionRow& row = r_.reflections[std::size_t(i - 1)];
            row.h = job_.MillerH[i];
            row.k = job_.MillerK[i];
            row.l = job_.MillerL[i];
            row.dObs = job_.DObs[i];
            row.dCalc = job_.DCalc[i];
            row.dResidual = (long double)row.dObs - row.dCalc;
            row.positionObs = job_.DataIsEnergy ? job_.EnergyObs[i] : job_.TwoThetaObs[i];
            row.row = job_.FileRow[i];
            row.valueAsRead = job_.ValueAsRead[i];
            row.positionFormed = job_.DataIsEnergy || UsesWavelength(r_.settings);
            if (row.positionFormed) row.positionCalc = CalculatedObservable(i);
            if (row.positionCalc) row.positionResidual = (long double)row.positionObs - *row.positionCalc;
            row.residual = job_.Residuals[i];
            row.sigma = job_.Weights[i];
            const double ratio = aad > 0 ? std::fabs(row.residual) / aad : 0.0;
            row.marked = job_.MinimiseOnD ? ratio > 1.5 : ratio > 2;
            {
                const double limit = job_.MinimiseOnD ? 1.5 : 2.0;
                CheckMargin(job_.margins, std::fabs(row.residual), limit * aad, (1 + limit) * largestObserved_,
                            "a residual near the limit of its mark");
            }
            if (dData) job_.AbsResidual = double(std::fabs(Real(job_.DObs[i]) - job_.DCalc[i]));
            else if (row.positionCalc) job_.AbsResidual = double(std::fabs(Real(row.positionObs) - *row.positionCalc));
            // A row without a calculated 2-theta or energy has no residual to count.
            if (row.positionCalc || dData) sums.Add(job_.AbsResidual, job_.AbsResidual);
        }
        job_.ResidualSquares = sums.sumSquares;
        const Quantity data = r_.settings.data, minimised = r_.settings.minimised;
        if (data == Quantity::Energy && minimised != Quantity::Energy) r_.observed = sums.Statistics(data);
        else if (data == Quantity::TwoTheta && minimised != Quantity::TwoTheta) r_.observed = sums.Statistics(data);
        else if (data == Quantity::D && minimised != Quantity::D) r_.observed = sums.Statistics(data);
    }

    RefinementJob<Real>& job_;
    Results& r_;
    const int p_;
    double largestObserved_ = 0;  // in the minimised quantity: the scale of the residuals' rounding
};

}  // namespace

template <typename Real>
void CollectResults(RefinementJob<Real>& job, Results& results) {
    Collector<Real>(job, results).Collect();
}

template void CollectResults(RefinementJob<double>&, Results&);
template void CollectResults(RefinementJob<long double>&, Results&);

}  // namespace zantrel::engine

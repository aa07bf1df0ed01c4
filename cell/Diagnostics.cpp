// Regression diagnostics: leverage, DFFITS, studentised residuals and DfBetas of the
// final refinement, for the deletion of each observation in turn.

#include <cmath>
#include <string>
#include <vector>

#include "cell/Cell.h"
#include "cell/FloatFaults.h"
#include "cell/Format.h"
#include "lsq/LSQ.h"

namespace zantrel {

namespace {

// Used in place of a leverage of 1 or more, where deletion would leave a parameter free.
constexpr double LeverageCap = 0.9999;

// A statistic that may not exist: a zero divisor with a non-zero numerator, or a
// quotient with no finite value (a fit so degenerate that a leverage comes out negative
// has no square root of it).
struct Value {
    double x = 0;
    bool defined = true;
};

Value Quotient(Extended numerator, Extended denominator) {
    if (denominator != 0) {
        double q = double(numerator / denominator);
        return {std::isfinite(q) ? q : 0.0, std::isfinite(q)};
    }
    if (numerator == 0) return {0.0, true};  // nothing to explain: no influence
    return {0.0, false};
}

std::string Field(const Value& v, int w, int d) {
    return v.defined ? FixedField(v.x, w, d) : StrField("n/a", w);
}

struct Deletion {
    double leverage = 0;
    Value sigmaDeleted, dfFits, rStudent;
    ParamVector change;  // direct-cell changes: angstrom, angles in degrees
    bool changeDefined = true;
    double volumeChange = 0;
    bool flaggedA = false, flaggedB = false;
};

class Diagnostics {
public:
    explicit Diagnostics(RefinementJob& job)
        : job_(job),
          n_(job.ObsCount),
          p_(job.ParamCount),
          rows_(std::size_t(n_) + 1),
          models_(PrepareDerivativeModels(job, job.ReciprocalCell, job.ParamSteps, p_)) {}

    void Write() {
        for (int i = 1; i <= n_; ++i) Compute(i, rows_[std::size_t(i)]);
        Flag();
        Print();
    }

private:
    void Compute(int i, Deletion& row) {
        const ParamMatrix& c = job_.CovarianceCopy;
        NumericDerivativesAt(job_, models_, job_.ParamSteps, job_.DesignMatrix, i, p_, job_.DerivativeRow);
        const ParamVector& x = job_.DerivativeRow;
        const Extended sigma = job_.Weights[i];
        const Extended r = job_.Residuals[i] / sigma;
        for (int j = 1; j <= p_; ++j)
            for (int k = 1; k <= p_; ++k)
                row.leverage = double(row.leverage + Extended(x[j]) * c(j, k) * x[k] / (sigma * sigma));
        // A leverage of exactly 1 would divide by zero: the cap gives a large, finite change.
        const Extended keep = 1 - (row.leverage == 1 ? LeverageCap : Extended(row.leverage));
        ParamVector shifted = job_.ReciprocalCell;
        for (int u = 1; u <= p_; ++u) {
            double sum = 0;
            for (int k = 1; k <= p_; ++k) sum = double(sum + Extended(c(u, k)) * x[k]);
            shifted[u] = double(Extended(shifted[u]) + sum / sigma * r / keep);
        }
        ClearFloatFaults();
        ParamVector direct;
        double volume = 0;
        ConvertCell(job_, shifted, direct, volume);
        for (int u = 1; u <= p_; ++u) {
            Extended change = Extended(job_.DirectCell[u]) - direct[u];
            if (u > 3) change = change * 180 / Pi;
            row.change[u] = double(change);
        }
        row.volumeChange = double(Extended(job_.CellVolume) - volume);
        // A deletion so influential that the shifted cell has no direct form.
        try {
            CheckFloatFaults("");
        } catch (const RunError&) {
            row.changeDefined = false;
        }

        const Extended h = row.leverage >= 1 ? LeverageCap : Extended(row.leverage);
        const Extended s = job_.FitSigma;
        const int nu = n_ - p_;
        Extended variance = (s * s * nu - r * r / (1 - h)) / (nu - 1);
        // Rounding, or an observation that carries all the misfit, can leave nothing.
        const Extended sDeleted = variance > 0 ? std::sqrt(variance) : 0;
        row.sigmaDeleted = {double(sDeleted), true};
        row.dfFits = Quotient(h * r / (1 - h), std::sqrt(h) * sDeleted);
        row.rStudent = Quotient(r, std::sqrt(1 - h) * sDeleted);
    }

    double LeverageLimit() const {
        double limit = double(2 * Extended(p_) / n_);
        return limit > 1 ? 1.0 : limit;
    }
    double DfFitsLimit() const { return double(2 * std::sqrt(Extended(p_) / n_)); }

    Value Percent(Extended change, double sigma) const { return Quotient(100 * change, sigma); }

    void Flag() {
        const double hLimit = LeverageLimit(), fLimit = DfFitsLimit();
        for (int i = 1; i <= n_; ++i) {
            Deletion& row = rows_[std::size_t(i)];
            row.flaggedA = row.leverage > hLimit || !row.dfFits.defined || std::fabs(row.dfFits.x) > fLimit ||
                           !row.rStudent.defined || std::fabs(row.rStudent.x) > 2;
            row.flaggedB = !row.changeDefined;
            for (int u = 1; u <= p_ && !row.flaggedB; ++u) {
                Value pct = Percent(row.change[u], job_.DirectSigmas[u]);
                if (pct.defined && std::fabs(pct.x) > 32.5) row.flaggedB = true;
            }
        }
    }

    std::string Indices(int i) const {
        return IntField(i, 3) + IntField(job_.MillerH[i], 6) + IntField(job_.MillerK[i], 4) +
               IntField(job_.MillerL[i], 4);
    }

    std::string PercentField(Extended change, double sigma, bool defined) const {
        Value pct = Percent(change, sigma);
        if (!defined || !pct.defined) return " " + StrField("n/a", 9);
        return " " + RoundedField(pct.x, 9);
    }

    void Print() {
        ReportFile& out = job_.OutputFile;
        const bool full = job_.FullDiagnostics;
        for (int k = 0; k < 3; ++k) out.WriteLn();
        out.WriteLn("Regression diagnostics (for deletion of each observation i):");
        out.WriteLn();
        out.WriteLn();
        if (full) {
            out.WriteLn("(a) Diagnostics associated with the fit and influence of each observation : ");
            out.WriteLn("    * = potentially deleterious or influential observations");
        } else {
            out.WriteLn("(a) potentially deleterious or influential observations affecting the fit:");
        }
        out.WriteLn();
        out.WriteLn(StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4) +
                    "           hat " + "   dfFits" + "    Rstudt" + "   sigma[i]" + "   d(sig)%");
        out.WriteLn();
        const Extended s = job_.FitSigma;
        for (int i = 1; i <= n_; ++i) {
            const Deletion& row = rows_[std::size_t(i)];
            if (!full && !row.flaggedA) continue;
            Value change = Quotient(100 * (Extended(row.sigmaDeleted.x) - s), s);
            out.WriteLn(Indices(i) + FixedField(row.leverage, 14, 3) + Field(row.dfFits, 10, 3) +
                        Field(row.rStudent, 10, 3) + Field(row.sigmaDeleted, 10, 4) + Field(change, 10, 1) +
                        (full && row.flaggedA ? " *" : ""));
        }
        out.WriteLn();
        out.WriteLn("limit :" + FixedField(LeverageLimit(), 24, 3) + FixedField(DfFitsLimit(), 10, 3) +
                    FixedField(2.0, 10, 3));
        for (int k = 0; k < 3; ++k) out.WriteLn();
        if (full) {
            out.WriteLn("(b) DfBetas:  changes expected on deletion of individual observations");
            out.WriteLn("    cell parameter changes (as % of their standard deviations):");
            out.WriteLn("    * = >33% of sd on one or more cell parameters");
        } else {
            out.WriteLn("(b) observations most strongly affecting the parameter values");
            out.WriteLn("    DfBetas: cell parameter changes (as % of their standard deviations):");
        }
        out.WriteLn();
        std::string heads = StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4);
        for (int u = 1; u <= p_; ++u) heads += StrField("d" + job_.DirectLabels[std::size_t(u)], 10);
        out.WriteLn(heads + StrField("dV", 10));
        out.WriteLn();
        for (int i = 1; i <= n_; ++i) {
            const Deletion& row = rows_[std::size_t(i)];
            if (!full && !row.flaggedB) continue;
            std::string line = Indices(i);
            for (int u = 1; u <= p_; ++u) line += PercentField(row.change[u], job_.DirectSigmas[u], row.changeDefined);
            line += PercentField(row.volumeChange, job_.VolumeSigma, row.changeDefined);
            out.WriteLn(line + (full && row.flaggedB ? " *" : ""));
        }
    }

    RefinementJob& job_;
    int n_, p_;
    std::vector<Deletion> rows_;
    DerivativeModels models_;  // the derivatives' shifted cells, alike for every reflection
};

}  // namespace

void WriteRegressionDiagnostics(RefinementJob& job) {
    ClearFloatFaults();
    Diagnostics(job).Write();
    ClearFloatFaults();  // every undefined statistic has been printed as such
}

}  // namespace zantrel

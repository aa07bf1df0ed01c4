// The report body: settings, cell table, statistics, correlations, reciprocal cell,
// observed-versus-fitted table.

#include <cmath>
#include <string>

#include "cell/Cell.h"
#include "cell/FloatFaults.h"
#include "cell/Format.h"
#include "lsq/LSQ.h"

namespace zantrel {

namespace {

inline Extended Degrees(Extended radians) { return radians * 180 / Pi; }

// Square root of a variance; none exists for a zero or negative one.
inline bool HasSigma(double variance) { return variance > 0; }
inline double SigmaOrZero(double variance) {
    return HasSigma(variance) ? double(std::sqrt(Extended(variance))) : 0.0;
}

// The statistics of one set of residuals: sd, aad and maxdev over n reflections.
struct ResidualStats {
    double sumSquares = 0, sumAbs = 0, maxAbs = 0;
    int count = 0;
    // diff is squared as given; its absolute value is the stored double.
    void Add(Extended diff, double absDiff) {
        sumSquares = double(sumSquares + diff * diff);
        if (absDiff > maxAbs) maxAbs = absDiff;
        sumAbs = double(sumAbs + Extended(absDiff));
        ++count;
    }
    double Sd() const { return count > 0 ? double(std::sqrt(Extended(sumSquares) / count)) : 0.0; }
    double Aad() const { return count > 0 ? double(Extended(sumAbs) / count) : 0.0; }
};

class ReportWriter {
public:
    explicit ReportWriter(RefinementJob& job) : job_(job), out_(job.OutputFile) {}

    void Write() {
        BlockA();
        BlockB();
        if (job_.ZeroShiftRequested) BlockC();
        PrepareDirectCell();
        BlockD();
        BlockE();
        if (!job_.IsCubic) BlockF();
        BlockG();
        BlockH();
    }

private:
    void Line(const std::string& text) { out_.WriteLn(text); }
    void Empty(int lines = 1) {
        for (int i = 0; i < lines; ++i) out_.WriteLn();
    }
    bool ZeroShiftSignificant() const {
        return std::fabs(job_.ZeroShift) > std::fabs(job_.ZeroShiftSigma);
    }

    void BlockA() {
        Empty();
        out_.Write("sample title: ");
        out_.WriteBytes(TitleToWindows1252(job_.Title));
        out_.WriteLn();
        Empty();
        if (job_.TooManyReflections) {
            Line("***   Too many reflections. Only the first 200 have been used   ¥¥¥");
            Empty();
        }
        if (job_.DataIsEnergy)
            Line(job_.RefinedSystemText + ", using beam angle" + FixedField(job_.Beam2Theta, 9, 4) +
                 " ° 2 theta");
        if (job_.DataIs2Theta)
            Line(job_.RefinedSystemText + ", using wavelength" + FixedField(job_.Wavelength, 9, 6) +
                 " Å");
        if (job_.MinimiseOn2Theta) Line("minimising the sum of squares of residuals in 2 theta");
        else if (job_.MinimiseOnEnergy) Line("minimising the sum of squares of residuals in energy");
        else if (job_.MinimiseOnD) Line("minimising the sum of squares of residuals in d spacing");
        else Line("minimising the sum of squares of residuals in Q (=1/dsquared)");
        if (job_.MinimiseOnEnergy && !job_.DataIsEnergy)
            Line("using beam angle" + FixedField(job_.Beam2Theta, 9, 4) + " ¡ 2 theta");
    }

    void BlockB() {
        Empty();
        Line("Weighted assuming a value of sigma(2theta) = 0.005 deg");
        if (!job_.MinimiseOn2Theta)
            Line("Errors for energy, d or Q are transformed from this assumed 2theta error for weighting");
        Line("Cell parameter errors scale in direct proportion to this weighting value");
    }

    void BlockC() {
        if (!ZeroShiftSignificant()) {
            Line("ZeroShift = 0 within error");
            return;
        }
        Line(std::string("refined ZeroShift") + (job_.MinimiseOn2Theta ? " 2 theta : " : " energy : ") +
             FixedField(-Extended(job_.ZeroShift), 7, 4) + "  ±" +
             FixedField(Extended(std::fabs(job_.ZeroShiftSigma)) * job_.StudentT, 6, 4));
    }

    void PrepareDirectCell() {
        job_.FitSigma = SigmaOrZero(job_.ResidualSquares);
        for (int i = 1; i <= 6; ++i) {
            value_[i] = job_.DirectCell[i];
            if (i >= 4) {
                value_[i] = double(Degrees(value_[i]));
                job_.DirectSigmas[i] = double(Degrees(job_.DirectSigmas[i]));
            }
        }
    }

    void BlockD() {
        Empty(3);
        Line(StrField("parameter", 10) + StrField("value", 10) + StrField("sigma", 10) +
             StrField("95% conf", 10));
        Empty();
        const Extended t = job_.StudentT;
        for (int i = 1; i <= job_.ParamCount; ++i)
            Line(StrField(job_.DirectLabels[std::size_t(i)], 10) + FixedField(value_[i], 10, 5) +
                 FixedField(job_.DirectSigmas[i], 10, 5) + FixedField(job_.DirectSigmas[i] * t, 10, 5));
        Line(StrField("cell vol", 10) + FixedField(job_.CellVolume, 10, 4) +
             FixedField(job_.VolumeSigma, 10, 4) + FixedField(job_.VolumeSigma * t, 10, 4));
        Empty();
    }

    double ObservedMinimised(int i) const {
        if (job_.MinimiseOn2Theta) return job_.TwoThetaObs[i];
        if (job_.MinimiseOnD) return job_.DObs[i];
        if (job_.MinimiseOnEnergy) return job_.EnergyObs[i];
        return job_.QObs[i];
    }

    void BlockE() {
        ResidualStats stats;
        label_.clear();
        for (int i = 1; i <= job_.ObsCount; ++i) {
            double d = 0;
            double calc = CalcPosition(job_, i, job_.DesignMatrix, job_.ReciprocalCell, d);
            job_.CalcValues[i] = calc;
            job_.DCalc[i] = d;
            const Extended diff = Extended(ObservedMinimised(i)) - calc;
            job_.Residuals[i] = double(diff);
            job_.AbsResidual = std::fabs(job_.Residuals[i]);
            stats.Add(diff, job_.AbsResidual);
        }
        if (job_.MinimiseOn2Theta && !job_.DataIs2Theta) label_ = "res(2¯)";
        else if (job_.MinimiseOnEnergy && !job_.DataIsEnergy) label_ = "res(E)";
        else if (!job_.MinimiseOn2Theta && !job_.MinimiseOnEnergy && !job_.MinimiseOnD) label_ = "res(Q)";
        job_.ResidualSquares = stats.sumSquares;
        job_.SumAbsResidual = stats.sumAbs;
        job_.MaxAbsResidual = stats.maxAbs;
        aadE_ = stats.Aad();
        const double sd = stats.Sd(), aad = aadE_, maxdev = stats.maxAbs;
        Line("residuals:  standard, average, and maximum deviations:-");
        if (job_.MinimiseOnEnergy)
            Line("sd (E) = " + FixedField(sd, 6, 4) + "  aad (E) =" + FixedField(aad, 6, 4) +
                 "  maxdev (E) =" + FixedField(maxdev, 6, 4));
        else if (job_.MinimiseOn2Theta)
            Line("sd (2T) = " + FixedField(sd, 6, 4) + "  aad (2T) =" + FixedField(aad, 6, 4) +
                 "  maxdev (2T) =" + FixedField(maxdev, 6, 4));
        else if (job_.MinimiseOnD)
            Line("sd (d) = " + FixedField(sd, 6, 4) + "  aad (d) =" + FixedField(aad, 6, 4) +
                 "  maxdev (d) =" + FixedField(maxdev, 6, 4));
        else
            Line("sd (Q) = " + FixedField(sd, 8, 6) + "  aad (Q) =" + FixedField(aad, 8, 6) +
                 "  maxdev (Q) =" + FixedField(maxdev, 8, 6));
        Line("sigmafit = " + FixedField(job_.FitSigma, 7, 4));
        Line("students t =" + FixedField(job_.StudentT, 6, 2));
        Empty(2);
    }

    // A correlation needs both variances; "n/a" where one is zero or negative.
    std::string Correlation(int i, int j) const {
        const ParamMatrix& c = job_.DirectCovariance;
        if (!HasSigma(c(i, i)) || !HasSigma(c(j, j))) return StrField("n/a", 9);
        return FixedField(Extended(c(i, j)) / (std::sqrt(Extended(c(j, j))) * std::sqrt(Extended(c(i, i)))), 9, 3);
    }

    void BlockF() {
        Empty(3);
        Line(" correlation matrix : ");
        std::string heads(9, ' ');
        for (int j = 1; j <= job_.ParamCount; ++j) heads += StrField(job_.DirectLabels[std::size_t(j)], 9);
        Line(heads);
        for (int i = 1; i <= job_.ParamCount; ++i) {
            std::string row = StrField(job_.DirectLabels[std::size_t(i)], 9);
            for (int j = 1; j <= i; ++j) row += Correlation(i, j);
            Line(row);
        }
    }

    void BlockG() {
        Empty();
        Line("Reciprocal cell parameters:");
        Empty();
        std::string heads(10, ' '), params = "params    ", sigmas = "sigma     ";
        for (int j = 1; j <= job_.ParamCount; ++j) {
            heads += StrField(job_.ReciprocalLabels[std::size_t(j)], 10);
            const double s = SigmaOrZero(job_.Covariance(j, j));
            if (j <= 3) {
                params += FixedField(job_.ReciprocalCell[j], 10, 7);
                sigmas += FixedField(s, 10, 7);
            } else {
                params += FixedField(Degrees(job_.ReciprocalCell[j]), 10, 4);
                sigmas += FixedField(Degrees(s), 10, 4);
            }
        }
        Line(heads);
        Line(params);
        Line(sigmas);
        Empty(3);
    }

    bool ExtraColumn() const {
        if (job_.DataIsEnergy) return !job_.MinimiseOnEnergy && !job_.MinimiseOnD;
        return !job_.MinimiseOn2Theta && !job_.MinimiseOnD;
    }

    // The observed quantity calculated from DCalc; false where it does not exist.
    bool CalculatedObservable(int i, double& calc) const {
        if (job_.DataIsEnergy) {
            Extended s = std::sin(Extended(TwoThetaDegToThetaRad) * job_.Beam2Theta);
            if (!(s > 0) || !(job_.DCalc[i] > 0)) return false;
            calc = double(EnergyDSinTheta / (s * job_.DCalc[i]));
            return true;
        }
        double ratio = double(job_.Wavelength / (2 * Extended(job_.DCalc[i])));
        if (!(std::fabs(ratio) < 1)) return false;
        calc = double(2 * Extended(ArcSin(ratio)) * 180 / Pi);
        return true;
    }

    void BlockH() {
        Line("Observed and fitted results:  {dependent-variable residuals >2sd are bulleted}");
        if (ZeroShiftSignificant()) {
            // The note names what the driver corrected: 2-theta when the run refined
            // the shift in 2-theta, energies otherwise.
            bool corrected2Theta = job_.DataIs2Theta || (!job_.DataIsEnergy && job_.MinimiseOn2Theta);
            Line(std::string(corrected2Theta ? "(2-Theta observations corrected by ZeroShift of "
                                             : "(Energy observations corrected by ZeroShift of ") +
                 FixedField(-Extended(job_.ZeroShift), 7, 4) + ")");
        }
        Empty();
        const bool extra = ExtraColumn();
        const bool energy = job_.DataIsEnergy;
        std::string heads = StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4) +
                            StrField("d(obs)", 14) + StrField("d(calc)", 10) + StrField("res(d)", 10) +
                            (energy ? StrField("E.obs", 12) + StrField("E.calc", 10) + StrField("res(E)", 10)
                                    : StrField("2T.obs", 12) + StrField("2T.calc", 10) + StrField("res(2T)", 10));
        out_.Write(heads);
        const bool resQ = label_ == "res(Q)";
        if (extra) out_.WriteLn(StrField(label_, resQ ? 14 : 12));
        out_.WriteLn();

        ResidualStats observed;
        for (int i = 1; i <= job_.ObsCount; ++i) {
            double calc = 0;
            const bool exists = CalculatedObservable(i, calc);
            const double obs = energy ? job_.EnergyObs[i] : job_.TwoThetaObs[i];
            if (!job_.DataIsEnergy && !job_.DataIs2Theta) job_.AbsResidual = double(std::fabs(Extended(job_.DObs[i]) - job_.DCalc[i]));
            else job_.AbsResidual = double(std::fabs(Extended(obs) - calc));
            // A row without a calculated 2-theta or energy has no residual to count.
            if (exists || !(job_.DataIsEnergy || job_.DataIs2Theta)) observed.Add(job_.AbsResidual, job_.AbsResidual);
            const double ratio = aadE_ > 0 ? std::fabs(job_.Residuals[i]) / aadE_ : 0.0;
            std::string row = IntField(i, 3) + IntField(job_.MillerH[i], 6) + IntField(job_.MillerK[i], 4) +
                              IntField(job_.MillerL[i], 4) + FixedField(job_.DObs[i], 14, 5) +
                              FixedField(job_.DCalc[i], 10, 5) +
                              FixedField(Extended(job_.DObs[i]) - job_.DCalc[i], 10, 5);
            if (job_.MinimiseOnD && ratio > 1.5) row += "*" + FixedField(obs, 11, 3);
            else row += FixedField(obs, 12, 3);
            if (exists) row += FixedField(calc, 10, 3) + FixedField(Extended(obs) - calc, 10, 3);
            else row += StrField("n/a", 10) + StrField("n/a", 10);
            if (extra) row += resQ ? FixedField(job_.Residuals[i], 14, 5) : FixedField(job_.Residuals[i], 12, 3);
            if (ratio > 2 && !job_.MinimiseOnD) row += " *";
            Line(row);
        }
        Empty();
        job_.ResidualSquares = observed.sumSquares;
        job_.SumAbsResidual = observed.sumAbs;
        job_.MaxAbsResidual = observed.maxAbs;
        const double sd = observed.Sd(), aad = observed.Aad(), maxdev = observed.maxAbs;
        if (energy && !job_.MinimiseOnEnergy)
            Line(" sd (E) = " + FixedField(sd, 6, 4) + "  aad (E) =" + FixedField(aad, 6, 4) +
                 "  maxdev(E) =" + FixedField(maxdev, 6, 4));
        else if (job_.DataIs2Theta && !job_.MinimiseOn2Theta)
            Line(" sd (2T) = " + FixedField(sd, 6, 4) + "  aad (2T) =" + FixedField(aad, 6, 4) +
                 "  maxdev(2T) =" + FixedField(maxdev, 6, 4));
        else if (!energy && !job_.DataIs2Theta && !job_.MinimiseOnD)
            Line(" sd (d) = " + FixedField(sd, 6, 4) + "  aad (d) =" + FixedField(aad, 6, 4) +
                 "  maxdev(d) =" + FixedField(maxdev, 6, 4));
    }

    RefinementJob& job_;
    ReportFile& out_;
    ParamVector value_;  // printed cell values, angles in degrees
    std::string label_;  // head of the extra residual column
    double aadE_ = 0;    // mean absolute residual in the minimised quantity
};

}  // namespace

// The residual sums are unweighted: Q values near the largest double, from a wavelength
// of 1e-93, square to infinity although the weighted refinement did not overflow.
void WriteReport(RefinementJob& job) {
    ClearFloatFaults();
    ReportWriter(job).Write();
    CheckFloatFaults("while writing the report: the residual statistics have no finite value");
}

}  // namespace zantrel

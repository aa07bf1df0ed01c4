// The report, formatted from the results record: settings, cell table, residual
// statistics, correlations, reciprocal cell, observed-versus-fitted table, and the
// regression diagnostics. Windows-1252 with CR LF, whatever the platform.

#include "export/Report.h"

#include <cmath>

#include "engine/Margins.h"
#include "export/Format.h"
#include "cell/Messages.h"
#include "export/ReportFile.h"
#include "export/WeightingText.h"
#include "export/Windows1252.h"

namespace zantrel {

namespace {

// Report lines: literals written in UTF-8 in the source, stored as Windows-1252.
class Lines {
public:
    Lines() { text_.reserve(32768); }  // most reports fit: no copies while they grow
    void Line(std::string_view utf8) {
        // Lines of numbers, nearly all of a report, are ASCII: the same bytes in both.
        bool ascii = true;
        for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) text_ += utf8;
        else text_ += ToWindows1252(utf8);
        text_ += "\r\n";
    }
    void Empty(int count = 1) {
        for (int i = 0; i < count; ++i) text_ += "\r\n";
    }
    void Bytes(std::string_view bytes) { text_ += bytes; }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

class ReportWriter {
public:
    ReportWriter(const Results& r, MarginCheck* check)
        : r_(r),
          check_(check),
          s_(r.settings),
          dataIs2Theta_(s_.data == Quantity::TwoTheta),
          dataIsEnergy_(s_.data == Quantity::Energy) {}

    std::string Write() {
        out_.Line(Msg::Banner);
        if (r_.halted) {
            out_.Empty();
            out_.Line(Msg::NotEnoughData);
            return out_.Take();
        }
        WriteSettings();
        WriteWeighting();
        if (r_.zeroShift) WriteZeroShift(*r_.zeroShift);
        WriteCellTable();
        WriteResidualStatistics();
        if (r_.systemRefined != CrystalSystem::Cubic) WriteCorrelations();
        WriteReciprocalCell();
        WriteObservedAndFitted();
        WriteDiagnostics();
        return out_.Take();
    }

private:
    // Every printed number passes the fast path's check, where there is one.
    std::string Fixed(long double x, int w, int d) const {
        CheckPrinted(check_, x, d);
        return FixedField(x, w, d);
    }
    // A value that both paths hold as the same double: a setting, or an observation as
    // the one number reader read it (cell/TextReader.cpp serves both engines). Its text
    // is the same on both, wherever it lies, so it needs no margin.
    static std::string Exact(double x, int w, int d) { return FixedField(x, w, d); }
    // A rounded percentage, whose sign is not printed.
    std::string Rounded(long double x, int w) const {
        CheckPrinted(check_, x, 0, /*signPrinted=*/false);
        return RoundedField(x, w);
    }

    void WriteSettings() {
        out_.Empty();
        out_.Bytes(ToWindows1252("sample title: ") + TitleToWindows1252(r_.title) + "\r\n");
        // One line, and only when reflections were left out: the rest of the report is
        // that of a data file without their lines.
        if (!r_.excluded.empty()) out_.Line(ExcludedLine(r_.excluded));
        out_.Empty();
        if (r_.tooManyReflections) {
            // "¥¥¥" closes this line in the reports users know; kept as it is.
            out_.Line("***   Too many reflections. Only the first 200 have been used   ¥¥¥");
            out_.Empty();
        }
        const std::string system = std::string("refined in ") + SystemName(r_.systemRefined) + " system";
        if (dataIsEnergy_) out_.Line(system + ", using beam angle" + Exact(s_.beam2Theta, 9, 4) + " ° 2 theta");
        if (dataIs2Theta_) out_.Line(system + ", using wavelength" + Exact(s_.wavelength, 9, 6) + " Å");
        switch (s_.minimised) {
            case Quantity::TwoTheta: out_.Line("minimising the sum of squares of residuals in 2 theta"); break;
            case Quantity::Energy: out_.Line("minimising the sum of squares of residuals in energy"); break;
            case Quantity::D: out_.Line("minimising the sum of squares of residuals in d spacing"); break;
            case Quantity::Q: out_.Line("minimising the sum of squares of residuals in Q (=1/dsquared)"); break;
        }
        // "¡" (0xA1) where "°" stands in the line above: this line has always printed it.
        if (s_.minimised == Quantity::Energy && !dataIsEnergy_)
            out_.Line("using beam angle" + Exact(s_.beam2Theta, 9, 4) + " ¡ 2 theta");
    }

    void WriteWeighting() {
        out_.Empty();
        for (const std::string& line : WeightingLines(s_)) out_.Line(line);
    }

    void WriteZeroShift(const ZeroShiftResult& z) {
        if (!z.significant) {
            out_.Line("ZeroShift = 0 within error");
            return;
        }
        out_.Line(std::string("refined ZeroShift") + (s_.minimised == Quantity::TwoTheta ? " 2 theta : " : " energy : ") +
                  Fixed(z.value, 7, 4) + "  ±" + Fixed(z.conf95, 6, 4));
    }

    void WriteCellTable() {
        out_.Empty(3);
        out_.Line(StrField("parameter", 10) + StrField("value", 10) + StrField("sigma", 10) + StrField("95% conf", 10));
        out_.Empty();
        for (const RefinedParameter& q : r_.parameters)
            out_.Line(StrField(q.label, 10) + Fixed(q.estimate.value, 10, 5) + Fixed(q.estimate.sigma, 10, 5) +
                      Fixed(q.estimate.conf95, 10, 5));
        out_.Line(StrField("cell vol", 10) + Fixed(r_.volume.value, 10, 4) + Fixed(r_.volume.sigma, 10, 4) +
                  Fixed(r_.volume.conf95, 10, 4));
        out_.Empty();
    }

    void WriteResidualStatistics() {
        const ResidualStatistics& f = r_.fit;
        out_.Line("residuals:  standard, average, and maximum deviations:-");
        const std::string name = s_.minimised == Quantity::Energy     ? "E"
                                 : s_.minimised == Quantity::TwoTheta ? "2T"
                                 : s_.minimised == Quantity::D        ? "d"
                                                                      : "Q";
        // Q is printed to six decimals in eight columns, the others to four in six.
        const int w = s_.minimised == Quantity::Q ? 8 : 6, d = s_.minimised == Quantity::Q ? 6 : 4;
        // One blank after the first "=" only: the line as it has always been printed.
        out_.Line("sd (" + name + ") = " + Fixed(f.sd, w, d) + "  aad (" + name + ") =" + Fixed(f.aad, w, d) +
                  "  maxdev (" + name + ") =" + Fixed(f.maxdev, w, d));
        out_.Line("sigmafit = " + Fixed(r_.sigmaFit, 7, 4));
        out_.Line("students t =" + Fixed(r_.studentT, 6, 2));
        out_.Empty(2);
    }

    // "n/a" without both variances.
    std::string CorrelationField(int i, int j) const {
        const auto& rho = r_.correlation[std::size_t(i - 1)][std::size_t(j - 1)];
        return rho ? Fixed(*rho, 9, 3) : StrField("n/a", 9);
    }

    void WriteCorrelations() {
        const int p = int(r_.parameters.size());
        out_.Empty(3);
        out_.Line(" correlation matrix : ");  // the blanks before and after are kept on purpose
        std::string heads(9, ' ');
        for (const RefinedParameter& q : r_.parameters) heads += StrField(q.label, 9);
        out_.Line(heads);
        for (int i = 1; i <= p; ++i) {
            std::string row = StrField(r_.parameters[std::size_t(i - 1)].label, 9);
            for (int j = 1; j <= i; ++j) row += CorrelationField(i, j);
            out_.Line(row);
        }
    }

    void WriteReciprocalCell() {
        out_.Empty();
        out_.Line("Reciprocal cell parameters:");
        out_.Empty();
        std::string heads(10, ' '), params = "params    ", sigmas = "sigma     ";
        for (std::size_t j = 0; j < r_.reciprocal.size(); ++j) {
            const RefinedParameter& q = r_.reciprocal[j];
            heads += StrField(q.label, 10);
            const int decimals = j < 3 ? 7 : 4;
            params += Fixed(q.estimate.value, 10, decimals);
            sigmas += Fixed(q.estimate.sigma, 10, decimals);
        }
        out_.Line(heads);
        out_.Line(params);
        out_.Line(sigmas);
        out_.Empty(3);
    }

    // The column of residuals in the minimised quantity, where it is neither d nor the
    // data's own quantity; empty where there is none.
    std::string ExtraColumnHead() const {
        const bool extra = dataIsEnergy_ ? s_.minimised != Quantity::Energy && s_.minimised != Quantity::D
                                         : s_.minimised != Quantity::TwoTheta && s_.minimised != Quantity::D;
        if (!extra) return "";
        if (s_.minimised == Quantity::Q) return StrField("res(Q)", 14);
        // "¯" (0xAF) for theta: the head these reports have always carried. Padded after
        // its conversion, so the two-byte UTF-8 literal counts as one column.
        if (s_.minimised == Quantity::TwoTheta) return StrField(ToWindows1252("res(2¯)"), 12);
        return StrField("res(E)", 12);
    }

    void WriteObservedAndFitted() {
        out_.Line("Observed and fitted results:  {dependent-variable residuals >2sd are bulleted}");
        if (r_.zeroShift && r_.zeroShift->significant) {
            // The note names what the run corrected: 2-theta when it refined the shift
            // in 2-theta, energies otherwise.
            const bool corrected2Theta = dataIs2Theta_ || (!dataIsEnergy_ && s_.minimised == Quantity::TwoTheta);
            out_.Line(std::string(corrected2Theta ? "(2-Theta observations corrected by ZeroShift of "
                                                  : "(Energy observations corrected by ZeroShift of ") +
                      Fixed(r_.zeroShift->value, 7, 4) + ")");
        }
        out_.Empty();
        const std::string extraHead = ExtraColumnHead();
        const bool resQ = s_.minimised == Quantity::Q;
        // d data that nothing fitted or weighted in 2-theta have no 2-theta columns.
        const bool positions = dataIsEnergy_ || UsesWavelength(s_);
        std::string heads = StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4) +
                            StrField("d(obs)", 14) + StrField("d(calc)", 10) + StrField("res(d)", 10) +
                            (dataIsEnergy_ ? StrField("E.obs", 12) + StrField("E.calc", 10) + StrField("res(E)", 10)
                             : positions   ? StrField("2T.obs", 12) + StrField("2T.calc", 10) + StrField("res(2T)", 10)
                                           : "");
        out_.Bytes(ToWindows1252(heads));
        // With the extra column an empty line follows the head; without it, the rows.
        if (!extraHead.empty()) out_.Bytes(extraHead + "\r\n");
        out_.Empty();

        // The observations are as read unless a zero shift corrected them, which also
        // forms the d spacings again; the other observed column is formed from them.
        const bool asRead = !(r_.zeroShift && r_.zeroShift->significant);
        const bool dAsRead = asRead && s_.data == Quantity::D, positionAsRead = asRead && s_.data != Quantity::D;
        auto observed = [&](double x, bool exact, int w, int d) { return exact ? Exact(x, w, d) : Fixed(x, w, d); };
        int number = 0;
        for (const ReflectionRow& row : r_.reflections) {
            std::string& line = line_;
            line.clear();
            line += IntField(++number, 3);
            line += IntField(row.h, 6);
            line += IntField(row.k, 4);
            line += IntField(row.l, 4);
            line += observed(row.dObs, dAsRead, 14, 5);
            line += Fixed(row.dCalc, 10, 5);
            line += Fixed(row.dResidual, 10, 5);
            const bool minimisedD = s_.minimised == Quantity::D;
            // Minimising d, the mark stands before the observed position, in its first column.
            if (minimisedD && row.marked) line += '*';
            // Without the 2-theta columns the mark stands right after res(d).
            if (positions) {
                line += observed(row.positionObs, positionAsRead, minimisedD && row.marked ? 11 : 12, 3);
                if (row.positionCalc) {
                    line += Fixed(*row.positionCalc, 10, 3);
                    line += Fixed(*row.positionResidual, 10, 3);
                } else {
                    line += "       n/a       n/a";
                }
            }
            if (!extraHead.empty()) line += resQ ? Fixed(row.residual, 14, 5) : Fixed(row.residual, 12, 3);
            if (row.marked && !minimisedD) line += " *";
            out_.Line(line);
        }
        out_.Empty();
        if (!r_.observed) return;
        const ResidualStatistics& o = *r_.observed;
        const char* name = o.quantity == Quantity::Energy ? "E" : o.quantity == Quantity::TwoTheta ? "2T" : "d";
        // A leading blank, and no blank in "maxdev(", unlike the residuals line above the
        // correlations: kept as printed.
        out_.Line(std::string(" sd (") + name + ") = " + Fixed(o.sd, 6, 4) + "  aad (" + name + ") =" +
                  Fixed(o.aad, 6, 4) + "  maxdev(" + name + ") =" + Fixed(o.maxdev, 6, 4));
    }

    std::string Indices(int number, const ReflectionRow& row) const {
        return IntField(number, 3) + IntField(row.h, 6) + IntField(row.k, 4) + IntField(row.l, 4);
    }

    std::string Field(const std::optional<double>& v, int w, int d) const {
        return v ? Fixed(*v, w, d) : StrField("n/a", w);
    }
    std::string PercentField(const std::optional<double>& v) const {
        return " " + (v ? Rounded(*v, 9) : StrField("n/a", 9));
    }

    void WriteDiagnostics() {
        const Diagnostics& d = r_.diagnostics;
        const bool full = d.listedFully;
        out_.Empty(3);
        out_.Line("Regression diagnostics (for deletion of each observation i):");
        out_.Empty(2);
        if (full) {
            // The blank after the colon is part of the line users know.
            out_.Line("(a) Diagnostics associated with the fit and influence of each observation : ");
            out_.Line("    * = potentially deleterious or influential observations");
        } else {
            out_.Line("(a) potentially deleterious or influential observations affecting the fit:");
        }
        out_.Empty();
        out_.Line(StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4) + "           hat " +
                  "   dfFits" + "    Rstudt" + "   sigma[i]" + "   d(sig)%");
        out_.Empty();
        for (std::size_t i = 0; i < d.rows.size(); ++i) {
            const DiagnosticRow& row = d.rows[i];
            if (!full && !row.flaggedFit) continue;
            out_.Line(Indices(int(i + 1), r_.reflections[i]) + Fixed(row.leverage, 14, 3) + Field(row.dfFits, 10, 3) +
                      Field(row.rStudent, 10, 3) + Fixed(row.sigmaDeleted, 10, 4) +
                      Field(row.sigmaChangePercent, 10, 1) + (full && row.flaggedFit ? " *" : ""));
        }
        out_.Empty();
        out_.Line("limit :" + Fixed(d.leverageLimit, 24, 3) + Fixed(d.dfFitsLimit, 10, 3) +
                  Fixed(d.rStudentLimit, 10, 3));
        out_.Empty(3);
        if (full) {
            out_.Line("(b) DfBetas:  changes expected on deletion of individual observations");
            out_.Line("    cell parameter changes (as % of their standard deviations):");
            // The flag is set above 32.5 %; the legend has always said 33 %.
            out_.Line("    * = >33% of sd on one or more cell parameters");
        } else {
            out_.Line("(b) observations most strongly affecting the parameter values");
            out_.Line("    DfBetas: cell parameter changes (as % of their standard deviations):");
        }
        out_.Empty();
        std::string heads = StrField("no", 3) + StrField("h", 6) + StrField("k", 4) + StrField("l", 4);
        for (const RefinedParameter& q : r_.parameters) heads += StrField("d" + q.label, 10);
        out_.Line(heads + StrField("dV", 10));
        out_.Empty();
        for (std::size_t i = 0; i < d.rows.size(); ++i) {
            const DiagnosticRow& row = d.rows[i];
            if (!full && !row.flaggedParameters) continue;
            std::string& line = line_;
            line = Indices(int(i + 1), r_.reflections[i]);
            for (const auto& pct : row.parameterChangePercent) line += PercentField(pct);
            line += PercentField(row.volumeChangePercent);
            if (full && row.flaggedParameters) line += " *";
            out_.Line(line);
        }
    }

    const Results& r_;
    MarginCheck* check_;
    const RefinementSettings& s_;
    const bool dataIs2Theta_, dataIsEnergy_;
    Lines out_;
    std::string line_;  // the row being formed, its memory kept from row to row
};

}  // namespace

std::string FormatReport(const Results& results, MarginCheck* check) { return ReportWriter(results, check).Write(); }

}  // namespace zantrel

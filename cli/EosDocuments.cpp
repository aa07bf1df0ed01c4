#include "cli/EosDocuments.h"

#include <cmath>

#include "export/Documents.h"  // JsonString
#include "export/Format.h"

namespace zantrel::cli {

namespace {

std::string Num(double x) { return std::isfinite(x) ? FormatShortest(x) : "null"; }
std::string Num(const std::optional<double>& x) { return x ? Num(*x) : "null"; }

std::string List(const std::vector<double>& xs) {
    std::string out = "[";
    for (std::size_t i = 0; i < xs.size(); ++i) out += (i ? ", " : "") + Num(xs[i]);
    return out + "]";
}

}  // namespace

std::string EosFitText(const eos::EosFit& fit, const Series& series) {
    std::string out = "Equation of state " + std::string(eos::FormName(fit.form)) + " fitted to " +
                      std::to_string(fit.points.size()) + " points (pressure from " + series.pressureColumn + ")\n";
    if (!series.axis.empty())
        out += "  of " + series.axis + "^3 for " + series.axis + ": V0 is " + series.axis + "0^3; the linear modulus M0 = 3 K0 = " +
               FixedField(3 * fit.cold.k0, 0, 3) + " GPa, M0' = 3 K0' = " + FixedField(3 * fit.cold.k0p, 0, 3) + "\n";
    for (const eos::FitParameter& p : fit.parameters)
        out += "  " + StrField(p.name, 5) + " = " + FixedField(p.value, 12, 5) +
               (p.fixed ? "  (fixed)" : "  sigma " + FixedField(p.sigma, 10, 5)) + "\n";
    out += "  chi^2 = " + FormatShortest(fit.chi2) + " for " + std::to_string(fit.dof) + " degrees of freedom\n";
    out += "  correlations of " ;
    for (const std::string& n : fit.refined) out += n + " ";
    out += "\n";
    for (const auto& row : fit.correlation) {
        out += "   ";
        for (double c : row) out += FixedField(c, 8, 4);
        out += "\n";
    }
    out += "\n  point  P (GPa)     V (A^3)   residual leverage  Rstudent  change/sigma";
    for (const std::string& n : fit.refined) out += " " + n;
    out += "\n";
    for (std::size_t i = 0; i < fit.points.size(); ++i) {
        const eos::PointInfluence& p = fit.points[i];
        out += FixedField(double(i + 1), 7, 0) + FixedField(p.pressure, 9, 3) + FixedField(p.volume, 12, 4) +
               FixedField(p.residual, 10, 3) + FixedField(p.leverage, 9, 3) +
               (p.rStudent ? FixedField(*p.rStudent, 10, 3) : StrField("n/a", 10)) + "  ";
        for (double d : p.parameterChange) out += FixedField(d, 8, 3);
        out += std::string(p.flaggedFit ? "  *fit" : "") + (p.flaggedParameters ? "  *parameters" : "") + "\n";
    }
    out += "  limits: leverage " + FixedField(fit.leverageLimit, 0, 3) + ", DFFITS " + FixedField(fit.dfFitsLimit, 0, 3) +
           ", Rstudent 2, parameter change 0.325 sigma\n";
    return out;
}

std::string EosFitJson(const eos::EosFit& fit, const Series& series, const std::string& summary) {
    std::string out = "{\n  \"format\": \"zantrel-cli eos\",\n  \"version\": 1,\n";
    out += "  \"summary\": " + JsonString(summary) + ",\n  \"pressure_column\": " + JsonString(series.pressureColumn) + ",\n";
    out += "  \"axis\": " + (series.axis.empty() ? std::string("null") : JsonString(series.axis)) + ",\n";
    out += "  \"form\": " + JsonString(eos::FormName(fit.form)) + ",\n  \"parameters\": {";
    for (std::size_t i = 0; i < fit.parameters.size(); ++i) {
        const eos::FitParameter& p = fit.parameters[i];
        out += std::string(i ? "," : "") + "\n    " + JsonString(p.name) + ": {\"value\": " + Num(p.value) +
               ", \"sigma\": " + Num(p.sigma) + ", \"fixed\": " + (p.fixed ? "true" : "false") + "}";
    }
    out += "\n  },\n  \"refined\": [";
    for (std::size_t i = 0; i < fit.refined.size(); ++i) out += (i ? ", " : "") + JsonString(fit.refined[i]);
    out += "],\n  \"correlation\": [";
    for (std::size_t i = 0; i < fit.correlation.size(); ++i) out += (i ? ", " : "") + List(fit.correlation[i]);
    out += "],\n  \"chi2\": " + Num(fit.chi2) + ",\n  \"dof\": " + std::to_string(fit.dof) + ",\n";
    out += "  \"limits\": {\"leverage\": " + Num(fit.leverageLimit) + ", \"dffits\": " + Num(fit.dfFitsLimit) +
           ", \"rstudent\": " + Num(fit.rStudentLimit) + ", \"parameter_change\": " + Num(fit.parameterChangeLimit) + "},\n";
    out += "  \"points\": [";
    for (std::size_t i = 0; i < fit.points.size(); ++i) {
        const eos::PointInfluence& p = fit.points[i];
        out += std::string(i ? "," : "") + "\n    {\"file\": " + JsonString(i < series.files.size() ? series.files[i] : "") +
               ", \"pressure\": " + Num(p.pressure) + ", \"volume\": " + Num(p.volume) + ", \"sigma_effective\": " +
               Num(p.sigmaEffective) + ", \"residual\": " + Num(p.residual) + ", \"leverage\": " + Num(p.leverage) +
               ", \"rstudent\": " + Num(p.rStudent) + ", \"dffits\": " + Num(p.dfFits) + ", \"parameter_change_sigma\": " +
               List(p.parameterChange) + ", \"flagged_fit\": " + (p.flaggedFit ? "true" : "false") +
               ", \"flagged_parameters\": " + (p.flaggedParameters ? "true" : "false") + "}";
    }
    out += "\n  ],\n  \"strain\": [";
    for (std::size_t i = 0; i < fit.strain.size(); ++i) {
        const eos::StrainPoint& s = fit.strain[i];
        out += std::string(i ? "," : "") + "\n    {\"f\": " + Num(s.f) + ", \"sigma_f\": " + Num(s.sigmaF) + ", \"F\": " +
               Num(s.normalisedPressure) + ", \"sigma_F\": " + Num(s.sigmaNormalisedPressure) + "}";
    }
    out += "\n  ],\n  \"ellipses\": [";
    for (std::size_t i = 0; i < fit.ellipses.size(); ++i) {
        out += std::string(i ? "," : "") + "\n    {\"delta_chi2\": " + Num(fit.ellipses[i].deltaChi2) + ", \"K0_K0p\": [";
        for (std::size_t j = 0; j < fit.ellipses[i].points.size(); ++j)
            out += (j ? ", " : "") + List({fit.ellipses[i].points[j].first, fit.ellipses[i].points[j].second});
        out += "]}";
    }
    return out + "\n  ]\n}\n";
}

std::string EosFit7Data(const Series& series, const std::string& title) {
    bool edges = !series.a.empty();
    for (double a : series.a) edges = edges && a > 0;
    std::string out = "Title " + title + "\nPscale GPa\nFormat P SIGP V SIGV" + std::string(edges ? " A SIGA" : "") + "\nData\n";
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const eos::SeriesPoint& p = series.points[i];
        out += FormatShortest(p.pressure) + " " + FormatShortest(p.sigmaPressure) + " " + FormatShortest(p.volume) + " " +
               FormatShortest(p.sigmaVolume);
        if (edges) out += " " + FormatShortest(series.a[i]) + " " + FormatShortest(series.sigmaA[i]);
        out += "\n";
    }
    return out;
}

}  // namespace zantrel::cli

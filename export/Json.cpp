// Every result of one run as a JSON document (RFC 8259, ASCII, shortest round-trip
// numbers); docs/json-schema.json describes it.

#include "export/Documents.h"

#include <cmath>

#include "cell/Constants.h"
#include "export/Format.h"
#include "export/Windows1252.h"

namespace zantrel {

namespace {

void AppendEscape(std::string& out, unsigned code) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += Hex[(code >> shift) & 0xF];
}

std::string Number(double x) { return std::isfinite(x) ? FormatShortest(x) : "null"; }
std::string Number(const std::optional<double>& x) { return x ? Number(*x) : "null"; }
// A number the report prints from extended precision, as the double nearest to it.
std::string Number(long double x) { return Number(double(x)); }
std::string Number(const std::optional<long double>& x) { return x ? Number(*x) : "null"; }
std::string Bool(bool b) { return b ? "true" : "false"; }
std::string Name(const char* name) { return JsonString(name); }

// A pretty-printed document: objects and arrays open on their key's line, one member
// a line; Inline() members (rows of a matrix, one reflection) stay on one line.
class Writer {
public:
    void Member(const std::string& key, const std::string& value) {
        Next();
        out_ += JsonString(key) + ": " + value;
    }
    void Element(const std::string& value) {
        Next();
        out_ += value;
    }
    void Open(const std::string& key, char bracket) {
        Next();
        if (!key.empty()) out_ += JsonString(key) + ": ";
        out_ += bracket;
        ++depth_;
        first_ = true;
    }
    void Close(char bracket) {
        --depth_;
        if (!first_) out_ += "\n" + std::string(std::size_t(2 * depth_), ' ');
        out_ += bracket;
        first_ = false;
    }
    std::string Text() { return out_ + "\n"; }

private:
    void Next() {
        if (depth_ == 0) return;
        if (!first_) out_ += ",";
        out_ += "\n" + std::string(std::size_t(2 * depth_), ' ');
        first_ = false;
    }
    std::string out_;
    int depth_ = 0;
    bool first_ = true;
};

std::string Inline(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{";
    for (const auto& [key, value] : members) out += (out.size() > 1 ? ", " : "") + JsonString(key) + ": " + value;
    return out + "}";
}

std::string Row(const std::vector<std::string>& values) {
    std::string out = "[";
    for (const std::string& v : values) out += (out.size() > 1 ? ", " : "") + v;
    return out + "]";
}

template <typename Cell>
void Matrix(Writer& w, const std::string& key, const std::vector<std::vector<Cell>>& m) {
    w.Open(key, '[');
    for (const auto& values : m) {
        std::vector<std::string> row;
        for (const Cell& x : values) row.push_back(Number(x));
        w.Element(Row(row));
    }
    w.Close(']');
}

const char* WeightingName(WeightMode mode) {
    switch (mode) {
        case WeightMode::TwoThetaError: return "sigma_2theta";
        case WeightMode::RelativeD: return "relative_d";
        case WeightMode::RelativeEnergy: return "relative_energy";
        case WeightMode::SigmaColumn: return "sigma_column";
    }
    return "";
}

void Excluded(Writer& w, const std::vector<ExcludedReflection>& excluded) {
    w.Open("excluded", '[');
    for (const ExcludedReflection& e : excluded)
        w.Element(Inline({{"row", std::to_string(e.row)},
                          {"h", std::to_string(e.h)},
                          {"k", std::to_string(e.k)},
                          {"l", std::to_string(e.l)},
                          {"value", Number(e.valueAsRead)}}));
    w.Close(']');
}

void Settings(Writer& w, const RefinementSettings& s) {
    w.Open("settings", '{');
    w.Member("data", Name(QuantityName(s.data)));
    w.Member("minimised", Name(QuantityName(s.minimised)));
    w.Member("wavelength", Number(s.wavelength));
    w.Member("beam_2theta", Number(s.beam2Theta));
    w.Member("zero_shift", Bool(s.zeroShift));
    w.Member("full_diagnostics", Bool(s.fullDiagnostics));
    const Weighting& weighting = s.weighting;
    w.Member("sigma_2theta", weighting.mode == WeightMode::TwoThetaError ? Number(weighting.value) : "null");
    w.Member("weighting", Inline({{"mode", Name(WeightingName(weighting.mode))},
                                  {"value", weighting.mode == WeightMode::SigmaColumn ? "null" : Number(weighting.value)}}));
    w.Close('}');
}

void Cell(Writer& w, const Results& r) {
    w.Open("parameters", '[');
    for (const RefinedParameter& q : r.parameters)
        w.Element(Inline({{"label", JsonString(q.label)},
                          {"value", Number(q.estimate.value)},
                          {"sigma", Number(q.estimate.sigma)},
                          {"conf95", Number(q.estimate.conf95)}}));
    w.Close(']');
    static constexpr const char* Names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    w.Open("cell", '{');
    for (std::size_t i = 0; i < 6; ++i)
        w.Member(Names[i], Inline({{"value", Number(r.cell[i].value)}, {"sigma", Number(r.cell[i].sigma)}}));
    w.Close('}');
    w.Member("volume", Inline({{"value", Number(r.volume.value)},
                               {"sigma", Number(r.volume.sigma)},
                               {"conf95", Number(r.volume.conf95)}}));
    Matrix(w, "covariance", r.covariance);
    Matrix(w, "correlation", r.correlation);
    w.Open("reciprocal", '{');
    w.Open("parameters", '[');
    for (const RefinedParameter& q : r.reciprocal)
        w.Element(Inline({{"label", JsonString(q.label)},
                          {"value", Number(q.estimate.value)},
                          {"sigma", Number(q.estimate.sigma)}}));
    w.Close(']');
    Matrix(w, "covariance", r.reciprocalCovariance);
    w.Close('}');
}

void Statistics(Writer& w, const Results& r) {
    if (const ZeroShiftResult* z = RefinedZeroShift(r))
        w.Member("zero_shift", Inline({{"value", Number(z->value)},
                                       {"sigma", Number(z->sigma)},
                                       {"conf95", Number(z->conf95)},
                                       {"applied", Bool(z->significant)},
                                       {"unit", Name(UnitName(z->quantity))}}));
    else
        w.Member("zero_shift", "null");
    w.Open("statistics", '{');
    w.Member("sigmafit", Number(r.sigmaFit));
    w.Member("student_t", Number(r.studentT));
    w.Member("degrees_of_freedom", std::to_string(r.obsCount - r.paramCount));
    w.Member("quantity", Name(QuantityName(r.fit.quantity)));
    w.Member("unit", Name(UnitName(r.fit.quantity)));
    w.Member("sd", Number(r.fit.sd));
    w.Member("aad", Number(r.fit.aad));
    w.Member("maxdev", Number(r.fit.maxdev));
    w.Close('}');
}

void Reflections(Writer& w, const Results& r) {
    const Quantity position = r.settings.data == Quantity::Energy ? Quantity::Energy : Quantity::TwoTheta;
    w.Member("positions", Inline({{"quantity", Name(QuantityName(position))}, {"unit", Name(UnitName(position))}}));
    w.Open("reflections", '[');
    int number = 0;
    for (const ReflectionRow& row : r.reflections)
        w.Element(Inline({{"no", std::to_string(++number)},
                          {"h", std::to_string(row.h)},
                          {"k", std::to_string(row.k)},
                          {"l", std::to_string(row.l)},
                          {"d_obs", Number(row.dObs)},
                          {"d_calc", Number(row.dCalc)},
                          {"row", std::to_string(row.row)},
                          {"position_as_read", Number(row.valueAsRead)},
                          {"position_obs", row.positionFormed ? Number(row.positionObs) : "null"},
                          {"position_calc", Number(row.positionCalc)},
                          {"residual", Number(row.residual)},
                          {"sigma", Number(row.sigma)},
                          {"marked", Bool(row.marked)}}));
    w.Close(']');
}

void RegressionDiagnostics(Writer& w, const Diagnostics& d) {
    w.Open("diagnostics", '{');
    w.Member("complete", "true");
    w.Member("leverage_limit", Number(d.leverageLimit));
    w.Member("dffits_limit", Number(d.dfFitsLimit));
    w.Member("rstudent_limit", Number(d.rStudentLimit));
    w.Member("parameter_change_limit_percent", Number(d.parameterChangeLimitPercent));
    w.Member("n_flagged", std::to_string(d.FlaggedCount()));
    w.Open("rows", '[');
    int number = 0;
    for (const DiagnosticRow& row : d.rows) {
        std::vector<std::string> changes;
        for (const auto& c : row.parameterChangePercent) changes.push_back(Number(c));
        w.Element(Inline({{"no", std::to_string(++number)},
                          {"hat", Number(row.leverage)},
                          {"dffits", Number(row.dfFits)},
                          {"rstudent", Number(row.rStudent)},
                          {"sigma_deleted", Number(row.sigmaDeleted)},
                          {"sigma_change_percent", Number(row.sigmaChangePercent)},
                          {"parameter_change_percent", Row(changes)},
                          {"volume_change_percent", Number(row.volumeChangePercent)},
                          {"flagged_fit", Bool(row.flaggedFit)},
                          {"flagged_parameters", Bool(row.flaggedParameters)}}));
    }
    w.Close(']');
    w.Close('}');
}

void Refinement(Writer& w, const Results& r) {
    w.Open("refinement", '[');
    for (const PassSummary& pass : r.passes)
        w.Element(Inline({{"zero_shift_refined", Bool(pass.zeroShiftRefined)},
                          {"steps", std::to_string(pass.steps)},
                          {"chi_square", Number(pass.chiSquare)},
                          {"last_change", Number(pass.lastChange)},
                          {"tolerance", Number(pass.tolerance)}}));
    w.Close(']');
}

}  // namespace

std::string JsonString(const std::string& bytes) {
    // Text from data files and paths may be UTF-8 or Windows-1252; what is not valid
    // UTF-8 is read as Windows-1252. The output is ASCII, everything else escaped.
    std::u32string text;
    if (!DecodeUtf8(bytes, text)) {
        text.clear();
        DecodeUtf8(Windows1252ToUtf8(bytes), text);
    }
    std::string out = "\"";
    for (char32_t c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    if (c >= 0x10000) {  // a surrogate pair
                        AppendEscape(out, unsigned(0xD800 + ((c - 0x10000) >> 10)));
                        AppendEscape(out, unsigned(0xDC00 + ((c - 0x10000) & 0x3FF)));
                    } else {
                        AppendEscape(out, unsigned(c));
                    }
                } else {
                    out += char(c);
                }
        }
    }
    return out + "\"";
}

namespace {

void Pressure(Writer& w, const PressureRecord& p) {
    w.Open("pressure", '{');
    w.Member("temperature", Number(p.temperature));
    w.Member("sigma_temperature", Number(p.sigmaTemperature));
    w.Open("scales", '[');
    for (const CalibrantPressure& c : p.scales)
        w.Element(Inline({{"scale", JsonString(c.scale)},
                          {"reference", JsonString(c.reference)},
                          {"pressure", Number(c.pressure)},
                          {"sigma", Number(c.sigma)},
                          {"sigma_scale", Number(c.sigmaScale)},
                          {"bulk_modulus", Number(c.bulkModulus)},
                          {"error", c.error.empty() ? "null" : JsonString(c.error)}}));
    w.Close(']');
    w.Close('}');
}

}  // namespace

std::string JsonText(const FileResult& f) {
    const Results& r = f.results;
    Writer w;
    w.Open("", '{');
    w.Member("format", JsonString("zantrel-cli result"));
    w.Member("version", "1");
    w.Member("file", JsonString(f.file));
    w.Member("report", JsonString(f.report));
    w.Member("status", JsonString(r.halted ? "halted" : "ok"));
    w.Member("title", JsonString(r.title));
    Settings(w, r.settings);
    const std::string& reason = f.path.fallbackReason;
    w.Member("path", Inline({{"precision", Name(PrecisionName(f.path))},
                             {"fallback_reason", reason.empty() ? "null" : JsonString(reason)}}));
    w.Member("n_reflections", std::to_string(r.obsCount));
    w.Member("too_many_reflections", Bool(r.tooManyReflections));
    Excluded(w, r.excluded);
    if (r.halted) {
        w.Member("results", "null");
    } else {
        w.Open("results", '{');
        w.Member("crystal_system", Name(SystemName(r.systemRefined)));
        w.Member("crystal_system_requested", Name(SystemName(r.systemRequested)));
        w.Member("n_parameters", std::to_string(r.paramCount));
        Cell(w, r);
        Statistics(w, r);
        Reflections(w, r);
        RegressionDiagnostics(w, r.diagnostics);
        Refinement(w, r);
        w.Close('}');
    }
    if (f.pressure) Pressure(w, *f.pressure);
    w.Close('}');
    return w.Text();
}

}  // namespace zantrel

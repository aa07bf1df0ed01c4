// Every result of one run as a JSON document (RFC 8259, ASCII, shortest round-trip
// numbers); docs/json-schema.json describes it.

#include "cli/Batch.h"

#include <cmath>

namespace zantrel::cli {

namespace {

// The code points of the bytes 0x80..0x9F in Windows-1252, the report's code page;
// the five bytes it leaves undefined become U+FFFD.
constexpr char32_t Windows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Decodes UTF-8; false at the first malformed, overlong or surrogate sequence.
bool DecodeUtf8(const std::string& bytes, std::u32string& out) {
    for (std::size_t i = 0; i < bytes.size();) {
        auto c = static_cast<unsigned char>(bytes[i]);
        int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + std::size_t(length) > bytes.size()) return false;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        out += code;
        i += std::size_t(length);
    }
    return true;
}

void AppendEscape(std::string& out, unsigned code) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += Hex[(code >> shift) & 0xF];
}

std::string Number(double x) { return std::isfinite(x) ? Shortest(x) : "null"; }
std::string Number(const std::optional<double>& x) { return x ? Number(*x) : "null"; }
std::string Bool(bool b) { return b ? "true" : "false"; }

const char* UnitOf(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "deg";
        case Quantity::D: return "angstrom";
        case Quantity::Energy: return "keV";
        case Quantity::Q: return "1/angstrom^2";
    }
    return "";
}

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

void Matrix(Writer& w, const std::string& key, const ParamMatrix& m, int p, bool correlation) {
    w.Open(key, '[');
    for (int i = 1; i <= p; ++i) {
        std::vector<std::string> row;
        for (int j = 1; j <= p; ++j) {
            if (!correlation) {
                row.push_back(Number(m(i, j)));
                continue;
            }
            // As the report forms it: C_ij / (sqrt C_jj sqrt C_ii); none without both variances.
            const double vi = m(i, i), vj = m(j, j);
            if (!(vi > 0 && vj > 0)) row.push_back("null");
            else if (i == j) row.push_back("1");
            else row.push_back(Number(double(m(i, j) / (std::sqrt(Extended(vj)) * std::sqrt(Extended(vi))))));
        }
        w.Element(Row(row));
    }
    w.Close(']');
}

void Settings(Writer& w, const FileResult& r) {
    w.Open("settings", '{');
    w.Member("data", JsonString(QuantityName(r.data)));
    w.Member("minimised", JsonString(QuantityName(r.minimised)));
    w.Member("wavelength", Number(r.wavelength));
    w.Member("beam_2theta", Number(r.beam2Theta));
    w.Member("zero_shift", Bool(r.zeroShiftRequested));
    w.Member("full_diagnostics", Bool(r.fullDiagnostics));
    w.Member("sigma_2theta", Number(Sigma2Theta));
    w.Close('}');
}

void Cell(Writer& w, const FileResult& r) {
    const int p = r.paramCount;
    w.Open("parameters", '[');
    for (int i = 1; i <= p; ++i) {
        const double value = i <= 3 ? r.direct[i] : Degrees(r.direct[i]);
        w.Element(Inline({{"label", JsonString(r.directLabels[std::size_t(i)])},
                          {"value", Number(value)},
                          {"sigma", Number(r.directSigmas[i])},
                          {"conf95", Number(r.directSigmas[i] * r.studentT)}}));
    }
    w.Close(']');
    static constexpr const char* Names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    const auto cell = ConventionalCell(r);
    w.Open("cell", '{');
    for (std::size_t i = 0; i < 6; ++i)
        w.Member(Names[i], Inline({{"value", Number(cell[i].value)}, {"sigma", Number(cell[i].sigma)}}));
    w.Close('}');
    w.Member("volume", Inline({{"value", Number(r.volume)},
                               {"sigma", Number(r.volumeSigma)},
                               {"conf95", Number(r.volumeSigma * r.studentT)}}));
    Matrix(w, "covariance", r.directCovariance, p, false);
    Matrix(w, "correlation", r.directCovariance, p, true);
    w.Open("reciprocal", '{');
    w.Open("parameters", '[');
    for (int i = 1; i <= p; ++i) {
        const double value = i <= 3 ? r.reciprocal[i] : Degrees(r.reciprocal[i]);
        w.Element(Inline({{"label", JsonString(r.reciprocalLabels[std::size_t(i)])},
                          {"value", Number(value)},
                          {"sigma", Number(r.reciprocalSigmas[i])}}));
    }
    w.Close(']');
    Matrix(w, "covariance", r.reciprocalCovariance, p, false);
    w.Close('}');
}

void Statistics(Writer& w, const FileResult& r) {
    if (r.zeroShiftRequested)
        w.Member("zero_shift", Inline({{"value", Number(r.zeroShift)},
                                       {"sigma", Number(r.zeroShiftSigma)},
                                       {"conf95", Number(r.zeroShiftSigma * r.studentT)},
                                       {"applied", Bool(r.zeroShiftApplied)},
                                       {"unit", JsonString(r.minimised == Quantity::TwoTheta ? "deg" : "keV")}}));
    else
        w.Member("zero_shift", "null");
    // sd, aad and maxdev of the minimised quantity, over n as the report forms them.
    Extended squares = 0, absolute = 0;
    double largest = 0;
    for (const ReflectionResult& row : r.reflections) {
        squares += Extended(row.residual) * row.residual;
        absolute += std::fabs(row.residual);
        largest = std::max(largest, std::fabs(row.residual));
    }
    const Extended n = Extended(r.reflections.size());
    w.Open("statistics", '{');
    w.Member("sigmafit", Number(r.fitSigma));
    w.Member("student_t", Number(r.studentT));
    w.Member("degrees_of_freedom", std::to_string(r.obsCount - r.paramCount));
    w.Member("quantity", JsonString(QuantityName(r.minimised)));
    w.Member("unit", JsonString(UnitOf(r.minimised)));
    w.Member("sd", Number(n > 0 ? double(std::sqrt(squares / n)) : 0.0));
    w.Member("aad", Number(n > 0 ? double(absolute / n) : 0.0));
    w.Member("maxdev", Number(largest));
    w.Close('}');
}

void Reflections(Writer& w, const FileResult& r) {
    const Quantity position = r.data == Quantity::Energy ? Quantity::Energy : Quantity::TwoTheta;
    w.Member("positions", Inline({{"quantity", JsonString(QuantityName(position))},
                                  {"unit", JsonString(UnitOf(position))}}));
    w.Open("reflections", '[');
    int number = 0;
    for (const ReflectionResult& row : r.reflections)
        w.Element(Inline({{"no", std::to_string(++number)},
                          {"h", std::to_string(row.h)},
                          {"k", std::to_string(row.k)},
                          {"l", std::to_string(row.l)},
                          {"d_obs", Number(row.dObs)},
                          {"d_calc", Number(row.dCalc)},
                          {"position_obs", Number(row.positionObs)},
                          {"position_calc", Number(row.positionCalc)},
                          {"residual", Number(row.residual)},
                          {"sigma", Number(row.sigma)}}));
    w.Close(']');
}

void Diagnostics(Writer& w, const DiagnosticsResult& d) {
    w.Open("diagnostics", '{');
    w.Member("complete", Bool(d.complete));
    w.Member("leverage_limit", Number(d.leverageLimit));
    w.Member("dffits_limit", Number(d.dfFitsLimit));
    w.Member("rstudent_limit", Number(d.rStudentLimit));
    w.Member("parameter_change_limit_percent", "32.5");
    w.Member("n_flagged", std::to_string(d.flaggedCount));
    w.Open("rows", '[');
    for (const DiagnosticRow& row : d.rows) {
        std::vector<std::string> changes;
        for (const auto& c : row.parameterChangePercent) changes.push_back(Number(c));
        w.Element(Inline({{"no", std::to_string(row.number)},
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

}  // namespace

std::string JsonString(const std::string& bytes) {
    // Text from data files and paths may be UTF-8 or Windows-1252; what is not valid
    // UTF-8 is read as Windows-1252. The output is ASCII, everything else escaped.
    std::u32string text;
    if (!DecodeUtf8(bytes, text)) {
        text.clear();
        for (char c : bytes) {
            auto b = static_cast<unsigned char>(c);
            text += b >= 0x80 && b < 0xA0 ? Windows1252High[b - 0x80] : char32_t(b);
        }
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

std::string JsonText(const FileResult& r) {
    Writer w;
    w.Open("", '{');
    w.Member("format", JsonString("zantrel-cli result"));
    w.Member("version", "1");
    w.Member("file", JsonString(r.file));
    w.Member("report", JsonString(r.report));
    w.Member("status", JsonString(r.status == RunStatus::Ok ? "ok" : "halted"));
    w.Member("title", JsonString(r.title));
    Settings(w, r);
    w.Member("n_reflections", std::to_string(r.obsCount));
    w.Member("too_many_reflections", Bool(r.tooManyReflections));
    if (r.status != RunStatus::Ok) {
        w.Member("results", "null");
    } else {
        w.Open("results", '{');
        w.Member("crystal_system", JsonString(SystemName(r.system)));
        w.Member("n_parameters", std::to_string(r.paramCount));
        Cell(w, r);
        Statistics(w, r);
        Reflections(w, r);
        Diagnostics(w, r.diagnostics);
        w.Close('}');
    }
    w.Close('}');
    return w.Text();
}

}  // namespace zantrel::cli

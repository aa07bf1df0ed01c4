#include "export/WeightingText.h"

#include <array>
#include <charconv>

#include "export/Format.h"

namespace zantrel {

namespace {

// The shortest plain decimal that reads back as x: "0.0001", never "1e-04".
std::string Decimal(double x) {
    std::array<char, 400> buffer{};
    for (int decimals = 0; decimals <= 340; ++decimals) {
        auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed, decimals);
        if (ec != std::errc()) break;
        double back = 0;
        std::from_chars(buffer.data(), end, back);
        if (back == x) return std::string(buffer.data(), end);
    }
    return FormatShortest(x);
}

const char* FittedName(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "2theta";
        case Quantity::D: return "d";
        case Quantity::Energy: return "energy";
        case Quantity::Q: return "Q";
    }
    return "";
}

const char* SigmaUnit(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "deg of 2theta";
        case Quantity::Energy: return "keV";
        default: return "Å";
    }
}

}  // namespace

std::vector<std::string> WeightingLines(const RefinementSettings& s) {
    const Weighting& w = s.weighting;
    const std::string fitted = FittedName(s.minimised);
    if (w.mode == WeightMode::TwoThetaError) {
        // With 0.005 these are the lines every report has carried.
        std::vector<std::string> lines{"Weighted assuming a value of sigma(2theta) = " +
                                       (w.IsDefault() ? std::string("0.005") : Decimal(w.value)) + " deg"};
        if (s.minimised != Quantity::TwoTheta)
            lines.push_back("Errors for energy, d or Q are transformed from this assumed 2theta error for weighting");
        lines.push_back("Cell parameter errors scale in direct proportion to this weighting value");
        return lines;
    }
    if (w.mode == WeightMode::SigmaColumn) {
        std::vector<std::string> lines{std::string("Weighted by the sigma given after each observation (") +
                                       SigmaUnit(s.data) + ")"};
        if (s.minimised != s.data)
            lines.push_back("Errors for " + fitted + " are transformed from these sigmas for weighting");
        lines.push_back("Cell parameter errors scale in direct proportion to these sigmas");
        return lines;
    }
    const bool relativeD = w.mode == WeightMode::RelativeD;
    std::vector<std::string> lines{std::string("Weighted assuming a relative error ") +
                                   (relativeD ? "sigma(d)/d" : "sigma(E)/E") + " = " + Decimal(w.value)};
    if (s.minimised != (relativeD ? Quantity::D : Quantity::Energy))
        lines.push_back("Errors for " + fitted + " are transformed from this relative error for weighting");
    lines.push_back("Cell parameter errors scale in direct proportion to this weighting value");
    return lines;
}

std::string WeightingProblem(const Weighting& w) {
    if (w.mode == WeightMode::SigmaColumn) return "";
    const std::string shown = FormatShortest(w.value);
    if (w.mode == WeightMode::TwoThetaError)
        return w.value > 0 && w.value < 10
                   ? ""
                   : "the assumed error sigma(2theta) = " + shown + " deg must lie above 0 and below 10 degrees";
    if (w.value > 0 && w.value < 1) return "";
    return std::string("the relative error ") + (w.mode == WeightMode::RelativeD ? "sigma(d)/d" : "sigma(E)/E") +
           " = " + shown + " must lie above 0 and below 1";
}

std::string ExcludedList(const std::vector<ExcludedReflection>& excluded) {
    std::string list;
    for (const ExcludedReflection& e : excluded)
        list += std::string(list.empty() ? "" : ", ") + "row " + std::to_string(e.row) + " (" + std::to_string(e.h) +
                " " + std::to_string(e.k) + " " + std::to_string(e.l) + ")";
    return list;
}

std::string ExcludedLine(const std::vector<ExcludedReflection>& excluded) {
    return "excluded from the fit: " + ExcludedList(excluded);
}

}  // namespace zantrel

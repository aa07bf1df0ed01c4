#include "run/CompareWithoutFlagged.h"

#include "cell/Messages.h"
#include "export/Format.h"
#include "export/WeightingText.h"

namespace zantrel {

namespace {

// The two fits refine the same system only when the second fit does not fall back.
std::vector<ComparedValue> Compare(const Results& a, const Results& b) {
    std::vector<ComparedValue> values;
    auto add = [&](const std::string& label, const Estimate& x, const Estimate& y) {
        ComparedValue v{label, x.value, x.sigma, y.value, y.sigma, std::nullopt};
        if (x.sigma > 0) v.changeInSigma = (y.value - x.value) / x.sigma;
        values.push_back(v);
    };
    for (std::size_t i = 0; i < a.parameters.size() && i < b.parameters.size(); ++i)
        if (a.parameters[i].label == b.parameters[i].label)
            add(a.parameters[i].label, a.parameters[i].estimate, b.parameters[i].estimate);
    add("cell vol", a.volume, b.volume);
    return values;
}

}  // namespace

FlaggedComparison CompareWithoutFlagged(RunRequest request) {
    request.report = ReportTarget::None;
    FlaggedComparison c;
    c.all = RunRefinement(request).results;
    if (c.all.halted) Fail(Msg::NotEnoughData, "so there are no diagnostics to flag reflections");
    for (std::size_t i = 0; i < c.all.diagnostics.rows.size(); ++i) {
        const DiagnosticRow& d = c.all.diagnostics.rows[i];
        if (!d.flaggedFit && !d.flaggedParameters) continue;
        const ReflectionRow& row = c.all.reflections[i];
        c.flagged.push_back({row.row, row.h, row.k, row.l, row.valueAsRead});
        request.exclude.rows.push_back(row.row);
    }
    if (c.flagged.empty()) return c;
    try {
        c.without = RunRefinement(request).results;
    } catch (const RunError& e) {
        Fail(std::string("Refined without the flagged reflections: ") + e.what());
    }
    if (c.without.halted)
        Fail(Msg::NotEnoughData, "without the " + std::to_string(c.flagged.size()) + " flagged reflections");
    c.values = Compare(c.all, c.without);
    return c;
}

std::string ComparisonText(const FlaggedComparison& c) {
    if (c.flagged.empty()) return "no reflection flagged: nothing to compare\n";
    std::string text = "without the " + std::to_string(c.flagged.size()) + " flagged reflection" +
                       (c.flagged.size() == 1 ? "" : "s") + ": " + ExcludedList(c.flagged) + "\n";
    text += StrField("parameter", 10) + StrField("all", 13) + StrField("sigma", 11) + StrField("without", 13) +
            StrField("sigma", 11) + StrField("change/sigma", 14) + "\n";
    for (const ComparedValue& v : c.values) {
        const int d = v.label == "cell vol" ? 4 : 6;
        text += StrField(v.label, 10) + FixedField(v.all, 13, d) + FixedField(v.sigmaAll, 11, d) +
                FixedField(v.without, 13, d) + FixedField(v.sigmaWithout, 11, d) +
                (v.changeInSigma ? FixedField(*v.changeInSigma, 14, 2) : StrField("n/a", 14)) + "\n";
    }
    if (c.without.systemRefined != c.all.systemRefined)
        text += std::string("(without them the fit fell back to the ") + SystemName(c.without.systemRefined) +
                " system)\n";
    return text;
}

}  // namespace zantrel

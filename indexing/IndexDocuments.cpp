#include "indexing/IndexDocuments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "export/Format.h"
#include "export/Origin.h"

namespace zantrel::indexing {

namespace {

std::string Num(double x) { return std::isfinite(x) ? FormatShortest(x) : "null"; }
std::string Num(const std::optional<double>& x) { return x ? Num(*x) : "null"; }
std::string Hkl(const Miller& m) {
    return "[" + std::to_string(m[0]) + ", " + std::to_string(m[1]) + ", " + std::to_string(m[2]) + "]";
}

std::string Fixed(double x, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, x);
    return buffer;
}

}  // namespace

std::string AssignmentJson(const Indexing& x, int indent) {
    const std::string pad(std::size_t(indent), ' '), in = pad + "  ";
    const TrialCell& t = x.trial;
    std::string out = "{\n";
    auto member = [&](const std::string& key, const std::string& value, bool last = false) {
        out += in + JsonString(key) + ": " + value + (last ? "\n" : ",\n");
    };
    member("trial_cell", "{\"a\": " + Num(t.cell[0]) + ", \"b\": " + Num(t.cell[1]) + ", \"c\": " + Num(t.cell[2]) +
                             ", \"alpha\": " + Num(t.cell[3]) + ", \"beta\": " + Num(t.cell[4]) + ", \"gamma\": " + Num(t.cell[5]) + "}");
    member("trial_cell_source", JsonString(t.source));
    member("space_group", JsonString(t.spaceGroup));
    member("space_group_number", std::to_string(t.spaceGroupNumber));
    member("tolerance", "{\"two_theta\": " + Num(x.window.relative ? std::optional<double>() : x.window.tolerance2Theta) +
                            ", \"relative\": " + Num(x.window.relative) + ", \"window\": " + JsonString(x.window.Description()) + "}");
    member("iterations", std::to_string(x.rounds));
    const FiguresOfMerit& f = x.merit;
    member("m20", "{\"value\": " + Num(f.m20) + ", \"lines\": " + std::to_string(f.mLines) + ", \"unindexed\": " +
                      std::to_string(f.mUnindexed) + ", \"n20\": " + std::to_string(f.n20) + "}");
    member("f_n", "{\"value\": " + Num(f.fN) + ", \"lines\": " + std::to_string(f.fLines) + ", \"mean_abs_delta_2theta\": " +
                      Num(f.fMeanDelta2Theta) + ", \"n_possible\": " + std::to_string(f.fPossible) + "}");
    member("n_peaks", std::to_string(x.peaks.size()));
    member("n_indexed", std::to_string(x.indexed));
    member("n_overlapped", std::to_string(x.overlapped));
    member("n_ambiguous", std::to_string(x.ambiguous));
    member("n_unassigned", std::to_string(x.unassigned));
    out += in + "\"peaks\": [";
    for (std::size_t i = 0; i < x.peaks.size(); ++i) {
        const PeakAssignment& p = x.peaks[i];
        std::string candidates = "[";
        for (const Candidate& c : p.candidates)
            candidates += (candidates.size() > 1 ? ", " : "") + std::string("{\"hkl\": ") + Hkl(c.hkl) + ", \"position\": " + Num(c.position) + "}";
        candidates += "]";
        std::optional<double> residual;
        if (p.calculated) residual = p.corrected - *p.calculated;
        out += (i ? ",\n" : "\n") + in + "  {\"position\": " + Num(p.peak.position) + ", \"intensity\": " + Num(p.peak.intensity) +
               ", \"sigma\": " + Num(p.peak.sigma) + ", \"status\": " + JsonString(StatusName(p.status)) +
               ", \"hkl\": " + (p.hkl ? Hkl(*p.hkl) : "null") + ", \"calculated\": " + Num(p.calculated) +
               ", \"residual\": " + Num(residual) + ", \"window\": " + Num(p.window) + ", \"candidates\": " + candidates + "}";
    }
    out += (x.peaks.empty() ? "]\n" : "\n" + in + "]\n");
    return out + pad + "}";
}

std::string IndexJson(const FileResult& result, const Indexing& indexing) {
    std::string doc = JsonText(result);
    // The run's document closes with "\n}\n": the assignment joins it as its last member.
    const std::size_t end = doc.rfind('}');
    std::size_t last = end;
    while (last > 0 && (doc[last - 1] == '\n' || doc[last - 1] == ' ')) --last;
    return doc.substr(0, last) + ",\n  \"assignment\": " + AssignmentJson(indexing, 2) + "\n}\n";
}

std::string IndexSummaryCsv(const std::vector<IndexedFile>& files) {
    std::vector<FileResult> results;
    for (const IndexedFile& f : files) results.push_back(f.result);
    const std::string table = SummaryCsv(results);
    std::string out;
    std::size_t start = 0, row = 0;
    while (start < table.size()) {
        std::size_t end = table.find('\n', start);
        if (end == std::string::npos) end = table.size();
        out += table.substr(start, end - start);
        if (row == 0) out += ",m20,f_n,n_peaks,n_unassigned,n_ambiguous";
        else if (const std::optional<Indexing>& x = files[row - 1].indexing)
            out += "," + (x->merit.m20 ? Fixed(*x->merit.m20, 1) : "") + "," + (x->merit.fN ? Fixed(*x->merit.fN, 1) : "") + "," +
                   std::to_string(x->peaks.size()) + "," + std::to_string(x->unassigned) + "," + std::to_string(x->ambiguous);
        else
            out += ",,,,,";
        out += "\n";
        start = end + 1;
        ++row;
    }
    return out;
}

std::string IndexPlotSvg(const Indexing& x, const std::string& title) {
    const double width = 900, height = 360, left = 60, right = 20, top = 40, plotBottom = 280, tickTop = 300, tickBottom = 320;
    double low = 1e300, high = -1e300, tallest = 0;
    for (const PeakAssignment& p : x.peaks) {
        low = std::min(low, p.corrected);
        high = std::max(high, p.corrected);
        tallest = std::max(tallest, p.peak.intensity.value_or(0));
    }
    const double span = std::max(high - low, 1e-6);
    low -= 0.03 * span;
    high += 0.03 * span;
    auto X = [&](double v) { return left + (v - low) / (high - low) * (width - left - right); };
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + std::string(OriginMark(Document::Svg)) + "\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Fixed(width, 0) + "\" height=\"" + Fixed(height, 0) +
           "\" viewBox=\"0 0 " + Fixed(width, 0) + " " + Fixed(height, 0) + "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"12\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    std::string escaped;
    for (char c : title) escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    out += "<text x=\"" + Fixed(left, 0) + "\" y=\"24\">" + escaped + ": observed peaks and calculated lines</text>\n";
    out += "<line x1=\"" + Fixed(left, 0) + "\" y1=\"" + Fixed(plotBottom, 0) + "\" x2=\"" + Fixed(width - right, 0) + "\" y2=\"" +
           Fixed(plotBottom, 0) + "\" stroke=\"black\"/>\n";
    // The calculated lines of the refined cell.
    Conversion c = x.window.conversion;
    const CellParameters cell = RefinedCell(x.reply.results);
    double dMin = 1e300;
    for (const PeakAssignment& p : x.peaks) dMin = std::min(dMin, c.DOf(p.corrected));
    for (const Reflection& r : AllowedReflections(cell, x.trial.spaceGroup, dMin * 0.98))
        if (std::optional<double> pos = c.PositionOf(r.d); pos && *pos >= low && *pos <= high)
            out += "<line x1=\"" + Fixed(X(*pos), 2) + "\" y1=\"" + Fixed(tickTop, 0) + "\" x2=\"" + Fixed(X(*pos), 2) + "\" y2=\"" +
                   Fixed(tickBottom, 0) + "\" stroke=\"#1f4e9a\"/>\n";
    for (const PeakAssignment& p : x.peaks) {
        const double share = tallest > 0 ? p.peak.intensity.value_or(tallest) / tallest : 1;
        const double y = plotBottom - std::max(0.04, share) * (plotBottom - top);
        const char* colour = p.status == PeakStatus::Unassigned ? "#d62728" : p.status == PeakStatus::Ambiguous ? "#ff7f0e" : "black";
        out += "<line x1=\"" + Fixed(X(p.corrected), 2) + "\" y1=\"" + Fixed(plotBottom, 0) + "\" x2=\"" + Fixed(X(p.corrected), 2) +
               "\" y2=\"" + Fixed(y, 2) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"><title>" + FormatShortest(p.peak.position) +
               " " + StatusName(p.status) + "</title></line>\n";
        if (p.status == PeakStatus::Unassigned)
            out += "<text x=\"" + Fixed(X(p.corrected), 2) + "\" y=\"" + Fixed(y - 4, 2) + "\" fill=\"#d62728\" text-anchor=\"middle\">?</text>\n";
    }
    out += "<text x=\"" + Fixed(width / 2, 0) + "\" y=\"345\" text-anchor=\"middle\">" + QuantityName(c.kind) + " (" + UnitName(c.kind) +
           "); ticks: calculated lines; red: unassigned, orange: ambiguous</text>\n</svg>\n";
    return out;
}

}  // namespace zantrel::indexing

// The summary table of a batch: one CSV row per data file (RFC 4180, LF line ends).

#include "export/Documents.h"

#include <algorithm>
#include <cmath>

#include "export/Format.h"
#include "export/Origin.h"

namespace zantrel {

namespace {

// Plain ASCII names without spaces, so every tool can take them as column names. The
// first of them are the mark of a summary written here.
constexpr const char* Columns =
    "a,sigma_a,b,sigma_b,c,sigma_c,alpha,sigma_alpha,beta,sigma_beta,"
    "gamma,sigma_gamma,volume,sigma_volume,zero_shift,sigma_zero_shift,sigmafit,n_flagged,system_requested,"
    "refinement_steps,path,fallback_reason,status";

// The error's two lines (message, where) joined into one field.
std::string OneLine(std::string message) {
    std::size_t end = message.find('\n');
    if (end != std::string::npos) message.replace(end, 1, "; ");
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    return message;
}

// A value that is not finite leaves its field empty, as a missing one does.
std::string Number(double x) { return std::isfinite(x) ? FormatShortest(x) : ""; }
std::string Optional(const std::optional<double>& x) { return x ? Number(*x) : ""; }

}  // namespace

const char* PrecisionName(const RunPath& path) { return path.fast ? "double" : "extended"; }

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string StatusText(const FileResult& f) {
    const Results& r = f.results;
    switch (f.status) {
        case RunStatus::Ok:
            if (!r.tooManyReflections) return "ok";
            return "ok: first " + std::to_string(r.obsCount) + " of " + std::to_string(r.reflectionsInFile) +
                   " reflections used";
        case RunStatus::Halted:
            return r.obsCount == 0 ? "halted: no reflections read" : "halted: too few reflections";
        case RunStatus::Failed: break;
    }
    return OneLine(f.error);
}

namespace {

// The pressure columns of one row: empty where the scale refused the cell or the file
// has no cell.
std::string PressureFields(const FileResult& f, const std::vector<std::string>& calibrants) {
    std::string out;
    std::optional<double> lowest, highest;
    for (std::size_t i = 0; i < calibrants.size(); ++i) {
        const CalibrantPressure* c = f.pressure && i < f.pressure->scales.size() ? &f.pressure->scales[i] : nullptr;
        out += "," + (c ? Optional(c->pressure) : "") + "," + (c ? Optional(c->sigma) : "");
        if (c && c->pressure) {
            lowest = lowest ? std::min(*lowest, *c->pressure) : *c->pressure;
            highest = highest ? std::max(*highest, *c->pressure) : *c->pressure;
        }
    }
    if (calibrants.size() > 1) out += "," + (lowest ? Number(*highest - *lowest) : "");
    return out;
}

}  // namespace

std::string SummaryCsv(const std::vector<FileResult>& results, const std::vector<std::string>& calibrants) {
    std::string out = std::string(OriginMark(Document::Summary)) + Columns;
    for (const std::string& name : calibrants) out += ",pressure_" + name + ",sigma_pressure_" + name;
    if (calibrants.size() > 1) out += ",pressure_spread";
    // Last, after any pressures, so that readers of the earlier columns keep working.
    out += ",n_excluded\n";
    for (const FileResult& f : results) {
        const Results& r = f.results;
        std::string row = CsvField(f.file) + ",";
        // A run that failed after its refinement (a CIF that could not be written)
        // still has its cell; a halted run has only its count of reflections.
        const bool counted = f.status != RunStatus::Failed || f.refined;
        row += (f.refined ? std::string(SystemName(r.systemRefined)) : "") + ",";
        row += (counted ? std::to_string(r.obsCount) : "") + ",";
        if (f.refined) {
            for (const CellValue& v : r.cell) row += Number(v.value) + "," + Optional(v.sigma) + ",";
            row += Number(double(r.volume.value)) + "," + Number(double(r.volume.sigma)) + ",";
            if (const ZeroShiftResult* z = RefinedZeroShift(r)) row += Number(z->value) + "," + Number(z->sigma) + ",";
            else row += ",,";
            row += Number(r.sigmaFit) + "," + std::to_string(f.flaggedCount) + ",";
        } else {
            row += std::string(12 + 2 + 2 + 2, ',');
        }
        // The system asked for (a fall-back refines a lower one) and the Marquardt steps
        // of each pass, "12" or "9+4" with a zero-shift pass first.
        row += std::string(counted ? SystemName(r.systemRequested) : "") + ",";
        std::string steps;
        for (const PassSummary& pass : r.passes) steps += (steps.empty() ? "" : "+") + std::to_string(pass.steps);
        row += (f.refined ? steps : "") + ",";
        // A run that failed hands back no path: its row leaves both fields empty.
        if (counted) row += std::string(PrecisionName(f.path)) + "," + CsvField(f.path.fallbackReason) + ",";
        else row += ",,";
        out += row + CsvField(StatusText(f)) + PressureFields(f, calibrants) + "," +
               (counted ? std::to_string(r.excluded.size()) : "") + "\n";
    }
    return out;
}

}  // namespace zantrel

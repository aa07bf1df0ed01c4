// The summary table of a batch: one CSV row per data file (RFC 4180, LF line ends).

#include "cli/Batch.h"

namespace zantrel::cli {

namespace {

// Plain ASCII names without spaces, so every tool can take them as column names.
constexpr const char* Header =
    "file,system,n_reflections,a,sigma_a,b,sigma_b,c,sigma_c,alpha,sigma_alpha,beta,sigma_beta,"
    "gamma,sigma_gamma,volume,sigma_volume,zero_shift,sigma_zero_shift,sigmafit,n_flagged,status";

// The error's two lines (message, where) joined into one field.
std::string OneLine(std::string message) {
    std::size_t end = message.find('\n');
    if (end != std::string::npos) message.replace(end, 1, "; ");
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    return message;
}

std::string Optional(const std::optional<double>& x) { return x ? Shortest(*x) : ""; }

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string SummaryCsv(const std::vector<FileResult>& results) {
    std::string out = std::string(Header) + "\n";
    for (const FileResult& r : results) {
        std::string row = CsvField(r.file) + ",";
        // A run that failed after its refinement (a CIF that could not be written)
        // still has its cell; a halted run has only its count of reflections.
        const bool refined = r.paramCount > 0;
        row += (refined ? std::string(SystemName(r.system)) : "") + ",";
        row += (r.status != RunStatus::Failed || refined ? std::to_string(r.obsCount) : "") + ",";
        if (refined) {
            for (const CellValue& v : ConventionalCell(r)) row += Shortest(v.value) + "," + Optional(v.sigma) + ",";
            row += Shortest(r.volume) + "," + Shortest(r.volumeSigma) + ",";
            if (r.zeroShiftRequested) row += Shortest(r.zeroShift) + "," + Shortest(r.zeroShiftSigma) + ",";
            else row += ",,";
            row += Shortest(r.fitSigma) + "," + std::to_string(r.diagnostics.flaggedCount) + ",";
        } else {
            row += std::string(12 + 2 + 2 + 2, ',');
        }
        switch (r.status) {
            case RunStatus::Ok: row += "ok"; break;
            case RunStatus::Halted: row += "halted"; break;
            case RunStatus::Failed: row += CsvField(OneLine(r.error)); break;
        }
        out += row + "\n";
    }
    return out;
}

}  // namespace zantrel::cli

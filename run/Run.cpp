// A run: in double precision where every decision and printed value of it is checked
// to agree with the extended-precision run, otherwise in extended precision.

#include "run/Run.h"

#include "engine/Engine.h"
#include "engine/Margins.h"
#include "export/Report.h"
#include "export/ReportFile.h"
#include "run/ImpossibleCell.h"

namespace zantrel {

namespace {

struct Refined {
    Results results;
    RefinementSettings settingsInForce;
    std::string report;
};

// One engine's run of the data. A failure carries the settings in force when it came.
template <typename Real>
Refined RefineWith(const RunRequest& request, TextReader data, MarginCheck* check, bool formatReport) {
    RefinementJob<Real> job;
    job.settings = request.settings;
    job.margins = check;
    job.Exclude = request.exclude;
    job.InputFile = std::move(data);
    try {
        Refined run{engine::Refine(job), job.settings, {}};
        if (formatReport) run.report = FormatReport(run.results, check);
        return run;
    } catch (RunError& e) {
        e.settingsInForce = job.settings;
        e.headerLine = job.HeaderRead;
        throw;
    }
}

Refined Refine(const RunRequest& request, TextReader data, bool formatReport, RunPath& path) {
    path = {};
    if (request.precision == Precision::Checked) {
        MarginCheck check;
        try {
            // The report is formatted even where none is asked for: its printed values are
            // what the check holds the fast run to.
            Refined fast = RefineWith<double>(request, data, &check, true);
            if (check.Passed()) {
                path.fast = true;
                return fast;
            }
            path.fallbackReason = check.Reason();
        } catch (const std::exception&) {
            // How a run fails, and with which message, is the extended path's to say.
            path.fallbackReason = "the run failed";
        }
    }
    return RefineWith<long double>(request, std::move(data), nullptr, formatReport);
}

// The title line and the line after it, for the header check; the reader is left at the start.
struct FirstLines {
    std::string title, second;
};

FirstLines ReadFirstLines(TextReader& data) {
    FirstLines lines;
    lines.title = data.ReadRestOfLine();
    data.SkipLineEnd();
    lines.second = data.ReadRestOfLine();
    data.Rewind();
    return lines;
}

// The run of data whose first lines have been checked: refused for its header's
// warnings when strict, and for a refined cell that no crystal has.
RunReply RunChecked(const RunRequest& request, TextReader data, const std::string& headerDataWord,
                    const std::vector<HeaderWarning>& warnings) {
    if (request.strictHeader && !warnings.empty()) {
        std::string where;
        for (const HeaderWarning& w : warnings) where += (where.empty() ? "in " : "\nin ") + data.Name() + ", " + WarningText(w);
        Fail(Msg::MisleadingHeader, where);
    }
    ReportFile file;
    if (request.report == ReportTarget::File) {
        // The data file exists (it has been read); a report path that names a file is
        // compared with it by identity, links included.
        if (!request.dataBytes && SameFile(request.dataPath, request.reportPath))
            Fail("The report would replace the data file",
                 request.dataPath + " is both; rename the data file (its extension must not be .out)");
        // Created at once, so an unwritable folder fails before the refinement.
        file.Create(request.reportPath);
    }
    RunReply reply;
    Refined run = Refine(request, std::move(data), request.report != ReportTarget::None, reply.path);
    RefuseImpossibleCell(run.results, headerDataWord);
    run.results.headerWarnings = warnings;
    if (request.report == ReportTarget::File) {
        file.WriteBytes(run.report);
        file.Commit();
    } else {
        reply.report = std::move(run.report);
    }
    reply.results = std::move(run.results);
    reply.settingsInForce = run.settingsInForce;
    return reply;
}

}  // namespace

RunReply RunRefinement(const RunRequest& request) {
    TextReader data;
    if (request.dataBytes) data = TextReader(request.dataName, *request.dataBytes);
    else data.Open(request.dataPath);
    const FirstLines lines = ReadFirstLines(data);
    const std::vector<HeaderWarning> warnings = CheckHeader(lines.title, lines.second);
    try {
        return RunChecked(request, std::move(data), HeaderDataWord(lines.title, lines.second), warnings);
    } catch (RunError& e) {
        e.headerWarnings = warnings;
        throw;
    }
}

RunRequest FileRequest(const RefinementSettings& settings, const std::string& dataPath, Precision precision) {
    RunRequest request;
    request.settings = settings;
    request.dataPath = dataPath;
    request.report = ReportTarget::File;
    request.reportPath = ReportPathFor(dataPath);
    request.precision = precision;
    return request;
}

RunRequest MemoryRequest(const RefinementSettings& settings, std::string bytes, std::string name,
                         Precision precision) {
    RunRequest request;
    request.settings = settings;
    request.dataBytes = std::move(bytes);
    request.dataName = std::move(name);
    request.report = ReportTarget::Memory;
    request.precision = precision;
    return request;
}

}  // namespace zantrel

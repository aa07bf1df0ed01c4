#pragma once
// One run of the refinement, the one entry point of every front end: a request in
// (settings, data, where the report goes, which precision), the results record, the
// settings in force and the path taken out.

#include <optional>
#include <string>

#include "cell/Exclusions.h"
#include "cell/Messages.h"
#include "cell/Results.h"
#include "cell/Settings.h"
#include "export/ReportFile.h"  // ReportPathFor

namespace zantrel {

enum class Precision {
    // In double precision, kept only where every decision and printed value clears its
    // bound (docs/fast-path.md); otherwise repeated in extended precision. The report's
    // bytes are the extended path's either way.
    Checked,
    // The extended-precision reference alone: for numbers handed out to more digits than
    // the report prints (CIF, the Python module, the desktop program's tooltips).
    Extended,
};

enum class ReportTarget { None, Memory, File };

struct RunRequest {
    RefinementSettings settings;
    // The data: the bytes when given, named `dataName` in messages; else the file at dataPath.
    std::string dataPath;
    std::optional<std::string> dataBytes;
    std::string dataName = "data";
    ReportTarget report = ReportTarget::None;
    std::string reportPath;  // with ReportTarget::File: replaced only once the run has succeeded
    Precision precision = Precision::Checked;
    // Reflection lines left out of the fit, as if the data file did not have them; every
    // one must name a reflection of the data.
    Exclusions exclude;
    // The data file's header warnings (Results::headerWarnings) end the run before its
    // report is written, as an error.
    bool strictHeader = false;
};

// Which path made the run, and why the fast one was not kept.
struct RunPath {
    bool fast = false;
    std::string fallbackReason;  // empty for a fast run, or with the extended path chosen
};

struct RunReply {
    Results results;
    // The request's settings as the run left them: a header line's, a lower crystal system
    // after an implausible fit, the quantity a zero shift chose. A session's next run
    // starts from these.
    RefinementSettings settingsInForce;
    RunPath path;
    std::string report;  // the bytes, with ReportTarget::Memory
};

// Throws RunError; one that the engine raised carries the settings in force when it came.
RunReply RunRefinement(const RunRequest& request);

// The request of the desktop program and the command line: the data file's report
// beside it, its extension replaced by ".out".
RunRequest FileRequest(const RefinementSettings& settings, const std::string& dataPath,
                       Precision precision = Precision::Checked);
// A run of data held in memory, its report bytes returned.
RunRequest MemoryRequest(const RefinementSettings& settings, std::string bytes, std::string name = "data",
                         Precision precision = Precision::Checked);


}  // namespace zantrel

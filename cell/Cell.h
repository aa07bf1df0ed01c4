#pragma once
// The refinement job and its operations: driver, reader, cell geometry, errors, report.

#include <string>
#include <string_view>

#include "cell/Constants.h"
#include "engine/Job.h"
#include "cell/Messages.h"
#include "export/Report.h"
#include "cell/Settings.h"

namespace zantrel {

// --- Job and driver ---
// Each run is made in double precision and checked; where a check fails it is made
// again in extended precision (always, with ZANTREL_EXTENDED=1): the report's bytes
// are the extended path's either way.
void SetJobDefaults(RefinementJob& job);
// Reads InputFileName, writes the report to OutputFileName and returns the results;
// throws RunError, files closed either way.
Results RunRefinement(RefinementJob& job);
// Reads InputFileName and returns the results; no report is written.
Results RefineFile(RefinementJob& job);
// The same run on data held in memory: no file is read or written.
Results RefineData(RefinementJob& job, std::string_view data, std::string_view name = "data");
// RefineData, and the report's bytes.
std::string RunRefinementInMemory(RefinementJob& job, std::string_view data,
                                  std::string_view name = "data");
// Reading, regression and both refinement passes, without the results record: in
// extended precision, as nothing is printed to check a fast run by.
void RefineInMemory(RefinementJob& job, std::string_view data, std::string_view name = "data");
void AllocateTables(RefinementJob& job);
void ReleaseTables(RefinementJob& job);

// Which path made this thread's last run, and why the fast one was not kept.
struct RunPath {
    bool fast = false;
    std::string fallbackReason;  // empty for a fast run, or with the extended path chosen
};
RunPath LastRunPath();

// The report path for a data file: its extension replaced by ".out".
std::string ReportPathFor(const std::string& dataPath);

inline namespace ZANTREL_ENGINE {

// --- Reader ---
// Six characters, right-justified: "tt" reads as "    tt".
std::string ReadToken(TextReader& file);
void ReadReflections(RefinementJob& job);

// --- Cell geometry and error propagation ---
void ConvertCell(const RefinementJob& job, const ParamVector& source, ParamVector& target,
                 double& volume);
void RefineCell(RefinementJob& job);
void PropagateCellErrors(RefinementJob& job);
void CellJacobian(const RefinementJob& job, ParamVector x, const ParamVector& f0, int n, int m,
                  ParamMatrix& jac);
void TransformCovariance(ParamMatrix c, ParamMatrix jac, ParamMatrix& out, int n, int r);

// Steps after the data are open: reading, regression, both refinement passes and, when
// collect is set, the results record.
Results RunOpened(RefinementJob& job, bool collect = true);

}  // namespace ZANTREL_ENGINE

}  // namespace zantrel

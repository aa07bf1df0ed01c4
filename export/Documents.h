#pragma once
// The documents written from one run's record, besides its report: the batch's summary
// table (CSV), the CIF block and the JSON document. The command line and the Python
// module format them alike.

#include <string>
#include <vector>

#include "cell/Results.h"
#include "run/Run.h"

namespace zantrel {

enum class RunStatus { Ok, Halted, Failed };

// What one run of one data file leaves for the summary, the CIF and the JSON.
struct FileResult {
    std::string file, report;
    RunStatus status = RunStatus::Failed;
    std::string error;  // the message, and on a second line where it happened
    bool refined = false;  // the run got as far as a cell (a later write may still have failed)
    int flaggedCount = 0;  // reflections flagged by either diagnostic, kept when the rows are not
    RunPath path;          // which precision made the run
    Results results;
};

// "double" or "extended": the precision that made the run, as the summary, the JSON and
// the Python module name it.
const char* PrecisionName(const RunPath& path);

// How the run ended, as the summary's status column and the command line's warning say
// it: "ok", "ok: first 200 of 352 reflections used", "halted: too few reflections",
// "halted: no reflections read", or the error message.
std::string StatusText(const FileResult& result);
std::string SummaryCsv(const std::vector<FileResult>& results);
std::string CsvField(const std::string& text);
std::string CifText(const FileResult& result);
// value(su) in the notation of the IUCr: the s.u. with two digits when they are 19
// or less, else one, and the value rounded to the same decimal place.
std::string ValueWithSu(double value, double su);
std::string JsonText(const FileResult& result);
std::string JsonString(const std::string& bytes);

}  // namespace zantrel

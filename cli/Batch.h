#pragma once
// Batch runs: one result record per data file, files refined in parallel, and the
// summary table, CIF block and JSON document written from those records.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "run/Run.h"
#include "cli/Options.h"

namespace zantrel::cli {

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

// --- Runs ---
// Refines one file with the command line's settings and writes its report, and its
// CIF and JSON when asked for. Never throws: a failure is kept in the record. Only
// what the summary needs is kept unless keepRows.
FileResult RunFile(const Options& options, const std::string& file, bool keepRows = false);
// Runs every file on `jobs` threads; `done` is called on the calling thread for each
// record in the order of the files, as soon as it and all before it are finished.
std::vector<FileResult> RunBatch(const Options& options, int jobs,
                                 const std::function<void(const FileResult&, std::size_t)>& done);

// --- Writers ---
std::string SummaryCsv(const std::vector<FileResult>& results);
std::string CsvField(const std::string& text);
std::string CifText(const FileResult& result);
// value(su) in the notation of the IUCr: the s.u. with two digits when they are 19
// or less, else one, and the value rounded to the same decimal place.
std::string ValueWithSu(double value, double su);
std::string JsonText(const FileResult& result);
std::string JsonString(const std::string& bytes);

// --- Text helpers ---
// The shortest decimal text that reads back as x; empty for an infinite or NaN x.
std::string Shortest(double x);
// x with d decimals, correctly rounded, independent of the locale.
std::string Fixed(double x, int d);
// A path with its extension replaced, as the report's own path is formed.
std::string SiblingPath(const std::string& path, const std::string& extension);
// Writes the bytes through a temporary file and a rename; throws RunError.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace zantrel::cli

#pragma once
// Batch runs: one result record per data file, files refined in parallel.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "run/Run.h"
#include "cli/Options.h"
#include "export/Documents.h"

namespace zantrel::cli {

// Refines one file with the command line's settings and writes its report, and its
// CIF and JSON when asked for. Never throws: a failure is kept in the record. Only
// what the summary needs is kept unless keepRows.
FileResult RunFile(const Options& options, const std::string& file, bool keepRows = false);
// Runs every file on `jobs` threads; `done` is called on the calling thread for each
// record in the order of the files, as soon as it and all before it are finished.
std::vector<FileResult> RunBatch(const Options& options, int jobs,
                                 const std::function<void(const FileResult&, std::size_t)>& done);

}  // namespace zantrel::cli

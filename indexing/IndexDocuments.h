#pragma once
// The documents of an indexing besides its data file and report: the JSON document
// with the assignment, the summary's columns, and the plot of the peaks against the
// calculated lines.

#include <string>
#include <vector>

#include "export/Documents.h"
#include "indexing/Index.h"

namespace zantrel::indexing {

// The run's JSON document (export/Documents.h) with an "assignment" member.
std::string IndexJson(const FileResult& result, const Indexing& indexing);
std::string AssignmentJson(const Indexing& indexing, int indent);

// One file of a batch: its record, and its indexing when there was one.
struct IndexedFile {
    FileResult result;
    std::optional<Indexing> indexing;
};
// The summary table with m20, f_n, n_peaks, n_unassigned and n_ambiguous after the
// refinement's columns; empty cells for a file that could not be indexed.
std::string IndexSummaryCsv(const std::vector<IndexedFile>& files);

// An SVG: the observed peaks as bars (unassigned in red, ambiguous in orange) over the
// calculated lines of the refined cell as ticks.
std::string IndexPlotSvg(const Indexing& indexing, const std::string& title);

}  // namespace zantrel::indexing

#pragma once
// Where each output of a batch goes, and the check, made before anything is written,
// that no output takes the place of a data file, of another output, or of a file that
// zantrel-cli did not write.

#include <string>
#include <vector>

#include "cli/Options.h"

namespace zantrel::cli {

// A plot's file and its format: Svg, Png or Pdf.
struct PlotOutput {
    std::string path;
    Document format;
};

// One data file's outputs; a document not asked for has an empty path, and without
// --plot there are no plots.
struct FileOutputs {
    std::string report, cif, json;
    std::vector<PlotOutput> plots;
};
FileOutputs OutputsFor(const Options& options, const std::string& file);

// The series plots beside the summary, when both are asked for; else none.
std::vector<PlotOutput> SeriesPlots(const Options& options);

// Empty when the batch may run; else why not, for the user, on one line. A report that
// would replace its own data file is left to the run, which fails that file alone.
std::string CheckOutputs(const Options& options);

}  // namespace zantrel::cli

#pragma once
// zantrel-cli's command line: the main window's settings, the files, and batch options.

#include <string>
#include <vector>

#include "eos/Scale.h"
#include "export/Origin.h"
#include "run/Run.h"

namespace zantrel::cli {

struct Options {
    RefinementSettings settings;
    std::vector<std::string> files;
    std::string output;  // report path for a single file
    std::string outputDir;  // every output goes here instead of beside its data file
    bool force = false;     // replace documents of the same names that zantrel-cli did not write
    bool printCell = false;
    bool strictHeader = false;  // a data file's header warnings fail the file
    bool quiet = false;
    int jobs = 1;         // files refined at the same time
    std::string summary;  // summary table (CSV) of the whole batch
    bool cif = false;     // a CIF block beside each report
    bool json = false;    // a JSON document beside each report
    bool extended = false;  // every run in extended precision, none checked in double
    bool plot = false;    // the residual and influence plots beside each report,
                          // and of the series beside the summary table
    std::vector<Document> plotFormats{Document::Svg};  // the plots' files: Svg, Png, Pdf, each once
    int plotWidth = 1000, plotHeight = 720, plotDpi = 96;  // a PNG's pixels and resolution
    // --calibrant: the scales whose pressure each refined cell is given, resolved
    // (--scales, --v0 applied), at the temperature and its sigma (K).
    std::vector<eos::Scale> calibrants;
    double temperature = 300, sigmaTemperature = 0;
    Exclusions exclude;  // reflections left out of every file's fit
    bool compareWithoutFlagged = false;  // refine again without the flagged reflections
};

// Parses argv; returns the exit code to use now (help, usage error), or -1 to run.
int ParseOptions(int argc, char** argv, Options& options);

// The data files that the FILE arguments name, in order: "@list.txt" stands for the
// files its lines name (blank lines and lines starting with '#' skipped), and an
// argument with '*' or '?' in its file name that names no file stands for the files
// it matches, sorted by name (so a pattern in quotes escapes the shell's limit on the
// length of a command line). A pattern that matches nothing is kept as it is, so the
// run reports it. Throws RunError when a list cannot be read.
std::vector<std::string> ExpandFileArguments(const std::vector<std::string>& arguments);
// Whether name matches pattern, '*' standing for any characters and '?' for one.
bool MatchesWildcard(const std::string& name, const std::string& pattern);

}  // namespace zantrel::cli

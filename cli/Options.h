#pragma once
// zantrel-cli's command line: the main window's settings, the files, and batch options.

#include <string>
#include <vector>

#include "cell/Cell.h"

namespace zantrel::cli {

struct Options {
    RefinementJob settings;  // only the settings fields are used
    std::vector<std::string> files;
    std::string output;  // report path for a single file
    bool printCell = false;
    bool quiet = false;
};

// Parses argv; returns the exit code to use now (help, usage error), or -1 to run.
int ParseOptions(int argc, char** argv, Options& options);

// Copies the command line's settings into a job that will run one file.
void ApplySettings(const RefinementJob& settings, RefinementJob& job);

}  // namespace zantrel::cli

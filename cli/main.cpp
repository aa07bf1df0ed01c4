// zantrel-cli: refine one or many data files from the command line.

#include <cmath>
#include <exception>
#include <iostream>

#include "cell/Format.h"
#include "cli/Options.h"

using namespace zantrel;

namespace {

void PrintCell(const RefinementJob& job, const std::string& file) {
    std::cout << file << ": " << job.RefinedSystemText << "\n";
    for (int i = 1; i <= job.ParamCount; ++i) {
        bool angle = i >= 4;
        double scale = angle ? 180 / Pi : 1.0;
        std::cout << "  " << StrField(job.DirectLabels[std::size_t(i)], 6) << " = "
                  << FixedField(job.DirectCell[i] * scale, 12, 6) << "  sigma "
                  << FixedField(job.DirectSigmas[i] * (angle ? 1.0 : 1.0), 10, 6) << "\n";
    }
    std::cout << "  volume = " << FixedField(job.CellVolume, 12, 4) << "  sigma "
              << FixedField(job.VolumeSigma, 10, 4) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    cli::Options options;
    int code = cli::ParseOptions(argc, argv, options);
    if (code >= 0) return code;
    int failures = 0;
    for (const std::string& file : options.files) {
        RefinementJob job;
        SetJobDefaults(job);
        cli::ApplySettings(options.settings, job);
        job.InputFileName = file;
        job.OutputFileName = options.output.empty() ? ReportPathFor(file) : options.output;
        try {
            RunRefinement(job);
            if (!options.quiet) std::cout << file << ": report written to " << job.OutputFileName << "\n";
            if (options.printCell && job.ObsCount > 0) PrintCell(job, file);
        } catch (const std::exception& e) {
            ++failures;
            std::cerr << file << ": " << e.what() << "\n";
        }
    }
    return failures > 0 ? 1 : 0;
}

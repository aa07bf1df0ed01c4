// zantrel-cli: refine one or many data files from the command line.

#include <cstdlib>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "export/Format.h"
#include "export/ReportFile.h"
#include "cli/Batch.h"
#include "cli/ObservationOptions.h"
#include "cli/Options.h"
#include "cli/Subcommands.h"
#include "cli/Outputs.h"
#ifdef ZANTREL_HAVE_PLOT
#include "plot/Export.h"
#endif

using namespace zantrel;

namespace {

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

void PrintCell(const FileResult& f) {
    const Results& r = f.results;
    std::cout << f.file << ": refined in " << SystemName(r.systemRefined) << " system\n";
    for (const RefinedParameter& q : r.parameters)
        std::cout << "  " << StrField(q.label, 6) << " = " << FixedField(q.estimate.value, 12, 6) << "  sigma "
                  << FixedField(q.estimate.sigma, 10, 6) << "\n";
    std::cout << "  volume = " << FixedField(r.volume.value, 12, 4) << "  sigma " << FixedField(r.volume.sigma, 10, 4)
              << "\n";
    if (!f.pressure) return;
    for (const CalibrantPressure& c : f.pressure->scales) {
        if (c.pressure)
            std::cout << "  P " << c.scale << " = " << FixedField(*c.pressure, 10, 3) << "  sigma " << FixedField(*c.sigma, 8, 3)
                      << " GPa\n";
        else
            std::cout << "  P " << c.scale << ": " << c.error << "\n";
    }
}

// The scale names of the summary's pressure columns.
std::vector<std::string> CalibrantNames(const cli::Options& options) {
    std::vector<std::string> names;
    for (const auto& s : options.calibrants) names.push_back(s.name);
    return names;
}

// "  1234/10000 files, 3 failed" on one line of a terminal, redrawn a few times a
// second, once the batch has run for a second: short batches show nothing.
class Progress {
public:
    Progress(std::size_t total, bool enabled) : total_(total), enabled_(enabled) {}

    void Update(std::size_t done, int failures) {
        if (!enabled_) return;
        auto now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        std::string line = "  " + std::to_string(done) + "/" + std::to_string(total_) + " files";
        if (failures > 0) line += ", " + std::to_string(failures) + " failed";
        std::cerr << "\r" << line << std::flush;
        width_ = line.size();
    }
    // Clears the line before other output and at the end.
    void Clear() {
        if (width_ == 0) return;
        std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
        width_ = 0;
    }

private:
    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    bool enabled_;
    Clock::time_point start_ = Clock::now(), last_{};
    std::size_t width_ = 0;
};

#ifdef ZANTREL_HAVE_PLOT
// The refined parameters of the batch, beside its summary table, in each format asked
// for; the number of files that could not be written.
int WriteSeriesPlots(const cli::Options& options, const std::vector<FileResult>& results) {
    std::vector<plot::SeriesRun> runs;
    for (const FileResult& r : results)
        runs.push_back({r.file, r.status == RunStatus::Ok ? &r.results : nullptr});
    const plot::ImageSize png{QSize(options.plotWidth, options.plotHeight), options.plotDpi};
    int failures = 0;
    for (const cli::PlotOutput& p : cli::SeriesPlots(options)) try {
            WriteFileAtomically(p.path, plot::SeriesFile(runs, plot::PlotFormatOf(p.format), png));
        } catch (const std::exception& e) {
            std::cerr << p.path << ": " << e.what() << "\n";
            ++failures;
        }
    return failures;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // A file's report, JSON and SVG strings are freed when it is done. Left to itself
    // glibc would give that memory back to the system after each file and fault it in
    // again for the next: a third of the time of a --json batch.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_TOP_PAD, 4 << 20);
#endif
    // Subcommands before the refinement's options: a data file named "eos" is "./eos".
    if (argc > 1 && std::strcmp(argv[1], "scales") == 0) return cli::ScalesCommand(argc - 1, argv + 1);
    if (argc > 1 && std::strcmp(argv[1], "pressure") == 0) return cli::PressureCommand(argc - 1, argv + 1);
    if (argc > 1 && std::strcmp(argv[1], "index") == 0) return cli::IndexCommand(argc - 1, argv + 1);
    if (argc > 1 && std::strcmp(argv[1], "eos") == 0) {
        cli::EosPlotter plotter;
#ifdef ZANTREL_HAVE_PLOT
        plotter = [](const eos::EosFit& fit) {
            const std::unique_ptr<QObject> gui = plot::StartHeadlessGui();
            return plot::EosSvg(fit);
        };
#endif
        return cli::EosCommand(argc - 1, argv + 1, plotter);
    }
    cli::Options options;
    int code = cli::ParseOptions(argc, argv, options);
    if (code >= 0) return code;
    if (std::string refusal = cli::CheckOutputs(options); !refusal.empty()) {
        std::cerr << "zantrel-cli: " << refusal << "\n";
        return 2;
    }
    if (!options.outputDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.outputDir, ec);
        if (ec) {
            std::cerr << options.outputDir << ": " << FileErrorText(ec.value()) << "\ncannot create the output folder\n";
            return 1;
        }
    }
    // ZANTREL_EXTENDED=1 is --extended for scripts that cannot change the command line.
    if (const char* extended = std::getenv("ZANTREL_EXTENDED"); extended != nullptr && *extended != '\0' &&
                                                                 std::strcmp(extended, "0") != 0)
        options.extended = true;
#ifdef ZANTREL_HAVE_PLOT
    // Drawing text needs a QGuiApplication; without --plot the program starts no Qt.
    std::unique_ptr<QObject> gui;
    if (options.plot) gui = plot::StartHeadlessGui();
#endif
    int failures = 0;
    Progress progress(options.files.size(), !options.quiet && StderrIsTerminal());
    auto done = [&](const FileResult& r, std::size_t index) {
        // With --strict-header the warnings are the file's error, which lists them.
        if (!options.strictHeader)
            for (const HeaderWarning& w : r.results.headerWarnings) {
                progress.Clear();
                std::cerr << r.file << ": warning: " << WarningText(w) << "\n";
            }
        if (r.status == RunStatus::Failed) {
            ++failures;
            progress.Clear();
            std::cerr << r.file << ": " << ExplanationFirst(r.error, r.file) << "\n";
        } else {
            progress.Clear();
            // A run that halted or left reflections out says so even with -q: in a batch
            // nobody reads the report that alone says it.
            if (std::string status = StatusText(r); status != "ok") std::cerr << r.file << ": " << status << "\n";
            if (r.results.zeroShift && RefinedZeroShift(r.results) == nullptr)
                std::cerr << r.file << ": a zero shift was asked for, but d spacings have none to refine; "
                             "the summary and the JSON give it as not refined\n";
            if (!options.quiet) std::cout << r.file << ": report written to " << r.report << "\n";
        }
        // A scale that refuses the cell fails the file, which keeps its report and row.
        if (r.pressure)
            for (const CalibrantPressure& c : r.pressure->scales)
                if (!c.error.empty()) {
                    ++failures;
                    progress.Clear();
                    std::cerr << r.file << ": " << c.error << "\n";
                }
        if (options.printCell && r.status == RunStatus::Ok) PrintCell(r);
        if (options.compareWithoutFlagged && r.status == RunStatus::Ok && !PrintComparison(options, r.file)) ++failures;
        progress.Update(index + 1, failures);
    };
    std::vector<FileResult> results = cli::RunBatch(options, options.jobs, done);
    progress.Clear();
    if (!options.summary.empty()) {
        try {
            WriteFileAtomically(options.summary, SummaryCsv(results, CalibrantNames(options)));
        } catch (const std::exception& e) {
            ++failures;
            std::cerr << options.summary << ": " << e.what() << "\n";
        }
#ifdef ZANTREL_HAVE_PLOT
        if (options.plot) failures += WriteSeriesPlots(options, results);
#endif
    }
    return failures > 0 ? 1 : 0;
}

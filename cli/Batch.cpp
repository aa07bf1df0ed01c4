// One data file's run with its results kept for the batch writers, and the batch itself
// on a pool of threads.

#include "cli/Batch.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "cli/Calibrants.h"
#include "cli/Outputs.h"
#include "export/ReportFile.h"
#ifdef ZANTREL_HAVE_PLOT
#include "plot/Export.h"
#endif

namespace zantrel::cli {

namespace {

void WriteBeside(const FileResult& r, const std::string& path, const std::string& bytes) {
    if (SameFile(path, r.file))
        Fail("The output would replace the data file", path + " is both; rename the data file");
    WriteFileAtomically(path, bytes);
}

template <class T>
void Free(T& x) {
    x = T();
}

// Writes what a refined run gives; after a halted run, removes the file of an earlier
// run, which would disagree with the report.
template <class Text>
void WriteOrRemove(const FileResult& r, const std::string& path, Text text) {
    if (r.status == RunStatus::Ok) {
        WriteBeside(r, path, text(r));
    } else if (!SameFile(path, r.file)) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
}

}  // namespace

FileResult RunFile(const Options& options, const std::string& file, bool keepRows) {
    FileResult r;
    r.file = file;
    const FileOutputs out = OutputsFor(options, file);
    r.report = out.report;
    try {
        RunRequest request = FileRequest(options.settings, file);
        request.reportPath = r.report;
        request.exclude = options.exclude;
        request.strictHeader = options.strictHeader;
        // The CIF rounds each value to its standard uncertainty, to digits the report
        // does not print and the fast path does not check.
        if (options.extended || options.cif) request.precision = Precision::Extended;
        RunReply reply = RunRefinement(request);
        r.results = std::move(reply.results);
        r.path = std::move(reply.path);
        r.refined = !r.results.halted;
        r.flaggedCount = r.results.diagnostics.FlaggedCount();
        r.status = r.results.halted ? RunStatus::Halted : RunStatus::Ok;
        if (options.cif) WriteOrRemove(r, out.cif, CifText);
#ifdef ZANTREL_HAVE_PLOT
        const plot::ImageSize png{QSize(options.plotWidth, options.plotHeight), options.plotDpi};
        for (const PlotOutput& p : out.plots)
            WriteOrRemove(r, p.path, [&](const FileResult& f) {
                return plot::ResultsFile(f.results, f.file, plot::PlotFormatOf(p.format), png);
            });
#endif
        if (!options.calibrants.empty() && r.status == RunStatus::Ok)
            r.pressure = PressuresOfCell(r.results, options.calibrants, options.temperature, options.sigmaTemperature);
        if (options.json) WriteBeside(r, out.json, JsonText(r));
    } catch (const RunError& e) {
        r.status = RunStatus::Failed;
        r.error = e.what();
        r.results.headerWarnings = e.headerWarnings;
    } catch (const std::exception& e) {
        r.status = RunStatus::Failed;
        r.error = e.what();
    }
    if (!keepRows) {
        // The summary, the series plot and --print-cell need none of the per-reflection
        // rows nor the matrices: a batch keeps about 1 kB a file instead of 12. (Assigning
        // {} would empty the vectors but keep their memory.)
        Free(r.results.reflections);
        Free(r.results.diagnostics.rows);
        Free(r.results.covariance);
        Free(r.results.correlation);
        Free(r.results.reciprocal);
        Free(r.results.reciprocalCovariance);
    }
    return r;
}

std::vector<FileResult> RunBatch(const Options& options, int jobs,
                                 const std::function<void(const FileResult&, std::size_t)>& done) {
    const std::size_t n = options.files.size();
    std::vector<FileResult> results(n);
    if (jobs <= 1 || n <= 1) {
        for (std::size_t i = 0; i < n; ++i) {
            results[i] = RunFile(options, options.files[i]);
            done(results[i], i);
        }
        return results;
    }
    // Each file is refined in a job of its own, so no state is shared between the
    // threads but the next file to take and the slots of the results.
    std::vector<char> finished(n, 0);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < n; i = next++) {
            FileResult r = RunFile(options, options.files[i]);
            std::lock_guard<std::mutex> lock(mutex);
            results[i] = std::move(r);
            finished[i] = 1;
            ready.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < std::min(n, std::size_t(jobs)); ++t) workers.emplace_back(work);
    for (std::size_t i = 0; i < n; ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return finished[i] != 0; });
        }
        done(results[i], i);
    }
    for (std::thread& worker : workers) worker.join();
    return results;
}

}  // namespace zantrel::cli

#include "python/Files.h"

#include <optional>

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

#include "python/Arguments.h"
#include "python/Runs.h"
#include "run/Run.h"

namespace zantrel::python {

namespace {

// One file's run: its record, or the message it failed with.
struct FileRun {
    FileResult record;
    std::optional<RunRequest> request;  // as refine_file keeps it, for compare_without_flagged
    std::string error;
};

FileRun RunOne(const RefinementSettings& settings, const std::string& file) {
    FileRun out;
    out.record.file = file;
    try {
        RunRequest request = FileRequest(settings, file, Precision::Extended);
        request.report = ReportTarget::None;
        RunReply reply = RunRefinement(request);
        out.record.results = std::move(reply.results);
        out.record.path = std::move(reply.path);
        out.error = HaltMessage(out.record);
        out.request = std::move(request);
    } catch (const RunError& e) {
        out.error = file + ": " + ExplanationFirst(e.what(), file);
    } catch (const std::exception& e) {  // memory or the like: still this file's alone
        out.error = file + ": " + e.what();
    }
    return out;
}

// Each thread takes the next file not yet taken; the runs share nothing else, so the
// results do not depend on the number of threads.
std::vector<FileRun> RunAll(const RefinementSettings& settings, const std::vector<std::string>& files,
                            std::size_t jobs) {
    std::vector<FileRun> runs(files.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) runs[i] = RunOne(settings, files[i]);
    };
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < std::min(jobs, files.size()); ++t) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return runs;
}

std::size_t JobsArgument(py::handle jobs) {
    if (jobs.is_none()) return std::max(1u, std::thread::hardware_concurrency());
    if (!py::isinstance<py::int_>(jobs) || py::isinstance<py::bool_>(jobs))
        throw py::type_error("jobs must be an int or None, not " +
                             py::str(py::type::handle_of(jobs).attr("__name__")).cast<std::string>());
    const long long n = jobs.cast<long long>();
    if (n < 1) throw py::value_error("jobs must be 1 or more, not " + std::to_string(n));
    return std::size_t(std::min(n, 1024LL));
}

py::list RefineFiles(py::iterable paths, py::handle jobs, py::handle system, py::handle data, py::handle wavelength,
                     py::handle beam2Theta, py::handle minimise, py::handle zeroShift, py::handle fullDiagnostics) {
    if (py::isinstance<py::str>(paths) || py::isinstance<py::bytes>(paths))
        throw py::type_error("paths must be a list of paths, not a single " +
                             py::str(py::type::handle_of(paths).attr("__name__")).cast<std::string>());
    const RefinementSettings settings =
        SettingsFrom({system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics});
    std::vector<std::string> files;
    for (py::handle path : paths) files.push_back(PathBytes(path, ("paths[" + std::to_string(files.size()) + "]").c_str()));
    const std::size_t threads = JobsArgument(jobs);

    std::vector<FileRun> runs;
    {
        py::gil_scoped_release unlocked;
        runs = RunAll(settings, files, threads);
    }
    py::object error = py::module_::import("zantrel._zantrel").attr("RefinementError");
    py::list out;
    for (FileRun& run : runs) {
        if (!run.error.empty()) {
            out.append(error(run.error));
            continue;
        }
        Run finished = Finish(std::move(run.record));
        finished.request = std::move(run.request);
        out.append(py::cast(std::move(finished)));
    }
    return out;
}

const char* const RefineFilesDoc = R"(refine_files(paths, *, jobs=None, system='triclinic', data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False) -> list[Result | RefinementError]

Refines each data file as refine_file does, with the same settings for all (a
file's header line overrides them for that file), on `jobs` threads (None: one
per core). The GIL is released while the files are refined.

Returns one item per path, in the order given: the Result, or for a file that
could not be read or refined the zantrel.RefinementError that refine_file would
raise, as a value, so that one bad file does not stop the series. No report is
written. Raises ValueError or TypeError for a bad argument.)";

}  // namespace

void BindFiles(py::module_& module) {
    const RefinementSettings d;
    module.def("refine_files", &RefineFiles, RefineFilesDoc, py::arg("paths"), py::kw_only(),
               py::arg("jobs") = py::none(), py::arg("system") = SystemName(d.system),
               py::arg("data") = QuantityName(d.data), py::arg("wavelength") = d.wavelength,
               py::arg("beam_2theta") = d.beam2Theta, py::arg("minimise") = QuantityName(d.minimised),
               py::arg("zero_shift") = d.zeroShift, py::arg("full_diagnostics") = d.fullDiagnostics);
}

}  // namespace zantrel::python

// The zantrel Python module: refine reflections held in arrays or a data file.

#include <pybind11/pybind11.h>

#include <utility>

#include "run/Run.h"
#include "python/Arguments.h"
#include "python/Eos.h"
#include "python/Observations.h"
#include "python/Index.h"
#include "python/Result.h"
#include "python/Files.h"
#include "python/Runs.h"

namespace py = pybind11;
using namespace zantrel;
using namespace zantrel::python;

namespace {

// Each header warning as a zantrel.HeaderWarning, "FILE: line 2, column 3: ...". Where
// a filter turns warnings into errors the first one raises.
void WarnOfHeader(const std::string& file, const std::vector<HeaderWarning>& warnings) {
    if (warnings.empty()) return;
    py::object category = py::module_::import("zantrel._zantrel").attr("HeaderWarning");
    for (const HeaderWarning& w : warnings) {
        const std::string text = file + ": " + WarningText(w);
        if (PyErr_WarnEx(category.ptr(), text.c_str(), 1) != 0) throw py::error_already_set();
    }
}

// Runs the core without the GIL: only C++ values cross into it. In extended precision
// only: a Result hands out every double to its last bit and formats its CIF on demand,
// digits that the fast path's checks of the report do not cover.
Run RefineUnlocked(FileResult& record, RunRequest request) {
    request.precision = Precision::Extended;
    try {
        py::gil_scoped_release unlocked;
        RunReply reply = RunRefinement(std::as_const(request));
        record.results = std::move(reply.results);
        record.path = std::move(reply.path);
    } catch (const RunError& e) {
        // The warnings come first: they often say why the run failed.
        WarnOfHeader(record.file, e.headerWarnings);
        throw FailedRun(record.file + ": " + ExplanationFirst(e.what(), record.file));
    }
    WarnOfHeader(record.file, record.results.headerWarnings);
    Run run = Finish(std::move(record));
    request.report = ReportTarget::None;
    run.request = std::move(request);
    return run;
}

Run Refine(py::handle hkl, py::handle values, py::handle system, py::handle data, py::handle wavelength,
           py::handle beam2Theta, py::handle minimise, py::handle zeroShift, py::handle fullDiagnostics,
           py::handle title, py::handle exclude, py::handle sigma2Theta, py::handle sigmaDRelative,
           py::handle sigmaEnergyRelative, py::handle sigmas) {
    RefinementSettings settings =
        SettingsFrom({system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics});
    FileResult record;
    record.file = "data";
    RunRequest request = MemoryRequest(settings, DataText(hkl, values, title, sigmas), record.file);
    request.report = ReportTarget::None;
    ApplyObservations({exclude, sigma2Theta, sigmaDRelative, sigmaEnergyRelative}, request);
    if (!sigmas.is_none()) UseSigmaColumn(request);
    Run run = RefineUnlocked(record, std::move(request));
    run.fromArrays = true;
    return run;
}

Run RefineFilePath(py::handle path, py::handle system, py::handle data, py::handle wavelength, py::handle beam2Theta,
                   py::handle minimise, py::handle zeroShift, py::handle fullDiagnostics, py::handle report,
                   py::handle exclude, py::handle sigma2Theta, py::handle sigmaDRelative,
                   py::handle sigmaEnergyRelative, bool sigmaColumn) {
    RefinementSettings settings =
        SettingsFrom({system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics});
    FileResult record;
    record.file = PathBytes(path, "path");
    RunRequest request = FileRequest(settings, record.file);
    request.report = ReportTarget::None;
    ApplyObservations({exclude, sigma2Theta, sigmaDRelative, sigmaEnergyRelative}, request);
    if (sigmaColumn) UseSigmaColumn(request);
    if (!report.is_none()) {
        record.report = PathBytes(report, "report");
        request.report = ReportTarget::File;
        request.reportPath = record.report;
    }
    return RefineUnlocked(record, std::move(request));
}

const char* const RefineDoc = R"(refine(hkl, values, *, system, data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False, title='', exclude=None, sigma_2theta=None, sigma_d_relative=None, sigma_energy_relative=None, sigmas=None) -> Result

Refines the lattice parameters from indexed reflections held in arrays.

hkl      (n, 3) integers (or whole floats, as np.loadtxt gives them), or a list
         of triples. Of more than 200 reflections the first 200 are refined,
         as refine_file does, and Result.too_many_reflections is True.
values   n observed positions: 2-theta in degrees, d in angstrom or energy in keV.
system   'cubic', 'tetragonal', 'hexagonal', 'orthorhombic', 'monoclinic',
         'triclinic' or 1..6.
data     what values hold: '2theta', 'd' or 'energy'.
wavelength    X-ray wavelength in angstrom.
beam_2theta   detector angle 2-theta in degrees of energy-dispersive data.
minimise      quantity whose squared residuals are minimised: 'd', '2theta',
              'energy' or 'q'.
zero_shift    refine the zero shift of 2-theta or energy.
full_diagnostics  the report lists the diagnostics of every reflection.
title    the sample title of the report (one line, not ending in '*').
exclude  reflections left out of the fit: row numbers (from 1, as
         reflections['row']) and (h, k, l) triples; each must name one.
sigma_2theta  weight by this assumed error of 2-theta in degrees (default 0.005).
sigma_d_relative, sigma_energy_relative  weight by this relative error
         sigma(d)/d or sigma(E)/E; d and energy data fitted in d, Q or energy
         then need no wavelength.
sigmas   (n,) sigma of each value, in its quantity, to weight by instead.

The names and defaults are those of zantrel-cli's options. The run is the one
zantrel-cli makes of a data file holding the same reflections.

Raises ValueError or TypeError for a bad argument (the message names it): a
wavelength of 0 or below, a beam_2theta outside 0..180, an unknown name; and
zantrel.RefinementError when the data cannot be refined or are too few.
The GIL is released while the refinement runs.)";

const char* const RefineFileDoc = R"(refine_file(path, *, system='triclinic', data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False, report=None, exclude=None, sigma_2theta=None, sigma_d_relative=None, sigma_energy_relative=None, sigma_column=False) -> Result

Refines a data file as zantrel-cli reads it: a title line ending in '*'
announces a header line whose settings override the arguments.

report   None: no report is written; a path: the report is written there
         (the refined text is also Result.report either way).
sigma_column  weight by the sigma that follows each value on its line.

The other arguments are those of refine. A title or header line that probably
does not say what was meant gives a zantrel.HeaderWarning (the file is read as
it stands). Raises ValueError or TypeError for a bad argument, and
zantrel.RefinementError with zantrel-cli's message ("FILE: " the explanation,
and on the last line the fault) when the file cannot be read or refined. The GIL is released while the refinement runs.)";

}  // namespace

// The compiled part of the package zantrel, whose __init__ hands out all it defines.
PYBIND11_MODULE(_zantrel, module) {
    module.doc() =
        "Refinement of lattice parameters from indexed powder-diffraction peaks (d spacings, "
        "2-theta or energies).\n\nrefine(hkl, values, system=...) refines arrays, refine_file(path) a "
        "data file; both return a Result. pressure(volume, scale=...) gives a calibrant's pressure, "
        "scales() lists the scales, fit_eos(p, sigma_p, v, sigma_v) fits an equation of state.";
    py::options options;
    options.disable_function_signatures();  // the docstrings give them, with the defaults as the CLI's
    py::register_exception<FailedRun>(module, "RefinementError", PyExc_RuntimeError);
    module.attr("RefinementError").attr("__doc__") =
        "A run that failed on its data: the message is zantrel-cli's, 'FILE: ' the explanation, and the "
        "fault on the last line.";
    module.attr("RefinementError").attr("__module__") = "zantrel";
    module.attr("HeaderWarning") = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "zantrel.HeaderWarning",
        "A data file's title or header line probably does not say what was meant (a data word in capitals, a "
        "tab, two blanks before the zero-shift flag, ...): 'FILE: line L, column C: why'. The file was read as "
        "it stands.",
        PyExc_UserWarning, nullptr));
    module.attr("__version__") = ZANTREL_VERSION;
    BindResult(module);
    BindEos(module);
    BindIndex(module);
    BindFiles(module);
    const RefinementSettings d;
    module.def("refine", &Refine, RefineDoc, py::arg("hkl"), py::arg("values"), py::kw_only(), py::arg("system"),
               py::arg("data") = QuantityName(d.data), py::arg("wavelength") = d.wavelength,
               py::arg("beam_2theta") = d.beam2Theta, py::arg("minimise") = QuantityName(d.minimised),
               py::arg("zero_shift") = d.zeroShift, py::arg("full_diagnostics") = d.fullDiagnostics,
               py::arg("title") = "", py::arg("exclude") = py::none(), py::arg("sigma_2theta") = py::none(),
               py::arg("sigma_d_relative") = py::none(), py::arg("sigma_energy_relative") = py::none(),
               py::arg("sigmas") = py::none());
    module.def("refine_file", &RefineFilePath, RefineFileDoc, py::arg("path"), py::kw_only(),
               py::arg("system") = SystemName(d.system), py::arg("data") = QuantityName(d.data),
               py::arg("wavelength") = d.wavelength, py::arg("beam_2theta") = d.beam2Theta,
               py::arg("minimise") = QuantityName(d.minimised), py::arg("zero_shift") = d.zeroShift,
               py::arg("full_diagnostics") = d.fullDiagnostics, py::arg("report") = py::none(),
               py::arg("exclude") = py::none(), py::arg("sigma_2theta") = py::none(),
               py::arg("sigma_d_relative") = py::none(), py::arg("sigma_energy_relative") = py::none(),
               py::arg("sigma_column") = false);
    BindObservations(module);
}

// The zantrel Python module: refine reflections held in arrays or a data file.

#include <pybind11/pybind11.h>

#include "run/Run.h"
#include "python/Arguments.h"
#include "python/Eos.h"
#include "python/Result.h"
#include "python/Files.h"
#include "python/Runs.h"

namespace py = pybind11;
using namespace zantrel;
using namespace zantrel::python;

namespace {

// Runs the core without the GIL: only C++ values cross into it. In extended precision
// only: a Result hands out every double to its last bit and formats its CIF on demand,
// digits that the fast path's checks of the report do not cover.
Run RefineUnlocked(FileResult& record, RunRequest request) {
    request.precision = Precision::Extended;
    try {
        py::gil_scoped_release unlocked;
        RunReply reply = RunRefinement(request);
        record.results = std::move(reply.results);
        record.path = std::move(reply.path);
    } catch (const RunError& e) {
        throw FailedRun(record.file + ": " + e.what());
    }
    return Finish(std::move(record));
}

Run Refine(py::handle hkl, py::handle values, py::handle system, py::handle data, py::handle wavelength,
           py::handle beam2Theta, py::handle minimise, py::handle zeroShift, py::handle fullDiagnostics,
           py::handle title) {
    RefinementSettings settings =
        SettingsFrom({system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics});
    FileResult record;
    record.file = "data";
    RunRequest request = MemoryRequest(settings, DataText(hkl, values, title), record.file);
    request.report = ReportTarget::None;
    return RefineUnlocked(record, std::move(request));
}

Run RefineFilePath(py::handle path, py::handle system, py::handle data, py::handle wavelength, py::handle beam2Theta,
                   py::handle minimise, py::handle zeroShift, py::handle fullDiagnostics, py::handle report) {
    RefinementSettings settings =
        SettingsFrom({system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics});
    FileResult record;
    record.file = PathBytes(path, "path");
    RunRequest request = FileRequest(settings, record.file);
    request.report = ReportTarget::None;
    if (!report.is_none()) {
        record.report = PathBytes(report, "report");
        request.report = ReportTarget::File;
        request.reportPath = record.report;
    }
    return RefineUnlocked(record, std::move(request));
}

const char* const RefineDoc = R"(refine(hkl, values, *, system, data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False, title='') -> Result

Refines the lattice parameters from indexed reflections held in arrays.

hkl      (n, 3) integers, or a list of triples; at most 200 reflections.
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

The names and defaults are those of zantrel-cli's options. The run is the one
zantrel-cli makes of a data file holding the same reflections.

Raises ValueError or TypeError for a bad argument (the message names it), and
zantrel.RefinementError when the run fails or has too few reflections.
The GIL is released while the refinement runs.)";

const char* const RefineFileDoc = R"(refine_file(path, *, system='triclinic', data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False, report=None) -> Result

Refines a data file as zantrel-cli reads it: a title line ending in '*'
announces a header line whose settings override the arguments.

report   None: no report is written; a path: the report is written there
         (the refined text is also Result.report either way).

The other arguments are those of refine. Raises zantrel.RefinementError with
zantrel-cli's message ("FILE: error" and, on a second line, where) when the
file cannot be read or refined. The GIL is released while the refinement runs.)";

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
        "A run that failed: the message is zantrel-cli's, 'FILE: error' and where on a second line.";
    module.attr("RefinementError").attr("__module__") = "zantrel";
    module.attr("__version__") = ZANTREL_VERSION;
    BindResult(module);
    BindEos(module);
    BindFiles(module);
    const RefinementSettings d;
    module.def("refine", &Refine, RefineDoc, py::arg("hkl"), py::arg("values"), py::kw_only(), py::arg("system"),
               py::arg("data") = QuantityName(d.data), py::arg("wavelength") = d.wavelength,
               py::arg("beam_2theta") = d.beam2Theta, py::arg("minimise") = QuantityName(d.minimised),
               py::arg("zero_shift") = d.zeroShift, py::arg("full_diagnostics") = d.fullDiagnostics,
               py::arg("title") = "");
    module.def("refine_file", &RefineFilePath, RefineFileDoc, py::arg("path"), py::kw_only(),
               py::arg("system") = SystemName(d.system), py::arg("data") = QuantityName(d.data),
               py::arg("wavelength") = d.wavelength, py::arg("beam_2theta") = d.beam2Theta,
               py::arg("minimise") = QuantityName(d.minimised), py::arg("zero_shift") = d.zeroShift,
               py::arg("full_diagnostics") = d.fullDiagnostics, py::arg("report") = py::none());
}

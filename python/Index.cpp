// zantrel.index(positions, cell=..., space_group=...) and zantrel.index_file(path, ...):
// the command line's `index` for arrays and files, the assignment returned as numpy
// arrays beside the refinement's Result.

#include "python/Index.h"

#include <pybind11/stl.h>

#include "export/Documents.h"
#include "indexing/IndexDocuments.h"
#include "python/Arguments.h"
#include "python/Result.h"

namespace zantrel::python {

namespace {

using namespace zantrel::indexing;

[[noreturn]] void Refuse(const std::string& message) {
    PyErr_SetString(py::module_::import("zantrel._zantrel").attr("RefinementError").ptr(), message.c_str());
    throw py::error_already_set();
}

TrialCell TrialFrom(py::handle cell, py::handle spaceGroup, py::handle fromCif, py::handle fromJson) {
    const std::string group = spaceGroup.is_none() ? "" : py::cast<std::string>(spaceGroup);
    if (!fromCif.is_none()) return ReadCifTrialCell(PathBytes(fromCif, "from_cif"), group);
    if (!fromJson.is_none()) return ReadJsonTrialCell(PathBytes(fromJson, "from_json"), group);
    if (cell.is_none()) throw py::value_error("give the trial cell: cell=(a, b, c, alpha, beta, gamma), from_cif= or from_json=");
    if (group.empty()) throw py::value_error("cell needs space_group (a Hermann-Mauguin symbol or a number)");
    const std::vector<double> c = py::cast<std::vector<double>>(cell);
    if (c.size() != 6) throw py::value_error("cell holds six values: a, b, c, alpha, beta, gamma");
    return MakeTrialCell({c[0], c[1], c[2], c[3], c[4], c[5]}, group, "cell");
}

py::object Masked(const py::object& numpy, const py::list& values, const py::list& mask) {
    return numpy.attr("ma").attr("masked_array")(numpy.attr("array")(values), py::arg("mask") = numpy.attr("array")(mask, "bool"));
}

// The assignment as arrays, one entry per peak in the order of d (largest first).
py::dict Answer(const Indexing& x, const std::string& name) {
    const py::object numpy = py::module_::import("numpy");
    py::list position, intensity, intensityMask, sigma, sigmaMask, status, hkl, hklMask, calculated, residual, noLine, window;
    for (const PeakAssignment& p : x.peaks) {
        position.append(p.peak.position);
        intensity.append(p.peak.intensity.value_or(0));
        intensityMask.append(!p.peak.intensity);
        sigma.append(p.peak.sigma.value_or(0));
        sigmaMask.append(!p.peak.sigma);
        status.append(StatusName(p.status));
        const Miller m = p.hkl.value_or(Miller{0, 0, 0});
        hkl.append(py::make_tuple(m[0], m[1], m[2]));
        hklMask.append(py::make_tuple(!p.hkl, !p.hkl, !p.hkl));
        calculated.append(p.calculated.value_or(0));
        residual.append(p.calculated ? p.corrected - *p.calculated : 0);
        noLine.append(!p.calculated);
        window.append(p.window);
    }
    FileResult record;
    record.file = name;
    record.results = x.reply.results;
    record.path = x.reply.path;
    record.status = RunStatus::Ok;
    record.refined = true;
    record.flaggedCount = record.results.diagnostics.FlaggedCount();
    py::dict d;
    d["result"] = py::cast(Run{record});
    d["position"] = numpy.attr("array")(position, "float64");
    d["intensity"] = Masked(numpy, intensity, intensityMask);
    d["sigma"] = Masked(numpy, sigma, sigmaMask);
    d["status"] = numpy.attr("array")(status);
    d["hkl"] = Masked(numpy, hkl, hklMask);
    d["calculated"] = Masked(numpy, calculated, noLine);
    d["residual"] = Masked(numpy, residual, noLine);
    d["window"] = numpy.attr("array")(window, "float64");
    d["space_group"] = x.trial.spaceGroup;
    d["trial_cell"] = py::make_tuple(x.trial.cell[0], x.trial.cell[1], x.trial.cell[2], x.trial.cell[3], x.trial.cell[4], x.trial.cell[5]);
    d["tolerance_window"] = x.window.Description();
    d["iterations"] = x.rounds;
    d["m20"] = x.merit.m20 ? py::cast(*x.merit.m20) : py::none();
    d["n20"] = x.merit.n20;
    d["f_n"] = x.merit.fN ? py::cast(*x.merit.fN) : py::none();
    d["f_n_lines"] = x.merit.fLines;
    d["n_possible"] = x.merit.fPossible;
    d["n_indexed"] = x.indexed;
    d["n_overlapped"] = x.overlapped;
    d["n_ambiguous"] = x.ambiguous;
    d["n_unassigned"] = x.unassigned;
    d["data_file"] = py::bytes(x.dataBytes);
    d["json"] = IndexJson(record, x);
    return d;
}

struct Common {
    py::handle cell, spaceGroup, fromCif, fromJson, data, wavelength, beam, minimise, zeroShift, fullDiagnostics, tolerance,
        relative, minIndexed, sigmaColumn;
};

py::dict IndexList(PeakList list, const Common& a, const std::string& name) {
    IndexRequest request;
    try {
        request.trial = TrialFrom(a.cell, a.spaceGroup, a.fromCif, a.fromJson);
        request.settings = SettingsFrom({py::str("triclinic"), a.data, a.wavelength, a.beam, a.minimise, a.zeroShift, a.fullDiagnostics});
    } catch (const RunError& e) {
        Refuse(e.what());
    }
    // Each peak's sigma weights it (the indexed data file then carries it after its value).
    if (py::cast<bool>(a.sigmaColumn)) request.settings.weighting = {WeightMode::SigmaColumn, 0};
    request.peaks = std::move(list);
    request.tolerance2Theta = py::cast<double>(a.tolerance);
    if (!a.relative.is_none()) request.relative = py::cast<double>(a.relative);
    request.minIndexedShare = py::cast<double>(a.minIndexed);
    if (!(request.tolerance2Theta > 0) || (request.relative && !(*request.relative > 0))) throw py::value_error("tolerance must be positive");
    request.dataName = name;
    request.precision = Precision::Extended;
    Indexing x;
    try {
        py::gil_scoped_release unlocked;
        x = IndexPeaks(request);
    } catch (const RunError& e) {
        Refuse(name + ": " + e.what());
    }
    return Answer(x, name);
}

py::dict Index(py::handle positions, py::handle cell, py::handle spaceGroup, py::handle fromCif, py::handle fromJson,
               py::handle data, py::handle wavelength, py::handle beam, py::handle minimise, py::handle zeroShift,
               py::handle fullDiagnostics, py::handle tolerance, py::handle relative, py::handle minIndexed,
               py::handle intensities, py::handle sigmas, py::handle sigmaColumn) {
    PeakList list;
    list.name = "peaks";
    if (!ParseQuantityName(py::cast<std::string>(data), list.kind) || list.kind == Quantity::Q)
        throw py::value_error("data must be '2theta', 'd' or 'energy'");
    const std::vector<double> p = py::cast<std::vector<double>>(positions);
    std::vector<double> in, s;
    if (!intensities.is_none()) in = py::cast<std::vector<double>>(intensities);
    if (!sigmas.is_none()) s = py::cast<std::vector<double>>(sigmas);
    if ((!in.empty() && in.size() != p.size()) || (!s.empty() && s.size() != p.size()))
        throw py::value_error("intensities and sigmas need one value per position");
    if (p.empty()) throw py::value_error("positions holds no peaks");
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!std::isfinite(p[i]) || !(p[i] > 0)) throw py::value_error("positions[" + std::to_string(i) + "] is not a positive number");
        Peak peak{p[i], std::nullopt, std::nullopt};
        if (!in.empty()) peak.intensity = in[i];
        if (!s.empty()) peak.sigma = s[i];
        list.peaks.push_back(peak);
    }
    return IndexList(std::move(list), {cell, spaceGroup, fromCif, fromJson, data, wavelength, beam, minimise, zeroShift, fullDiagnostics,
                                 tolerance, relative, minIndexed, sigmaColumn},
               "peaks.indexed.dat");
}

py::dict IndexFile(py::handle path, py::handle cell, py::handle spaceGroup, py::handle fromCif, py::handle fromJson,
                   py::handle data, py::handle wavelength, py::handle beam, py::handle minimise, py::handle zeroShift,
                   py::handle fullDiagnostics, py::handle tolerance, py::handle relative, py::handle minIndexed,
                   py::handle sigmaColumn) {
    const std::string file = PathBytes(path, "path");
    Quantity kind = Quantity::TwoTheta;
    if (!ParseQuantityName(py::cast<std::string>(data), kind) || kind == Quantity::Q)
        throw py::value_error("data must be '2theta', 'd' or 'energy'");
    PeakList list;
    try {
        list = ReadPeakListFile(file, kind);
    } catch (const RunError& e) {
        Refuse(file + ": " + e.what());
    }
    return IndexList(std::move(list), {cell, spaceGroup, fromCif, fromJson, data, wavelength, beam, minimise, zeroShift, fullDiagnostics,
                                 tolerance, relative, minIndexed, sigmaColumn},
               SiblingPath(file, ".indexed") + ".dat");
}

const char* const IndexDoc = R"(index(positions, *, cell=None, space_group=None, from_cif=None, from_json=None, data='2theta', wavelength=1.540593, beam_2theta=10.0, minimise='2theta', zero_shift=False, full_diagnostics=False, tolerance=0.05, tolerance_relative=None, min_indexed=0.5, intensities=None, sigmas=None, sigma_column=False) -> dict

Indexes observed peak positions from a trial cell and its space group, as
zantrel-cli index does: assign h k l within the tolerance, refine, reassign
until the assignment no longer changes (docs/indexing.md).

cell          (a, b, c, alpha, beta, gamma) with space_group ('F d -3 m', 'R -3 c:H', 227);
              or from_cif= a structure CIF, or from_json= a previous run's JSON.
tolerance     half-width of each peak's window in degrees of 2-theta; for d data
              carried through the wavelength, for energies through beam_2theta.
tolerance_relative  a window dd/d instead.

Returns a dict: 'result' (the refinement's Result), per peak in the order of
d (largest first) 'position', 'intensity', 'sigma', 'status' ('indexed',
'overlapped', 'ambiguous', 'unassigned'), 'hkl' (n, 3), 'calculated',
'residual', 'window' (numpy arrays, masked where a peak has none), and
'm20', 'n20', 'f_n', 'n_possible', 'iterations', 'n_indexed', 'n_overlapped',
'n_ambiguous', 'n_unassigned', 'space_group', 'trial_cell',
'tolerance_window', 'data_file' (the indexed data file's bytes) and 'json'.
Raises zantrel.RefinementError when no stable assignment is found.)";

const char* const IndexFileDoc = R"(index_file(path, *, cell=None, space_group=None, from_cif=None, from_json=None, data='2theta', ...) -> dict

Indexes a peak list file (text, CSV/TSV, GSAS-II's exports, a Zantrel data
file) as zantrel-cli index reads it; the other arguments and the answer are
those of index. Nothing is written.)";

}  // namespace

void BindIndex(py::module_& module) {
    const RefinementSettings d;
    module.def("index", &Index, IndexDoc, py::arg("positions"), py::kw_only(), py::arg("cell") = py::none(),
               py::arg("space_group") = py::none(), py::arg("from_cif") = py::none(), py::arg("from_json") = py::none(),
               py::arg("data") = QuantityName(d.data), py::arg("wavelength") = d.wavelength, py::arg("beam_2theta") = d.beam2Theta,
               py::arg("minimise") = QuantityName(d.minimised), py::arg("zero_shift") = d.zeroShift,
               py::arg("full_diagnostics") = d.fullDiagnostics, py::arg("tolerance") = 0.05,
               py::arg("tolerance_relative") = py::none(), py::arg("min_indexed") = 0.5, py::arg("intensities") = py::none(),
               py::arg("sigmas") = py::none(), py::arg("sigma_column") = false);
    module.def("index_file", &IndexFile, IndexFileDoc, py::arg("path"), py::kw_only(), py::arg("cell") = py::none(),
               py::arg("space_group") = py::none(), py::arg("from_cif") = py::none(), py::arg("from_json") = py::none(),
               py::arg("data") = QuantityName(d.data), py::arg("wavelength") = d.wavelength, py::arg("beam_2theta") = d.beam2Theta,
               py::arg("minimise") = QuantityName(d.minimised), py::arg("zero_shift") = d.zeroShift,
               py::arg("full_diagnostics") = d.fullDiagnostics, py::arg("tolerance") = 0.05,
               py::arg("tolerance_relative") = py::none(), py::arg("min_indexed") = 0.5, py::arg("sigma_column") = false);
}

}  // namespace zantrel::python

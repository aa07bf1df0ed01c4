#include "python/Observations.h"

#include <cmath>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "export/WeightingText.h"
#include "python/Arguments.h"
#include "python/Result.h"
#include "run/CompareWithoutFlagged.h"
#include "run/DataFile.h"

namespace zantrel::python {

namespace {

std::string TypeName(py::handle object) { return py::str(py::type::handle_of(object).attr("__name__")); }

// An int that is no bool, numpy's included.
bool IsIndex(py::handle x) {
    return !py::isinstance<py::bool_>(x) && py::hasattr(x, "__index__") && !py::isinstance<py::float_>(x);
}

int IntOf(py::handle x, const std::string& what) {
    long long v = py::int_(py::reinterpret_borrow<py::object>(x)).cast<long long>();
    if (v < -2147483647LL || v > 2147483647LL) throw py::value_error(what + " is beyond 32 bits");
    return int(v);
}

// One element of exclude: a row number, or three indices (ints, or whole floats).
void AddExclusion(py::handle item, std::size_t i, Exclusions& out) {
    const std::string what = "exclude[" + std::to_string(i) + "]";
    if (IsIndex(item)) {
        int row = IntOf(item, what);
        if (row < 1) throw py::value_error(what + " is row " + std::to_string(row) + "; rows count from 1");
        out.rows.push_back(row);
        return;
    }
    if (py::isinstance<py::str>(item) || !py::isinstance<py::sequence>(item) || py::len(item) != 3)
        throw py::type_error(what + " must be a row number or an (h, k, l) triple, not " + TypeName(item));
    std::array<int, 3> hkl{};
    py::sequence triple = py::reinterpret_borrow<py::sequence>(item);
    for (std::size_t j = 0; j < 3; ++j) {
        py::handle x = triple[j];
        if (IsIndex(x)) {
            hkl[j] = IntOf(x, what);
        } else {
            double f = py::cast<double>(x);
            if (!(std::isfinite(f) && std::floor(f) == f && std::fabs(f) < 2147483647.0))
                throw py::value_error(what + " must hold whole indices");
            hkl[j] = int(f);
        }
    }
    out.hkl.push_back(hkl);
}

std::optional<double> Positive(py::handle x, const char* name) {
    if (x.is_none()) return std::nullopt;
    if (py::isinstance<py::str>(x) || py::isinstance<py::bool_>(x))
        throw py::type_error(std::string(name) + " must be a number, not " + TypeName(x));
    return py::cast<double>(x);
}

py::dict ReadData(py::handle path) {
    const std::string file = PathBytes(path, "path");
    DataFileContents c;
    try {
        py::gil_scoped_release unlocked;
        c = ReadDataFile(file, RefinementSettings{});
    } catch (const RunError& e) {
        throw py::value_error(file + ": " + e.what());
    }
    const py::ssize_t n = py::ssize_t(c.values.size());
    py::array_t<std::int64_t> hkl({n, py::ssize_t(3)});
    py::array_t<double> values(n), following(n);
    auto h = hkl.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < n; ++i) {
        for (py::ssize_t j = 0; j < 3; ++j) h(i, j) = c.hkl[std::size_t(i)][std::size_t(j)];
        values.mutable_at(i) = c.values[std::size_t(i)];
        following.mutable_at(i) = c.following[std::size_t(i)].value_or(std::nan(""));
    }
    py::dict settings;
    if (c.headerLine) {
        const RefinementSettings& s = c.settings;
        settings["system"] = SystemName(s.system);
        settings["data"] = QuantityName(s.data);
        settings["minimise"] = QuantityName(s.minimised);
        if (s.data == Quantity::Energy) settings["beam_2theta"] = s.beam2Theta;
        else settings["wavelength"] = s.wavelength;
        settings["zero_shift"] = s.zeroShift;
    }
    py::dict out;
    out["title"] = c.title;
    out["hkl"] = hkl;
    out["values"] = values;
    out["sigmas"] = following;
    out["settings"] = settings;
    return out;
}

py::dict Compared(const FlaggedComparison& c) {
    py::list flagged, values;
    for (const ExcludedReflection& e : c.flagged) {
        py::dict d;
        d["row"] = e.row;
        d["hkl"] = py::make_tuple(e.h, e.k, e.l);
        d["value"] = e.valueAsRead;
        flagged.append(d);
    }
    for (const ComparedValue& v : c.values) {
        py::dict d;
        d["label"] = v.label;
        d["all"] = double(v.all);
        d["sigma_all"] = double(v.sigmaAll);
        d["without"] = double(v.without);
        d["sigma_without"] = double(v.sigmaWithout);
        d["change_in_sigma"] = v.changeInSigma ? py::object(py::float_(double(*v.changeInSigma))) : py::none();
        values.append(d);
    }
    py::dict out;
    out["flagged"] = flagged;
    out["values"] = values;
    out["table"] = ComparisonText(c);
    return out;
}

}  // namespace

void ApplyObservations(const ObservationArguments& a, RunRequest& request) {
    if (!a.exclude.is_none()) {
        if (py::isinstance<py::str>(a.exclude) || !py::isinstance<py::iterable>(a.exclude))
            throw py::type_error("exclude must be a list of row numbers and (h, k, l) triples, not " +
                                 TypeName(a.exclude));
        // A (n, 3) array of indices is n triples, a 1-D array n rows.
        py::object items = py::module_::import("builtins").attr("list")(a.exclude);
        std::size_t i = 0;
        for (py::handle item : items) {
            py::object element = py::reinterpret_borrow<py::object>(item);
            if (py::hasattr(element, "tolist")) element = element.attr("tolist")();
            AddExclusion(element, i++, request.exclude);
        }
    }
    Weighting& w = request.settings.weighting;
    int given = 0;
    if (auto s = Positive(a.sigma2Theta, "sigma_2theta")) w = {WeightMode::TwoThetaError, *s}, ++given;
    if (auto s = Positive(a.sigmaDRelative, "sigma_d_relative")) w = {WeightMode::RelativeD, *s}, ++given;
    if (auto s = Positive(a.sigmaEnergyRelative, "sigma_energy_relative")) w = {WeightMode::RelativeEnergy, *s}, ++given;
    if (given > 1)
        throw py::value_error("give at most one of sigma_2theta, sigma_d_relative and sigma_energy_relative");
    if (std::string problem = WeightingProblem(w); !problem.empty()) throw py::value_error(problem);
}

void UseSigmaColumn(RunRequest& request) {
    if (!request.settings.weighting.IsDefault())
        throw py::value_error("a sigma per reflection replaces sigma_2theta, sigma_d_relative and "
                              "sigma_energy_relative; give one way of weighting");
    request.settings.weighting = {WeightMode::SigmaColumn, 0};
}

void BindObservations(py::module_& module) {
    module.def("read_data", &ReadData, R"(read_data(path) -> dict

Reads a data file as refine_file does, without refining it: 'title' (str),
'hkl' ((n, 3) int64), 'values' ((n,) float64, as written in the file, before
any zero-shift correction), 'sigmas' ((n,) float64: the number after each value,
which sigma_column weights by; NaN where the line has none) and 'settings'
(dict of the header line's system, data, minimise, wavelength or beam_2theta
and zero_shift; empty without a header line). Every reflection line is read,
beyond 200 too. refine(d['hkl'], d['values'], **d['settings']) refines what
refine_file(path) refines (give system when the file has no header line).
Raises ValueError with the run's message for a file that cannot be read.)",
               py::arg("path"));
    auto result = py::reinterpret_borrow<py::class_<Run>>(module.attr("Result"));
    result.def_property_readonly(
        "excluded",
        [](const Run& run) {
            py::list out;
            for (const ExcludedReflection& e : run.record.results.excluded) {
                py::dict d;
                d["row"] = e.row;
                d["hkl"] = py::make_tuple(e.h, e.k, e.l);
                d["value"] = e.valueAsRead;
                out.append(d);
            }
            return out;
        },
        "The reflections that exclude left out: a list of dicts row, hkl, value (as read).");
    result.def(
        "compare_without_flagged",
        [](const Run& run) {
            if (!run.request) throw py::value_error("this result keeps no request to refine again");
            FlaggedComparison c;
            try {
                py::gil_scoped_release unlocked;
                c = CompareWithoutFlagged(*run.request);
            } catch (const RunError& e) {
                throw py::value_error(run.record.file + ": " + e.what());
            }
            return Compared(c);
        },
        R"(compare_without_flagged() -> dict

Refines the same data again without every reflection that this result's
diagnostics flag (either table), with the same settings and exclusions, and
compares the cells: 'flagged' (list of dicts: row, hkl, value), 'values'
(one dict per refined parameter and the cell volume: label, all, sigma_all,
without, sigma_without, change_in_sigma = (without - all) / sigma_all) and
'table' (the same side by side, as zantrel-cli --compare-without-flagged
prints it). With nothing flagged, 'flagged' and 'values' are empty.)");
}

}  // namespace zantrel::python

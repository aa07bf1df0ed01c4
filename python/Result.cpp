#include "python/Result.h"

#include <limits>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "export/Format.h"
#include "export/Report.h"
#include "python/ResultState.h"

namespace zantrel::python {

namespace {

constexpr double NotAvailable = std::numeric_limits<double>::quiet_NaN();

py::object Module() { return py::module_::import("zantrel._zantrel"); }

const Results& Of(const Run& run) { return run.record.results; }

py::object Optional(const std::optional<double>& x) { return x ? py::object(py::float_(*x)) : py::none(); }

// One column of a table as a numpy array of n rows.
template <typename T, typename Rows, typename Get>
py::array_t<T> Column(const Rows& rows, Get get) {
    py::array_t<T> column(py::ssize_t(rows.size()));
    auto out = column.template mutable_unchecked<1>();
    for (std::size_t i = 0; i < rows.size(); ++i) out(py::ssize_t(i)) = get(rows[i]);
    return column;
}

// The record's extended-precision values go out as the nearest double, as in the JSON.
template <typename T>
double OrNaN(const std::optional<T>& x) {
    return x ? double(*x) : NotAvailable;
}

py::object CellTuple(const Results& r) {
    return Module().attr("Cell")(r.cell[0].value, r.cell[1].value, r.cell[2].value, r.cell[3].value,
                                 r.cell[4].value, r.cell[5].value, r.volume.value);
}

py::object SigmaTuple(const Results& r) {
    return Module().attr("Sigmas")(Optional(r.cell[0].sigma), Optional(r.cell[1].sigma), Optional(r.cell[2].sigma),
                                 Optional(r.cell[3].sigma), Optional(r.cell[4].sigma), Optional(r.cell[5].sigma),
                                 r.volume.sigma);
}

py::dict Estimates(const std::vector<RefinedParameter>& parameters) {
    py::dict out;
    py::object estimate = Module().attr("Estimate");
    for (const RefinedParameter& q : parameters) out[py::str(q.label)] = estimate(double(q.estimate.value), double(q.estimate.sigma));
    return out;
}

template <typename T>
py::array_t<double> Matrix(const std::vector<std::vector<std::optional<T>>>& rows) {
    const auto n = py::ssize_t(rows.size());
    py::array_t<double> matrix({n, n});
    auto out = matrix.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < n; ++i)
        for (py::ssize_t j = 0; j < n; ++j) out(i, j) = rows[std::size_t(i)].empty() ? NotAvailable : OrNaN(rows[std::size_t(i)][std::size_t(j)]);
    return matrix;
}

py::array_t<double> Matrix(const std::vector<std::vector<double>>& rows) {
    std::vector<std::vector<std::optional<double>>> optional;
    for (const auto& row : rows) optional.emplace_back(row.begin(), row.end());
    return Matrix(optional);
}

py::dict ReflectionColumns(const Results& r) {
    const auto& rows = r.reflections;
    py::dict table;
    table["h"] = Column<int>(rows, [](const ReflectionRow& x) { return x.h; });
    table["k"] = Column<int>(rows, [](const ReflectionRow& x) { return x.k; });
    table["l"] = Column<int>(rows, [](const ReflectionRow& x) { return x.l; });
    table["d_obs"] = Column<double>(rows, [](const ReflectionRow& x) { return x.dObs; });
    table["d_calc"] = Column<double>(rows, [](const ReflectionRow& x) { return x.dCalc; });
    table["row"] = Column<int>(rows, [](const ReflectionRow& x) { return x.row; });
    table["position_as_read"] = Column<double>(rows, [](const ReflectionRow& x) { return x.valueAsRead; });
    table["position_obs"] = Column<double>(rows, [](const ReflectionRow& x) {
        return x.positionFormed ? x.positionObs : NotAvailable;
    });
    table["position_calc"] = Column<double>(rows, [](const ReflectionRow& x) { return OrNaN(x.positionCalc); });
    table["residual"] = Column<double>(rows, [](const ReflectionRow& x) { return x.residual; });
    table["flagged"] = Column<bool>(rows, [](const ReflectionRow& x) { return x.marked; });
    return table;
}

py::dict DiagnosticColumns(const Results& r) {
    const auto& rows = r.diagnostics.rows;
    py::dict table;
    table["hat"] = Column<double>(rows, [](const DiagnosticRow& x) { return x.leverage; });
    table["dffits"] = Column<double>(rows, [](const DiagnosticRow& x) { return OrNaN(x.dfFits); });
    table["rstudent"] = Column<double>(rows, [](const DiagnosticRow& x) { return OrNaN(x.rStudent); });
    table["sigma_deleted"] = Column<double>(rows, [](const DiagnosticRow& x) { return x.sigmaDeleted; });
    table["sigma_change_percent"] =
        Column<double>(rows, [](const DiagnosticRow& x) { return OrNaN(x.sigmaChangePercent); });
    for (std::size_t j = 0; j < r.parameters.size(); ++j)
        table[py::str(r.parameters[j].label + "_change_percent")] = Column<double>(rows, [j](const DiagnosticRow& x) {
            return j < x.parameterChangePercent.size() ? OrNaN(x.parameterChangePercent[j]) : NotAvailable;
        });
    table["volume_change_percent"] =
        Column<double>(rows, [](const DiagnosticRow& x) { return OrNaN(x.volumeChangePercent); });
    table["flagged_fit"] = Column<bool>(rows, [](const DiagnosticRow& x) { return x.flaggedFit; });
    table["flagged_parameters"] = Column<bool>(rows, [](const DiagnosticRow& x) { return x.flaggedParameters; });
    return table;
}

py::object ZeroShiftTuple(const Results& r) {
    const ZeroShiftResult* z = RefinedZeroShift(r);
    if (z == nullptr) return py::none();
    return Module().attr("ZeroShift")(z->value, z->sigma, z->significant);
}

// The report is Windows-1252; a title of other bytes may hold codes it leaves unused.
py::str Decoded(const std::string& bytes, const char* encoding) {
    return py::bytes(bytes).attr("decode")(encoding, "replace");
}

// zantrel.Result('silicon.dat', cubic, a=5.431066(55), volume=160.1958(49)): the free
// parameters and the volume, each with its standard error as a CIF writes them.
std::string Repr(const Run& run) {
    const Results& r = Of(run);
    std::string text = "<zantrel.Result " + py::repr(py::str(Decoded(run.record.file, "utf-8"))).cast<std::string>() +
                       " " + SystemName(r.systemRefined);
    for (const RefinedParameter& q : r.parameters)
        text += " " + q.label + "=" + ValueWithSu(double(q.estimate.value), double(q.estimate.sigma));
    return text + " volume=" + ValueWithSu(double(r.volume.value), double(r.volume.sigma)) + ">";
}

// The columns of zantrel-cli's summary that hold numbers, by kind; the others are text.
bool IsCount(const std::string& column) { return column == "n_reflections" || column == "n_flagged"; }
bool IsText(const std::string& column) {
    for (const char* name : {"file", "system", "system_requested", "refinement_steps", "path", "fallback_reason", "status"})
        if (column == name) return true;
    return false;
}

// The run's row of zantrel-cli's summary as one flat dict, the CSV's names for keys:
// numbers as int or float (the CSV's shortest decimals read back to the same doubles),
// an empty field as None.
py::dict Row(const Run& run) {
    const std::string csv = SummaryCsv({run.record});
    py::object text = py::bytes(csv).attr("decode")("utf-8", "surrogateescape");
    py::list lines = py::module_::import("csv").attr("reader")(text.attr("splitlines")());
    py::dict row;
    py::list names = lines[0], fields = lines[1];
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = names[i].cast<std::string>();
        py::str field = fields[i];
        if (py::len(field) == 0) row[names[i]] = py::none();
        else if (IsText(name)) row[names[i]] = field;
        else if (IsCount(name)) row[names[i]] = py::int_(field);
        else row[names[i]] = py::float_(field);
    }
    return row;
}

py::bytes State(const Run& run) { return py::bytes(StateBytes(run)); }

Run FromState(const py::bytes& state) {
    try {
        return RunFromState(std::string_view(state));
    } catch (const StateError& e) {
        throw py::value_error(e.what());
    }
}

}  // namespace

void BindResult(py::module_& module) {
    py::object namedtuple = py::module_::import("collections").attr("namedtuple");
    // Named after the package, where pickle finds them again.
    const auto named = [&namedtuple](const char* name, const char* fields) {
        return namedtuple(name, fields, py::arg("module") = "zantrel");
    };
    module.attr("Cell") = named("Cell", "a b c alpha beta gamma volume");
    module.attr("Cell").attr("__doc__") = "Lengths in angstrom, angles in degrees, volume in cubic angstrom.";
    module.attr("Sigmas") = named("Sigmas", "a b c alpha beta gamma volume");
    module.attr("Sigmas").attr("__doc__") =
        "The standard errors of a Cell, in its units; None for an angle fixed by symmetry.";
    module.attr("Estimate") = named("Estimate", "value sigma");
    module.attr("ZeroShift") = named("ZeroShift", "value sigma applied");
    module.attr("ZeroShift").attr("__doc__") =
        "The zero-shift correction (2-theta in degrees or energy in keV) and its sigma; applied "
        "when it exceeds its sigma and the observations were corrected by it.";

    py::class_<Run> result(module, "Result",
                           "The results of one refinement; made by refine, refine_file and refine_files. "
                           "A value: pickle and copy keep every member to its last bit, and == compares them all.");
    result.attr("__module__") = "zantrel";
    result
        .def_property_readonly("cell", [](const Run& x) { return CellTuple(Of(x)); },
                               "Cell(a, b, c, alpha, beta, gamma, volume) as refined.")
        .def_property_readonly("sigmas", [](const Run& x) { return SigmaTuple(Of(x)); },
                               "Sigmas(a, b, c, alpha, beta, gamma, volume): the standard errors; None for an "
                               "angle fixed by symmetry.")
        .def_property_readonly("parameters", [](const Run& x) { return Estimates(Of(x).parameters); },
                               "The refined parameters by label ('a', 'c', 'beta', ...): Estimate(value, sigma).")
        .def_property_readonly("reciprocal_cell", [](const Run& x) { return Estimates(Of(x).reciprocal); },
                               "The refined reciprocal parameters by label ('a*', ...): Estimate(value, sigma); "
                               "lengths in 1/angstrom, angles in degrees.")
        .def_property_readonly("covariance", [](const Run& x) { return Matrix(Of(x).covariance); },
                               "Covariance of the parameters, in the order of `parameters`.")
        .def_property_readonly("correlation", [](const Run& x) { return Matrix(Of(x).correlation); },
                               "Correlation of the parameters, in the order of `parameters`; NaN where "
                               "the report prints n/a.")
        .def_property_readonly("zero_shift", [](const Run& x) { return ZeroShiftTuple(Of(x)); },
                               "ZeroShift(value, sigma, applied) when the zero shift was refined, else None.")
        .def_property_readonly("sigmafit", [](const Run& x) { return Of(x).sigmaFit; })
        .def_property_readonly("student_t", [](const Run& x) { return Of(x).studentT; },
                               "Student's t of the 95 % intervals.")
        .def_property_readonly("system", [](const Run& x) { return SystemName(Of(x).systemRefined); },
                               "The crystal system refined: lower than requested after a fall-back.")
        .def_property_readonly("system_requested", [](const Run& x) { return SystemName(Of(x).systemRequested); })
        .def_property_readonly("title", [](const Run& x) { return Decoded(Of(x).title, "utf-8"); })
        .def_property_readonly("too_many_reflections", [](const Run& x) { return Of(x).tooManyReflections; },
                               "The data file held more reflections than are refined; the first were used.")
        .def_property_readonly("reflections", [](const Run& x) { return ReflectionColumns(Of(x)); },
                               "Observed against fitted, one entry per reflection: a dict of numpy arrays "
                               "h, k, l, row (the reflection line's place in the data, from 1), position_as_read "
                               "(the value as the data give it, in the data's quantity), d_obs, d_calc, position_obs "
                               "(2-theta, or energy for energy data, after any zero-shift correction; NaN for d data "
                               "weighted without a wavelength), position_calc (NaN where the cell gives "
                               "none), residual, flagged.")
        .def_property_readonly("diagnostics", [](const Run& x) { return DiagnosticColumns(Of(x)); },
                               "The influence of deleting each reflection, in the order of `reflections`: a "
                               "dict of numpy arrays hat, dffits, rstudent, sigma_deleted, sigma_change_percent, "
                               "<parameter>_change_percent, volume_change_percent (NaN for n/a), flagged_fit, "
                               "flagged_parameters.")
        .def_property_readonly("path", [](const Run& x) { return PrecisionName(x.record.path); },
                               "The precision that made the run, 'double' or 'extended', as zantrel-cli's "
                               "summary and JSON name it. The module refines in extended precision only, so "
                               "this is always 'extended'.")
        .def_property_readonly("fallback_reason",
                               [](const Run& x) -> py::object {
                                   const std::string& reason = x.record.path.fallbackReason;
                                   return reason.empty() ? py::object(py::none()) : py::object(py::str(reason));
                               },
                               "Why a double-precision run was not kept, or None. Always None here: the "
                               "module asks for extended precision and makes no double-precision run.")
        .def_property_readonly("report", [](const Run& x) { return Decoded(FormatReport(Of(x)), "cp1252"); },
                               "The report's text, as written to a report file (lines end in CR LF).")
        .def("to_json", [](const Run& x) { return Decoded(JsonText(x.record), "utf-8"); },
             "The JSON document that zantrel-cli --json writes.")
        .def("to_cif",
             [](const Run& x) {
                 return Decoded(x.fromArrays ? ArraysCifText(x.record) : CifText(x.record), "utf-8");
             },
             "The CIF block that zantrel-cli --cif writes; from zantrel.refine's arrays its head says so.")
        .def("to_dict", [](const Run& x) { return py::module_::import("json").attr("loads")(JsonText(x.record)); },
             "The JSON document of to_json() as Python values: dicts, lists, numbers, str, None.")
        .def("as_row", &Row,
             "One flat dict, the run's row of zantrel-cli --summary with its column names: file, system, "
             "n_reflections, a, sigma_a, ... volume, sigma_volume, zero_shift, sigma_zero_shift, sigmafit, "
             "n_flagged, system_requested, refinement_steps, path, fallback_reason, status; None for an empty "
             "field. pandas.DataFrame([r.as_row() for r in results]) is the series' table.")
        .def("__repr__", &Repr)
        .def("__eq__", [](const Run& x, py::handle other) -> py::object {
            if (!py::isinstance<Run>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
            return py::bool_(StateBytes(x) == StateBytes(other.cast<const Run&>()));
        })
        .def("__hash__", [](const Run& x) { return py::hash(State(x)); })
        .def("__copy__", [](const Run& x) { return x; })
        .def("__deepcopy__", [](const Run& x, py::handle) { return x; }, py::arg("memo"))
        .def(py::pickle(&State, &FromState));
}

}  // namespace zantrel::python

#include "python/Arguments.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>

#include <pybind11/numpy.h>

#include "engine/Indexed.h"
#include "export/Format.h"

namespace zantrel::python {

namespace {

std::string TypeName(py::handle object) { return py::str(py::type::handle_of(object).attr("__name__")); }

std::string Lowered(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A name as the command line accepts it: any case.
std::string NameArgument(py::handle value, const char* argument) {
    if (!py::isinstance<py::str>(value))
        throw py::type_error(std::string(argument) + " must be a str, not " + TypeName(value));
    return Lowered(value.cast<std::string>());
}

CrystalSystem SystemArgument(py::handle value) {
    const char* const known = "cubic, tetragonal, hexagonal, orthorhombic, monoclinic, triclinic or 1..6";
    std::string name;
    if (py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value)) name = py::str(value);
    else if (py::isinstance<py::str>(value)) name = NameArgument(value, "system");
    else throw py::type_error("system must be a name or a number, not " + TypeName(value));
    if (name.size() == 1 && name[0] >= '1' && name[0] <= '6') return CrystalSystem(name[0] - '0');
    CrystalSystem system;
    if (!ParseSystemName(name, system))
        throw py::value_error("system " + py::repr(value).cast<std::string>() + " is unknown; use " + known);
    return system;
}

Quantity QuantityArgument(py::handle value, const char* argument, bool qAllowed) {
    std::string name = NameArgument(value, argument);
    Quantity quantity;
    if (!ParseQuantityName(name, quantity) || (quantity == Quantity::Q && !qAllowed))
        throw py::value_error(std::string(argument) + " " + py::repr(value).cast<std::string>() +
                              " is unknown; use 2theta, d" + (qAllowed ? ", energy or q" : " or energy"));
    return quantity;
}

double FiniteArgument(py::handle value, const char* argument) {
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))
        throw py::type_error(std::string(argument) + " must be a number, not " + TypeName(value));
    double x = PyFloat_AsDouble(value.ptr());
    if (x == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        throw py::type_error(std::string(argument) + " must be a number, not " + TypeName(value));
    }
    if (!std::isfinite(x)) throw py::value_error(std::string(argument) + " must be finite, not " + py::repr(value).cast<std::string>());
    return x;
}

bool SwitchArgument(py::handle value, const char* argument) {
    // True and False (numpy's too), never a truth taken from a string or a number.
    py::detail::make_caster<bool> caster;
    if (!caster.load(value, false))
        throw py::type_error(std::string(argument) + " must be True or False, not " + TypeName(value));
    return py::detail::cast_op<bool>(caster);
}

py::array AsArray(py::handle value, const char* argument) {
    try {
        return py::module_::import("numpy").attr("asarray")(value);
    } catch (py::error_already_set& e) {
        throw py::value_error(std::string(argument) + " is not an array: " + py::str(e.value()).cast<std::string>());
    }
}

std::string Shape(const py::array& a) { return py::str(py::tuple(a.attr("shape"))); }

// Floats that are whole numbers, as np.loadtxt reads indices, as int64; others refused.
py::array IntegralFloats(const py::array& a) {
    auto f = py::array_t<double, py::array::forcecast>::ensure(a);
    const double* x = f.data();
    for (py::ssize_t i = 0; i < f.size(); ++i)
        if (!(std::isfinite(x[i]) && std::floor(x[i]) == x[i] && std::fabs(x[i]) <= double(INT_MAX)))
            throw py::value_error("hkl must hold whole numbers; hkl.flat[" + std::to_string(i) + "] is " +
                                  py::repr(py::float_(x[i])).cast<std::string>());
    return py::array_t<std::int64_t, py::array::forcecast>::ensure(f);
}

// hkl as int64, each index within the 32 bits the reader takes. More than 200
// reflections are taken as refine_file takes them: the first 200 are refined and the
// result says so (too_many_reflections).
py::array_t<std::int64_t> IndexArray(py::handle hkl) {
    py::array a = AsArray(hkl, "hkl");
    char kind = a.dtype().kind();
    if (kind == 'f') {
        a = IntegralFloats(a);
        kind = 'i';
    }
    if (kind != 'i' && kind != 'u')
        throw py::type_error("hkl must hold integers, not " + py::str(a.dtype()).cast<std::string>());
    if (a.ndim() != 2 || a.shape(1) != 3)
        throw py::value_error("hkl must have the shape (n, 3), not " + Shape(a));
    // Unsigned 64-bit indices above 2^63 would wrap in the cast: compare them first.
    if (kind == 'u' && a.itemsize() == 8) {
        auto u = py::array_t<std::uint64_t, py::array::forcecast>::ensure(a).unchecked<2>();
        for (py::ssize_t i = 0; i < u.shape(0); ++i)
            for (py::ssize_t j = 0; j < 3; ++j)
                if (u(i, j) > std::uint64_t(INT_MAX))
                    throw py::value_error("hkl[" + std::to_string(i) + "] has an index beyond 32 bits");
    }
    auto indices = py::array_t<std::int64_t, py::array::forcecast>::ensure(a);
    auto v = indices.unchecked<2>();
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
        for (py::ssize_t j = 0; j < 3; ++j)
            if (v(i, j) < INT_MIN || v(i, j) > INT_MAX)
                throw py::value_error("hkl[" + std::to_string(i) + "] has an index beyond 32 bits");
        if (v(i, 0) == 0 && v(i, 1) == 0 && v(i, 2) == 0)
            throw py::value_error("hkl[" + std::to_string(i) + "] is 0 0 0, which is no reflection");
    }
    return indices;
}

py::array_t<double> ValueArray(py::handle values, py::ssize_t count, const std::string& name = "values") {
    py::array a = AsArray(values, name.c_str());
    char kind = a.dtype().kind();
    if (kind != 'i' && kind != 'u' && kind != 'f')
        throw py::type_error(name + " must hold numbers, not " + py::str(a.dtype()).cast<std::string>());
    if (a.ndim() != 1 || a.shape(0) != count)
        throw py::value_error(name + " must have the shape (" + std::to_string(count) + ",) of hkl's rows, not " +
                              Shape(a));
    auto doubles = py::array_t<double, py::array::forcecast>::ensure(a);
    auto v = doubles.unchecked<1>();
    for (py::ssize_t i = 0; i < count; ++i)
        if (!std::isfinite(v(i)))
            throw py::value_error(name + "[" + std::to_string(i) + "] is " + std::to_string(v(i)) +
                                  "; every value must be finite");
    return doubles;
}

std::string TitleLine(py::handle title) {
    if (!py::isinstance<py::str>(title)) throw py::type_error("title must be a str, not " + TypeName(title));
    std::string text = title.cast<std::string>();
    if (text.find_first_of("\r\n") != std::string::npos) throw py::value_error("title must be a single line");
    // In a data file a title ending in '*' announces a header line, which the arrays do not have.
    if (!text.empty() && text.back() == '*') throw py::value_error("title must not end in '*'");
    return text;
}

}  // namespace

RefinementSettings SettingsFrom(const SettingArguments& a) {
    RefinementSettings s;
    s.system = SystemArgument(a.system);
    s.data = QuantityArgument(a.data, "data", false);
    s.minimised = QuantityArgument(a.minimise, "minimise", true);
    s.wavelength = FiniteArgument(a.wavelength, "wavelength");
    if (!(s.wavelength > 0))
        throw py::value_error("wavelength must be positive, not " + py::repr(a.wavelength).cast<std::string>());
    s.beam2Theta = FiniteArgument(a.beam2Theta, "beam_2theta");
    if (!(s.beam2Theta > 0 && s.beam2Theta < 180))
        throw py::value_error("beam_2theta must lie between 0 and 180 degrees, not " +
                              py::repr(a.beam2Theta).cast<std::string>());
    s.zeroShift = SwitchArgument(a.zeroShift, "zero_shift");
    s.fullDiagnostics = SwitchArgument(a.fullDiagnostics, "full_diagnostics");
    return s;
}

std::string DataText(py::handle hkl, py::handle values, py::handle title, py::handle sigmas) {
    auto indices = IndexArray(hkl);
    auto h = indices.unchecked<2>();
    auto doubles = ValueArray(values, h.shape(0));
    auto v = doubles.unchecked<1>();
    py::array_t<double> sigmaArray;
    if (!sigmas.is_none()) sigmaArray = ValueArray(sigmas, h.shape(0), "sigmas");
    std::string text = TitleLine(title) + "\n";
    for (py::ssize_t i = 0; i < h.shape(0); ++i) {
        text += std::to_string(h(i, 0)) + " " + std::to_string(h(i, 1)) + " " + std::to_string(h(i, 2)) + " " + FormatShortest(v(i));
        if (!sigmas.is_none()) text += " " + FormatShortest(sigmaArray.at(i));
        text += "\n";
    }
    return text + "0 0 0\n";
}

std::string PathBytes(py::handle path, const char* argument) {
    try {
        return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    } catch (py::error_already_set&) {
        throw py::type_error(std::string(argument) + " must be a str, bytes or os.PathLike, not " + TypeName(path));
    }
}

}  // namespace zantrel::python

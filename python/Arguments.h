#pragma once
// The module's arguments checked and turned into what the core reads: the settings,
// and reflections held in arrays as the text of a data file.

#include <string>

#include <pybind11/pybind11.h>

#include "cell/Settings.h"

namespace zantrel::python {

namespace py = pybind11;

// The keyword arguments shared by refine and refine_file, as the caller gave them.
struct SettingArguments {
    py::handle system, data, wavelength, beam2Theta, minimise, zeroShift, fullDiagnostics;
};

// Each check raises ValueError or TypeError with a message that names the argument.
RefinementSettings SettingsFrom(const SettingArguments& arguments);

// A data file holding the title line, one line "h k l value" per reflection and the
// closing "0 0 0". Each value is written as the shortest decimal that reads back as
// the same double, so the arrays and the file give the same run to the last bit.
// With sigmas (not None), each reflection's sigma follows its value on its line.
std::string DataText(py::handle hkl, py::handle values, py::handle title, py::handle sigmas = py::none());

// A str, bytes or os.PathLike argument as the file system's bytes.
std::string PathBytes(py::handle path, const char* argument);

}  // namespace zantrel::python

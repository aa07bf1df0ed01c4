#pragma once
// zantrel.refine_files: many data files with the same settings, on threads of their own.

#include <pybind11/pybind11.h>

namespace zantrel::python {

namespace py = pybind11;

void BindFiles(py::module_& module);

}  // namespace zantrel::python

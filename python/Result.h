#pragma once
// zantrel.Result: one run's results record, offered as Python values and numpy arrays.

#include <optional>

#include <pybind11/pybind11.h>

#include "python/ResultState.h"

namespace zantrel::python {

namespace py = pybind11;

// Adds Result and the named tuples its attributes return (Cell, Estimate, ZeroShift).
void BindResult(py::module_& module);

}  // namespace zantrel::python

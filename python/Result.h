#pragma once
// zantrel.Result: one run's results record, offered as Python values and numpy arrays.

#include <optional>

#include <pybind11/pybind11.h>

#include "export/Documents.h"

namespace zantrel::python {

namespace py = pybind11;

// The record of a finished run, with the names its JSON and CIF carry.
struct Run {
    FileResult record;
    // What made it, for compare_without_flagged; without a report.
    std::optional<RunRequest> request;
    bool fromArrays = false;  // zantrel.refine's reflections, not a data file
};

// Adds Result and the named tuples its attributes return (Cell, Estimate, ZeroShift).
void BindResult(py::module_& module);

}  // namespace zantrel::python

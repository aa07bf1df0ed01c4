#pragma once
// Which reflections enter a run and how they are weighted, as keyword arguments of
// refine and refine_file; read_data; and Result.compare_without_flagged.

#include <pybind11/pybind11.h>

#include "run/Run.h"

namespace zantrel::python {

namespace py = pybind11;

struct ObservationArguments {
    py::handle exclude, sigma2Theta, sigmaDRelative, sigmaEnergyRelative;
};

// exclude: (h, k, l) triples and row numbers (from 1, as reflections['row']); at most
// one of the weightings. Raises ValueError or TypeError naming the argument.
void ApplyObservations(const ObservationArguments& arguments, RunRequest& request);
// Weighting by a sigma per reflection (refine's sigmas, refine_file's sigma_column).
void UseSigmaColumn(RunRequest& request);

// read_data and Result.compare_without_flagged.
void BindObservations(py::module_& module);

}  // namespace zantrel::python

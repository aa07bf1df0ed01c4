#pragma once
// zantrel.scales, zantrel.pressure and zantrel.fit_eos: the calibrant scales and the
// equation-of-state fit of eos/ for scripts.

#include <pybind11/pybind11.h>

namespace zantrel::python {

void BindEos(pybind11::module_& module);

}  // namespace zantrel::python

#pragma once
// zantrel.index and zantrel.index_file: peak lists indexed from a trial cell.

#include <pybind11/pybind11.h>

namespace zantrel::python {

void BindIndex(pybind11::module_& module);

}  // namespace zantrel::python

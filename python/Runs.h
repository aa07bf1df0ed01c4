#pragma once
// A finished run as the module hands it out: a Result, or zantrel.RefinementError with
// the command line's message.

#include <stdexcept>
#include <string>

#include "python/Result.h"

namespace zantrel::python {

// A failed run as Python sees it: zantrel.RefinementError.
struct FailedRun : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The message of a run that stopped before its cell (too few reflections), or "".
std::string HaltMessage(const FileResult& record);

// The record of a run that got its cell, marked as done; throws FailedRun for a halted one.
Run Finish(FileResult record);

}  // namespace zantrel::python

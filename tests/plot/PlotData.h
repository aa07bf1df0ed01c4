#pragma once
// Results records for the plot tests: refined example files, and the report of the
// same runs.

#include <string>

#include "run/Run.h"
#include "tests/cli/CliRun.h"

namespace zantrel::plottest {

using testfiles::Example;

// The example refined with its own header line in extended precision, as the desktop
// program refines it; the record holds every reflection's diagnostics.
inline RunReply RunExample(const std::string& name) {
    return RunRefinement(MemoryRequest({}, Example(name), name, Precision::Extended));
}
inline Results RefineExample(const std::string& name) { return RunExample(name).results; }

}  // namespace zantrel::plottest

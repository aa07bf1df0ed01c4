#pragma once
// A run's whole record, and the request that made it, as bytes and back, exactly: what a pickled zantrel.Result holds.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "export/Documents.h"
#include "run/Run.h"

namespace zantrel::python {

// The record of a finished run, with the names its JSON and CIF carry.
struct Run {
    FileResult record;
    // What made it, for compare_without_flagged; without a report.
    std::optional<RunRequest> request;
    bool fromArrays = false;  // zantrel.refine's reflections, not a data file
};

// Bytes that are not a record of this format (another version's, or damaged).
struct StateError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Every member of the record, each number to its last bit (extended-precision ones as
// the shortest decimal that reads back as the same long double), so that a restored
// record formats the same report, CIF and JSON.
std::string StateBytes(const Run& run);
// Throws StateError.
Run RunFromState(std::string_view bytes);

}  // namespace zantrel::python

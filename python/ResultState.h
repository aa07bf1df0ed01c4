#pragma once
// A run's whole record as bytes and back, exactly: what a pickled zantrel.Result holds.

#include <stdexcept>
#include <string>
#include <string_view>

#include "export/Documents.h"

namespace zantrel::python {

// Bytes that are not a record of this format (another version's, or damaged).
struct StateError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// Every member of the record, each number to its last bit (extended-precision ones as
// the shortest decimal that reads back as the same long double), so that a restored
// record formats the same report, CIF and JSON.
std::string StateBytes(const FileResult& record);
// Throws StateError.
FileResult RecordFromState(std::string_view bytes);

}  // namespace zantrel::python

#pragma once
// A data file's contents as a script wants them: the title, the settings its header
// line gives, and every reflection line's indices, value and the number after it.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cell/Settings.h"

namespace zantrel {

struct DataFileContents {
    std::string title;        // without a header's '*'
    bool headerLine = false;  // the settings below are the header line's
    RefinementSettings settings;
    std::vector<std::array<int, 3>> hkl;
    std::vector<double> values;  // in the data's quantity, as written
    // The number that follows the value on its line, where one does: the sigma that
    // --sigma-column reads; elsewhere the start of a remark.
    std::vector<std::optional<double>> following;
};

// Reads the file as a run reads it (the same title, header and reflection rules, every
// reflection line up to "0 0 0" or an empty line, beyond 200 too), settings starting
// from `settings`. Throws RunError with the run's messages.
DataFileContents ReadDataFile(const std::string& path, const RefinementSettings& settings);

}  // namespace zantrel

#pragma once
// Reflections a user leaves out of a run, named by their indices or by their row (the
// n-th reflection line of the data file, counted from 1), and those the run left out.

#include <array>
#include <vector>

namespace zantrel {

struct Exclusions {
    std::vector<std::array<int, 3>> hkl;  // every reflection line with these indices
    std::vector<int> rows;

    bool empty() const { return hkl.empty() && rows.empty(); }
    bool operator==(const Exclusions&) const = default;
};

// One reflection line that the run did not use.
struct ExcludedReflection {
    int row = 0;  // its place among the file's reflection lines, from 1
    int h = 0, k = 0, l = 0;
    double valueAsRead = 0;  // in the data's quantity
    bool operator==(const ExcludedReflection&) const = default;
};

}  // namespace zantrel

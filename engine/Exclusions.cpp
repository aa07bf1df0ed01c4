// Which reflection lines a request leaves out, and the check that each one it names exists.

#include <algorithm>

#include "cell/Messages.h"
#include "engine/Steps.h"

namespace zantrel::engine {

bool IsExcluded(const Exclusions& exclude, int row, int h, int k, int l) {
    const std::array<int, 3> hkl{h, k, l};
    return std::find(exclude.rows.begin(), exclude.rows.end(), row) != exclude.rows.end() ||
           std::find(exclude.hkl.begin(), exclude.hkl.end(), hkl) != exclude.hkl.end();
}

void CheckExclusionsMatched(const Exclusions& exclude, const std::vector<ExcludedReflection>& excluded,
                            int rowsRead, const std::string& dataName) {
    // A misspelt exclusion would otherwise leave the reflection in, silently.
    std::string unmatched;
    auto add = [&](const std::string& what) { unmatched += (unmatched.empty() ? "" : ", ") + what; };
    for (const auto& hkl : exclude.hkl) {
        bool found = std::any_of(excluded.begin(), excluded.end(), [&](const ExcludedReflection& e) {
            return e.h == hkl[0] && e.k == hkl[1] && e.l == hkl[2];
        });
        if (!found)
            add("(" + std::to_string(hkl[0]) + " " + std::to_string(hkl[1]) + " " + std::to_string(hkl[2]) + ")");
    }
    for (int row : exclude.rows)
        if (row < 1 || row > rowsRead) add("row " + std::to_string(row));
    if (!unmatched.empty())
        Fail("No such reflection to exclude",
             dataName + " has " + std::to_string(rowsRead) + " reflection lines and none for " + unmatched);
}

}  // namespace zantrel::engine

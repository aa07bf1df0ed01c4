#pragma once
// Each crystal system's layout, in one table: how many reciprocal-cell parameters it
// refines, what each refined slot is called, what each column of its regression
// measures, and which slot gives each of a .. gamma.

#include <array>

#include "cell/Settings.h"

namespace zantrel {

// Which refined slot gives one of a .. gamma, or the angle fixed by symmetry. Slot 0
// stands for a fixed value.
struct CellSlot {
    int slot = 0;
    double fixed = 0;
};

struct SystemLayout {
    int parameterCount = 0;  // 1, 2, 2, 3, 4, 6
    // Slots 1 .. parameterCount, index 0 for slot 1.
    std::array<const char*, 6> directLabels{};      // "a", "c", "beta", ...
    std::array<const char*, 6> reciprocalLabels{};  // "a*", "c*", "beta*", ...
    std::array<const char*, 6> regressionTerms{};   // "h^2+k^2 (a*^2)", ...
    std::array<CellSlot, 6> conventional{};         // a, b, c, alpha, beta, gamma
};

// The layout of a system; a system outside the six has none (a parameter count of 0).
const SystemLayout& LayoutOf(CrystalSystem system);

}  // namespace zantrel

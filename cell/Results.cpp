// The results record's own arithmetic: counts and layouts, alike for both engines.

#include "cell/Results.h"

namespace zantrel {

int Diagnostics::FlaggedCount() const {
    int n = 0;
    for (const DiagnosticRow& row : rows) n += row.flaggedFit || row.flaggedParameters ? 1 : 0;
    return n;
}

std::array<CellSlot, 6> ConventionalLayout(CrystalSystem system) {
    const CellSlot right{0, 90.0};
    switch (system) {
        case CrystalSystem::Cubic: return {{{1, 0}, {1, 0}, {1, 0}, right, right, right}};
        case CrystalSystem::Tetragonal: return {{{1, 0}, {1, 0}, {2, 0}, right, right, right}};
        case CrystalSystem::Hexagonal: return {{{1, 0}, {1, 0}, {2, 0}, right, right, {0, 120.0}}};
        case CrystalSystem::Orthorhombic: return {{{1, 0}, {2, 0}, {3, 0}, right, right, right}};
        case CrystalSystem::Monoclinic: return {{{1, 0}, {2, 0}, {3, 0}, right, {4, 0}, right}};
        case CrystalSystem::Triclinic: break;
    }
    return {{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}};
}

}  // namespace zantrel

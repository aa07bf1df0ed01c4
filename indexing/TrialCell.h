#pragma once
// The trial cell and its space group: where the indexing starts from. The space group
// decides which reflections exist and which crystal system the refinement uses.

#include <array>
#include <string>

#include "cell/Settings.h"

namespace zantrel::indexing {

using CellParameters = std::array<double, 6>;  // a, b, c (angstrom), alpha, beta, gamma (degrees)

struct TrialCell {
    CellParameters cell{};
    std::string spaceGroup;    // the full Hermann-Mauguin symbol with its setting, "R -3 c:H"
    int spaceGroupNumber = 0;  // 1..230
    CrystalSystem system = CrystalSystem::Triclinic;  // the one refined
    std::string source;        // where it came from, for the record: "--cell", "CIF corundum.cif", ...
};

// The cell and symmetry as given. The space group is a Hermann-Mauguin symbol (with a
// setting such as ":H" or ":2") or a number; the cell must agree with the crystal
// system that it implies (lengths to 1e-4 relative, angles to 0.01 degree) and is then
// made exact (b = a in a tetragonal cell, ...). Throws RunError saying why not.
TrialCell MakeTrialCell(const CellParameters& cell, const std::string& spaceGroup, const std::string& source);

// "a,b,c,alpha,beta,gamma"; throws RunError naming the item that is not a number.
CellParameters ParseCell(const std::string& text);

// The cell and space group of a structure CIF (CIF 1 or CIF 2 / mmCIF tag spellings;
// values may be quoted or carry a standard uncertainty in parentheses). The space
// group is the Hermann-Mauguin name, else the Hall symbol, else the number. `spaceGroup`
// given overrides the file's. Throws RunError with the line and column of a fault.
TrialCell ReadCifTrialCell(const std::string& path, const std::string& spaceGroup = "");
// The refined cell of a previous run's JSON document (zantrel-cli --json); the space
// group from an indexing run's "assignment" member unless `spaceGroup` is given.
TrialCell ReadJsonTrialCell(const std::string& path, const std::string& spaceGroup = "");

}  // namespace zantrel::indexing

#pragma once
// The charts of a run's results record and of a batch: residuals, influence, DfBetas,
// and the refined parameters across a series of files.

#include <string>
#include <vector>

#include "cell/Results.h"
#include "plot/Chart.h"

namespace zantrel::plot {

// Axis text of a quantity with its unit: "2θ (°)", "d (Å)", "E (keV)", "Q (Å⁻²)".
QString QuantityTitle(Quantity quantity);

// Residual (observed - calculated) in the minimised quantity against the position in
// the data's quantity, with the band inside which the report leaves rows unmarked.
Panel ResidualPanel(const Results& results);
// The same reflections' residuals in the data's own quantity; only meaningful when
// the run minimised another quantity.
Panel DataResidualPanel(const Results& results);
// Rstudent against leverage with the report's limits; marker size grows with |DFFITS|;
// the flagged reflections marked and labelled.
Panel InfluencePanel(const Results& results);
// For each reflection the largest change of a parameter (percent of its sigma) when
// the reflection is left out, with the report's limit.
Panel ParameterChangePanel(const Results& results);
// The panels above that the run has, two to a row.
Page ResultsPage(const Results& results);

// One file of a series; results is null for a file that gave no cell.
struct SeriesRun {
    std::string file;
    const Results* results = nullptr;
};
// One panel per refined parameter (a, b, c, α, β, γ as the systems have them) and the
// volume, against the number in the file names when every refined file has its own,
// else against the order of the files.
Page SeriesPage(const std::vector<SeriesRun>& runs);

}  // namespace zantrel::plot

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

// What the residuals are plotted against. d spacings crowd at high angles, so d data
// are shown against 2θ at the run's wavelength, or Q where a d is below λ/2.
enum class Position { Automatic, Data, TwoTheta, Q };
// Position::Automatic resolved for these results.
Position PositionFor(const Results& results, Position wanted);

// Residual (observed - calculated) in the minimised quantity against the position,
// with the band inside which the report leaves rows unmarked.
Panel ResidualPanel(const Results& results, Position position = Position::Automatic);
// The same reflections' residuals in the data's own quantity; only meaningful when
// the run minimised another quantity.
Panel DataResidualPanel(const Results& results, Position position = Position::Automatic);
// Rstudent against leverage with the report's limits; marker size grows with |DFFITS|;
// the flagged reflections marked and labelled.
Panel InfluencePanel(const Results& results);
// For each reflection the largest change of a parameter (percent of its sigma) when
// the reflection is left out, with the report's limit.
Panel ParameterChangePanel(const Results& results);
// The panels above that the run has, two to a row, with a legend and a heading that
// names the file (when given), the title and the refined cell.
Page ResultsPage(const Results& results, const QString& file = {}, Position position = Position::Automatic);
// The data file's title as text: UTF-8 where it is valid UTF-8, else the Western
// European bytes most files of the field are written in.
QString TitleText(const Results& results);
// The refined cell in one line: "a = 4.59373(12) Å  c = 2.95866(9) Å  V = 62.434(3) Å³".
QString CellLine(const Results& results);

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

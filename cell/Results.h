#pragma once
// What a run leaves behind: every number its report prints, as data. The report, the
// command line's CSV, CIF and JSON, the plots and the Python module format this record.
//
// Every number the report prints stands here as it prints it: the report formats and
// computes nothing. Numbers the report forms in extended precision (products, differences,
// converted angles) are long double.
//
// Units, stated once: lengths in angstrom, angles in degrees (converted with the
// program's pi, as the report converts them), volumes in cubic angstrom, reciprocal
// lengths in 1/angstrom; positions in the data's quantity (2-theta in degrees, d in
// angstrom, energy in keV) and residuals in their quantity (Q in 1/angstrom^2).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cell/Exclusions.h"
#include "cell/HeaderCheck.h"
#include "cell/Settings.h"

namespace zantrel {

// One refined quantity with its standard error and 95 % half-width (sigma times t).
struct Estimate {
    long double value = 0;
    long double sigma = 0;  // 0 where rounding left no positive variance
    long double conf95 = 0;
};

// One of the refined parameters as the report's cell table lists them.
struct RefinedParameter {
    std::string label;  // "a", "c", "beta", ... as the system names its slots
    Estimate estimate;
};

// One of a, b, c, alpha, beta, gamma. A value tied to another by symmetry carries the
// other's sigma; one fixed by symmetry (90 or 120 degrees) has none.
struct CellValue {
    double value = 0;
    std::optional<double> sigma;
    std::optional<double> conf95;
};

// sd, aad and maxdev of one set of residuals, as the report prints them.
struct ResidualStatistics {
    Quantity quantity = Quantity::TwoTheta;
    int count = 0;  // residuals counted (rows without a calculated position are not)
    double sd = 0, aad = 0, maxdev = 0;
};

struct ZeroShiftResult {
    double value = 0;    // the correction as the report prints it: minus the refined shift
    double sigma = 0;
    long double conf95 = 0;
    Quantity quantity = Quantity::TwoTheta;  // 2-theta (degrees) or energy (keV)
    bool significant = false;  // |shift| > sigma: the observations were corrected by it
    // False for d-spacing data, which have no zero shift to refine: the report still
    // prints its line, from the start values, and the documents say it was not refined.
    bool refined = true;
};

// One row of the observed-versus-fitted table.
struct ReflectionRow {
    int h = 0, k = 0, l = 0;
    double dObs = 0, dCalc = 0;
    long double dResidual = 0;
    double positionObs = 0;              // 2-theta, or energy for energy data (after any zero shift)
    std::optional<double> positionCalc;  // none where the cell gives no such position
    std::optional<long double> positionResidual;
    double residual = 0;  // in the minimised quantity, observed - calculated
    double sigma = 0;     // assumed error of the observation in the minimised quantity
    bool marked = false;  // the table's bullet: |residual| > 2 aad (> 1.5 aad minimising d)
    int row = 0;             // its place among the data file's reflection lines, from 1
    double valueAsRead = 0;  // the position in the data's quantity as the file gives it
    // False for d data that nothing fits or weights in 2-theta: no 2-theta is formed,
    // positionObs is 0 and positionCalc empty.
    bool positionFormed = true;
};

// The influence of deleting one reflection. A statistic the report prints as "n/a"
// is empty.
struct DiagnosticRow {
    double leverage = 0;  // hat
    std::optional<double> dfFits, rStudent;
    double sigmaDeleted = 0;  // sigmafit without this reflection
    std::optional<double> sigmaChangePercent;
    std::vector<std::optional<double>> parameterChangePercent;  // DfBetas, one per refined parameter
    std::optional<double> volumeChangePercent;
    bool flaggedFit = false;         // leverage, DFFITS or Rstudent beyond its limit
    bool flaggedParameters = false;  // a parameter moves by more than 32.5 % of its sigma
};

struct Diagnostics {
    double leverageLimit = 0, dfFitsLimit = 0, rStudentLimit = 2;
    double parameterChangeLimitPercent = 32.5;
    bool listedFully = false;  // the report lists every reflection, not only the flagged
    std::vector<DiagnosticRow> rows;  // one per reflection, in the order of the table
    int FlaggedCount() const;
};

// One pass of the Marquardt refinement. It stops when a step changes the weighted sum
// of squares by less than the tolerance 0.1 / (n - p); a last step at lambda = 0 then
// gives the covariance.
struct PassSummary {
    bool zeroShiftRefined = false;
    int steps = 0;  // accepted steps before the final one
    double chiSquare = 0;  // weighted sum of squares / (n - p) after the final step
    double lastChange = 0, tolerance = 0;
};

struct Results {
    RefinementSettings settings;  // as the run used them, after any header line
    std::string title;            // the data file's bytes, without a header's '*'
    bool headerLine = false;      // the title announced a header line that set the settings
    bool halted = false;          // too few reflections: no results below this line
    bool tooManyReflections = false;  // only the first MaxReflections were used
    int obsCount = 0;
    int reflectionsInFile = 0;  // obsCount, or more when there were too many
    int paramCount = 0;  // refined cell parameters (the zero shift not counted)
    std::vector<ExcludedReflection> excluded;  // reflection lines the request left out

    CrystalSystem systemRequested = CrystalSystem::Triclinic;
    CrystalSystem systemRefined = CrystalSystem::Triclinic;  // lower after a fall-back

    std::vector<RefinedParameter> parameters;  // the report's cell table
    std::array<CellValue, 6> cell;             // a, b, c, alpha, beta, gamma
    Estimate volume;
    std::vector<std::vector<double>> covariance;  // of the parameters, p x p
    // Of the parameters; empty where a variance is not positive ("n/a").
    std::vector<std::vector<std::optional<long double>>> correlation;
    std::vector<RefinedParameter> reciprocal;  // a*, ... (conf95 not used); angles in degrees
    std::vector<std::vector<double>> reciprocalCovariance;

    std::optional<ZeroShiftResult> zeroShift;  // when refined
    double studentT = 0;
    double sigmaFit = 0;

    ResidualStatistics fit;                  // in the minimised quantity
    std::optional<ResidualStatistics> observed;  // in the observed quantity, when it differs
    std::vector<ReflectionRow> reflections;
    Diagnostics diagnostics;
    std::vector<PassSummary> passes;

    // Where the data file's first lines probably do not say what was meant (the run
    // read them by the fixed rules all the same).
    std::vector<HeaderWarning> headerWarnings;
};

// The zero shift the documents give as refined: none when not asked for, or when the
// data are d spacings.
const ZeroShiftResult* RefinedZeroShift(const Results& results);

}  // namespace zantrel

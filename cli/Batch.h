#pragma once
// Batch runs: one result record per data file, files refined in parallel, and the
// summary table, CIF block and JSON document written from those records.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cell/Cell.h"
#include "cli/Options.h"

namespace zantrel::cli {

enum class RunStatus { Ok, Halted, Failed };

enum class Quantity { TwoTheta, D, Energy, Q };

// One row of the report's observed-versus-fitted table.
struct ReflectionResult {
    int h = 0, k = 0, l = 0;
    double dObs = 0, dCalc = 0;            // angstrom
    double positionObs = 0;                // 2-theta in degrees, or keV for energy data
    std::optional<double> positionCalc;    // none where the cell gives no such position
    double residual = 0;                   // minimised quantity, observed - calculated
    double sigma = 0;                      // assumed error of the observation, same unit
};

// One reflection of the regression diagnostics, as the report prints it. A value the
// report shows as "n/a" is empty.
struct DiagnosticRow {
    int number = 0;
    std::optional<double> leverage, dfFits, rStudent, sigmaDeleted, sigmaChangePercent;
    std::vector<std::optional<double>> parameterChangePercent;  // one per refined parameter
    std::optional<double> volumeChangePercent;
    bool flaggedFit = false;         // table (a): leverage, DFFITS or studentised residual
    bool flaggedParameters = false;  // table (b): a parameter moves by more than 32.5 % of sigma
};

struct DiagnosticsResult {
    double leverageLimit = 0, dfFitsLimit = 0, rStudentLimit = 0;
    std::vector<DiagnosticRow> rows;  // every reflection when complete, else the flagged ones
    bool complete = false;
    int flaggedCount = 0;  // reflections flagged in either table
};

// What one run of one data file leaves for the summary, the CIF and the JSON.
struct FileResult {
    std::string file, report;
    RunStatus status = RunStatus::Failed;
    std::string error;  // the message, and on a second line where it happened

    // Settings as the run used them (a header line may have changed them).
    std::string title;
    Quantity data = Quantity::TwoTheta;
    Quantity minimised = Quantity::TwoTheta;
    double wavelength = 0;  // angstrom
    double beam2Theta = 0;  // degrees
    bool zeroShiftRequested = false, fullDiagnostics = false, tooManyReflections = false;

    // Results of a complete run.
    int system = 0;  // refined system, 1 cubic ... 6 triclinic, after any fall-back
    int obsCount = 0, paramCount = 0;
    LabelSet directLabels, reciprocalLabels;
    ParamVector direct;             // angstrom, radians
    ParamVector directSigmas;       // angstrom, degrees
    ParamMatrix directCovariance;   // angstrom, degrees
    ParamVector reciprocal;         // 1/angstrom, radians
    ParamVector reciprocalSigmas;   // 1/angstrom, degrees
    ParamMatrix reciprocalCovariance;  // 1/angstrom, degrees
    double volume = 0, volumeSigma = 0;  // angstrom^3
    double zeroShift = 0, zeroShiftSigma = 0;  // the correction the report prints; 2-theta or keV
    bool zeroShiftApplied = false;
    double fitSigma = 0, studentT = 0;
    std::vector<ReflectionResult> reflections;
    DiagnosticsResult diagnostics;
};

// One of a, b, c, alpha, beta, gamma: lengths in angstrom, angles in degrees. A
// parameter tied to another by symmetry has the other's sigma; one fixed by
// symmetry (90 or 120 degrees) has none.
struct CellValue {
    double value = 0;
    std::optional<double> sigma;
};
std::array<CellValue, 6> ConventionalCell(const FileResult& result);

const char* SystemName(int system);
const char* QuantityName(Quantity q);
// Radians to degrees with the program's own pi, as the report converts them.
double Degrees(double radians);

// --- Runs ---
// Refines one file with the command line's settings and writes its report, and its
// CIF and JSON when asked for. Never throws: a failure is kept in the record.
FileResult RunFile(const Options& options, const std::string& file);
// Runs every file on `jobs` threads; `done` is called on the calling thread for each
// record in the order of the files, as soon as it and all before it are finished.
std::vector<FileResult> RunBatch(const Options& options, int jobs,
                                 const std::function<void(const FileResult&, std::size_t)>& done);

// Reads the diagnostics section of a report (Windows-1252, CR LF).
DiagnosticsResult ParseDiagnostics(const std::string& report, int paramCount);

// --- Writers ---
std::string SummaryCsv(const std::vector<FileResult>& results);
std::string CsvField(const std::string& text);
std::string CifText(const FileResult& result);
// value(su) in the notation of the IUCr: the s.u. with two digits when they are 19
// or less, else one, and the value rounded to the same decimal place.
std::string ValueWithSu(double value, double su);
std::string JsonText(const FileResult& result);
std::string JsonString(const std::string& bytes);

// --- Text helpers ---
// The shortest decimal text that reads back as x; empty for an infinite or NaN x.
std::string Shortest(double x);
// x with d decimals, correctly rounded, independent of the locale.
std::string Fixed(double x, int d);
// A path with its extension replaced, as the report's own path is formed.
std::string SiblingPath(const std::string& path, const std::string& extension);
// Writes the bytes through a temporary file and a rename; throws RunError.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace zantrel::cli

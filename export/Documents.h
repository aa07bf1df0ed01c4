#pragma once
// The documents written from one run's record, besides its report: the batch's summary
// table (CSV), the CIF block and the JSON document. The command line and the Python
// module format them alike.

#include <optional>
#include <string>
#include <vector>

#include "cell/Results.h"
#include "run/Run.h"

namespace zantrel {

enum class RunStatus { Ok, Halted, Failed };

// The pressure that one calibrant scale gives for the refined cell (eos/ computes it;
// the documents only write it). A scale that refused the cell has its reason instead.
struct CalibrantPressure {
    std::string scale, reference;
    std::optional<double> pressure, sigma, sigmaScale, bulkModulus;  // GPa
    std::string error;
};

// The conditions the pressures were computed for, and each scale's pressure in the
// order the scales were named.
struct PressureRecord {
    double temperature = 300, sigmaTemperature = 0;  // K
    std::vector<CalibrantPressure> scales;
};

// What one run of one data file leaves for the summary, the CIF and the JSON.
struct FileResult {
    std::string file, report;
    RunStatus status = RunStatus::Failed;
    std::string error;  // the message, and on a second line where it happened
    bool refined = false;  // the run got as far as a cell (a later write may still have failed)
    int flaggedCount = 0;  // reflections flagged by either diagnostic, kept when the rows are not
    RunPath path;          // which precision made the run
    Results results;
    std::optional<PressureRecord> pressure;  // with --calibrant, for a refined cell
};

// "double" or "extended": the precision that made the run, as the summary, the JSON and
// the Python module name it.
const char* PrecisionName(const RunPath& path);

// How the run ended, as the summary's status column and the command line's warning say
// it: "ok", "ok: first 200 of 352 reflections used", "halted: too few reflections",
// "halted: no reflections read", or the error message.
std::string StatusText(const FileResult& result);
// With calibrants named, each row ends in pressure_NAME and sigma_pressure_NAME per
// scale (GPa), and pressure_spread (highest less lowest) when there are two or more.
std::string SummaryCsv(const std::vector<FileResult>& results, const std::vector<std::string>& calibrants = {});
std::string CsvField(const std::string& text);
std::string CifText(const FileResult& result);
// The CIF of reflections handed to the Python module as arrays: the same block, whose
// head says so and carries no mark of zantrel-cli.
std::string ArraysCifText(const FileResult& result);
// value(su) in the notation of the IUCr: the s.u. with two digits when they are 19
// or less, else one, and the value rounded to the same decimal place.
std::string ValueWithSu(double value, double su);
std::string JsonText(const FileResult& result);
std::string JsonString(const std::string& bytes);

}  // namespace zantrel

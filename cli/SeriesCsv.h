#pragma once
// A summary table (CSV, RFC 4180) read back as a pressure series for `zantrel-cli eos`.

#include <string>
#include <vector>

#include "eos/Fit.h"

namespace zantrel::cli {

struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// Throws std::runtime_error at an unterminated quote.
CsvTable ParseCsv(const std::string& text);

struct Series {
    std::vector<std::string> files;  // the file column, where there is one
    std::vector<eos::SeriesPoint> points;
    std::vector<double> a, sigmaA;   // the a column and its sigma, where there are
    std::string pressureColumn;
};

// The rows with status "ok" (or every row of a table without status) and numbers in
// volume, sigma_volume and the pressure column; pressureColumn empty takes the first
// pressure_NAME column. sigma of P from sigma_NAME where present, else 0. The
// pressures come from row i of `pressures`, the calibrant's summary of the same series
// (the table itself when the sample and the calibrant are one). Throws
// std::runtime_error naming the missing column, or when the two tables differ in rows.
Series ReadSeries(const CsvTable& volumes, const CsvTable& pressures, const std::string& pressureColumn);

}  // namespace zantrel::cli

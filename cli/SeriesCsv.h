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
    std::string axis;  // empty for the volume, else the cell edge whose cube is fitted
};

// The rows with status "ok" (or every row of a table without status) and numbers in
// volume, sigma_volume and the pressure column; pressureColumn empty takes the first
// pressure_NAME column. sigma of P from sigma_NAME where present, else 0. The
// pressures come from row i of `pressures`, the calibrant's summary of the same series
// (the table itself when the sample and the calibrant are one). Throws
// std::runtime_error naming the missing column, or when the two tables differ in rows.
// With an axis ("a", "b" or "c"), the points' volumes are that edge cubed, sigma
// 3 x^2 sigma_x: the fit of a linear equation of state, whose moduli are a third of
// the axis's (Angel, Rev. Mineral. Geochem. 41, 35 (2000)).
Series ReadSeries(const CsvTable& volumes, const CsvTable& pressures, const std::string& pressureColumn,
                  const std::string& axis = "");

}  // namespace zantrel::cli

#pragma once
// What `zantrel-cli eos` writes: the fit as text for the terminal, as JSON beside the
// summary (SUMMARY.eos.json), and the series in EosFit7's data format for cross-checks.

#include <string>

#include "cli/SeriesCsv.h"
#include "eos/Fit.h"

namespace zantrel::cli {

std::string EosFitText(const eos::EosFit& fit, const Series& series);
std::string EosFitJson(const eos::EosFit& fit, const Series& series, const std::string& summary);
// Keywords Title, Pscale, Format (the columns P SIGP V SIGV, and A SIGA where the
// summary has a), then Data and one line per point.
std::string EosFit7Data(const Series& series, const std::string& title);

}  // namespace zantrel::cli

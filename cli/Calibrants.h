#pragma once
// The calibrant scales the command line names, and the pressure each gives for a
// refined cell.

#include <optional>
#include <string>
#include <vector>

#include "cell/Results.h"
#include "eos/Scale.h"
#include "export/Documents.h"

namespace zantrel::cli {

// The scales by name, in order, from the built-in ones and those of scaleFile (which
// replace built-in ones of the same name); v0 replaces each one's V0. Throws
// std::runtime_error for an unknown name, a bad file, or a v0 over several materials.
std::vector<eos::Scale> ResolveScales(const std::vector<std::string>& names, const std::string& scaleFile,
                                      std::optional<double> v0);
// Every scale known: the built-in ones and scaleFile's.
std::vector<eos::Scale> KnownScales(const std::string& scaleFile);

// "au-fei2007-vinet,pt-fei2007" into its names.
std::vector<std::string> SplitNames(const std::string& list);

// The pressure of the refined cell on each scale; a scale whose crystal system is not
// the refined one, or that refuses the volume, has its reason in `error`.
PressureRecord PressuresOfCell(const Results& results, const std::vector<eos::Scale>& scales, double temperature,
                               double sigmaTemperature);

}  // namespace zantrel::cli

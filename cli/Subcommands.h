#pragma once
// zantrel-cli's subcommands besides the refinement: `scales` lists the calibrant
// scales, `pressure` gives the pressure of a volume or cell edge, `eos` fits an
// equation of state to a summary table. argv[0] is the subcommand's name; each returns
// the exit code.

#include <functional>
#include <string>

#include "eos/Fit.h"

namespace zantrel::cli {

int ScalesCommand(int argc, char** argv);
int PressureCommand(int argc, char** argv);
// The fit's charts as SVG bytes; empty in a build without the plots, where --plot is
// refused.
using EosPlotter = std::function<std::string(const eos::EosFit&)>;
int EosCommand(int argc, char** argv, const EosPlotter& plotter);
// `index`: peak lists indexed from a trial cell (docs/indexing.md).
int IndexCommand(int argc, char** argv);

}  // namespace zantrel::cli

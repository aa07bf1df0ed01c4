#pragma once
// zantrel-cli's subcommands besides the refinement: `scales` lists the calibrant
// scales, `pressure` gives the pressure of a volume or cell edge, `eos` fits an
// equation of state to a summary table. argv[0] is the subcommand's name; each returns
// the exit code.

namespace zantrel::cli {

int ScalesCommand(int argc, char** argv);
int PressureCommand(int argc, char** argv);
int EosCommand(int argc, char** argv);

}  // namespace zantrel::cli

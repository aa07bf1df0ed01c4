#pragma once
// The options that choose the formats of the plots and the size of a PNG.

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Options.h"

namespace zantrel::cli {

struct PlotOptions {
    std::vector<std::string> formats;  // as given, repeats and all: "svg", "png", "pdf"
    std::string size;                  // "WxH" in pixels
    int dpi = 96;
};

// Adds --plot-format, --plot-size and --plot-dpi, which need --plot; the values land in
// `parsed`, which must outlive the parse. Hidden where the build draws no plots.
void AddPlotOptions(CLI::App& app, CLI::Option* plot, PlotOptions& parsed, bool offered);
// Puts the parsed values into options; throws std::runtime_error for a usage error.
void ApplyPlotOptions(const PlotOptions& parsed, Options& options);

// "svg", "png" or "pdf": the extension of a plot's file.
std::string PlotExtension(Document format);

}  // namespace zantrel::cli

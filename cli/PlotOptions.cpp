#include "cli/PlotOptions.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <map>
#include <stdexcept>

namespace zantrel::cli {

namespace {

std::map<std::string, Document> FormatNames() {
    return {{"svg", Document::Svg}, {"png", Document::Png}, {"pdf", Document::Pdf}};
}

// The bounds of the desktop program's PNG size dialog.
constexpr int MinSide = 200, MaxSide = 20000;

bool ParseSide(std::string_view text, int& side) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), side);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

void AddPlotOptions(CLI::App& app, CLI::Option* plot, PlotOptions& parsed, bool offered) {
    const std::string group = offered ? "Options" : "";
    app.add_option("--plot-format", parsed.formats,
                   "the plots' files: svg, png, pdf, or several (--plot-format svg,pdf or the option "
                   "repeated); default svg")
        ->delimiter(',')
        ->transform(CLI::IsMember(std::vector<std::string>{"svg", "png", "pdf"}, CLI::ignore_case))
        ->needs(plot)
        ->group(group);
    app.add_option("--plot-size", parsed.size, "a PNG's width and height in pixels, WxH (default 1000x720)")
        ->needs(plot)
        ->group(group);
    app.add_option("--plot-dpi", parsed.dpi,
                   "a PNG's resolution: the same page with finer detail (default 96)")
        ->check(CLI::Range(48, 1200))
        ->needs(plot)
        ->group(group);
}

void ApplyPlotOptions(const PlotOptions& parsed, Options& options) {
    if (!parsed.formats.empty()) {
        options.plotFormats.clear();
        for (const std::string& name : parsed.formats) {
            const Document format = FormatNames().at(name);
            if (std::find(options.plotFormats.begin(), options.plotFormats.end(), format) == options.plotFormats.end())
                options.plotFormats.push_back(format);
        }
    }
    const bool png = std::find(options.plotFormats.begin(), options.plotFormats.end(), Document::Png) !=
                     options.plotFormats.end();
    if (!parsed.size.empty()) {
        const std::size_t x = parsed.size.find_first_of("xX");
        int width = 0, height = 0;
        if (x == std::string::npos || !ParseSide(std::string_view(parsed.size).substr(0, x), width) ||
            !ParseSide(std::string_view(parsed.size).substr(x + 1), height) || width < MinSide || height < MinSide ||
            width > MaxSide || height > MaxSide)
            throw std::runtime_error("--plot-size " + parsed.size + ": give the width and height in pixels as WxH, "
                                     "each from 200 to 20000, such as 2000x1440");
        options.plotWidth = width;
        options.plotHeight = height;
    }
    options.plotDpi = parsed.dpi;
    if ((!parsed.size.empty() || parsed.dpi != 96) && !png)
        throw std::runtime_error("--plot-size and --plot-dpi size a PNG: add png to --plot-format");
}

std::string PlotExtension(Document format) {
    for (const auto& [name, document] : FormatNames())
        if (document == format) return name;
    return {};
}

}  // namespace zantrel::cli

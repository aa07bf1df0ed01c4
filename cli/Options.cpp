#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include "cli/Calibrants.h"
#include "cli/ObservationOptions.h"
#include "cli/PlotOptions.h"
#include "export/Format.h"

namespace zantrel::cli {

namespace {

// Each name as the core spells it, and the systems also by number.
std::map<std::string, CrystalSystem> SystemNames() {
    std::map<std::string, CrystalSystem> names;
    for (int i = 1; i <= 6; ++i) {
        names[SystemName(CrystalSystem(i))] = CrystalSystem(i);
        names[std::to_string(i)] = CrystalSystem(i);
    }
    return names;
}

std::map<std::string, Quantity> QuantityNames(std::initializer_list<Quantity> quantities) {
    std::map<std::string, Quantity> names;
    for (Quantity q : quantities) names[QuantityName(q)] = q;
    return names;
}

}  // namespace

int ParseOptions(int argc, char** argv, Options& options) {
    RefinementSettings& s = options.settings;
    s = RefinementSettings{};
    CLI::App app{
        "zantrel-cli refines lattice parameters from indexed powder-diffraction peak positions.\n"
        "Each FILE is refined with the settings below; a data file whose title line ends in '*'\n"
        "carries a header line that overrides them for that file only. The report is written\n"
        "beside each data file, its extension replaced by .out (run1.dat gives run1.out).\n"
        "Subcommands, each with --help: 'zantrel-cli scales' lists the calibrant scales, 'zantrel-cli\n"
        "pressure' gives a volume's pressure on them, 'zantrel-cli eos SUMMARY.csv' fits an equation of state,\n"
        "'zantrel-cli index --cell ... --space-group ... PEAKFILE' indexes peak lists from a trial cell.",
        "zantrel-cli"};
    std::string system = SystemName(s.system), data = QuantityName(s.data), minimise = QuantityName(s.minimised);
    const auto systems = SystemNames();
    const auto kinds = QuantityNames({Quantity::TwoTheta, Quantity::D, Quantity::Energy});
    const auto minimised = QuantityNames({Quantity::D, Quantity::TwoTheta, Quantity::Energy, Quantity::Q});
    app.add_option("-s,--system", system,
                   "crystal system: cubic, tetragonal, hexagonal, orthorhombic, monoclinic, "
                   "triclinic, or 1..6")
        ->transform(CLI::IsMember(systems, CLI::ignore_case))
        ->capture_default_str();
    app.add_option("-k,--data", data, "what the reflection lines hold: 2theta, d or energy")
        ->transform(CLI::IsMember(kinds, CLI::ignore_case))
        ->capture_default_str();
    // The defaults in full: a stream's six digits would show 1.54059 for 1.540593.
    app.add_option("-l,--wavelength", s.wavelength, "X-ray wavelength in angstrom")
        ->default_str(FormatShortest(s.wavelength));
    app.add_option("-b,--beam", s.beam2Theta,
                   "detector angle 2-theta in degrees of energy-dispersive data")
        ->default_str(FormatShortest(s.beam2Theta));
    app.add_option("-m,--minimise", minimise,
                   "quantity whose squared residuals are minimised: d, 2theta, energy or q")
        ->transform(CLI::IsMember(minimised, CLI::ignore_case))
        ->capture_default_str();
    app.add_flag("-z,--zero-shift", s.zeroShift, "refine the zero shift of 2-theta or energy");
    app.add_flag("-f,--full-diagnostics", s.fullDiagnostics,
                 "list the regression diagnostics of every reflection, not only the influential ones");
    app.add_option("-o,--output", options.output, "report path (only with a single FILE)");
    app.add_option("--output-dir", options.outputDir,
                   "write every output into DIR (created if missing) instead of beside the data "
                   "files, each named after its data file; a --summary without a folder goes there too");
    app.add_flag("--force", options.force,
                 "replace a CIF, JSON, SVG, PNG, PDF or summary file of the same name that zantrel-cli did not write");
    app.add_flag("--strict-header", options.strictHeader,
                 "fail a file, writing nothing for it, whose title or header line gives a warning "
                 "(a data word in capitals, a tab, two blanks before the flag, ...)");
    app.add_flag("--print-cell", options.printCell,
                 "also print the refined cell, its sigmas and the volume to standard output");
    app.add_flag("-q,--quiet", options.quiet, "print only errors");
    options.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    app.add_option("-j,--jobs", options.jobs,
                   "files refined at the same time (default: the number of cores); the results "
                   "do not depend on it")
        ->check(CLI::Range(1, 1024));
    app.add_option("--summary", options.summary,
                   "write a summary table (CSV, one row per file, in the order given) to this file");
    app.add_flag("--cif", options.cif, "also write a CIF block beside each report (.cif)");
    app.add_flag("--json", options.json,
                 "also write every result of the run as a JSON document beside each report (.json)");
    app.add_flag("--extended", options.extended,
                 "refine in extended precision only, without the checked double-precision path "
                 "(the reports are the same; ZANTREL_EXTENDED=1 does the same)");
    PlotOptions plotOptions;
#ifdef ZANTREL_HAVE_PLOT
    CLI::Option* plot = app.add_flag("--plot", options.plot,
                                     "also draw the residual and influence plots beside each report (.svg, or "
                                     "the --plot-format), and with --summary the refined parameters across the "
                                     "files beside the table");
    AddPlotOptions(app, plot, plotOptions, true);
#else
    // Not offered, yet known: a script written for a build with the plots is told why
    // it cannot have them, not that the option does not exist.
    AddPlotOptions(app, app.add_flag("--plot", options.plot)->group(""), plotOptions, false);
#endif
    std::string calibrants, scaleFile;
    std::optional<double> v0;
    app.add_option("--calibrant", calibrants,
                   "the pressure of each refined cell on these calibrant scales, NAME[,NAME...] "
                   "(zantrel-cli scales lists them): columns of --summary, a member of --json, lines of "
                   "--print-cell");
    app.add_option("--temperature", options.temperature, "temperature of the calibrant in K (with --calibrant)")
        ->check(CLI::Range(1.0, 1e5))
        ->capture_default_str();
    app.add_option("--sigma-temperature", options.sigmaTemperature, "its standard error in K")
        ->check(CLI::Range(0.0, 1e5));
    app.add_option("--scales", scaleFile, "a scale file (JSON, as eos/scales.json) adding to the built-in scales");
    app.add_option("--v0", v0, "replaces the calibrants' V0 by this volume measured at ambient conditions (A^3 per cell)");
    ObservationOptions observations;
    AddObservationOptions(app, observations);
    std::vector<std::string> arguments;
    app.add_option("FILE", arguments,
                   "data files to refine; @LIST reads the file names from the lines of LIST, and a "
                   "quoted pattern such as 'data/*.dat' is expanded by the program")
        ->required();
    app.set_version_flag("--version", "zantrel-cli " ZANTREL_VERSION);
    app.footer(
        "Exit status: 0 when every file was refined, 1 when any file failed (the\n"
        "other files still run), 2 for a usage error, before any file is refined.");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // CLI11 prints the help, the version or the error; its own codes (105 for a value
        // not allowed, 106 for a missing FILE, ...) are one usage error to a script.
        return app.exit(e) == 0 ? 0 : 2;
    }
#ifndef ZANTREL_HAVE_PLOT
    if (options.plot) {
        std::cerr << "zantrel-cli: --plot: this zantrel-cli was built without Qt 6 (Gui, Svg) and draws no plots\n";
        return 2;
    }
#endif
    try {
        ApplyObservationOptions(observations, options);
        ApplyPlotOptions(plotOptions, options);
        if (!calibrants.empty()) options.calibrants = ResolveScales(SplitNames(calibrants), scaleFile, v0);
        else if (v0 || !scaleFile.empty()) throw std::runtime_error("--v0 and --scales go with --calibrant");
    } catch (const std::exception& e) {
        std::cerr << "zantrel-cli: " << e.what() << "\n";
        return 2;
    }
    try {
        options.files = ExpandFileArguments(arguments);
    } catch (const std::exception& e) {
        std::string message = e.what();
        std::size_t end = message.find('\n');
        if (end != std::string::npos) message.replace(end, 1, ": ");
        std::cerr << "zantrel-cli: " << message << "\n";
        return 2;
    }
    if (options.files.empty()) {
        std::cerr << "zantrel-cli: no data files named\n";
        return 2;
    }
    if (!options.output.empty() && options.files.size() != 1) {
        std::cerr << "zantrel-cli: --output names the report of a single data file\n";
        return 2;
    }
    if (!options.output.empty() && !options.outputDir.empty()) {
        std::cerr << "zantrel-cli: --output and --output-dir both name where the report goes; give one\n";
        return 2;
    }
    if (!options.outputDir.empty() && !options.summary.empty() &&
        !std::filesystem::path(options.summary).has_parent_path())
        options.summary = (std::filesystem::path(options.outputDir) / options.summary).string();
    s.system = systems.at(system);
    s.data = kinds.at(data);
    s.minimised = minimised.at(minimise);
    return -1;
}

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    // Greedy matching with one backtrack point: the last '*' seen.
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {

void ReadList(const std::string& listPath, std::vector<std::string>& files) {
    std::ifstream in(listPath, std::ios::binary);
    if (!in) Fail(Msg::FileNotFound, "cannot read the list of data files " + listPath);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        files.push_back(line.substr(start));
    }
    if (in.bad()) Fail(IoErrorText(EIO), "while reading the list of data files " + listPath);
}

// Expands a pattern in the file name only; the folder part is taken as it stands.
bool ExpandPattern(const std::string& argument, std::vector<std::string>& files) {
    std::size_t slash = argument.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? argument : argument.substr(slash + 1);
    if (pattern.find_first_of("*?") == std::string::npos) return false;
    std::error_code ec;
    if (std::filesystem::exists(argument, ec)) return false;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        std::string name = entry.path().filename().string();
        if (name.front() == '.' && pattern.front() != '.') continue;  // as the shell does
        if (entry.is_regular_file(ec) && MatchesWildcard(name, pattern)) names.push_back(name);
    }
    if (names.empty()) return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) files.push_back(folder + name);
    return true;
}

}  // namespace

std::vector<std::string> ExpandFileArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument.front() == '@') ReadList(argument.substr(1), files);
        else if (!ExpandPattern(argument, files)) files.push_back(argument);
    }
    return files;
}

}  // namespace zantrel::cli

#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace zantrel::cli {

namespace {

const std::map<std::string, int> SystemNames = {
    {"cubic", 1}, {"tetragonal", 2}, {"hexagonal", 3}, {"orthorhombic", 4},
    {"monoclinic", 5}, {"triclinic", 6}, {"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}, {"5", 5}, {"6", 6}};
const std::map<std::string, int> DataNames = {{"2theta", 0}, {"d", 1}, {"energy", 2}};
const std::map<std::string, int> MinimiseNames = {{"d", 1}, {"2theta", 2}, {"energy", 3}, {"q", 4}};

}  // namespace

void ApplySettings(const RefinementJob& s, RefinementJob& job) {
    job.CrystalSystem = s.CrystalSystem;
    job.DataIs2Theta = s.DataIs2Theta;
    job.DataIsEnergy = s.DataIsEnergy;
    job.MinimiseOnD = s.MinimiseOnD;
    job.MinimiseOn2Theta = s.MinimiseOn2Theta;
    job.MinimiseOnEnergy = s.MinimiseOnEnergy;
    job.Wavelength = s.Wavelength;
    job.Beam2Theta = s.Beam2Theta;
    job.RefineZeroShift = s.RefineZeroShift;
    job.ZeroShiftRequested = s.ZeroShiftRequested;
    job.FullDiagnostics = s.FullDiagnostics;
}

int ParseOptions(int argc, char** argv, Options& options) {
    RefinementJob& s = options.settings;
    SetJobDefaults(s);
    CLI::App app{
        "zantrel-cli refines lattice parameters from indexed powder-diffraction peak positions.\n"
        "Each FILE is refined with the settings below; a data file whose title line ends in '*'\n"
        "carries a header line that overrides them for that file only. The report is written\n"
        "beside each data file, its extension replaced by .out (run1.dat gives run1.out).",
        "zantrel-cli"};
    std::string system = "triclinic", data = "2theta", minimise = "2theta";
    app.add_option("-s,--system", system,
                   "crystal system: cubic, tetragonal, hexagonal, orthorhombic, monoclinic, "
                   "triclinic, or 1..6")
        ->transform(CLI::IsMember(SystemNames, CLI::ignore_case))
        ->capture_default_str();
    app.add_option("-k,--data", data, "what the reflection lines hold: 2theta, d or energy")
        ->transform(CLI::IsMember(DataNames, CLI::ignore_case))
        ->capture_default_str();
    app.add_option("-l,--wavelength", s.Wavelength, "X-ray wavelength in angstrom")
        ->capture_default_str();
    app.add_option("-b,--beam", s.Beam2Theta,
                   "detector angle 2-theta in degrees of energy-dispersive data")
        ->capture_default_str();
    app.add_option("-m,--minimise", minimise,
                   "quantity whose squared residuals are minimised: d, 2theta, energy or q")
        ->transform(CLI::IsMember(MinimiseNames, CLI::ignore_case))
        ->capture_default_str();
    app.add_flag("-z,--zero-shift", s.RefineZeroShift, "refine the zero shift of 2-theta or energy");
    app.add_flag("-f,--full-diagnostics", s.FullDiagnostics,
                 "list the regression diagnostics of every reflection, not only the influential ones");
    app.add_option("-o,--output", options.output, "report path (only with a single FILE)");
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
    std::vector<std::string> arguments;
    app.add_option("FILE", arguments,
                   "data files to refine; @LIST reads the file names from the lines of LIST, and a "
                   "quoted pattern such as 'data/*.dat' is expanded by the program")
        ->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
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
    s.CrystalSystem = SystemNames.at(system);
    int kind = DataNames.at(data);
    s.DataIs2Theta = kind == 0;
    s.DataIsEnergy = kind == 2;
    int min = MinimiseNames.at(minimise);
    s.MinimiseOnD = min == 1;
    s.MinimiseOn2Theta = min == 2;
    s.MinimiseOnEnergy = min == 3;
    s.ZeroShiftRequested = s.RefineZeroShift;
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

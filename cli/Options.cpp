#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <map>

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
    app.add_option("FILE", options.files, "data files to refine")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
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

}  // namespace zantrel::cli

// `zantrel-cli index`: peak lists indexed from a trial cell, each written as an indexed
// data file with its report, and the JSON, CIF, summary and plots asked for.

#include <CLI/CLI.hpp>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/ObservationOptions.h"
#include "cli/Options.h"
#include "cli/Subcommands.h"
#include "export/Documents.h"
#include "export/Format.h"
#include "export/Origin.h"
#include "export/ReportFile.h"
#include "indexing/IndexDocuments.h"

namespace zantrel::cli {

namespace {

namespace fs = std::filesystem;
using namespace zantrel::indexing;

struct IndexOptions {
    RefinementSettings settings;
    std::string cell, spaceGroup, fromCif, fromJson;
    double tolerance = 0.05;
    std::optional<double> relative;
    double minIndexed = 0.5;
    bool sequential = false, json = false, cif = false, plot = false, force = false, quiet = false, extended = false;
    std::string summary, outputDir;
    int jobs = 1;
    std::vector<std::string> files;
};

// NAME.ext gives NAME.indexed.dat, NAME.indexed.out, NAME.indexed.json, ...
struct IndexOutputs {
    std::string data, report, json, cif, svg;
};

IndexOutputs OutputsOf(const IndexOptions& o, const std::string& file) {
    std::string base = file;
    if (!o.outputDir.empty()) base = (fs::path(o.outputDir) / fs::path(file).filename()).string();
    const std::string stem = SiblingPath(base, ".indexed");
    IndexOutputs out{stem + ".dat", stem + ".out", "", "", ""};
    if (o.json) out.json = stem + ".json";
    if (o.cif) out.cif = stem + ".cif";
    if (o.plot) out.svg = stem + ".svg";
    return out;
}

std::string Identity(const std::string& path) {
    std::error_code ec;
    const fs::path p(path);
    fs::path folder = fs::weakly_canonical(fs::absolute(p.parent_path().empty() ? fs::path(".") : p.parent_path(), ec), ec);
    if (fs::is_symlink(fs::symlink_status(p, ec))) return fs::weakly_canonical(p, ec).string();
    return (folder / p.filename()).string();
}

// Why the batch may not run, or empty: no output replaces a peak list, another output,
// or a file that zantrel-cli did not write.
std::string CheckIndexOutputs(const IndexOptions& o) {
    std::map<std::string, std::string> inputs, written;
    for (const std::string& f : o.files)
        if (auto [at, added] = inputs.try_emplace(Identity(f), f); !added)
            return "the peak list " + f + " is named twice (also as " + at->second + ")";
    struct Out {
        std::string path, what;
        std::optional<Document> kind;
    };
    std::vector<Out> all;
    for (const std::string& f : o.files) {
        const IndexOutputs out = OutputsOf(o, f);
        all.push_back({out.data, "the indexed data of " + f, Document::IndexedData});
        all.push_back({out.report, "the report of " + f, std::nullopt});
        if (o.json) all.push_back({out.json, "the JSON of " + f, Document::Json});
        if (o.cif) all.push_back({out.cif, "the CIF of " + f, Document::Cif});
        if (o.plot) all.push_back({out.svg, "the plot of " + f, Document::Svg});
    }
    if (!o.summary.empty()) all.push_back({o.summary, "the summary", Document::Summary});
    for (const Out& out : all) {
        const std::string id = Identity(out.path);
        if (auto in = inputs.find(id); in != inputs.end())
            return "The output would replace the peak list " + in->second + ": " + out.path + " is " + out.what +
                   "; write the outputs elsewhere with --output-dir";
        if (auto [at, added] = written.try_emplace(id, out.what); !added)
            return out.path + " would be both " + at->second + " and " + out.what;
        if (out.kind && !o.force && !MayReplace(out.path, *out.kind))
            return out.path + " (" + out.what + ") exists and was not written by zantrel-cli; move it, write the outputs "
                   "elsewhere with --output-dir, or replace it with --force";
    }
    return "";
}

TrialCell FirstTrialCell(const IndexOptions& o) {
    const int sources = int(!o.cell.empty()) + int(!o.fromCif.empty()) + int(!o.fromJson.empty());
    if (sources != 1) Fail("give the trial cell once: --cell with --space-group, --from-cif FILE or --from-json FILE");
    if (!o.fromCif.empty()) return ReadCifTrialCell(o.fromCif, o.spaceGroup);
    if (!o.fromJson.empty()) return ReadJsonTrialCell(o.fromJson, o.spaceGroup);
    if (o.spaceGroup.empty()) Fail("--cell needs --space-group (a Hermann-Mauguin symbol or a number)");
    return MakeTrialCell(ParseCell(o.cell), o.spaceGroup, "--cell");
}

IndexedFile IndexOne(const IndexOptions& o, const std::string& file, const TrialCell& trial) {
    IndexedFile f;
    f.result.file = file;
    const IndexOutputs out = OutputsOf(o, file);
    f.result.report = out.report;
    try {
        IndexRequest request;
        request.peaks = ReadPeakListFile(file, o.settings.data);
        request.trial = trial;
        request.settings = o.settings;
        request.tolerance2Theta = o.tolerance;
        request.relative = o.relative;
        request.minIndexedShare = o.minIndexed;
        request.dataName = out.data;
        request.precision = o.extended ? Precision::Extended : Precision::Checked;
        Indexing x = IndexPeaks(request);
        FileResult& r = f.result;
        r.results = x.reply.results;
        r.path = x.reply.path;
        r.refined = true;
        r.status = r.results.halted ? RunStatus::Halted : RunStatus::Ok;
        r.flaggedCount = r.results.diagnostics.FlaggedCount();
        WriteFileAtomically(out.data, x.dataBytes);
        WriteFileAtomically(out.report, x.reply.report);
        if (o.json) WriteFileAtomically(out.json, IndexJson(r, x));
        if (o.cif) WriteFileAtomically(out.cif, CifText(r));
        if (o.plot) WriteFileAtomically(out.svg, IndexPlotSvg(x, fs::path(file).filename().string()));
        f.indexing = std::move(x);
    } catch (const std::exception& e) {
        f.result.status = RunStatus::Failed;
        std::string message = e.what();
        if (std::size_t end = message.find('\n'); end != std::string::npos) message.replace(end, 1, "\n  ");
        f.result.error = message;
    }
    return f;
}

std::string Merit(const std::optional<double>& x) { return x ? FixedField(*x, 0, 1) : "n/a"; }

}  // namespace

int IndexCommand(int argc, char** argv) {
    CLI::App app{"zantrel-cli index assigns h k l to the peaks of each PEAKFILE from a trial cell and its space group, "
                 "refines the cell from the assigned peaks and reassigns until the assignment no longer changes. "
                 "NAME.ext gives NAME.indexed.dat (a data file) and NAME.indexed.out (its report). See docs/indexing.md.",
                 "zantrel-cli index"};
    IndexOptions o;
    RefinementSettings& s = o.settings;
    std::string data = "2theta", minimise = "2theta";
    app.add_option("--cell", o.cell, "the trial cell a,b,c,alpha,beta,gamma (angstrom, degrees)");
    app.add_option("--space-group", o.spaceGroup, "its space group: a Hermann-Mauguin symbol ('F d -3 m', 'R -3 c:H') or a number");
    app.add_option("--from-cif", o.fromCif, "the trial cell and space group of a structure CIF");
    app.add_option("--from-json", o.fromJson, "the refined cell of a previous run's JSON (zantrel-cli --json)");
    app.add_option("--tolerance", o.tolerance, "half-width of the window around each peak, in degrees of 2theta")
        ->check(CLI::Range(1e-6, 10.0))->capture_default_str();
    app.add_option("--tolerance-relative", o.relative, "a window dd/d = R instead, for d spacings without a wavelength")
        ->check(CLI::Range(1e-9, 0.2));
    app.add_option("--min-indexed", o.minIndexed, "share of the peaks that must be indexed for a stable assignment")
        ->check(CLI::Range(0.0, 1.0))->capture_default_str();
    app.add_flag("--sequential", o.sequential, "each file's refined cell is the trial cell of the next, in the order given");
    app.add_option("-k,--data", data, "what bare positions hold: 2theta, d or energy")
        ->check(CLI::IsMember({"2theta", "d", "energy"}, CLI::ignore_case))->capture_default_str();
    app.add_option("-l,--wavelength", s.wavelength, "X-ray wavelength in angstrom (a '# wavelength =' line of the file wins)")
        ->default_str(FormatShortest(s.wavelength));
    app.add_option("-b,--beam", s.beam2Theta, "detector angle 2theta of energy-dispersive data")->default_str(FormatShortest(s.beam2Theta));
    app.add_option("-m,--minimise", minimise, "quantity minimised: d, 2theta, energy or q")
        ->check(CLI::IsMember({"2theta", "d", "energy", "q"}, CLI::ignore_case))->capture_default_str();
    app.add_flag("-z,--zero-shift", s.zeroShift, "refine the zero shift of 2theta or energy");
    app.add_flag("-f,--full-diagnostics", s.fullDiagnostics, "list the diagnostics of every reflection");
    ObservationOptions weighting;
    AddWeightingOptions(app, weighting);
    app.add_option("--summary", o.summary, "a summary table (CSV) of the files, with M20, F_N and the peak counts");
    app.add_flag("--json", o.json, "also write the results and the assignment as JSON (NAME.indexed.json)");
    app.add_flag("--cif", o.cif, "also write a CIF block (NAME.indexed.cif)");
    app.add_flag("--plot", o.plot, "also draw the peaks against the calculated lines (NAME.indexed.svg)");
    app.add_option("--output-dir", o.outputDir, "write the outputs into DIR instead of beside the peak lists");
    app.add_flag("--force", o.force, "replace outputs of the same names that zantrel-cli did not write");
    app.add_flag("-q,--quiet", o.quiet, "print only errors");
    app.add_flag("--extended", o.extended, "refine in extended precision only");
    o.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    app.add_option("-j,--jobs", o.jobs, "files indexed at the same time (not with --sequential)")->check(CLI::Range(1, 1024));
    std::vector<std::string> arguments;
    app.add_option("PEAKFILE", arguments, "peak lists: text, CSV/TSV, GSAS-II exports or Zantrel data files")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    for (std::string* name : {&data, &minimise})
        for (char& c : *name) c = char(std::tolower(static_cast<unsigned char>(c)));
    ParseQuantityName(data, s.data);
    ParseQuantityName(minimise, s.minimised);
    TrialCell trial;
    try {
        ApplyWeightingOptions(weighting, s.weighting);
        o.files = ExpandFileArguments(arguments);
        trial = FirstTrialCell(o);
    } catch (const std::exception& e) {
        std::string message = e.what();
        if (std::size_t end = message.find('\n'); end != std::string::npos) message.replace(end, 1, " ");
        std::cerr << "zantrel-cli: " << message << "\n";
        return 2;
    }
    if (!o.outputDir.empty()) {
        std::error_code ec;
        fs::create_directories(o.outputDir, ec);
        if (ec) {
            std::cerr << o.outputDir << ": " << FileErrorText(ec.value()) << "\ncannot create the output folder\n";
            return 1;
        }
        if (!o.summary.empty() && !fs::path(o.summary).has_parent_path()) o.summary = (fs::path(o.outputDir) / o.summary).string();
    }
    if (std::string refusal = CheckIndexOutputs(o); !refusal.empty()) {
        std::cerr << "zantrel-cli: " << refusal << "\n";
        return 2;
    }
    std::vector<IndexedFile> files(o.files.size());
    if (o.sequential || o.jobs == 1 || o.files.size() < 2) {
        for (std::size_t i = 0; i < o.files.size(); ++i) {
            files[i] = IndexOne(o, o.files[i], trial);
            // A series follows its drifting cell: the next file starts from this one's.
            if (o.sequential && files[i].indexing) {
                const std::string source = "the refined cell of " + o.files[i];
                trial = MakeTrialCell(RefinedCell(files[i].indexing->reply.results), trial.spaceGroup, source);
            }
        }
    } else {
        std::atomic<std::size_t> next{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < std::min<int>(o.jobs, int(o.files.size())); ++t)
            threads.emplace_back([&] {
                for (std::size_t i; (i = next++) < o.files.size();) files[i] = IndexOne(o, o.files[i], trial);
            });
        for (std::thread& t : threads) t.join();
    }
    int failures = 0;
    for (const IndexedFile& f : files) {
        if (!f.indexing) {
            ++failures;
            std::cerr << f.result.file << ": " << f.result.error << "\n";
            continue;
        }
        const Indexing& x = *f.indexing;
        if (!o.quiet)
            std::cout << f.result.file << ": " << (x.indexed + x.overlapped) << " of " << x.peaks.size() << " peaks indexed ("
                      << x.unassigned << " unassigned, " << x.ambiguous << " ambiguous) in " << x.rounds << " rounds, M("
                      << x.merit.mLines << ") = " << Merit(x.merit.m20) << ", F(" << x.merit.fLines << ") = " << Merit(x.merit.fN)
                      << "; report written to " << f.result.report << "\n";
    }
    if (!o.summary.empty()) {
        try {
            WriteFileAtomically(o.summary, IndexSummaryCsv(files));
        } catch (const std::exception& e) {
            ++failures;
            std::cerr << o.summary << ": " << e.what() << "\n";
        }
    }
    return failures > 0 ? 1 : 0;
}

}  // namespace zantrel::cli

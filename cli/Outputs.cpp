#include "cli/Outputs.h"

#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <vector>

#include "export/Origin.h"
#include "cli/PlotOptions.h"
#include "export/ReportFile.h"

namespace zantrel::cli {

namespace fs = std::filesystem;

namespace {

std::vector<PlotOutput> PlotsBeside(const Options& options, const std::string& path) {
    std::vector<PlotOutput> plots;
    if (options.plot)
        for (const Document format : options.plotFormats)
            plots.push_back({SiblingPath(path, "." + PlotExtension(format)), format});
    return plots;
}

}  // namespace

FileOutputs OutputsFor(const Options& options, const std::string& file) {
    FileOutputs out;
    if (!options.output.empty()) {
        out.report = options.output;
    } else if (!options.outputDir.empty()) {
        const std::string name = file.substr(file.find_last_of("/\\") + 1);
        out.report = (fs::path(options.outputDir) / ReportPathFor(name)).string();
    } else {
        out.report = ReportPathFor(file);
    }
    if (options.cif) out.cif = SiblingPath(out.report, ".cif");
    if (options.json) out.json = SiblingPath(out.report, ".json");
    out.plots = PlotsBeside(options, out.report);
    return out;
}

std::vector<PlotOutput> SeriesPlots(const Options& options) {
    return options.summary.empty() ? std::vector<PlotOutput>() : PlotsBeside(options, options.summary);
}

namespace {

// One key per file, whichever way a path spells it: the folder resolved (links, "..",
// "./") and the name, or the target of a link. Outputs mostly do not exist yet, so the
// folders are resolved rather than the files; a batch has few folders, resolved once.
class Identities {
public:
    std::string Of(const std::string& path) {
        std::error_code ec;
        const fs::path p(path);
        if (fs::is_symlink(fs::symlink_status(p, ec))) {
            fs::path target = fs::weakly_canonical(p, ec);
            if (!ec) return target.string();
        }
        const std::string folder = p.parent_path().string();
        auto [at, added] = folders_.try_emplace(folder);
        if (added) {
            fs::path resolved = fs::weakly_canonical(fs::absolute(folder.empty() ? fs::path(".") : p.parent_path(), ec), ec);
            at->second = ec ? fs::absolute(p.parent_path()).lexically_normal().string() : resolved.string();
        }
        return (fs::path(at->second) / p.filename()).string();
    }

private:
    std::map<std::string, std::string> folders_;
};

struct Output {
    std::string path, what;  // what: "the CIF of run1.dat", "the summary"
    std::optional<Document> kind;  // none for a report: an earlier report is always replaced
    std::string ownData;           // the data file a report belongs to
};

std::vector<Output> AllOutputs(const Options& options) {
    std::vector<Output> all;
    for (const std::string& file : options.files) {
        const FileOutputs out = OutputsFor(options, file);
        all.push_back({out.report, "the report of " + file, std::nullopt, file});
        if (!out.cif.empty()) all.push_back({out.cif, "the CIF of " + file, Document::Cif, {}});
        if (!out.json.empty()) all.push_back({out.json, "the JSON of " + file, Document::Json, {}});
        for (const PlotOutput& plot : out.plots) all.push_back({plot.path, "the plots of " + file, plot.format, {}});
    }
    if (!options.summary.empty()) all.push_back({options.summary, "the summary", Document::Summary, {}});
    for (const PlotOutput& plot : SeriesPlots(options)) all.push_back({plot.path, "the series plot", plot.format, {}});
    return all;
}

}  // namespace

std::string CheckOutputs(const Options& options) {
    Identities identities;
    std::map<std::string, std::string> inputs;  // identity -> the data file as named
    for (const std::string& file : options.files) {
        auto [at, added] = inputs.try_emplace(identities.Of(file), file);
        if (!added) return "the data file " + file + " is named twice (also as " + at->second + ")";
    }
    std::map<std::string, std::string> written;  // identity -> what is written there
    for (const Output& out : AllOutputs(options)) {
        const std::string id = identities.Of(out.path);
        if (auto input = inputs.find(id); input != inputs.end() && input->second != out.ownData)
            return "The output would replace the data file " + input->second + ": " + out.path + " is " + out.what +
                   "; name the output otherwise, or write the outputs elsewhere with --output-dir";
        if (auto [at, added] = written.try_emplace(id, out.what); !added)
            return out.path + " would be both " + at->second + " and " + out.what +
                   (out.path == options.summary || out.what == "the series plot"
                        ? "; name the summary otherwise"
                    : options.outputDir.empty() ? "; rename one of the data files"
                                                : "; data files of the same name need output folders of their own");
        if (out.kind && !options.force && !MayReplace(out.path, *out.kind))
            return out.path + " (" + out.what + ") exists and was not written by zantrel-cli; move it, write "
                   "the outputs elsewhere with --output-dir, or replace it with --force";
    }
    return "";
}

}  // namespace zantrel::cli

// Compares the fast path's reports with the extended path's, byte for byte, on random
// data files of every crystal system, data kind and minimised quantity, with and
// without a zero shift, exact and with the scatter of real measurements, positions
// written with 2 to 5 decimals or in full, some on the report's rounding boundaries,
// now and then an outlier, with brief and full diagnostics. Prints how many runs kept
// the fast path, why the others fell back, the fall-back rate by the decimals written,
// and how far the two paths' printed values lay apart (in units of the last printed
// digit, and relatively).
//
//   zantrel_compare_paths COUNT [SEED]        exit status 1 when any report differs

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/Engine.h"
#include "engine/Margins.h"
#include "export/Report.h"
#include "run/Run.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::synth;

namespace {

RefinementSettings SettingsFor(bool full) {
    RefinementSettings settings;
    settings.fullDiagnostics = full;
    return settings;
}

struct Outcome {
    std::string report, error;
    RunPath path;
};

Outcome Run(const std::string& data, bool full, Precision precision) {
    Outcome out;
    try {
        RunReply reply = RunRefinement(MemoryRequest(SettingsFor(full), data, "compare.dat", precision));
        out.report = std::move(reply.report);
        out.path = std::move(reply.path);
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

// What one engine prints, value by value, as its report formats it: the fast engine
// with its checks (the report kept where they pass), the reference with none.
struct Printed {
    std::vector<std::pair<long double, int>> values;
    std::string report;
    bool passed = false;
};

template <typename Real>
Printed Record(const std::string& data, bool full) {
    Printed out;
    MarginCheck check;
    check.printed = &out.values;
    RefinementJob<Real> job;
    job.settings = SettingsFor(full);
    job.InputFile = TextReader("compare.dat", data);
    if constexpr (std::is_same_v<Real, double>) job.margins = &check;
    out.report = FormatReport(engine::Refine(job), &check);
    out.passed = check.Passed();
    return out;
}

// The decimals written of the observed values: as real files carry them, and in full.
constexpr int Decimals[] = {2, 3, 4, 5, -1};
// The scatter of 2-theta in degrees: none, a little, and that of real measurements (the
// program assumes 0.005).
constexpr double Scatter[] = {0.0, 0.0005, 0.002, 0.005, 0.01, 0.02};
constexpr double RealScatter = 0.002;

struct Case {
    DataSpec recipe;
    int decimals = 0;  // its index in Decimals
    bool full = false;
};

// Each 72 files hold every system, data kind and minimised quantity; the decimals change
// with each 72 and the scatter with each 360, so that 2,160 files hold every pairing of
// the two. The rest is drawn: a zero shift, ties, an outlier, the diagnostics listed.
Case RandomCase(std::mt19937& random, int i) {
    Case c;
    DataSpec& recipe = c.recipe;
    recipe.system = 1 + i % 6;
    recipe.cell = RandomCell(recipe.system, random);
    recipe.count = std::uniform_int_distribution<int>(8, 60)(random);
    recipe.seed = unsigned(random());
    static const char* const minimise[] = {"tt", "d", "e", "q"};
    recipe.kind = Kind(i / 6 % 3);
    recipe.minimise = minimise[i / 18 % 4];
    c.decimals = i / 72 % 5;
    recipe.decimals = Decimals[c.decimals];
    recipe.noise2Theta = Scatter[i / 360 % 6];
    std::bernoulli_distribution half(0.5);
    recipe.zeroShiftFlag = half(random);
    if (recipe.zeroShiftFlag && recipe.kind != Kind::D)
        recipe.zeroShift = recipe.kind == Kind::Energy ? 0.05 : std::uniform_real_distribution<double>(-0.05, 0.05)(random);
    // Ties in half the files, on a third of their lines; an outlier in one file of eight.
    recipe.tieShare = half(random) ? 0.3 : 0.0;
    recipe.outliers = std::uniform_int_distribution<int>(0, 7)(random) == 0 ? 1 : 0;
    recipe.beam2Theta = std::uniform_real_distribution<double>(5.0, 30.0)(random);
    c.full = half(random);
    return c;
}

struct Rate {
    int files = 0, fellBack = 0;
    void Add(bool fast) {
        ++files;
        fellBack += fast ? 0 : 1;
    }
    double Percent() const { return files == 0 ? 0.0 : 100.0 * fellBack / files; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zantrel_compare_paths COUNT [SEED]\n");
        return 2;
    }
    const int count = std::stoi(argv[1]);
    std::mt19937 random(argc > 2 ? unsigned(std::stoul(argv[2])) : 12u);
    const bool verbose = std::getenv("ZANTREL_COMPARE_VERBOSE") != nullptr;
    int fast = 0, differ = 0, failed = 0;
    std::map<std::string, int> reasons;
    // By the decimals written, of the files in each group.
    const char* const groups[] = {"all files", "real, no outlier", "with ties", "an outlier"};
    Rate byDecimals[std::size(groups)][std::size(Decimals)];
    long double worstUnits = 0, worstRelative = 0, worstShare = 0;
    // How the printed values' differences spread over their bound: the tail shows how
    // much room the bound leaves.
    const long double shareSteps[] = {0.001L, 0.01L, 0.1L, 0.3L, 1.0L};
    long long beyondShare[5] = {}, printedValues = 0;
    for (int i = 0; i < count; ++i) {
        const Case c = RandomCase(random, i);
        const std::string data = MakeDataFile(c.recipe);
        const bool full = c.full;
        const bool real = c.recipe.noise2Theta >= RealScatter && c.recipe.outliers == 0;
        const bool inGroup[] = {true, real, c.recipe.tieShare > 0, c.recipe.outliers > 0};
        const Outcome checked = Run(data, full, Precision::Checked);
        const Outcome reference = Run(data, full, Precision::Extended);
        if (!reference.error.empty()) ++failed;
        // A failed run hands back no reply, and so no path.
        if (checked.path.fast) ++fast;
        else if (!checked.error.empty()) ++reasons["the run failed"];
        else ++reasons[checked.path.fallbackReason.empty() ? "?" : checked.path.fallbackReason];
        for (std::size_t g = 0; g < std::size(groups); ++g)
            if (inGroup[g]) byDecimals[g][c.decimals].Add(checked.path.fast);
        if (checked.report != reference.report || checked.error != reference.error) {
            ++differ;
            std::printf("DIFFERS: file %d (%s)\n%s\n", i, checked.path.fast ? "fast" : "extended", data.c_str());
        }
        if (!checked.path.fast || !reference.error.empty()) continue;
        // How far the kept fast run's printed values lay from the reference's. The engines
        // called directly must make the run the reply describes.
        const Printed fastValues = Record<double>(data, full), referenceValues = Record<long double>(data, full);
        if (!fastValues.passed || fastValues.report != checked.report || referenceValues.report != reference.report) {
            ++differ;
            std::printf("DIRECT RUN DIFFERS: file %d\n%s\n", i, data.c_str());
        }
        if (fastValues.values.size() == referenceValues.values.size())
            for (std::size_t k = 0; k < fastValues.values.size(); ++k) {
                const auto [x, d] = fastValues.values[k];
                const long double e = referenceValues.values[k].first;
                const long double diff = std::fabs(x - e);
                const long double units = diff * std::pow(10.0L, d);
                const long double bound = PrintedRelativeBound * std::fabs(e) * std::pow(10.0L, d) + PrintedUnitBound;
                if (units / bound > worstShare && verbose)
                    std::printf("file %d value %zu of %zu: %.20Lg vs %.20Lg at %d decimals\n", i, k,
                                fastValues.values.size(), x, e, d);
                worstShare = std::max(worstShare, units / bound);
                ++printedValues;
                for (int s = 0; s < 5; ++s) beyondShare[s] += units / bound > shareSteps[s] ? 1 : 0;
                worstUnits = std::max(worstUnits, units);
                if (e != 0) worstRelative = std::max(worstRelative, diff / std::fabs(e));
            }
    }
    std::printf("%d files: %d reports differ; %d kept the fast path (%.2f %%), %d runs failed on both paths\n", count,
                differ, fast, 100.0 * fast / count, failed);
    for (const auto& [reason, n] : reasons) std::printf("  fell back %6d: %s\n", n, reason.c_str());
    std::printf("fell back, by the decimals of the observed values (real scatter: %g to %g degrees of 2-theta)\n"
                "  decimals",
                RealScatter, Scatter[std::size(Scatter) - 1]);
    for (const char* group : groups) std::printf("  %18s", group);
    std::printf("\n");
    for (std::size_t k = 0; k < std::size(Decimals); ++k) {
        std::printf("  %-8s", Decimals[k] < 0 ? "full" : std::to_string(Decimals[k]).c_str());
        for (const auto& rates : byDecimals) std::printf("  %6.2f %% of %6d", rates[k].Percent(), rates[k].files);
        std::printf("\n");
    }
    std::printf("largest difference of a printed value: %.3Lg of its last digit, %.3Lg relative\n", worstUnits,
                worstRelative);
    std::printf("bounds: %.3g of the last digit plus %.3g relative (the largest difference took %.3Lg of it); "
                "decisions %.3g of their operands\n",
                PrintedUnitBound, PrintedRelativeBound, worstShare, DecisionBound);
    std::printf("%lld printed values of fast runs; beyond", printedValues);
    for (int s = 0; s < 5; ++s) std::printf(" %Lg: %lld%s", shareSteps[s], beyondShare[s], s < 4 ? "," : "");
    std::printf(" of the bound\n");
    return differ == 0 ? 0 : 1;
}
